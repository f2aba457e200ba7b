#ifndef VISTALOOM_IMAGEPROCESSINGMANAGER_H
#define VISTALOOM_IMAGEPROCESSINGMANAGER_H

#include "imagemetadata.h"

#include <QImage>
#include <QObject>
#include <QString>

// Callers of the pipeline compile without OpenCV's headers.
namespace cv {
class Mat;
}

class ImageProfile;
class WatermarkProfile;

// Turns a captured frame into the saved image by an image profile
// (contrast and brightness, size with fit or crop, watermark), saves
// images and copies them to the clipboard. Holds no state.
class ImageProcessingManager : public QObject
{
    Q_OBJECT

public:
    static ImageProcessingManager *instance();

    // A null image, a null profile or an output above 256 megapixels gives
    // a null image. With no watermark given, the profile's
    // watermarkProfileId selects one.
    QImage processImage(const QImage &image, ImageProfile *profile, WatermarkProfile *watermark = nullptr);
    // The size processImage gives an image of frameSize, and whether that
    // is above the output limit (processImage then refuses it).
    static QSize outputSizeFor(const QSize &frameSize, const ImageProfile &profile);
    static bool exceedsOutputLimit(const QSize &size);

    // Writes the image at 300 dots per inch in the format of the file name's
    // suffix, with the profile's quality where the suffix names a lossy
    // type (see OutputImageType); other formats get their writer's
    // defaults. Writes to a hidden file beside the target and moves it into
    // place once every step, down to the disk, has succeeded: false means
    // nothing was written at the name and an existing file there is
    // unchanged. The metadata goes in as XMP where exiv2 writes it (JPEG,
    // PNG, WebP, TIFF), as one JPEG comment and as PNG text chunks; an
    // image it cannot be added to is written without it, with a warning.
    // An opaque picture is written to JPEG XL without alpha.
    bool saveImage(const QString &fileName, const QImage &image, ImageProfile *imageProfile,
                   const ImageMetadata &metadata = ImageMetadata());

    // The file types saveImage can write here, in the order they are
    // offered: the writers of the optional types are plugins that may be
    // missing.
    static QStringList outputTypes();

    void copyToClipboard(const QImage &image);

    // The pipeline's steps on 8-bit matrices, colours in blue, green, red
    // order with alpha last.
    cv::Mat resizeAndCrop(const cv::Mat &source, int width, int height, bool crop);
    cv::Mat imageToMat(const QImage &image);
    QImage matToImage(const cv::Mat &matrix);

private:
    explicit ImageProcessingManager(QObject *parent = nullptr);

    QImage adjustAndResize(const QImage &image, const ImageProfile &profile);
    WatermarkProfile *watermarkFor(const ImageProfile &profile) const;
};

#endif
