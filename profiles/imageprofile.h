#ifndef VISTALOOM_IMAGEPROFILE_H
#define VISTALOOM_IMAGEPROFILE_H

#include "baseprofile.h"

#include <QtGlobal>

class ProfileManager;

// How a captured frame becomes the saved image: size, fit or crop,
// contrast, brightness, JPEG quality and watermark.
class ImageProfile : public BaseProfile
{
    Q_OBJECT
    Q_PROPERTY(bool sameSizeAsVideo READ sameSizeAsVideo WRITE setSameSizeAsVideo)
    Q_PROPERTY(int imageWidth READ imageWidth WRITE setImageWidth)
    Q_PROPERTY(int imageHeight READ imageHeight WRITE setImageHeight)
    Q_PROPERTY(bool cropImage READ cropImage WRITE setCropImage)
    Q_PROPERTY(int imageContrast READ imageContrast WRITE setImageContrast)
    Q_PROPERTY(int imageBrightness READ imageBrightness WRITE setImageBrightness)
    Q_PROPERTY(int imageQuality READ imageQuality WRITE setImageQuality)
    Q_PROPERTY(QString watermarkProfileId READ watermarkProfileId WRITE setWatermarkProfileId)

public:
    explicit ImageProfile(QObject *parent = nullptr);

    static ProfileFactory factory();
    static ProfileManager *manager();

    // The ranges the editor offers. Every setter holds its value inside
    // them, so hand-edited files and the command line cannot reach the
    // pipeline with sizes or factors it was never meant to see. A side of
    // 0 keeps the frame's size, as any side below 1 always did.
    static constexpr int MaxImageSide = 32767;
    static constexpr int MinAdjustment = -100;
    static constexpr int MaxAdjustment = 100;
    static constexpr int MaxQuality = 100;

    bool sameSizeAsVideo() const { return m_sameSizeAsVideo; }
    void setSameSizeAsVideo(bool value) { m_sameSizeAsVideo = value; }
    int imageWidth() const { return m_imageWidth; }
    void setImageWidth(int value) { m_imageWidth = qBound(0, value, MaxImageSide); }
    int imageHeight() const { return m_imageHeight; }
    void setImageHeight(int value) { m_imageHeight = qBound(0, value, MaxImageSide); }
    bool cropImage() const { return m_cropImage; }
    void setCropImage(bool value) { m_cropImage = value; }
    int imageContrast() const { return m_imageContrast; }
    void setImageContrast(int value) { m_imageContrast = qBound(MinAdjustment, value, MaxAdjustment); }
    int imageBrightness() const { return m_imageBrightness; }
    void setImageBrightness(int value) { m_imageBrightness = qBound(MinAdjustment, value, MaxAdjustment); }
    int imageQuality() const { return m_imageQuality; }
    void setImageQuality(int value) { m_imageQuality = qBound(0, value, MaxQuality); }
    QString watermarkProfileId() const { return m_watermarkProfileId; }
    void setWatermarkProfileId(const QString &value) { m_watermarkProfileId = value; }

private:
    bool m_sameSizeAsVideo = true;
    int m_imageWidth = 640;
    int m_imageHeight = 480;
    bool m_cropImage = false;
    int m_imageContrast = 0;
    int m_imageBrightness = 0;
    int m_imageQuality = 90;
    QString m_watermarkProfileId;
};

#endif
