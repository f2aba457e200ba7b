#include "imageprocessingmanager.h"

#include "atomicimagefile.h"
#include "imagewriterplugin.h"
#include "matimage.h"
#include "outputimagetype.h"
#include "resizeplan.h"
#include "watermarkmanager.h"
#include "xmpwriter.h"

#include "profiles/imageprofile.h"
#include "profiles/profilemanager.h"
#include "profiles/watermarkprofile.h"

#include <QBuffer>
#include <QClipboard>
#include <QDebug>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageIOHandler>
#include <QImageWriter>

#include <opencv2/imgproc.hpp>

#include <memory>

namespace {

constexpr int DotsPerMeterAt300Dpi = 11811;
// A mistyped profile size (100000 x 100000) must not take the machine's
// memory: 256 megapixels is twice a 16K frame and 1 GiB at four bytes.
constexpr qint64 MaximumOutputPixels = qint64(1) << 28;

// The options QImageWriter::write() gives a handler, with its defaults.
bool writeWith(QImageIOHandler &handler, const QImage &image, int quality)
{
    if (image.isNull())
        return false;
    if (handler.supportsOption(QImageIOHandler::Quality))
        handler.setOption(QImageIOHandler::Quality, quality);
    if (handler.supportsOption(QImageIOHandler::CompressionRatio))
        handler.setOption(QImageIOHandler::CompressionRatio, -1);
    if (handler.supportsOption(QImageIOHandler::Gamma))
        handler.setOption(QImageIOHandler::Gamma, 0.0f);
    if (handler.supportsOption(QImageIOHandler::OptimizedWrite))
        handler.setOption(QImageIOHandler::OptimizedWrite, false);
    if (handler.supportsOption(QImageIOHandler::ProgressiveScanWrite))
        handler.setOption(QImageIOHandler::ProgressiveScanWrite, false);
    if (handler.supportsOption(QImageIOHandler::ImageTransformation))
        handler.setOption(QImageIOHandler::ImageTransformation, int(QImageIOHandler::TransformationNone));
    return handler.write(image);
}

// The metadata as one JPEG comment segment, after the start marker and the
// application segments (JFIF, XMP), where Qt's writer puts its comments.
// Written here because Qt's writer makes one comment per text entry (most
// readers show only the first) and exiv2 ends a comment with a NUL.
QByteArray withJpegComment(const QByteArray &jpeg, const QString &comment)
{
    const QByteArray text = comment.toUtf8().left(0xffff - 2);
    const auto byteAt = [&jpeg](int index) { return quint8(jpeg.at(index)); };
    if (text.isEmpty() || jpeg.size() < 4 || byteAt(0) != 0xff || byteAt(1) != 0xd8)
        return jpeg;
    // Each segment: 0xff, its marker, a big-endian length that counts itself.
    int at = 2;
    while (at + 4 <= jpeg.size() && byteAt(at) == 0xff && (byteAt(at + 1) & 0xf0) == 0xe0)
        at += 2 + (byteAt(at + 2) << 8 | byteAt(at + 3));
    if (at > jpeg.size())
        return jpeg;
    const int length = text.size() + 2;
    const QByteArray segment = QByteArray("\xff\xfe") + char(length >> 8) + char(length & 0xff) + text;
    return QByteArray(jpeg).insert(at, segment);
}

// True when no pixel shows anything behind it.
bool isOpaque(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return true;
    const QImage argb = image.format() == QImage::Format_ARGB32 ? image : image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(row[x]) != 255)
                return false;
        }
    }
    return true;
}

cv::Rect toCvRect(const QRect &rect)
{
    return cv::Rect(rect.x(), rect.y(), rect.width(), rect.height());
}

struct Adjustment
{
    double gain = 1.0;
    double bias = 0.0;
};

Adjustment adjustmentOf(int contrast, int brightness)
{
    const float ct = float(contrast);
    const float factor = ct < 0 ? ct / 200.0f : ct / 40.0f;
    return Adjustment{double(factor + 1.0f), double(brightness)};
}

// Every colour value v becomes v * gain + bias, rounded and saturated;
// alpha is put back as it was, so an opaque picture stays opaque whatever
// the contrast. (convertTo and one channel copy beat a four-channel LUT.)
void adjust(const cv::Mat &source, cv::Mat &target, const Adjustment &adjustment)
{
    source.convertTo(target, -1, adjustment.gain, adjustment.bias);
    if (source.channels() == 4) {
        const int alpha[] = {3, 3};
        cv::mixChannels(&source, 1, &target, 1, alpha, 1);
    }
}

} // namespace

ImageProcessingManager::ImageProcessingManager(QObject *parent)
    : QObject(parent)
{
}

ImageProcessingManager *ImageProcessingManager::instance()
{
    static ImageProcessingManager manager;
    return &manager;
}

QImage ImageProcessingManager::processImage(const QImage &image, ImageProfile *profile,
                                            WatermarkProfile *watermark)
{
    if (image.isNull() || !profile)
        return QImage();

    QImage result;
    try {
        result = adjustAndResize(image, *profile);
    } catch (const cv::Exception &error) {
        qWarning() << "ImageProcessingManager - processing failed:" << error.what();
        return QImage();
    }
    if (result.isNull())
        return result;

    if (!watermark)
        watermark = watermarkFor(*profile);
    if (watermark)
        WatermarkManager::instance()->drawWatermark(result, watermark);
    return result;
}

QSize ImageProcessingManager::outputSizeFor(const QSize &frameSize, const ImageProfile &profile)
{
    const QSize target = profile.sameSizeAsVideo() ? frameSize : QSize(profile.imageWidth(), profile.imageHeight());
    return ResizePlan::make(frameSize, target, profile.cropImage()).outputSize;
}

bool ImageProcessingManager::exceedsOutputLimit(const QSize &size)
{
    return qint64(size.width()) * size.height() > MaximumOutputPixels;
}

QImage ImageProcessingManager::adjustAndResize(const QImage &image, const ImageProfile &profile)
{
    const QSize target = profile.sameSizeAsVideo()
        ? image.size()
        : QSize(profile.imageWidth(), profile.imageHeight());
    const ResizePlan plan = ResizePlan::make(image.size(), target, profile.cropImage());

    if (exceedsOutputLimit(plan.outputSize)) {
        qWarning() << "ImageProcessingManager - refusing an output image of" << plan.outputSize;
        return QImage();
    }

    // Nothing to change: the frame itself is the result, without a copy of
    // a whole picture (8 MB at 1080p) held beside it. Writing into it later
    // (a watermark) detaches it from the caller's image.
    const bool keepsEverything = !plan.resamples && plan.sourceRect == QRect(QPoint(0, 0), image.size())
        && profile.imageContrast() == 0 && profile.imageBrightness() == 0;
    if (keepsEverything && image.format() == QImage::Format_ARGB32)
        return image;
    const MatImage::Pixels input = MatImage::readable(image, MatImage::ChannelOrder::AsLaid);
    const cv::Mat &pixels = input.matrix;

    QImage result = MatImage::allocateImage(plan.outputSize.width(), plan.outputSize.height(),
                                            pixels.channels());
    if (result.isNull()) {
        qWarning() << "ImageProcessingManager - cannot allocate an image of" << plan.outputSize;
        return result;
    }
    cv::Mat output = MatImage::writableView(result);

    // The adjustment is per pixel, so only the part that is kept needs it.
    cv::Mat kept = pixels(toCvRect(plan.sourceRect));
    const bool adjusts = profile.imageContrast() != 0 || profile.imageBrightness() != 0;
    if (adjusts) {
        const Adjustment adjustment = adjustmentOf(profile.imageContrast(), profile.imageBrightness());
        if (!plan.resamples) {
            adjust(kept, output, adjustment);
        } else {
            cv::Mat adjusted;
            adjust(kept, adjusted, adjustment);
            kept = adjusted;
        }
    } else if (!plan.resamples) {
        kept.copyTo(output);
    }
    if (plan.resamples)
        cv::resize(kept, output, output.size(), 0, 0, cv::INTER_AREA);

    // The steps above write into the image; should OpenCV ever have
    // reallocated instead, the pixels are in its matrix.
    if (output.data != result.constBits()) {
        qWarning() << "ImageProcessingManager - the output was reallocated; copying it";
        return MatImage::toImage(output);
    }
    return result;
}

WatermarkProfile *ImageProcessingManager::watermarkFor(const ImageProfile &profile) const
{
    const QString id = profile.watermarkProfileId();
    if (id.isEmpty())
        return nullptr;
    return qobject_cast<WatermarkProfile *>(WatermarkProfile::manager()->profileById(id));
}

bool ImageProcessingManager::saveImage(const QString &fileName, const QImage &image, ImageProfile *imageProfile,
                                       const ImageMetadata &metadata)
{
    if (image.isNull() || fileName.isEmpty())
        return false;

    // A second header over the same pixels carries the resolution, so the
    // caller's image is neither changed nor copied; the writer only reads.
    QImage output(const_cast<uchar *>(image.constBits()), image.width(), image.height(),
                  image.bytesPerLine(), image.format());
    output.setColorTable(image.colorTable());
    output.setDotsPerMeterX(DotsPerMeterAt300Dpi);
    output.setDotsPerMeterY(DotsPerMeterAt300Dpi);
    const QByteArray suffix = QFileInfo(fileName).suffix().toLower().toLatin1();
    const OutputImageType *type = OutputImageType::find(QString::fromLatin1(suffix));
    // On the image being written: the processed image carries no text of
    // its own, and the PNG writer reads the image's.
    const bool jpeg = type && type->name == QLatin1String("jpeg");
    if (!jpeg) {
        for (const auto &entry : metadata.entries())
            output.setText(entry.first, entry.second);
    }
    // The JPEG XL writer keeps an alpha channel whenever the image's format
    // has one, though every pixel of a frame is opaque: such a file is
    // larger and some viewers show it over a checkerboard.
    if (type && type->name == QLatin1String("jxl") && output.hasAlphaChannel() && isOpaque(output))
        output = output.convertToFormat(QImage::Format_RGB32);

    AtomicImageFile file(fileName);
    if (!file.open()) {
        qWarning() << "ImageProcessingManager - cannot write" << fileName << file.errorString();
        return false;
    }
    // Encoded in memory first, so the XMP can be added before a byte
    // reaches the hidden file.
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    // Quality means something to the lossy writers only; to others (PNG
    // takes it as its compression level) it would do harm.
    const int quality = imageProfile && type && type->lossy ? imageProfile->imageQuality() : -1;
    QString failure;
    if (std::unique_ptr<QImageIOHandler> handler = ImageWriterPlugin::writerFor(&encoded, suffix)) {
        if (!writeWith(*handler, output, quality))
            failure = QStringLiteral("the %1 writer failed").arg(QString::fromLatin1(suffix));
    } else {
        QImageWriter writer(&encoded, suffix);
        writer.setQuality(quality);
        if (!writer.write(output))
            failure = writer.errorString();
    }
    // Without a commit the hidden file goes with the object.
    if (!failure.isEmpty()) {
        qWarning() << "ImageProcessingManager - cannot write" << fileName << failure;
        return false;
    }
    encoded.close();
    QByteArray bytes = encoded.buffer();
    encoded.setData(QByteArray());
    // An image without its metadata is still the image the user asked for.
    XmpWriter xmp(metadata);
    if (xmp.addTo(bytes) == XmpWriter::Result::Failed)
        qWarning() << "ImageProcessingManager - writing" << fileName << "without XMP:" << xmp.errorString();
    if (jpeg)
        bytes = withJpegComment(bytes, metadata.comment());
    // A write cut short by a full disk sets no error: the count tells.
    if (file.device()->write(bytes) != bytes.size()) {
        qWarning() << "ImageProcessingManager - cannot write" << fileName << "short write (disk full?)";
        return false;
    }
    if (!file.commit()) {
        qWarning() << "ImageProcessingManager - cannot write" << fileName << file.errorString();
        return false;
    }
    return true;
}

QStringList ImageProcessingManager::outputTypes()
{
    QStringList types;
    for (const OutputImageType &type : OutputImageType::all()) {
        for (const QString &name : type.names()) {
            if (type.builtIn || ImageWriterPlugin::isInstalledFor(name.toLatin1()))
                types.append(name);
        }
    }
    return types;
}

void ImageProcessingManager::copyToClipboard(const QImage &image)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        qWarning() << "ImageProcessingManager - no clipboard without a GUI application";
        return;
    }
    QGuiApplication::clipboard()->setImage(image, QClipboard::Clipboard);
}

cv::Mat ImageProcessingManager::resizeAndCrop(const cv::Mat &source, int width, int height, bool crop)
{
    if (source.empty())
        return cv::Mat();
    const ResizePlan plan = ResizePlan::make(QSize(source.cols, source.rows), QSize(width, height), crop);
    if (!plan.resamples)
        return source;
    cv::Mat result;
    cv::resize(source(toCvRect(plan.sourceRect)), result,
               cv::Size(plan.outputSize.width(), plan.outputSize.height()), 0, 0, cv::INTER_AREA);
    return result;
}

cv::Mat ImageProcessingManager::imageToMat(const QImage &image)
{
    const MatImage::Pixels pixels = MatImage::readable(image, MatImage::ChannelOrder::BlueGreenRed);
    // The matrix outlives the image it may refer to.
    return pixels.matrix.data == pixels.image.constBits() ? pixels.matrix.clone() : pixels.matrix;
}

QImage ImageProcessingManager::matToImage(const cv::Mat &matrix)
{
    return MatImage::toImage(matrix);
}
