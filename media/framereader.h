#ifndef VISTALOOM_FRAMEREADER_H
#define VISTALOOM_FRAMEREADER_H

#include "videoframe.h"

#include <QtGlobal>

#include <atomic>
#include <limits>

class Demuxer;
class VideoDecoder;

// Walks the pictures of the chosen video stream in presentation order:
// reads packets, feeds the decoder, and at the end of the file drains the
// decoder so the last pictures are not lost. Can restart at a key frame
// before a position, and can leave out pictures nothing refers to while
// they lie before a given time.
class FrameReader
{
public:
    enum class Result { Frame, End, Aborted, DecodeFailed };

    FrameReader(Demuxer &demuxer, VideoDecoder &decoder, const std::atomic<bool> &abortRequested);

    // The next picture, its time in milliseconds and in stream ticks.
    Result next(VideoFrame &frame, qint64 &ms, qint64 &ticks);
    // True once the decoder gave out its last picture.
    bool isDrained() const;

    // Restarts at the last key frame whose time lies before ms, so every
    // picture from the last one before ms onwards comes out. Pictures at or
    // before ignoreUpToTicks are not given out again. Returns Frame when
    // repositioned, End when the demuxer cannot seek (nothing changed).
    Result jumpBefore(qint64 ms, qint64 ignoreUpToTicks);
    // The time of the last video packet read, in milliseconds.
    qint64 readMs() const;

    // Pictures that nothing refers to are not decoded while their packet's
    // time lies before ms; NoSkip turns that off.
    static constexpr qint64 NoSkip = std::numeric_limits<qint64>::min();
    void setSkipBefore(qint64 ms);
    // Whether any packet went to the decoder with skipping on since the
    // last setSkipBefore().
    bool skippedAny() const;

private:
    void restart();
    bool acceptsAsStart(qint64 ms, bool fromStart) const;

    Demuxer &m_demuxer;
    VideoDecoder &m_decoder;
    const std::atomic<bool> &m_abortRequested;
    bool m_pendingPacket = false;
    bool m_sentEnd = false;
    bool m_drained = false;
    bool m_ignoring = false;
    qint64 m_ignoreUpToTicks = 0;
    qint64 m_readMs = 0;
    qint64 m_skipBeforeMs = NoSkip;
    bool m_skippedAny = false;
};

#endif
