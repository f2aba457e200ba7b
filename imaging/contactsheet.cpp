#include "contactsheet.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>
#include <QTime>

#include <algorithm>
#include <cmath>

namespace {

QTextOption wrapping(Qt::Alignment alignment)
{
    QTextOption option(alignment);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

// How many lines text takes when wrapped to width.
int wrappedLineCount(const QString &text, int width)
{
    QTextLayout layout(text, ContactSheet::font());
    layout.setTextOption(wrapping(Qt::AlignLeft));
    layout.beginLayout();
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        ++lines;
    }
    layout.endLayout();
    return qMax(1, lines);
}

int textWidth(int stripWidth, Qt::Alignment alignment)
{
    return qMax(1, stripWidth - (alignment & Qt::AlignHCenter ? 0 : 2 * ContactSheet::Margin));
}

} // namespace

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

ContactSheet::Layout ContactSheet::layout(int count, int columns, int tileHeight, const QStringList &header)
{
    const int lineHeight = QFontMetrics(font()).height();
    Layout result;
    result.columns = qBound(1, columns, qMax(1, count));
    result.rows = qMax(1, (count + result.columns - 1) / result.columns);
    result.tileHeight = qMax(1, tileHeight);
    const int width = textWidth(result.size().width(), Qt::AlignLeft);
    int headerLines = 0;
    for (const QString &line : header)
        headerLines += wrappedLineCount(line, width);
    result.headerHeight = Margin + headerLines * lineHeight;
    result.captionHeight = lineHeight + 4;
    return result;
}

QVector<int> ContactSheet::spread(const QVector<qint64> &times, int cells)
{
    QVector<int> indexes;
    const int count = times.size();
    if (count <= 0 || cells <= 0)
        return indexes;
    if (count <= cells || cells == 1) {
        for (int i = 0; i < qMin(count, cells); ++i)
            indexes << i;
        return indexes;
    }
    const double first = double(times.first());
    const double span = double(times.last()) - first;
    int next = 0;
    for (int cell = 0; cell < cells; ++cell) {
        const double target = first + span * cell / (cells - 1);
        // Leave one image for every cell still to fill, so each image
        // appears once and the order stays that of time.
        const int last = count - (cells - cell);
        int best = next;
        for (int i = next + 1; i <= last; ++i) {
            if (std::abs(double(times[i]) - target) < std::abs(double(times[best]) - target))
                best = i;
            else if (double(times[i]) > target)
                break;
        }
        indexes << best;
        next = best + 1;
    }
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
    const int width = textWidth(size.width(), alignment);
    const int left = alignment & Qt::AlignHCenter ? 0 : Margin;
    int top = 0;
    for (const QString &text : lines) {
        const int height = wrappedLineCount(text, width) * lineHeight;
        painter.drawText(QRectF(left, top, width, height), text, wrapping(alignment | Qt::AlignVCenter));
        top += height;
    }
    return strip;
}

QImage ContactSheet::render(const QStringList &header, const QVector<Tile> &tiles, int columns, int rows)
{
    QVector<qint64> times;
    for (const Tile &tile : tiles)
        times << tile.ms;
    const QVector<int> chosen = spread(times, qMax(1, columns) * qMax(1, rows));
    QVector<QImage> scaled;
    int tileHeight = 1;
    for (int index : chosen) {
        scaled << tileImage(tiles[index].image);
        tileHeight = std::max(tileHeight, scaled.last().height());
    }
    const Layout grid = layout(chosen.size(), columns, tileHeight, header);
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
