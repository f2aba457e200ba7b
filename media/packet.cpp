#include "packet.h"

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/avutil.h>
}

Packet::Packet()
    : m_packet(FFmpeg::allocPacket())
{
}

bool Packet::isValid() const
{
    return !(m_packet->flags & AV_PKT_FLAG_CORRUPT) && m_packet->data && m_packet->size > 0
        && m_packet->duration >= 0;
}

bool Packet::isKeyFrame() const
{
    return m_packet->flags & AV_PKT_FLAG_KEY;
}

int Packet::streamIndex() const
{
    return m_packet->stream_index;
}

bool Packet::hasPts() const
{
    return m_packet->pts != AV_NOPTS_VALUE;
}

qint64 Packet::pts() const
{
    return m_packet->pts;
}

bool Packet::hasBestTime() const
{
    return m_packet->pts != AV_NOPTS_VALUE || m_packet->dts != AV_NOPTS_VALUE;
}

qint64 Packet::bestTime() const
{
    return m_packet->pts != AV_NOPTS_VALUE ? m_packet->pts : m_packet->dts;
}

void Packet::reset()
{
    av_packet_unref(m_packet.get());
}
