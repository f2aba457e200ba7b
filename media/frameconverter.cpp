#include "frameconverter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/mem.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <QMutexLocker>
#include <QtDebug>

#include <limits>
#include <memory>

namespace {

// The old full-range formats are the plain ones with the range given
// separately; the scaler wants them that way.
AVPixelFormat withoutFullRangeAlias(AVPixelFormat format, bool &fullRange)
{
    fullRange = true;
    switch (format) {
    case AV_PIX_FMT_YUVJ411P: return AV_PIX_FMT_YUV411P;
    case AV_PIX_FMT_YUVJ420P: return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P: return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ440P: return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ444P: return AV_PIX_FMT_YUV444P;
    default:
        fullRange = false;
        return format;
    }
}

// Untagged streams get what the player assumes: HD matrix for HD sizes.
int swsColorSpace(const AVFrame *frame)
{
    switch (frame->colorspace) {
    case AVCOL_SPC_BT709:
        return SWS_CS_ITU709;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
        return SWS_CS_ITU601;
    case AVCOL_SPC_FCC:
        return SWS_CS_FCC;
    case AVCOL_SPC_SMPTE240M:
        return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return SWS_CS_BT2020;
    default:
        return frame->width >= 1280 || frame->height > 576 ? SWS_CS_ITU709 : SWS_CS_ITU601;
    }
}

struct AvFreeDeleter {
    void operator()(uchar *buffer) const { av_free(buffer); }
};

// The scaler's SIMD code writes whole blocks of pixels, past the end of a
// line whose width is not a multiple of the block and past the last line.
// The image gets lines padded by a spare block and spare rows below, in a
// buffer it frees itself.
QImage paddedArgb32Image(const QSize &size)
{
    constexpr int Alignment = 64;
    const qint64 lineBytes = (qint64(size.width()) * 4 + Alignment - 1) / Alignment * Alignment + Alignment;
    const qint64 bytes = lineBytes * (qint64(size.height()) + 2);
    if (lineBytes > std::numeric_limits<int>::max() || bytes > std::numeric_limits<int>::max())
        return QImage();
    std::unique_ptr<uchar, AvFreeDeleter> buffer(static_cast<uchar *>(av_malloc(size_t(bytes))));
    if (!buffer)
        return QImage();
    QImage image(buffer.get(), size.width(), size.height(), int(lineBytes), QImage::Format_ARGB32,
                 [](void *data) { av_free(data); }, buffer.get());
    if (!image.isNull())
        buffer.release();
    return image;
}

} // namespace

FrameConverter::FrameConverter() = default;

QImage FrameConverter::toArgb32(const AVFrame *frame, const QSize &size)
{
    if (!frame || frame->width < 1 || frame->height < 1 || size.width() < 1 || size.height() < 1)
        return QImage();
    bool fullRangeFormat = false;
    const auto format = withoutFullRangeAlias(AVPixelFormat(frame->format), fullRangeFormat);
    const AVPixFmtDescriptor *descriptor = av_pix_fmt_desc_get(format);
    if (!descriptor)
        return QImage();

    QImage image = paddedArgb32Image(size);
    if (image.isNull())
        return QImage();

    QMutexLocker lock(&m_mutex);
    SwsContext *scaler = sws_getCachedContext(m_scaler.release(), frame->width, frame->height, format,
                                              size.width(), size.height(), AV_PIX_FMT_RGB32, SWS_BICUBIC,
                                              nullptr, nullptr, nullptr);
    m_scaler.reset(scaler);
    if (!scaler) {
        qWarning() << "No conversion from pixel format" << av_get_pix_fmt_name(format);
        return QImage();
    }

    const bool isRgb = descriptor->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL);
    if (!isRgb) {
        const bool isGray = descriptor->nb_components <= 2;
        const bool fullRange = frame->color_range == AVCOL_RANGE_JPEG || fullRangeFormat
            || (isGray && frame->color_range != AVCOL_RANGE_MPEG);
        const int *coefficients = sws_getCoefficients(swsColorSpace(frame));
        sws_setColorspaceDetails(scaler, coefficients, fullRange ? 1 : 0, sws_getCoefficients(SWS_CS_DEFAULT), 1,
                                 0, 1 << 16, 1 << 16);
    }

    uint8_t *const destination[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int destinationStride[4] = {int(image.bytesPerLine()), 0, 0, 0};
    const int lines = sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, destination,
                                destinationStride);
    if (lines <= 0)
        return QImage();
    return image;
}
