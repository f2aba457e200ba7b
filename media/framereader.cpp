#include "framereader.h"

#include "demuxer.h"
#include "packet.h"
#include "videodecoder.h"

#include <QtDebug>

#include <algorithm>
#include <utility>

namespace {

// Without a presentation time a key packet's decoding time may lie up to a
// few pictures before the picture it shows.
constexpr qint64 DecodingTimeAllowanceMs = 1000;
constexpr qint64 FirstStepBackMs = 1000;
// A decoder error on one packet is normal in real footage; only a decoder
// that rejects everything for this long has failed.
constexpr int MaxRejectedInARow = 100;
constexpr qint64 MaxRejectedStretchMs = 2000;

} // namespace

FrameReader::FrameReader(Demuxer &demuxer, VideoDecoder &decoder, const std::atomic<bool> &abortRequested)
    : m_demuxer(demuxer)
    , m_decoder(decoder)
    , m_abortRequested(abortRequested)
    , m_nextUntimedTicks(demuxer.startTicks())
{
}

bool FrameReader::isDrained() const
{
    return m_endGiven;
}

qint64 FrameReader::landedMs() const
{
    return m_landedMs;
}

qint64 FrameReader::readMs() const
{
    return m_readMs;
}

void FrameReader::setSkipBefore(qint64 ms)
{
    m_skipBeforeMs = ms;
    m_skippedAny = false;
    if (ms == NoSkip)
        m_decoder.setSkipNonReference(false);
}

bool FrameReader::skippedAny() const
{
    return m_skippedAny;
}

void FrameReader::setLeaveOutFrom(qint64 ms)
{
    m_leaveOutFromMs = m_decoder.tellsDisposablePackets() ? ms : NoSkip;
}

bool FrameReader::leftOutBetween(qint64 afterTicks, qint64 beforeTicks) const
{
    return std::any_of(m_leftOutTicks.cbegin(), m_leftOutTicks.cend(),
                       [&](qint64 ticks) { return ticks > afterTicks && ticks < beforeTicks; });
}

bool FrameReader::leavesOut(const Packet &packet)
{
    if (m_leaveOutFromMs == NoSkip || !packet.hasPts() || m_demuxer.ticksToMs(packet.pts()) < m_leaveOutFromMs
        || !m_decoder.isDisposable(packet))
        return false;
    // A picture stays in the decoder's reorder queue for a few pictures, so
    // those left out around it are remembered that long.
    constexpr size_t Remembered = 64;
    m_leftOutTicks.push_back(packet.pts());
    if (m_leftOutTicks.size() > Remembered)
        m_leftOutTicks.pop_front();
    return true;
}

FrameReader::Read FrameReader::next()
{
    for (;;) {
        Read read = decodeNext();
        if (read.status == Status::Aborted || read.status == Status::DecodeFailed)
            return read;
        Picture out;
        if (read.status == Status::End) {
            if (!m_lookahead) {
                m_endGiven = true;
                return read;
            }
            out = std::move(*m_lookahead);
            m_lookahead.reset();
        } else {
            Picture &incoming = read.picture;
            if (m_lastGivenTicks && incoming.ticks < *m_lastGivenTicks) {
                qWarning("Picture at %lld ms lies before pictures already read; left out",
                         static_cast<long long>(incoming.ms));
                continue;
            }
            if (!m_lookahead) {
                m_lookahead = std::move(incoming);
                continue;
            }
            if (m_lookahead->ticks > incoming.ticks) {
                // The held picture's time jumped past its successor's: a stray
                // time. It belongs between its neighbours.
                const qint64 before = m_lastGivenTicks ? *m_lastGivenTicks : incoming.ticks - 1;
                const qint64 ticks = before + (incoming.ticks - before) / 2;
                qWarning("Picture with a stray time (%lld ms) placed at %lld ms",
                         static_cast<long long>(m_lookahead->ms),
                         static_cast<long long>(m_demuxer.ticksToMs(ticks)));
                m_lookahead->ticks = ticks;
                m_lookahead->ms = m_demuxer.ticksToMs(ticks);
                m_lookahead->frame = m_lookahead->frame.withTimestamp(m_demuxer.ticksToSeconds(ticks));
            }
            out = std::exchange(*m_lookahead, std::move(incoming));
        }
        m_lastGivenTicks = out.ticks;
        // An interlaced picture is deinterlaced with the pictures around it.
        const VideoFrame previous = std::exchange(m_lastGivenFrame, out.frame);
        if (m_ignoring && out.ticks <= m_ignoreUpToTicks)
            continue;
        m_ignoring = false;
        out.frame = out.frame.withNeighbours(previous, m_lookahead ? m_lookahead->frame : VideoFrame());
        return Read{Status::Frame, std::move(out)};
    }
}

bool FrameReader::noteRejected()
{
    if (m_rejectedInARow++ == 0)
        m_firstRejectedMs = m_readMs;
    if (m_rejectedInARow < MaxRejectedInARow && m_readMs - m_firstRejectedMs < MaxRejectedStretchMs)
        return false;
    // Reported once; the next request starts counting afresh.
    m_rejectedInARow = 0;
    return true;
}

bool FrameReader::skipsPacket() const
{
    if (m_skipBeforeMs == NoSkip)
        return false;
    const Packet &packet = m_demuxer.packet();
    if (packet.hasPts())
        return m_demuxer.ticksToMs(packet.pts()) < m_skipBeforeMs;
    return packet.hasBestTime()
        && m_demuxer.ticksToMs(packet.bestTime()) + DecodingTimeAllowanceMs < m_skipBeforeMs;
}

FrameReader::Read FrameReader::decodeNext()
{
    const int videoStream = m_demuxer.streamIndex();
    for (;;) {
        if (m_drained)
            return Read{Status::End, {}};
        switch (m_decoder.receive()) {
        case VideoDecoder::Result::Frame: {
            m_rejectedInARow = 0;
            qint64 ticks = 0;
            if (m_decoder.frameHasTime())
                ticks = m_decoder.frameTicks();
            else if (m_nextUntimedTicks)
                ticks = *m_nextUntimedTicks; // raw streams: placed by the frame rate
            else
                continue; // no time, and no known place after a seek
            const qint64 duration = m_decoder.frameDurationTicks();
            m_nextUntimedTicks = ticks + (duration > 0 ? duration : m_demuxer.frameDurationTicks());
            Picture picture;
            picture.ticks = ticks;
            picture.ms = m_demuxer.ticksToMs(ticks);
            picture.frame = m_decoder.takeFrame(m_demuxer.ticksToSeconds(ticks));
            return Read{Status::Frame, std::move(picture)};
        }
        case VideoDecoder::Result::EndOfStream:
            m_drained = true;
            return Read{Status::End, {}};
        case VideoDecoder::Result::Failed:
            if (noteRejected())
                return Read{Status::DecodeFailed, {}};
            continue;
        case VideoDecoder::Result::NeedsInput:
            break;
        }
        if (m_sentEnd) {
            m_drained = true;
            return Read{Status::End, {}};
        }

        if (!m_pendingPacket) {
            if (m_abortRequested.load())
                return Read{Status::Aborted, {}};
            if (!m_demuxer.readFrame()) {
                if (m_demuxer.atEnd()) {
                    m_sentEnd = true;
                    if (!m_decoder.sendEndOfStream()) {
                        m_drained = true;
                        return Read{Status::End, {}};
                    }
                }
                continue;
            }
        }
        m_pendingPacket = false;
        const Packet &packet = m_demuxer.packet();
        if (packet.streamIndex() != videoStream)
            continue;
        if (!packet.isValid()) {
            qWarning("invalid packet. no decode");
            continue;
        }
        if (packet.hasBestTime())
            m_readMs = m_demuxer.ticksToMs(packet.bestTime());
        if (leavesOut(packet))
            continue;
        const bool skip = skipsPacket();
        m_decoder.setSkipNonReference(skip);
        m_skippedAny = m_skippedAny || skip;
        if (!m_decoder.send(packet)) {
            qWarning("Decoder rejected the packet at %lld ms; skipped", static_cast<long long>(m_readMs));
            if (noteRejected())
                return Read{Status::DecodeFailed, {}};
        }
    }
}

void FrameReader::restart(bool atStart)
{
    m_decoder.flush();
    m_pendingPacket = false;
    m_sentEnd = false;
    m_drained = false;
    m_endGiven = false;
    m_lookahead.reset();
    m_lastGivenTicks.reset();
    m_lastGivenFrame = VideoFrame();
    m_leftOutTicks.clear();
    m_rejectedInARow = 0;
    if (atStart)
        m_nextUntimedTicks = m_demuxer.startTicks();
    else
        m_nextUntimedTicks.reset();
}

bool FrameReader::acceptsAsStart(qint64 ms, bool fromStart) const
{
    if (fromStart)
        return true;
    const Packet &packet = m_demuxer.packet();
    if (!packet.hasBestTime())
        return false;
    const qint64 keyMs = m_demuxer.ticksToMs(packet.bestTime());
    return packet.hasPts() ? keyMs < ms : keyMs + DecodingTimeAllowanceMs < ms;
}

FrameReader::Jump FrameReader::jumpBefore(qint64 ms, qint64 ignoreUpToTicks)
{
    const int videoStream = m_demuxer.streamIndex();
    qint64 stepBack = 1;
    bool readToEnd = false;
    for (;;) {
        // Containers without an index land near the target rather than on a
        // key frame before it: step back further until one is found, and
        // finally start from the beginning of the file. A transport stream
        // read to its end goes on reading there after a seek to its start
        // (one packet, then the end): it is opened afresh instead.
        const bool fromStart = ms - stepBack <= 0 || !m_demuxer.isSeekable();
        const bool moved = fromStart ? (readToEnd ? m_demuxer.reopen() : m_demuxer.seekToStart())
                                     : m_demuxer.seek(ms - stepBack);
        if (!moved) {
            if (fromStart)
                return Jump::Refused;
            continue; // a refused seek marks the file as not seekable by time
        }
        restart(fromStart);
        m_ignoring = true;
        m_ignoreUpToTicks = ignoreUpToTicks;

        bool found = false;
        while (!found) {
            if (m_abortRequested.load())
                return Jump::Aborted;
            if (!m_demuxer.readFrame()) {
                if (m_demuxer.atEnd()) {
                    readToEnd = true;
                    break;
                }
                continue;
            }
            const Packet &packet = m_demuxer.packet();
            found = packet.streamIndex() == videoStream && packet.isValid() && (packet.isKeyFrame() || fromStart);
        }
        if (fromStart) {
            m_pendingPacket = found; // without any picture the walk simply ends
            m_landedMs = 0;
            return Jump::Landed;
        }
        if (found && acceptsAsStart(ms, fromStart)) {
            m_pendingPacket = true;
            m_landedMs = m_demuxer.ticksToMs(m_demuxer.packet().bestTime());
            return Jump::Landed;
        }
        stepBack = stepBack < FirstStepBackMs ? FirstStepBackMs : stepBack * 2;
    }
}
