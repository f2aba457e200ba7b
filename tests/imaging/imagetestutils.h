#ifndef VISTALOOM_IMAGETESTUTILS_H
#define VISTALOOM_IMAGETESTUTILS_H

#include <QColor>
#include <QImage>
#include <QRect>

#include <cstdlib>
#include <functional>

// Pixel helpers shared by the imaging tests: results are judged by what
// lies in the image, not by repeating the computation that made it.
namespace ImageTestUtils {

inline QImage filled(int width, int height, QColor colour, QImage::Format format = QImage::Format_ARGB32)
{
    QImage image(width, height, format);
    image.fill(colour);
    return image;
}

// The smallest rectangle holding every pixel the predicate accepts.
inline QRect boundsOf(const QImage &image, const std::function<bool(QRgb)> &accept)
{
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    int left = pixels.width(), top = pixels.height(), right = -1, bottom = -1;
    for (int y = 0; y < pixels.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            if (!accept(row[x]))
                continue;
            left = qMin(left, x);
            right = qMax(right, x);
            top = qMin(top, y);
            bottom = qMax(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

inline int countOf(const QImage &image, const std::function<bool(QRgb)> &accept)
{
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int y = 0; y < pixels.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x)
            count += accept(row[x]) ? 1 : 0;
    }
    return count;
}

inline std::function<bool(QRgb)> exactly(QRgb colour)
{
    return [colour](QRgb pixel) { return (pixel | 0xff000000u) == (colour | 0xff000000u); };
}

// Colour channels within tolerance of the colour (alpha not compared).
inline std::function<bool(QRgb)> near(QRgb colour, int tolerance)
{
    return [colour, tolerance](QRgb pixel) {
        return std::abs(qRed(pixel) - qRed(colour)) <= tolerance
            && std::abs(qGreen(pixel) - qGreen(colour)) <= tolerance
            && std::abs(qBlue(pixel) - qBlue(colour)) <= tolerance;
    };
}

// Any pixel that differs from the background colour.
inline std::function<bool(QRgb)> notColour(QRgb background)
{
    return [background](QRgb pixel) { return (pixel | 0xff000000u) != (background | 0xff000000u); };
}

} // namespace ImageTestUtils

#endif
