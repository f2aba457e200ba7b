#ifndef VISTALOOM_WATERMARKMANAGER_H
#define VISTALOOM_WATERMARKMANAGER_H

#include <QImage>
#include <QObject>

class WatermarkProfile;

// Draws one watermark profile onto an image: text with a drop shadow or a
// picture from the watermark folder, placed by the profile's alignment and
// margins and blended with its opacity. Holds no state.
class WatermarkManager : public QObject
{
    Q_OBJECT

public:
    static WatermarkManager *instance();

    // A copy of the image with the watermark drawn; the input is not changed.
    QImage applyWatermark(const QImage &image, WatermarkProfile *profile);

    // The same on an image the caller owns, without making a copy first.
    void drawWatermark(QImage &image, WatermarkProfile *profile);

    QImage processTypeText(const QImage &image, WatermarkProfile *profile);
    QImage processTypeImage(const QImage &image, WatermarkProfile *profile);

private:
    explicit WatermarkManager(QObject *parent = nullptr);

    void drawText(QImage &image, const WatermarkProfile &profile);
    void drawPicture(QImage &image, const WatermarkProfile &profile);
};

#endif
