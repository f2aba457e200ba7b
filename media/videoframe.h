#ifndef VISTALOOM_VIDEOFRAME_H
#define VISTALOOM_VIDEOFRAME_H

#include "ffmpegptr.h"

#include <QImage>
#include <QMetaType>
#include <QRectF>
#include <QSize>

#include <memory>

class FrameConverter;
class FrameFilter;

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
        // The stream's field order says its pictures are interlaced, and
        // which field is shown first.
        bool interlacedStream = false;
        bool topFieldFirst = true;
        // The stream's mastering peak in cd/m², 0 when it does not say.
        double peakLuminance = 0;
    };

    VideoFrame();
    // Interlaced and HDR pictures are made fit for an SDR image by filter
    // when they are converted; without a filter they are converted as stored.
    VideoFrame(FFmpeg::FramePtr frame, const Properties &properties, std::shared_ptr<FrameConverter> converter,
               std::shared_ptr<FrameFilter> filter = nullptr);

    bool isValid() const;
    // The size of the picture as stored (before rotation and aspect).
    int width() const;
    int height() const;
    double timestamp() const;
    // The same picture (sharing its data) at another time.
    VideoFrame withTimestamp(double timestamp) const;
    int rotation() const;
    // The same picture (sharing its data) knowing the pictures decoded just
    // before and after it, which deinterlacing takes its motion from.
    // Progressive pictures need none and come back as they are.
    VideoFrame withNeighbours(const VideoFrame &previous, const VideoFrame &next) const;
    // The size toImage() gives by default: upright and at display aspect.
    QSize displaySize() const;
    // The same for a stored picture of width x height with properties.
    static QSize displaySizeOf(int width, int height, const Properties &properties);

    // The picture as an image, upright, at display aspect and with the
    // stream's colour matrix and range; deinterlaced and tone-mapped to SDR
    // when it needs to be. sourceRect is a part of the stored
    // picture (empty: all of it); size is the size of the upright result
    // (empty: the display size of sourceRect).
    QImage toImage(QImage::Format format = QImage::Format_ARGB32, const QSize &size = QSize(),
                   const QRectF &sourceRect = QRectF()) const;

    // The stored picture's luma as full-range grey at size, as stored (not
    // turned upright): a cheap copy for measuring, with no colour
    // conversion. Null where the picture has no 8-bit luma plane or must be
    // filtered (deinterlaced, tone-mapped) to show right.
    QImage lumaImage(const QSize &size) const;
    // The stored picture's luma as the full-range mean of each cell of grid,
    // from a few samples a cell and unfiltered: cheap enough for every
    // picture of a walk. Null where there is no plain luma plane.
    QImage lumaCellMeans(const QSize &grid) const;

    const AVFrame *avFrame() const;

private:
    struct Data;
    // A new reference to the picture and its neighbours, with the same
    // properties; null when the picture cannot be referenced.
    std::shared_ptr<Data> copyOfData() const;

    std::shared_ptr<const Data> d;
};

Q_DECLARE_METATYPE(VideoFrame)

#endif
