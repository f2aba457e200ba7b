#include "keyframefinder.h"

#include "demuxer.h"
#include "packet.h"
#include "videodecoder.h"

#include <QtDebug>

extern "C" {
#include <libavcodec/packet.h>
#include <libavformat/avformat.h>
}

#include <cstdlib>
#include <optional>

namespace {

// The coding type of the first MPEG-4 Part 2 picture in a packet is
// bidirectional: the two bits after the picture start code 00 00 01 B6.
bool startsWithBidirectionalPicture(const AVPacket *packet)
{
    const uint8_t *data = packet->data;
    for (int i = 0; i + 4 < packet->size; ++i) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == 0xB6)
            return (data[i + 4] >> 6) == 2;
    }
    return false;
}

// How far before the position a search starts again when the first key
// frame found lies after it (a container whose seek lands late).
constexpr qint64 RetreatMs = 10000;
constexpr int MaxRetreats = 3;

} // namespace

struct KeyFrameFinder::Candidate {
    std::optional<Packet> packet;
    qint64 ms = 0;
    // For packets with a decoding time only: the B-frames that follow the
    // key frame in decoding order, which are shown before it.
    int shownBefore = 0;

    void take(const Packet &source)
    {
        packet.emplace();
        av_packet_ref(packet->avPacket(), source.avPacket());
        shownBefore = 0;
    }
};

KeyFrameFinder::KeyFrameFinder(Demuxer &demuxer, VideoDecoder &decoder, const std::atomic<bool> &abortRequested)
    : m_demuxer(demuxer)
    , m_decoder(decoder)
    , m_abortRequested(abortRequested)
{
}

KeyFrameFinder::~KeyFrameFinder() = default;

// A packet with only a decoding time (AVI) is shown later than that: after
// the decoder's delay, and after the B-frames that follow it in decoding
// order. A key frame decoded alone would keep the earlier time.
qint64 KeyFrameFinder::displayTicks(const Packet &packet, int shownBefore) const
{
    if (packet.hasPts())
        return packet.pts();
    const AVStream *stream = m_demuxer.videoStream();
    const int delay = stream ? stream->codecpar->video_delay : 0;
    return packet.bestTime() + (delay + shownBefore) * m_demuxer.frameDurationTicks();
}

bool KeyFrameFinder::countsShownBefore(const Packet &packet) const
{
    const AVStream *stream = m_demuxer.videoStream();
    return !packet.hasPts() && stream && stream->codecpar->codec_id == AV_CODEC_ID_MPEG4;
}

qint64 KeyFrameFinder::endMs() const
{
    return m_endMs;
}

// Attempt 0 seeks to the key frame at or before ms; later attempts start
// further back, then at the start of the file, and the last one opens the
// file afresh (a seek to the start of MPEG-TS can land past its first key
// frame).
bool KeyFrameFinder::moveBefore(qint64 ms, int attempt)
{
    if (attempt == MaxRetreats)
        return m_demuxer.reopen();
    const qint64 target = ms - attempt * RetreatMs;
    if (target > 0 && m_demuxer.isSeekable() && m_demuxer.seek(target))
        return true;
    return m_demuxer.seekToStart();
}

KeyFrameFinder::Scan KeyFrameFinder::scanFrom(qint64 ms, Candidate &before, Candidate &after)
{
    const int stream = m_demuxer.streamIndex();
    qint64 lastMs = -1;
    Candidate current;
    bool counting = false;
    // Places the current key frame before or after ms; true once it is after.
    auto settle = [&] {
        counting = false;
        current.ms = m_demuxer.ticksToMs(displayTicks(*current.packet, current.shownBefore));
        if (current.ms <= ms) {
            before = std::move(current);
            current = Candidate();
            return false;
        }
        after = std::move(current);
        current = Candidate();
        return true;
    };
    while (m_demuxer.readFrame()) {
        if (m_abortRequested.load())
            return Scan::Aborted;
        const Packet &packet = m_demuxer.packet();
        if (packet.streamIndex() != stream || !packet.hasBestTime())
            continue;
        lastMs = qMax(lastMs, m_demuxer.ticksToMs(displayTicks(packet, 0)));
        if (counting) {
            if (!packet.isKeyFrame() && startsWithBidirectionalPicture(packet.avPacket())) {
                ++current.shownBefore;
                continue;
            }
            if (settle())
                return Scan::Done;
        }
        if (!packet.isKeyFrame() || !packet.isValid())
            continue;
        current.take(packet);
        if (countsShownBefore(packet))
            counting = true;
        else if (settle())
            return Scan::Done;
    }
    if (m_abortRequested.load())
        return Scan::Aborted;
    m_endMs = qMax(m_endMs, lastMs);
    if (counting && settle())
        return Scan::Done;
    return Scan::End;
}

KeyFrameFinder::Result KeyFrameFinder::nearest(qint64 ms)
{
    Candidate before;
    Candidate after;
    for (int attempt = 0; attempt <= MaxRetreats; ++attempt) {
        if (m_abortRequested.load())
            return Result{Result::Aborted, {}, QStringLiteral("abort before reading")};
        if (!moveBefore(ms, attempt))
            return Result{Result::Failed, {}, QStringLiteral("cannot seek")};
        before = Candidate();
        after = Candidate();
        const Scan scan = scanFrom(ms, before, after);
        if (scan == Scan::Aborted)
            return Result{Result::Aborted, {}, QStringLiteral("abort while reading")};
        // A seek that landed after the position hides the key frame before
        // it: retreat further, and at last read from a fresh open, since even
        // a seek to the start of MPEG-TS can land past its first key frame.
        // A file that refuses seeks was read from a fresh open already.
        if (before.packet || attempt == MaxRetreats || !m_demuxer.isSeekable())
            break;
        // Nothing lies before the start: go straight to the fresh open.
        if (attempt < MaxRetreats - 1 && ms - attempt * RetreatMs <= 0)
            attempt = MaxRetreats - 1;
    }
    if (!before.packet && !after.packet)
        return Result{Result::Failed, {}, QStringLiteral("no key frame found")};
    // Ties go to the earlier frame, as in exact extraction.
    const bool takeAfter = after.packet
        && (!before.packet || std::llabs(after.ms - ms) < std::llabs(ms - before.ms));
    const Candidate &chosen = takeAfter ? after : before;
    return decode(*chosen.packet, chosen.shownBefore, chosen.ms);
}

KeyFrameFinder::Result KeyFrameFinder::decode(const Packet &packet, int shownBefore, qint64 packetMs)
{
    m_decoder.flush();
    Result result{Result::Failed, {}, QStringLiteral("decode failed")};
    if (m_decoder.send(packet) && m_decoder.sendEndOfStream()) {
        // The time the packet says it is shown: the decoder's guess for a
        // picture decoded alone is no better.
        if (m_decoder.receive() == VideoDecoder::Result::Frame)
            result = Result{Result::Found, m_decoder.takeFrame(m_demuxer.ticksToSeconds(displayTicks(packet, shownBefore))), {}};
    }
    // Ready for the next packet after the drain.
    m_decoder.flush();
    if (result.kind != Result::Found)
        qDebug() << "KeyFrameFinder: no picture from the key frame at" << packetMs << "ms";
    return result;
}
