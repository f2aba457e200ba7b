#include "ffmpegptr.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace FFmpeg {

void FormatContextDeleter::operator()(AVFormatContext *context) const
{
    avformat_close_input(&context);
}

void CodecContextDeleter::operator()(AVCodecContext *context) const
{
    avcodec_free_context(&context);
}

void FrameDeleter::operator()(AVFrame *frame) const
{
    av_frame_free(&frame);
}

void PacketDeleter::operator()(AVPacket *packet) const
{
    av_packet_free(&packet);
}

void ScalerDeleter::operator()(SwsContext *context) const
{
    sws_freeContext(context);
}

void FilterGraphDeleter::operator()(AVFilterGraph *graph) const
{
    if (free)
        free(&graph);
}

void FilterInOutDeleter::operator()(AVFilterInOut *inOut) const
{
    if (free)
        free(&inOut);
}

FramePtr allocFrame()
{
    FramePtr frame(av_frame_alloc());
    if (!frame)
        throw std::bad_alloc();
    return frame;
}

PacketPtr allocPacket()
{
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        throw std::bad_alloc();
    return packet;
}

QString errorText(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace FFmpeg
