#include "matimage.h"

#include <QVector>

namespace MatImage {

namespace {

bool hasGreyRamp(const QImage &image)
{
    const QVector<QRgb> table = image.colorTable();
    if (table.isEmpty())
        return true;
    if (table.size() != 256)
        return false;
    for (int i = 0; i < 256; ++i) {
        if (table.at(i) != qRgb(i, i, i))
            return false;
    }
    return true;
}

} // namespace

QImage readableImage(const QImage &image)
{
    switch (image.format()) {
    case QImage::Format_Indexed8:
        // A palette image read as raw indexes would lose its colours.
        return hasGreyRamp(image) ? image : image.convertToFormat(QImage::Format_ARGB32);
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return image.convertToFormat(QImage::Format_ARGB32);
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_RGB888:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_Alpha8:
    case QImage::Format_Grayscale8:
        return image;
    case QImage::Format_RGB16:
        return image.convertToFormat(QImage::Format_RGB32);
    case QImage::Format_RGB666:
    case QImage::Format_RGB555:
    case QImage::Format_RGB444:
        return image.convertToFormat(QImage::Format_RGB888);
    default:
        // Premultiplied formats are unpremultiplied here: the result is
        // labelled ARGB32 and must not come out darker where translucent.
        return image.convertToFormat(QImage::Format_ARGB32);
    }
}

bool hasWorkingLayout(QImage::Format format)
{
    switch (format) {
    case QImage::Format_Indexed8:
    case QImage::Format_Alpha8:
    case QImage::Format_Grayscale8:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return true;
    default:
        return false;
    }
}

cv::Mat readOnlyView(const QImage &image)
{
    if (image.isNull())
        return cv::Mat();
    const int channels = image.depth() / 8;
    return cv::Mat(image.height(), image.width(), CV_8UC(channels),
                   const_cast<uchar *>(image.constBits()), size_t(image.bytesPerLine()));
}

cv::Mat writableView(QImage &image)
{
    if (image.isNull())
        return cv::Mat();
    const int channels = image.depth() / 8;
    return cv::Mat(image.height(), image.width(), CV_8UC(channels), image.bits(),
                   size_t(image.bytesPerLine()));
}

QImage allocateImage(int width, int height, int channels)
{
    switch (channels) {
    case 1: {
        QImage image(width, height, QImage::Format_Indexed8);
        if (image.isNull())
            return image;
        QVector<QRgb> greys(256);
        for (int i = 0; i < 256; ++i)
            greys[i] = qRgb(i, i, i);
        image.setColorTable(greys);
        return image;
    }
    case 3:
        return QImage(width, height, QImage::Format_RGB888);
    case 4:
        return QImage(width, height, QImage::Format_ARGB32);
    default:
        return QImage();
    }
}

} // namespace MatImage
