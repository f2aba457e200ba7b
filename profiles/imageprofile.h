#ifndef VISTALOOM_IMAGEPROFILE_H
#define VISTALOOM_IMAGEPROFILE_H

#include "baseprofile.h"

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

    bool sameSizeAsVideo() const { return m_sameSizeAsVideo; }
    void setSameSizeAsVideo(bool value) { m_sameSizeAsVideo = value; }
    int imageWidth() const { return m_imageWidth; }
    void setImageWidth(int value) { m_imageWidth = value; }
    int imageHeight() const { return m_imageHeight; }
    void setImageHeight(int value) { m_imageHeight = value; }
    bool cropImage() const { return m_cropImage; }
    void setCropImage(bool value) { m_cropImage = value; }
    int imageContrast() const { return m_imageContrast; }
    void setImageContrast(int value) { m_imageContrast = value; }
    int imageBrightness() const { return m_imageBrightness; }
    void setImageBrightness(int value) { m_imageBrightness = value; }
    int imageQuality() const { return m_imageQuality; }
    void setImageQuality(int value) { m_imageQuality = value; }
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
