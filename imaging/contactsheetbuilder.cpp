#include "contactsheetbuilder.h"

#include "contactsheet.h"
#include "imagemetadata.h"
#include "imageprocessingmanager.h"

#include <algorithm>

ContactSheetBuilder::ContactSheetBuilder(int columns, int rows)
    : m_cells(columns * rows)
    , m_columns(columns)
    , m_rows(rows)
{
}

void ContactSheetBuilder::add(const QString &path, qint64 ms, const QImage &written, const QImage &frame)
{
    // A tile read back from a small output would be upscaled; keep the
    // frame instead, but never larger than a tile, so a long job holds no
    // full frames.
    QImage tile;
    if (written.width() < ContactSheet::TileWidth)
        tile = frame.width() > ContactSheet::TileWidth ? ContactSheet::tileImage(frame) : frame;
    m_images.append({path, ms, tile});
    thin();
}

qint64 ContactSheetBuilder::firstMs() const
{
    return std::min_element(m_images.cbegin(), m_images.cend(),
                            [](const SheetImage &a, const SheetImage &b) { return a.ms < b.ms; })
        ->ms;
}

// The images kept for the sheet that fill its cells evenly in time, in
// time order.
QVector<int> ContactSheetBuilder::spread()
{
    std::stable_sort(m_images.begin(), m_images.end(),
                     [](const SheetImage &a, const SheetImage &b) { return a.ms < b.ms; });
    QVector<qint64> times;
    for (const SheetImage &image : qAsConst(m_images))
        times << image.ms;
    return ContactSheet::spread(times, m_cells);
}

// Once the images kept for the sheet are twice its cells, they are thinned
// to the cells evenly in time, so a long job of small images holds at most
// two sheets' worth of tiles.
void ContactSheetBuilder::thin()
{
    if (m_images.size() <= 2 * m_cells)
        return;
    QVector<SheetImage> kept;
    for (int index : spread())
        kept.append(m_images[index]);
    m_images = kept;
}

bool ContactSheetBuilder::write(const QStringList &header, const QDir &folder, const QString &seriesName,
                                ImageProfile *profile, const std::function<void(const QString &)> &saving,
                                QString *failedPath)
{
    // Only the images the sheet shows are read back, as they were written.
    QVector<ContactSheet::Tile> tiles;
    for (int index : spread()) {
        const SheetImage &image = m_images[index];
        tiles.append({image.tile.isNull() ? QImage(image.path) : image.tile, image.ms});
    }
    const QImage sheet = ContactSheet::render(header, tiles, m_columns, m_rows);

    const int dot = seriesName.lastIndexOf(QLatin1Char('.'));
    const QString stem = seriesName.left(dot) + QStringLiteral("-sheet");
    const QString type = seriesName.mid(dot);
    int counter = 1;
    const OutputFile::FreeName name = OutputFile::claimFirstFree(folder, counter, [&](int n) {
        return n == 1 ? stem + type : stem + QStringLiteral("-%1").arg(n) + type;
    });
    *failedPath = name.path;
    if (name.claim != OutputFile::Claim::Claimed)
        return false;
    saving(name.fileName);
    if (sheet.isNull() || !ImageProcessingManager::instance()->saveImage(name.path, sheet, profile, ImageMetadata())) {
        OutputFile::release(name.path);
        return false;
    }
    failedPath->clear();
    return true;
}
