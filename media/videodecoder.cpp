#include "videodecoder.h"

#include "frameconverter.h"
#include "framefilter.h"
#include "packet.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/mastering_display_metadata.h>
#include <libavutil/opt.h>
}

#include <QThread>
#include <QtDebug>

#include <cmath>

namespace {

constexpr int MaxDecoderThreads = 16;

// The stream's peak in cd/m² from its content light level or mastering
// display, 0 when it states neither.
double peakLuminanceOf(const AVStream *stream)
{
    size_t size = 0;
    const uint8_t *data = av_stream_get_side_data(stream, AV_PKT_DATA_CONTENT_LIGHT_LEVEL, &size);
    if (data && size >= sizeof(AVContentLightMetadata)) {
        const unsigned maxCll = reinterpret_cast<const AVContentLightMetadata *>(data)->MaxCLL;
        if (maxCll > 0)
            return maxCll;
    }
    data = av_stream_get_side_data(stream, AV_PKT_DATA_MASTERING_DISPLAY_METADATA, &size);
    if (data && size >= sizeof(AVMasteringDisplayMetadata)) {
        const auto *mastering = reinterpret_cast<const AVMasteringDisplayMetadata *>(data);
        if (mastering->has_luminance && mastering->max_luminance.den > 0)
            return av_q2d(mastering->max_luminance);
    }
    return 0;
}

} // namespace

// Clockwise quarter turns that make the picture upright, from the display
// matrix or the older "rotate" tag.
int VideoDecoder::rotationOf(const AVStream *stream)
{
    double degrees = 0;
    size_t size = 0;
    const uint8_t *matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (matrix && size >= 9 * sizeof(int32_t)) {
        degrees = -av_display_rotation_get(reinterpret_cast<const int32_t *>(matrix));
    } else if (const AVDictionaryEntry *tag = av_dict_get(stream->metadata, "rotate", nullptr, 0)) {
        degrees = std::atof(tag->value);
    }
    if (std::isnan(degrees))
        return 0;
    const int quarters = int(std::lround(degrees / 90.0)) % 4;
    return ((quarters + 4) % 4) * 90;
}

VideoDecoder::VideoDecoder()
    : m_frame(FFmpeg::allocFrame())
    , m_converter(std::make_shared<FrameConverter>())
    , m_filter(std::make_shared<FrameFilter>())
{
}

VideoDecoder::~VideoDecoder() = default;

std::unique_ptr<VideoDecoder> VideoDecoder::create(const QByteArray &name)
{
    if (name != "FFmpeg")
        return nullptr;
    return std::unique_ptr<VideoDecoder>(new VideoDecoder());
}

std::unique_ptr<VideoDecoder> VideoDecoder::openFor(const AVStream *stream, const QStringList &names,
                                                  bool sliceThreadsOnly)
{
    if (!stream)
        return nullptr;
    for (const QString &name : names) {
        std::unique_ptr<VideoDecoder> decoder = create(name.toUtf8());
        if (!decoder || !decoder->setCodecContext(stream))
            continue;
        if (sliceThreadsOnly)
            decoder->setSliceThreadsOnly();
        if (decoder->open())
            return decoder;
    }
    return nullptr;
}

bool VideoDecoder::setCodecContext(const AVStream *stream)
{
    m_open = false;
    m_context.reset();
    if (!stream)
        return false;
    const AVCodec *codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return false;
    FFmpeg::CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context || avcodec_parameters_to_context(context.get(), stream->codecpar) < 0)
        return false;
    context->pkt_timebase = stream->time_base;
    // One frame thread per core: FFmpeg's own choice adds one more, which
    // holds another set of pictures (about 40 MB at 4K) for no measured gain.
    context->thread_count = qBound(1, QThread::idealThreadCount(), MaxDecoderThreads);
    context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    m_context = std::move(context);
    m_rotation = rotationOf(stream);
    m_streamAspectNum = stream->sample_aspect_ratio.num;
    m_streamAspectDen = stream->sample_aspect_ratio.den;
    const AVFieldOrder fieldOrder = stream->codecpar->field_order;
    m_interlacedStream = fieldOrder == AV_FIELD_TT || fieldOrder == AV_FIELD_BB || fieldOrder == AV_FIELD_TB
        || fieldOrder == AV_FIELD_BT;
    m_progressiveStream = fieldOrder == AV_FIELD_PROGRESSIVE;
    // Named by coded order first, shown order second.
    m_topFieldFirst = fieldOrder != AV_FIELD_BB && fieldOrder != AV_FIELD_TB;
    m_peakLuminance = peakLuminanceOf(stream);
    m_disposable.emplace(stream->codecpar);
    return true;
}

void VideoDecoder::setSliceThreadsOnly()
{
    if (m_context && !m_open)
        m_context->thread_type = FF_THREAD_SLICE;
}

bool VideoDecoder::open()
{
    if (!m_context)
        return false;
    if (!m_open) {
        const int result = avcodec_open2(m_context.get(), m_context->codec, nullptr);
        if (result < 0) {
            qDebug() << "Cannot open the video decoder:" << FFmpeg::errorText(result);
            return false;
        }
        m_open = true;
        m_baseSkipFrame = m_context->skip_frame;
    }
    return true;
}

void VideoDecoder::setOptions(const QVariantHash &options)
{
    if (!m_context)
        return;
    const QVariantHash codecOptions = options.value(QStringLiteral("avcodec")).toHash();
    for (auto it = codecOptions.cbegin(); it != codecOptions.cend(); ++it) {
        const QByteArray key = it.key().toUtf8();
        const QByteArray value = it.value().toString().toUtf8();
        const int result = av_opt_set(m_context.get(), key.constData(), value.constData(), AV_OPT_SEARCH_CHILDREN);
        if (result < 0)
            qDebug() << "Decoder option not set:" << it.key() << FFmpeg::errorText(result);
    }
    m_baseSkipFrame = m_context->skip_frame;
}

bool VideoDecoder::send(const Packet &packet)
{
    if (!m_open)
        return false;
    const AVPacket *data = packet.avPacket();
    if (m_skipNonReference && m_disposable && m_disposable->isDisposable(data->data, size_t(data->size)))
        return true;
    const int result = avcodec_send_packet(m_context.get(), data);
    if (result < 0 && result != AVERROR(EAGAIN)) {
        qDebug() << "avcodec_send_packet:" << FFmpeg::errorText(result);
        return false;
    }
    return true;
}

bool VideoDecoder::sendEndOfStream()
{
    if (!m_open)
        return false;
    const int result = avcodec_send_packet(m_context.get(), nullptr);
    return result >= 0 || result == AVERROR_EOF;
}

VideoDecoder::Result VideoDecoder::receive()
{
    if (!m_open)
        return Result::Failed;
    av_frame_unref(m_frame.get());
    const int result = avcodec_receive_frame(m_context.get(), m_frame.get());
    if (result >= 0)
        return Result::Frame;
    if (result == AVERROR(EAGAIN))
        return Result::NeedsInput;
    if (result == AVERROR_EOF)
        return Result::EndOfStream;
    qDebug() << "avcodec_receive_frame:" << FFmpeg::errorText(result);
    return Result::Failed;
}

void VideoDecoder::flush()
{
    if (m_open)
        avcodec_flush_buffers(m_context.get());
}

bool VideoDecoder::frameHasTime() const
{
    return m_frame->best_effort_timestamp != AV_NOPTS_VALUE || m_frame->pts != AV_NOPTS_VALUE;
}

qint64 VideoDecoder::frameTicks() const
{
    return m_frame->best_effort_timestamp != AV_NOPTS_VALUE ? m_frame->best_effort_timestamp : m_frame->pts;
}

qint64 VideoDecoder::frameDurationTicks() const
{
    return m_frame->pkt_duration > 0 ? m_frame->pkt_duration : 0;
}

VideoFrame VideoDecoder::takeFrame(double timestamp)
{
    FFmpeg::FramePtr frame = FFmpeg::allocFrame();
    av_frame_move_ref(frame.get(), m_frame.get());
    VideoFrame::Properties properties;
    properties.timestamp = timestamp;
    properties.rotation = m_rotation;
    properties.interlacedStream = m_interlacedStream;
    properties.topFieldFirst = m_topFieldFirst;
    properties.peakLuminance = m_peakLuminance;
    // The container's aspect wins over the codec's, as av_guess_sample_aspect_ratio has it.
    if (m_streamAspectNum > 0 && m_streamAspectDen > 0) {
        properties.sampleAspectNum = m_streamAspectNum;
        properties.sampleAspectDen = m_streamAspectDen;
    } else if (frame->sample_aspect_ratio.num > 0 && frame->sample_aspect_ratio.den > 0) {
        properties.sampleAspectNum = frame->sample_aspect_ratio.num;
        properties.sampleAspectDen = frame->sample_aspect_ratio.den;
    }
    return VideoFrame(std::move(frame), properties, m_converter, m_filter);
}

bool VideoDecoder::tellsDisposablePackets() const
{
    return m_progressiveStream && m_disposable && m_disposable->applies();
}

bool VideoDecoder::isDisposable(const Packet &packet) const
{
    const AVPacket *data = packet.avPacket();
    return m_disposable && data && m_disposable->isDisposable(data->data, size_t(data->size));
}

void VideoDecoder::setSkipNonReference(bool skip)
{
    m_skipNonReference = skip;
    if (m_context)
        m_context->skip_frame = AVDiscard(skip ? qMax(m_baseSkipFrame, int(AVDISCARD_NONREF)) : m_baseSkipFrame);
}
