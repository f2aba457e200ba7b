#include "framereader.h"

#include "demuxer.h"
#include "packet.h"
#include "videodecoder.h"

#include <QtDebug>

namespace {

// Without a presentation time a key packet's decoding time may lie up to a
// few pictures before the picture it shows.
constexpr qint64 DecodingTimeAllowanceMs = 1000;
constexpr qint64 FirstStepBackMs = 1000;

} // namespace

FrameReader::FrameReader(Demuxer &demuxer, VideoDecoder &decoder, const std::atomic<bool> &abortRequested)
    : m_demuxer(demuxer)
    , m_decoder(decoder)
    , m_abortRequested(abortRequested)
{
}

bool FrameReader::isDrained() const
{
    return m_drained;
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

FrameReader::Result FrameReader::next(VideoFrame &frame, qint64 &ms, qint64 &ticks)
{
    const int videoStream = m_demuxer.streamIndex();
    for (;;) {
        if (m_drained)
            return Result::End;
        switch (m_decoder.receive()) {
        case VideoDecoder::Result::Frame:
            if (!m_decoder.frameHasTime())
                continue; // a picture without any time cannot be placed
            ticks = m_decoder.frameTicks();
            if (m_ignoring && ticks <= m_ignoreUpToTicks)
                continue;
            m_ignoring = false;
            ms = m_demuxer.ticksToMs(ticks);
            frame = m_decoder.takeFrame(m_demuxer.ticksToSeconds(ticks));
            return Result::Frame;
        case VideoDecoder::Result::EndOfStream:
            m_drained = true;
            return Result::End;
        case VideoDecoder::Result::Failed:
            return Result::DecodeFailed;
        case VideoDecoder::Result::NeedsInput:
            break;
        }
        if (m_sentEnd) {
            m_drained = true;
            return Result::End;
        }

        if (!m_pendingPacket) {
            if (m_abortRequested.load())
                return Result::Aborted;
            if (!m_demuxer.readFrame()) {
                if (m_demuxer.atEnd()) {
                    m_sentEnd = true;
                    if (!m_decoder.sendEndOfStream())
                        return Result::DecodeFailed;
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
        const bool skip = m_skipBeforeMs != NoSkip && packet.hasPts()
            && m_demuxer.ticksToMs(packet.pts()) < m_skipBeforeMs;
        m_decoder.setSkipNonReference(skip);
        m_skippedAny = m_skippedAny || skip;
        if (!m_decoder.send(packet))
            return Result::DecodeFailed;
    }
}

void FrameReader::restart()
{
    m_decoder.flush();
    m_pendingPacket = false;
    m_sentEnd = false;
    m_drained = false;
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

FrameReader::Result FrameReader::jumpBefore(qint64 ms, qint64 ignoreUpToTicks)
{
    const int videoStream = m_demuxer.streamIndex();
    bool moved = false;
    qint64 stepBack = 1;
    for (;;) {
        // Containers without an index land near the target rather than on a
        // key frame before it: step back further until one is found.
        const bool fromStart = ms - stepBack <= 0;
        if (!m_demuxer.seek(fromStart ? std::numeric_limits<int>::min() : ms - stepBack)) {
            if (!moved)
                return Result::End;
            if (!fromStart) {
                stepBack = ms;
                continue;
            }
            qWarning() << "FrameGrabber cannot seek back to the start";
            m_drained = true;
            return Result::Frame;
        }
        moved = true;
        restart();
        m_ignoring = true;
        m_ignoreUpToTicks = ignoreUpToTicks;

        bool found = false;
        while (!found) {
            if (m_abortRequested.load())
                return Result::Aborted;
            if (!m_demuxer.readFrame()) {
                if (m_demuxer.atEnd())
                    break;
                continue;
            }
            const Packet &packet = m_demuxer.packet();
            found = packet.streamIndex() == videoStream && packet.isValid() && (packet.isKeyFrame() || fromStart);
        }
        if (!found && fromStart) {
            m_drained = true; // the stream holds no picture at all
            return Result::Frame;
        }
        if (found && acceptsAsStart(ms, fromStart)) {
            m_pendingPacket = true;
            return Result::Frame;
        }
        stepBack = stepBack < FirstStepBackMs ? FirstStepBackMs : stepBack * 2;
    }
}
