#include "videoframe.h"

#include "frameconverter.h"
#include "framefilter.h"
#include "lumaplane.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/mathematics.h>
}

#include <QTransform>

#include <cmath>
#include <mutex>

struct VideoFrame::Data {
    FFmpeg::FramePtr frame;
    Properties properties;
    std::shared_ptr<FrameConverter> converter;
    std::shared_ptr<FrameFilter> filter;
    // The decoded pictures around an interlaced one.
    FFmpeg::FramePtr previous;
    FFmpeg::FramePtr next;
    // Filtered once, when the picture is first converted.
    mutable std::once_flag filterOnce;
    mutable FFmpeg::FramePtr filtered;

    // The picture to convert: the stored one, or its filtered version.
    const AVFrame *picture() const;
};

const AVFrame *VideoFrame::Data::picture() const
{
    if (!filter || !FrameFilter::needsFiltering(frame.get(), properties))
        return frame.get();
    std::call_once(filterOnce, [this] {
        filtered = filter->apply(frame.get(), previous.get(), next.get(), properties);
    });
    return filtered ? filtered.get() : frame.get();
}

namespace {

// Registered before any frame can be queued between threads.
const int videoFrameMetaType = qRegisterMetaType<VideoFrame>("VideoFrame");

// A new reference to frame; null for no frame.
FFmpeg::FramePtr referenceTo(const AVFrame *frame)
{
    if (!frame)
        return nullptr;
    FFmpeg::FramePtr reference = FFmpeg::allocFrame();
    if (av_frame_ref(reference.get(), frame) < 0)
        return nullptr;
    return reference;
}

} // namespace

QSize VideoFrame::displaySizeOf(int width, int height, const VideoFrame::Properties &properties)
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

VideoFrame::VideoFrame()
{
    Q_UNUSED(videoFrameMetaType)
}

VideoFrame::VideoFrame(FFmpeg::FramePtr frame, const Properties &properties,
                       std::shared_ptr<FrameConverter> converter, std::shared_ptr<FrameFilter> filter)
{
    if (!frame || !frame->data[0] || !converter)
        return;
    auto data = std::make_shared<Data>();
    data->frame = std::move(frame);
    data->properties = properties;
    data->converter = std::move(converter);
    data->filter = std::move(filter);
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
    std::shared_ptr<Data> data = copyOfData();
    if (!data)
        return *this;
    data->properties.timestamp = timestamp;
    VideoFrame frame;
    frame.d = std::move(data);
    return frame;
}

VideoFrame VideoFrame::withNeighbours(const VideoFrame &previous, const VideoFrame &next) const
{
    if (!d || !d->filter || !FrameFilter::isInterlaced(d->frame.get(), d->properties))
        return *this;
    std::shared_ptr<Data> data = copyOfData();
    if (!data)
        return *this;
    data->previous = referenceTo(previous.avFrame());
    data->next = referenceTo(next.avFrame());
    VideoFrame frame;
    frame.d = std::move(data);
    return frame;
}

std::shared_ptr<VideoFrame::Data> VideoFrame::copyOfData() const
{
    auto data = std::make_shared<Data>();
    data->frame = referenceTo(d->frame.get());
    if (!data->frame)
        return nullptr;
    data->properties = d->properties;
    data->converter = d->converter;
    data->filter = d->filter;
    data->previous = referenceTo(d->previous.get());
    data->next = referenceTo(d->next.get());
    return data;
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

QImage VideoFrame::lumaImage(const QSize &size) const
{
    if (!d || size.isEmpty() || (d->filter && FrameFilter::needsFiltering(d->frame.get(), d->properties)))
        return QImage();
    const std::optional<LumaPlane> luma = LumaPlane::of(d->frame.get());
    return luma ? luma->scaled(size) : QImage();
}

QImage VideoFrame::lumaCellMeans(const QSize &grid) const
{
    const std::optional<LumaPlane> luma = LumaPlane::of(d ? d->frame.get() : nullptr);
    return luma ? luma->cellMeans(grid) : QImage();
}

QImage VideoFrame::toImage(QImage::Format format, const QSize &size, const QRectF &sourceRect) const
{
    if (!d)
        return QImage();
    const AVFrame *source = d->picture();
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
