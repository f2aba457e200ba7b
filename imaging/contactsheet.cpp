#include "contactsheet.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTime>

#include <algorithm>

QSize ContactSheet::Layout::size() const
{
    return QSize(Margin + columns * (TileWidth + Margin),
                 headerHeight + rows * (tileHeight + captionHeight + Margin) + Margin);
}

QRect ContactSheet::Layout::headerRect() const
{
    return QRect(0, 0, size().width(), headerHeight);
}

QRect ContactSheet::Layout::tileRect(int index) const
{
    const int column = index % columns;
    const int row = index / columns;
    return QRect(Margin + column * (TileWidth + Margin),
                 headerHeight + Margin + row * (tileHeight + captionHeight + Margin), TileWidth, tileHeight);
}

QRect ContactSheet::Layout::captionRect(int index) const
{
    const QRect tile = tileRect(index);
    return QRect(tile.left(), tile.bottom() + 1, TileWidth, captionHeight);
}

ContactSheet::Layout ContactSheet::layout(int count, int columns, int tileHeight, int headerLines)
{
    const int lineHeight = QFontMetrics(font()).height();
    Layout result;
    result.columns = qMax(1, columns);
    result.rows = qMax(1, (count + result.columns - 1) / result.columns);
    result.tileHeight = qMax(1, tileHeight);
    result.headerHeight = Margin + qMax(0, headerLines) * lineHeight;
    result.captionHeight = lineHeight + 4;
    return result;
}

QVector<int> ContactSheet::spread(int count, int cells)
{
    QVector<int> indexes;
    if (count <= 0 || cells <= 0)
        return indexes;
    if (count <= cells || cells == 1) {
        for (int i = 0; i < qMin(count, cells); ++i)
            indexes << i;
        return indexes;
    }
    for (int i = 0; i < cells; ++i)
        indexes << int((qint64(i) * (count - 1) + (cells - 1) / 2) / (cells - 1));
    return indexes;
}

QImage ContactSheet::tileImage(const QImage &image)
{
    if (image.isNull() || image.width() < 1)
        return QImage();
    const int height = qMax(1, qRound(double(image.height()) * TileWidth / image.width()));
    return image.convertToFormat(QImage::Format_ARGB32)
        .scaled(TileWidth, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QString ContactSheet::timeText(qint64 ms)
{
    const qint64 clamped = qMax<qint64>(0, ms);
    const qint64 hours = clamped / 3600000;
    return QStringLiteral("%1:%2")
        .arg(hours, 2, 10, QLatin1Char('0'))
        .arg(QTime::fromMSecsSinceStartOfDay(int(clamped % 3600000)).toString(QStringLiteral("mm:ss.zzz")));
}

QFont ContactSheet::font()
{
    QFont result(QStringLiteral("DejaVu Sans"));
    result.setPixelSize(FontPixelSize);
    return result;
}

QImage ContactSheet::textStrip(const QStringList &lines, const QSize &size, Qt::Alignment alignment)
{
    QImage strip(size, QImage::Format_ARGB32);
    if (strip.isNull())
        return strip;
    strip.fill(Background);
    QPainter painter(&strip);
    painter.setFont(font());
    painter.setPen(QColor::fromRgba(TextColour));
    const int lineHeight = QFontMetrics(font()).height();
    const bool centred = alignment & Qt::AlignHCenter;
    for (int i = 0; i < lines.size(); ++i) {
        const QRect line(centred ? 0 : Margin, i * lineHeight, size.width() - (centred ? 0 : 2 * Margin), lineHeight);
        painter.drawText(line, int(alignment | Qt::AlignVCenter), lines[i]);
    }
    return strip;
}

QImage ContactSheet::render(const QStringList &header, const QVector<Tile> &tiles, int columns, int rows)
{
    const QVector<int> chosen = spread(tiles.size(), qMax(1, columns) * qMax(1, rows));
    QVector<QImage> scaled;
    int tileHeight = 1;
    for (int index : chosen) {
        scaled << tileImage(tiles[index].image);
        tileHeight = std::max(tileHeight, scaled.last().height());
    }
    const Layout grid = layout(chosen.size(), columns, tileHeight, header.size());
    QImage sheet(grid.size(), QImage::Format_ARGB32);
    if (sheet.isNull())
        return sheet;
    sheet.fill(Background);
    QPainter painter(&sheet);
    const QRect headerRect = grid.headerRect().adjusted(0, Margin, 0, 0);
    painter.drawImage(headerRect.topLeft(), textStrip(header, headerRect.size(), Qt::AlignLeft));
    for (int i = 0; i < chosen.size(); ++i) {
        painter.drawImage(grid.tileRect(i).topLeft(), scaled[i]);
        const QRect caption = grid.captionRect(i);
        painter.drawImage(caption.topLeft(),
                          textStrip({timeText(tiles[chosen[i]].ms)}, caption.size(), Qt::AlignHCenter));
    }
    return sheet;
}
