#include "matimage.h"

#include <QVector>
#include <QtDebug>

#include <opencv2/imgproc.hpp>

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

// The image in a format whose rows can be read as an 8-bit matrix.
QImage readableImage(const QImage &image)
{
    switch (image.format()) {
    case QImage::Format_Indexed8:
        // A palette image read as raw indexes would lose its colours.
        return hasGreyRamp(image) ? image : image.convertToFormat(QImage::Format_ARGB32);
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
        // Mono and premultiplied formats among others; premultiplied ones are
        // unpremultiplied here: the result is labelled ARGB32 and must not
        // come out darker where translucent.
        return image.convertToFormat(QImage::Format_ARGB32);
    }
}

// Grey, or blue, green, red, alpha as the bytes lie on a little-endian
// machine: OpenCV's own order.
bool hasBlueGreenRedLayout(QImage::Format format)
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

cv::Mat view(const QImage &image)
{
    return cv::Mat(image.height(), image.width(), CV_8UC(image.depth() / 8), const_cast<uchar *>(image.constBits()),
                   size_t(image.bytesPerLine()));
}

} // namespace

Pixels readable(const QImage &image, ChannelOrder order)
{
    Pixels pixels;
    if (image.isNull())
        return pixels;
    pixels.image = readableImage(image);
    const QImage::Format format = pixels.image.format();
    const cv::Mat rows = view(pixels.image);
    if (hasBlueGreenRedLayout(format) || (format == QImage::Format_RGB888 && order == ChannelOrder::AsLaid))
        pixels.matrix = rows;
    else
        cv::cvtColor(rows, pixels.matrix, rows.channels() == 3 ? cv::COLOR_RGB2BGR : cv::COLOR_RGBA2BGRA);
    return pixels;
}

cv::Mat greyView(const QImage &grey)
{
    if (grey.isNull() || grey.depth() != 8)
        return cv::Mat();
    return view(grey);
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

cv::Mat writableView(QImage &image)
{
    if (image.isNull())
        return cv::Mat();
    return cv::Mat(image.height(), image.width(), CV_8UC(image.depth() / 8), image.bits(),
                   size_t(image.bytesPerLine()));
}

QImage toImage(const cv::Mat &matrix)
{
    if (matrix.empty())
        return QImage();
    cv::Mat bytes = matrix;
    if (matrix.depth() != CV_8U) {
        double scale = 1.0;
        if (matrix.depth() == CV_16U || matrix.depth() == CV_16S)
            scale = 1.0 / 255.0;
        else if (matrix.depth() == CV_32F || matrix.depth() == CV_64F)
            scale = 255.0;
        matrix.convertTo(bytes, CV_8U, scale);
    }
    QImage image = allocateImage(bytes.cols, bytes.rows, bytes.channels());
    if (image.isNull()) {
        qWarning() << "MatImage - no image for a matrix of" << bytes.channels() << "channels and" << bytes.cols
                   << "x" << bytes.rows << "pixels";
        return image;
    }
    cv::Mat output = writableView(image);
    if (bytes.channels() == 3)
        cv::cvtColor(bytes, output, cv::COLOR_BGR2RGB);
    else
        bytes.copyTo(output);
    return image;
}

} // namespace MatImage
