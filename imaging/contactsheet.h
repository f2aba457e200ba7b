#ifndef VISTALOOM_CONTACTSHEET_H
#define VISTALOOM_CONTACTSHEET_H

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>

// One image showing a job's images in a grid, in time order, each with its
// time beneath it, under a header that describes the video.
class ContactSheet
{
public:
    // Every image is scaled to this width, keeping its aspect.
    static constexpr int TileWidth = 320;
    static constexpr int Margin = 8;
    static constexpr int FontPixelSize = 14;
    static constexpr QRgb Background = 0xff202020;
    static constexpr QRgb TextColour = 0xffffffff;

    struct Tile {
        QImage image;
        qint64 ms = 0;
    };

    // Where everything lies on a sheet of count tiles, each at most
    // tileHeight high.
    struct Layout {
        int columns = 1;
        int rows = 1;
        int tileHeight = 0;
        int headerHeight = 0;
        int captionHeight = 0;
        QSize size() const;
        QRect headerRect() const;
        QRect tileRect(int index) const;
        QRect captionRect(int index) const;
    };

    // No more columns than tiles; the header's lines wrap to the sheet's
    // width, so a narrow sheet shows all of it.
    static Layout layout(int count, int columns, int tileHeight, const QStringList &header);
    // Which of the images at times (in order) a sheet of cells shows: all
    // of them when they fit, otherwise for each of cells times evenly
    // spaced from the first image to the last the nearest image, each
    // image at most once. Spread by index, images that lie unevenly in
    // time (key frames, cuts) would leave gaps of every length.
    static QVector<int> spread(const QVector<qint64> &times, int cells);
    static QImage tileImage(const QImage &image);
    static QString timeText(qint64 ms);
    static QFont font();
    // Lines of text, left-aligned or centred, on the sheet's background;
    // a line too long for the width wraps, between words where it can.
    static QImage textStrip(const QStringList &lines, const QSize &size, Qt::Alignment alignment);
    // tiles in time order; columns and rows at least 1. Null when the
    // sheet cannot be allocated.
    static QImage render(const QStringList &header, const QVector<Tile> &tiles, int columns, int rows);
};

#endif
