#include "videoframe.h"

#include "frameconverter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/mathematics.h>
}

#include <QTransform>

#include <cmath>

struct VideoFrame::Data {
    FFmpeg::FramePtr frame;
    Properties properties;
    std::shared_ptr<FrameConverter> converter;
};

namespace {

// Registered before any frame can be queued between threads.
const int videoFrameMetaType = qRegisterMetaType<VideoFrame>("VideoFrame");

QSize displaySizeOf(int width, int height, const VideoFrame::Properties &properties)
{
    int displayWidth = width;
    if (properties.sampleAspectNum > 0 && properties.sampleAspectDen > 0
        && properties.sampleAspectNum != properties.sampleAspectDen) {
        displayWidth = int(av_rescale_rnd(width, properties.sampleAspectNum, properties.sampleAspectDen,
                                          AV_ROUND_NEAR_INF));
    }
    displayWidth = qMax(1, displayWidth);
    if (properties.rotation == 90 || properties.rotation == 270)
        return QSize(height, displayWidth);
    return QSize(displayWidth, height);
}

} // namespace

VideoFrame::VideoFrame()
{
    Q_UNUSED(videoFrameMetaType)
}

VideoFrame::VideoFrame(FFmpeg::FramePtr frame, const Properties &properties,
                       std::shared_ptr<FrameConverter> converter)
{
    if (!frame || !frame->data[0] || !converter)
        return;
    auto data = std::make_shared<Data>();
    data->frame = std::move(frame);
    data->properties = properties;
    data->converter = std::move(converter);
    d = std::move(data);
}

bool VideoFrame::isValid() const
{
    return d != nullptr;
}

int VideoFrame::width() const
{
    return d ? d->frame->width : 0;
}

int VideoFrame::height() const
{
    return d ? d->frame->height : 0;
}

double VideoFrame::timestamp() const
{
    return d ? d->properties.timestamp : 0.0;
}

VideoFrame VideoFrame::withTimestamp(double timestamp) const
{
    if (!d)
        return VideoFrame();
    auto data = std::make_shared<Data>();
    data->frame = FFmpeg::allocFrame();
    if (av_frame_ref(data->frame.get(), d->frame.get()) < 0)
        return *this;
    data->properties = d->properties;
    data->properties.timestamp = timestamp;
    data->converter = d->converter;
    VideoFrame frame;
    frame.d = std::move(data);
    return frame;
}

int VideoFrame::rotation() const
{
    return d ? d->properties.rotation : 0;
}

QSize VideoFrame::displaySize() const
{
    if (!d)
        return QSize();
    return displaySizeOf(d->frame->width, d->frame->height, d->properties);
}

const AVFrame *VideoFrame::avFrame() const
{
    return d ? d->frame.get() : nullptr;
}

QImage VideoFrame::toImage(QImage::Format format, const QSize &size, const QRectF &sourceRect) const
{
    if (!d)
        return QImage();
    const AVFrame *source = d->frame.get();
    FFmpeg::FramePtr cropped;
    if (!sourceRect.isEmpty()) {
        const QRect area = sourceRect.toAlignedRect().intersected(QRect(0, 0, source->width, source->height));
        if (area.isEmpty())
            return QImage();
        if (area != QRect(0, 0, source->width, source->height)) {
            cropped = FFmpeg::allocFrame();
            if (av_frame_ref(cropped.get(), source) < 0)
                return QImage();
            cropped->crop_left = size_t(area.left());
            cropped->crop_top = size_t(area.top());
            cropped->crop_right = size_t(source->width - area.right() - 1);
            cropped->crop_bottom = size_t(source->height - area.bottom() - 1);
            if (av_frame_apply_cropping(cropped.get(), AV_FRAME_CROP_UNALIGNED) < 0)
                return QImage();
            source = cropped.get();
        }
    }

    const int rotation = d->properties.rotation;
    const bool quarterTurn = rotation == 90 || rotation == 270;
    QSize upright = size.isEmpty() ? displaySizeOf(source->width, source->height, d->properties) : size;
    const QSize stored = quarterTurn ? upright.transposed() : upright;

    QImage image = d->converter->toArgb32(source, stored);
    if (image.isNull())
        return image;
    if (rotation != 0)
        image = image.transformed(QTransform().rotate(rotation));
    if (format != QImage::Format_ARGB32)
        image = image.convertToFormat(format);
    return image;
}
