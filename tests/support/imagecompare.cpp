#include "imagecompare.h"

#include <cmath>
#include <cstdlib>

namespace ImageCompare {

double psnr(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return 0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb *lineA = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const QRgb *lineB = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int dr = qRed(lineA[col]) - qRed(lineB[col]);
            const int dg = qGreen(lineA[col]) - qGreen(lineB[col]);
            const int db = qBlue(lineA[col]) - qBlue(lineB[col]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = sum / (3.0 * x.width() * x.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

double meanDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return 1;
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int i = 0; i < 3 * x.width(); ++i)
            sum += std::abs(x.constScanLine(row)[i] - y.constScanLine(row)[i]);
    }
    return sum / (3.0 * 255.0 * x.width() * x.height());
}

} // namespace ImageCompare
