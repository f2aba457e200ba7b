#ifndef VISTALOOM_FFMPEGPTR_H
#define VISTALOOM_FFMPEGPTR_H

#include <QString>

#include <memory>

struct AVCodecContext;
struct AVFilterGraph;
struct AVFilterInOut;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

// Owners for the FFmpeg handles of the media layer, each released with the
// library's own free function.
namespace FFmpeg {

struct FormatContextDeleter { void operator()(AVFormatContext *context) const; };
struct CodecContextDeleter { void operator()(AVCodecContext *context) const; };
struct FrameDeleter { void operator()(AVFrame *frame) const; };
struct PacketDeleter { void operator()(AVPacket *packet) const; };
struct ScalerDeleter { void operator()(SwsContext *context) const; };
// libavfilter is loaded at run time: its owners carry the free function.
struct FilterGraphDeleter {
    void (*free)(AVFilterGraph **graph) = nullptr;
    void operator()(AVFilterGraph *graph) const;
};
struct FilterInOutDeleter {
    void (*free)(AVFilterInOut **inOut) = nullptr;
    void operator()(AVFilterInOut *inOut) const;
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerDeleter>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;
using FilterInOutPtr = std::unique_ptr<AVFilterInOut, FilterInOutDeleter>;

FramePtr allocFrame();
PacketPtr allocPacket();

// The text of an AVERROR code, for the debug log.
QString errorText(int error);

} // namespace FFmpeg

#endif
