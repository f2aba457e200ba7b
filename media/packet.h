#ifndef VISTALOOM_PACKET_H
#define VISTALOOM_PACKET_H

#include "ffmpegptr.h"

#include <QtGlobal>

// One compressed packet as read by the Demuxer. Times are in the ticks of
// the packet's stream (see Demuxer::ticksToMs).
class Packet
{
public:
    Packet();

    // False for packets that must not reach a decoder: flagged corrupt,
    // without data, or with a negative duration.
    bool isValid() const;
    bool isKeyFrame() const;
    int streamIndex() const;
    bool hasPts() const;
    qint64 pts() const;
    // The presentation time when the packet has one, else the decoding time.
    qint64 bestTime() const;
    bool hasBestTime() const;

    AVPacket *avPacket() const { return m_packet.get(); }
    void reset();

private:
    FFmpeg::PacketPtr m_packet;
};

#endif
