#include "spritesheetbuilder.h"

#include "imagemetadata.h"
#include "imageprocessingmanager.h"
#include "outputfile.h"
#include "outputimagetype.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QUrl>

#include <algorithm>

SpriteSheetBuilder::SpriteSheetBuilder(int columns, int rows)
    : m_columns(qMax(1, columns))
    , m_rows(qMax(1, rows))
{
}

void SpriteSheetBuilder::add(const QString &path, qint64 ms)
{
    // Only the name is kept: a long job of large images would not fit in
    // memory, so the tiles are read back when the sheets are made.
    m_images.append({path, ms});
}

qint64 SpriteSheetBuilder::firstMs() const
{
    return std::min_element(m_images.cbegin(), m_images.cend(),
                            [](const SpriteImage &a, const SpriteImage &b) { return a.ms < b.ms; })
        ->ms;
}

qint64 SpriteSheetBuilder::lastMs() const
{
    return std::max_element(m_images.cbegin(), m_images.cend(),
                            [](const SpriteImage &a, const SpriteImage &b) { return a.ms < b.ms; })
        ->ms;
}

QString SpriteSheetBuilder::spriteType(const QString &seriesType)
{
    const OutputImageType *type = OutputImageType::find(seriesType);
    static const QStringList shownByBrowsers{QStringLiteral("jpeg"), QStringLiteral("png"), QStringLiteral("webp"),
                                             QStringLiteral("avif")};
    return type && shownByBrowsers.contains(type->name) ? seriesType : QStringLiteral("jpeg");
}

// Cues in time order; a second image of the same moment would give a cue
// of no length, so only the first is kept.
void SpriteSheetBuilder::sort()
{
    std::stable_sort(m_images.begin(), m_images.end(),
                     [](const SpriteImage &a, const SpriteImage &b) { return a.ms < b.ms; });
    m_images.erase(std::unique(m_images.begin(), m_images.end(),
                               [](const SpriteImage &a, const SpriteImage &b) { return a.ms == b.ms; }),
                   m_images.end());
}

// The sheet of the count images from first in a grid of columns, each
// tile of tileSize (the first image's size when none is set yet), and
// where each tile lies. A null image when one cannot be read back (removed
// meanwhile): the sheet fails rather than showing a hole.
QImage SpriteSheetBuilder::render(int first, int count, int columns, QSize &tileSize, QVector<QRect> *rects) const
{
    // Read one at a time: a sheet of large tiles is memory enough.
    QImage tile(m_images[first].path);
    if (tileSize.isEmpty())
        tileSize = tile.size();
    const int rows = (count + columns - 1) / columns;
    QImage sheet;
    if (!tile.isNull())
        sheet = QImage(columns * tileSize.width(), rows * tileSize.height(), QImage::Format_RGB32);
    if (sheet.isNull())
        return QImage();
    sheet.fill(Qt::black);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            tile = QImage(m_images[first + i].path);
        if (tile.isNull())
            return QImage();
        rects->append(QRect(QPoint(i % columns * tileSize.width(), i / columns * tileSize.height()), tileSize));
        // Every image of a job has one size; any other is fitted.
        painter.drawImage(rects->last(), tile);
    }
    painter.end();
    return sheet;
}

bool SpriteSheetBuilder::write(const QDir &folder, const QString &seriesName, qint64 endMs, ImageProfile *profile,
                               const std::function<void(const QString &)> &saving,
                               QVector<WebVttWriter::Cue> *cues, QString *failedPath)
{
    sort();
    const int dot = seriesName.lastIndexOf(QLatin1Char('.'));
    const QString stem = seriesName.left(dot) + QStringLiteral("-sprite-");
    const QString type = QLatin1Char('.') + spriteType(seriesName.mid(dot + 1));
    const int cells = m_columns * m_rows;
    QSize tileSize;
    int counter = 1;
    for (int first = 0; first < m_images.size(); first += cells) {
        // A sheet only as large as its tiles need: the last one may be
        // shorter, and a job of fewer images than columns narrower.
        const int count = qMin(cells, m_images.size() - first);
        QVector<QRect> rects;
        const QImage sheet = render(first, count, qMin(m_columns, count), tileSize, &rects);

        const OutputFile::FreeName name =
            OutputFile::claimFirstFree(folder, counter, [&](int n) { return stem + QString::number(n) + type; });
        ++counter;
        *failedPath = name.path;
        if (name.claim != OutputFile::Claim::Claimed)
            return false;
        saving(name.fileName);
        if (sheet.isNull()
            || !ImageProcessingManager::instance()->saveImage(name.path, sheet, profile, ImageMetadata())) {
            OutputFile::release(name.path);
            return false;
        }
        const QString file = QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(name.path).fileName()));
        for (int i = 0; i < count; ++i) {
            const int next = first + i + 1;
            const QRect &r = rects[i];
            const QString fragment =
                QStringLiteral("#xywh=%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
            cues->append({m_images[first + i].ms,
                          next < m_images.size() ? m_images[next].ms : qMax(endMs, m_images.last().ms + 1),
                          file + fragment});
        }
    }
    failedPath->clear();
    return true;
}
