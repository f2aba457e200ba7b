#ifndef VISTALOOM_VIDEODECODER_H
#define VISTALOOM_VIDEODECODER_H

#include "disposablepictures.h"
#include "ffmpegptr.h"
#include "videoframe.h"

#include <QByteArray>
#include <QStringList>
#include <QVariantHash>

#include <memory>
#include <optional>

class FrameConverter;
class FrameFilter;
class Packet;
struct AVStream;

// Decodes the packets of one video stream with FFmpeg's frame threads.
// Packets go in with send(), pictures come out in presentation order with
// receive().
class VideoDecoder
{
public:
    enum class Result { Frame, NeedsInput, EndOfStream, Failed };

    // "FFmpeg" is the one decoder there is; null for any other name.
    static std::unique_ptr<VideoDecoder> create(const QByteArray &name);
    // The first of names that opens for stream, null when none does; see
    // setSliceThreadsOnly() for that flag.
    static std::unique_ptr<VideoDecoder> openFor(const AVStream *stream,
                                                 const QStringList &names = {QStringLiteral("FFmpeg")},
                                                 bool sliceThreadsOnly = false);
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder &) = delete;
    VideoDecoder &operator=(const VideoDecoder &) = delete;

    // Clockwise quarter turns that make the stream's pictures upright, in
    // degrees: 0, 90, 180 or 270.
    static int rotationOf(const AVStream *stream);
    // Takes codec parameters, time base, rotation and aspect from stream.
    bool setCodecContext(const AVStream *stream);
    // For callers that decode lone pictures: frame threads only add latency
    // and memory there, while slice threads (where the stream has slices or
    // wavefronts) still share the work of one picture. Takes effect at open().
    void setSliceThreadsOnly();
    bool open();
    // The "avcodec" entry (itself a hash) holds codec-context options by
    // their FFmpeg names, e.g. "skip_frame".
    void setOptions(const QVariantHash &options);

    bool send(const Packet &packet);
    // Announces the end of the stream, so the pictures still held come out.
    bool sendEndOfStream();
    Result receive();
    // Drops everything buffered, for a new start after a seek.
    void flush();

    // The best-effort time of the last received picture, in stream ticks;
    // valid after receive() answered Frame.
    bool frameHasTime() const;
    qint64 frameTicks() const;
    // The last received picture's own duration in stream ticks, 0 when
    // unknown.
    qint64 frameDurationTicks() const;
    // Hands out the last received picture.
    VideoFrame takeFrame(double timestamp);

    // While on, pictures no other picture refers to are not decoded at all.
    void setSkipNonReference(bool skip);
    // Whether packets holding only such pictures can be told before
    // decoding, in a progressive stream (an interlaced picture is
    // deinterlaced with its neighbours, so none may be left out around it).
    bool tellsDisposablePackets() const;
    // Whether packet holds only a picture no other picture refers to.
    bool isDisposable(const Packet &packet) const;

private:
    VideoDecoder();

    FFmpeg::CodecContextPtr m_context;
    FFmpeg::FramePtr m_frame;
    std::shared_ptr<FrameConverter> m_converter;
    std::shared_ptr<FrameFilter> m_filter;
    bool m_open = false;
    int m_baseSkipFrame = 0;
    bool m_skipNonReference = false;
    std::optional<DisposablePictures> m_disposable;
    int m_rotation = 0;
    int m_streamAspectNum = 0;
    int m_streamAspectDen = 1;
    bool m_interlacedStream = false;
    bool m_progressiveStream = false;
    bool m_topFieldFirst = true;
    double m_peakLuminance = 0;
};

#endif
