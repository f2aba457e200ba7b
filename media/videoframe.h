#ifndef VISTALOOM_VIDEOFRAME_H
#define VISTALOOM_VIDEOFRAME_H

#include "ffmpegptr.h"

#include <QImage>
#include <QMetaType>
#include <QRectF>
#include <QSize>

#include <memory>

class FrameConverter;

// One decoded picture. Copies share the decoded data, so a frame is cheap
// to pass around and to queue between threads. The picture is converted to
// RGB only when toImage() is asked for it.
class VideoFrame
{
public:
    // What a conversion needs beyond the pixels.
    struct Properties {
        double timestamp = 0;   // seconds from the start of the media
        int rotation = 0;       // clockwise degrees that make the picture upright: 0, 90, 180 or 270
        int sampleAspectNum = 1;
        int sampleAspectDen = 1;
    };

    VideoFrame();
    VideoFrame(FFmpeg::FramePtr frame, const Properties &properties, std::shared_ptr<FrameConverter> converter);

    bool isValid() const;
    // The size of the picture as stored (before rotation and aspect).
    int width() const;
    int height() const;
    double timestamp() const;
    // The same picture (sharing its data) at another time.
    VideoFrame withTimestamp(double timestamp) const;
    int rotation() const;
    // The size toImage() gives by default: upright and at display aspect.
    QSize displaySize() const;

    // The picture as an image, upright, at display aspect and with the
    // stream's colour matrix and range. sourceRect is a part of the stored
    // picture (empty: all of it); size is the size of the upright result
    // (empty: the display size of sourceRect).
    QImage toImage(QImage::Format format = QImage::Format_ARGB32, const QSize &size = QSize(),
                   const QRectF &sourceRect = QRectF()) const;

    const AVFrame *avFrame() const;

private:
    struct Data;
    std::shared_ptr<const Data> d;
};

Q_DECLARE_METATYPE(VideoFrame)

#endif
