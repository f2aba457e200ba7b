#ifndef VISTALOOM_KEYFRAMEFINDER_H
#define VISTALOOM_KEYFRAMEFINDER_H

#include "videoframe.h"

#include <QString>

#include <atomic>
#include <memory>

class Demuxer;
class Packet;
class VideoDecoder;

// Hands out the key frame nearest to a position, decoding key frames only:
// packets are read from the key frame at or before the position to the
// first one after it, and only the nearer of the two is decoded. Much
// faster than exact extraction on long groups of pictures; the frame keeps
// its own time, which may lie seconds from the position.
class KeyFrameFinder
{
public:
    KeyFrameFinder(Demuxer &demuxer, VideoDecoder &decoder, const std::atomic<bool> &abortRequested);
    ~KeyFrameFinder();

    struct Result {
        enum Kind { Found, Failed, Aborted };
        Kind kind = Failed;
        VideoFrame frame;
        QString reason;
    };

    Result nearest(qint64 ms);

    // The time of the last video packet of the file in milliseconds, once a
    // search has read up to the end of the file; -1 before.
    qint64 endMs() const;

private:
    struct Candidate;
    enum class Scan { Done, End, Aborted };

    Scan scanFrom(qint64 ms, Candidate &before, Candidate &after);
    bool moveBefore(qint64 ms, int attempt);
    Result decode(const Packet &packet, int shownBefore, qint64 packetMs);
    qint64 displayTicks(const Packet &packet, int shownBefore) const;
    bool countsShownBefore(const Packet &packet) const;

    Demuxer &m_demuxer;
    VideoDecoder &m_decoder;
    const std::atomic<bool> &m_abortRequested;
    qint64 m_endMs = -1;
};

#endif
