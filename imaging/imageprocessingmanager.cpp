#include "imageprocessingmanager.h"

#include "matimage.h"
#include "resizeplan.h"
#include "watermarkmanager.h"

#include "profiles/filenameprofile.h"
#include "profiles/imageprofile.h"
#include "profiles/profilemanager.h"
#include "profiles/watermarkprofile.h"

#include <QClipboard>
#include <QDebug>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>

#include <opencv2/imgproc.hpp>

#include <vector>

namespace {

constexpr int DotsPerMeterAt300Dpi = 11811;

cv::Rect toCvRect(const QRect &rect)
{
    return cv::Rect(rect.x(), rect.y(), rect.width(), rect.height());
}

// Every value v becomes v * gain + bias, rounded and saturated exactly as
// convertTo does it; alpha is left as it is, so an opaque picture stays
// opaque whatever the contrast.
cv::Mat contrastTable(int contrast, int brightness, int channels)
{
    const float ct = float(contrast);
    const float factor = ct < 0 ? ct / 200.0f : ct / 40.0f;
    const double gain = double(factor + 1.0f);
    const double bias = double(brightness);

    cv::Mat identity(1, 256, CV_8U);
    for (int i = 0; i < 256; ++i)
        identity.at<uchar>(i) = uchar(i);
    cv::Mat adjusted;
    identity.convertTo(adjusted, CV_8U, gain, bias);
    if (channels != 4)
        return adjusted;

    cv::Mat table;
    cv::merge(std::vector<cv::Mat>{adjusted, adjusted, adjusted, identity}, table);
    return table;
}

// Grey, blue-green-red-alpha and RGB888 rows are used as they lie: every
// step treats the three colour channels alike and RGB888 comes out as
// RGB888, so only the RGBA8888 family needs reordering.
bool readsInPlace(QImage::Format format)
{
    return MatImage::hasWorkingLayout(format) || format == QImage::Format_RGB888;
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

QImage ImageProcessingManager::adjustAndResize(const QImage &image, const ImageProfile &profile)
{
    const QSize target = profile.sameSizeAsVideo()
        ? image.size()
        : QSize(profile.imageWidth(), profile.imageHeight());
    const ResizePlan plan = ResizePlan::make(image.size(), target, profile.cropImage());

    const QImage readable = MatImage::readableImage(image);
    const cv::Mat pixels = readsInPlace(readable.format())
        ? MatImage::readOnlyView(readable)
        : imageToMat(readable);

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
        const cv::Mat table = contrastTable(profile.imageContrast(), profile.imageBrightness(),
                                            pixels.channels());
        if (!plan.resamples) {
            cv::LUT(kept, table, output);
        } else {
            cv::Mat adjusted;
            cv::LUT(kept, table, adjusted);
            kept = adjusted;
        }
    } else if (!plan.resamples) {
        kept.copyTo(output);
    }
    if (plan.resamples)
        cv::resize(kept, output, output.size(), 0, 0, cv::INTER_AREA);

    // The steps above must have written into the image, not reallocated.
    Q_ASSERT(output.data == result.constBits());
    return result;
}

WatermarkProfile *ImageProcessingManager::watermarkFor(const ImageProfile &profile) const
{
    const QString id = profile.watermarkProfileId();
    if (id.isEmpty())
        return nullptr;
    return qobject_cast<WatermarkProfile *>(WatermarkProfile::manager()->profileById(id));
}

bool ImageProcessingManager::saveImage(const QString &fileName, const QImage &image,
                                       ImageProfile *imageProfile, FileNameProfile *fileNameProfile)
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

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning() << "ImageProcessingManager - cannot write" << fileName << file.errorString();
        return false;
    }
    QImageWriter writer(&file, QFileInfo(fileName).suffix().toLower().toLatin1());
    if (fileNameProfile && imageProfile) {
        const QString type = fileNameProfile->fileOutputType().toLower();
        if (type == QLatin1String("jpeg") || type == QLatin1String("jpg"))
            writer.setQuality(imageProfile->imageQuality());
    }
    if (!writer.write(output)) {
        qWarning() << "ImageProcessingManager - cannot write" << fileName << writer.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        qWarning() << "ImageProcessingManager - cannot write" << fileName << file.errorString();
        return false;
    }
    return true;
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
    if (image.isNull())
        return cv::Mat();
    const QImage readable = MatImage::readableImage(image);
    const cv::Mat view = MatImage::readOnlyView(readable);
    if (MatImage::hasWorkingLayout(readable.format()))
        return view.clone();
    cv::Mat result;
    cv::cvtColor(view, result, view.channels() == 3 ? cv::COLOR_RGB2BGR : cv::COLOR_RGBA2BGRA);
    return result;
}

QImage ImageProcessingManager::matToImage(const cv::Mat &matrix)
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

    QImage image = MatImage::allocateImage(bytes.cols, bytes.rows, bytes.channels());
    if (image.isNull()) {
        qWarning() << "ImageProcessingManager - no image for a matrix of" << bytes.channels()
                   << "channels and" << bytes.cols << "x" << bytes.rows << "pixels";
        return image;
    }
    cv::Mat output = MatImage::writableView(image);
    if (bytes.channels() == 3)
        cv::cvtColor(bytes, output, cv::COLOR_BGR2RGB);
    else
        bytes.copyTo(output);
    return image;
}
