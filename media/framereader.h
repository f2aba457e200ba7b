#ifndef VISTALOOM_FRAMEREADER_H
#define VISTALOOM_FRAMEREADER_H

#include "videoframe.h"

#include <QtGlobal>

#include <atomic>
#include <deque>
#include <limits>
#include <optional>

class Demuxer;
class Packet;
class VideoDecoder;

// Walks the pictures of the chosen video stream in presentation order:
// reads packets, feeds the decoder, and at the end of the file drains the
// decoder so the last pictures are not lost. Can restart at a key frame
// before a position, and can leave out pictures nothing refers to while
// they lie before a given time.
//
// Real files are not always well formed: a packet the decoder rejects is
// skipped, pictures without any time are placed by the frame rate, and a
// picture whose time jumps far out of order is put back between its
// neighbours, so one damaged packet never ends the walk.
class FrameReader
{
public:
    enum class Status { Frame, End, Aborted, DecodeFailed };
    enum class Jump { Landed, Refused, Aborted };

    struct Picture {
        VideoFrame frame;
        qint64 ms = 0;    // from the start of the media
        qint64 ticks = 0; // in the stream's time base
    };
    struct Read {
        Status status = Status::End;
        Picture picture; // set when status is Frame
    };

    FrameReader(Demuxer &demuxer, VideoDecoder &decoder, const std::atomic<bool> &abortRequested);

    // The next picture in presentation order.
    Read next();
    // True once the decoder gave out its last picture.
    bool isDrained() const;

    // Restarts at the last key frame whose time lies before ms, so every
    // picture from the last one before ms onwards comes out; falls back to
    // earlier points and finally to the start of the file. Pictures at or
    // before ignoreUpToTicks are not given out again. Refused only when the
    // file cannot even be read from its start again.
    Jump jumpBefore(qint64 ms, qint64 ignoreUpToTicks);
    // The time of the key frame the last jump landed on.
    qint64 landedMs() const;
    // The time of the last video packet read, in milliseconds.
    qint64 readMs() const;

    // Pictures that nothing refers to are not decoded while their packet's
    // time lies before ms; NoSkip turns that off.
    static constexpr qint64 NoSkip = std::numeric_limits<qint64>::min();
    void setSkipBefore(qint64 ms);
    // Whether any packet went to the decoder with skipping on since the
    // last setSkipBefore().
    bool skippedAny() const;
    // Pictures that nothing refers to are left out before they reach the
    // decoder from ms on, where their packets tell them (progressive H.264);
    // the pictures given out stay exact. NoSkip turns that off.
    void setLeaveOutFrom(qint64 ms);
    // Whether a picture timed after afterTicks and before beforeTicks was
    // left out since the last jump.
    bool leftOutBetween(qint64 afterTicks, qint64 beforeTicks) const;

private:
    Read decodeNext();
    bool noteRejected();
    void restart(bool atStart);
    bool acceptsAsStart(qint64 ms, bool fromStart) const;
    bool skipsPacket() const;
    bool leavesOut(const Packet &packet);

    Demuxer &m_demuxer;
    VideoDecoder &m_decoder;
    const std::atomic<bool> &m_abortRequested;
    bool m_pendingPacket = false;
    bool m_sentEnd = false;
    bool m_drained = false;
    // Set once next() has answered End: the look-ahead may know of the end
    // a picture earlier than the caller.
    bool m_endGiven = false;
    bool m_ignoring = false;
    qint64 m_ignoreUpToTicks = 0;
    qint64 m_readMs = 0;
    qint64 m_landedMs = 0;
    qint64 m_skipBeforeMs = NoSkip;
    bool m_skippedAny = false;
    qint64 m_leaveOutFromMs = NoSkip;
    // The times of the pictures left out lately, oldest first.
    std::deque<qint64> m_leftOutTicks;

    // One picture of look-ahead, to tell a stray time from a real jump.
    std::optional<Picture> m_lookahead;
    std::optional<qint64> m_lastGivenTicks;
    VideoFrame m_lastGivenFrame;
    // Where a picture without a time goes, once the place is known.
    std::optional<qint64> m_nextUntimedTicks;
    // Packets or pictures the decoder rejected since its last good picture.
    int m_rejectedInARow = 0;
    qint64 m_firstRejectedMs = 0;
};

#endif
