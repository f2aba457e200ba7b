#include "frameindex.h"

extern "C" {
#include <libavcodec/packet.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cmath>

FrameIndex::FrameIndex(const std::atomic<bool> &abortRequested)
    : m_abortRequested(abortRequested)
{
}

FrameIndex::~FrameIndex() = default;

bool FrameIndex::open(const QString &path)
{
    m_pictures.clear();
    m_sorted = true;
    m_readTicks.reset();
    m_demuxer.unload();
    m_demuxer.setMedia(path);
    m_demuxer.setInterruptFlag(&m_abortRequested);
    m_ended = !m_demuxer.load() || m_demuxer.videoStreamCount() == 0 || !m_demuxer.setVideoStreamIndex(0);
    return !m_ended;
}

bool FrameIndex::readNext()
{
    while (!m_ended && !m_abortRequested.load()) {
        if (!m_demuxer.readFrame()) {
            m_ended = true;
            break;
        }
        const Packet &packet = m_demuxer.packet();
        const AVPacket *raw = packet.avPacket();
        if (packet.streamIndex() != m_demuxer.streamIndex() || !packet.hasBestTime())
            continue;
        const qint64 decodeTicks = raw->dts != AV_NOPTS_VALUE ? raw->dts : raw->pts;
        m_readTicks = m_readTicks ? qMax(*m_readTicks, decodeTicks) : decodeTicks;
        // Pictures the decoder drops (before an edit list's start, or
        // broken) are never shown, so they get no number.
        if (!packet.isValid() || (raw->flags & AV_PKT_FLAG_DISCARD))
            continue;
        m_sorted = m_sorted && (m_pictures.empty() || m_pictures.back().ticks <= packet.bestTime());
        m_pictures.push_back({packet.bestTime(), packet.isKeyFrame()});
        return true;
    }
    return false;
}

bool FrameIndex::readPast(qint64 ticks)
{
    while (!m_readTicks || *m_readTicks <= ticks) {
        if (!readNext())
            break;
    }
    if (!m_sorted) {
        std::sort(m_pictures.begin(), m_pictures.end());
        m_sorted = true;
    }
    return !m_abortRequested.load();
}

qint64 FrameIndex::numberAt(double seconds)
{
    if (!m_demuxer.isLoaded())
        return -1;
    // The picture nearest may lie up to one frame after the time.
    const qint64 target = m_demuxer.startTicks()
        + qint64(std::floor(seconds * m_demuxer.videoStream()->time_base.den
                            / m_demuxer.videoStream()->time_base.num));
    if (!readPast(target + 2 * m_demuxer.frameDurationTicks()) || m_pictures.empty())
        return -1;
    const auto after = std::lower_bound(m_pictures.begin(), m_pictures.end(), Picture{target, false});
    if (after == m_pictures.end())
        return qint64(m_pictures.size()) - 1;
    if (after == m_pictures.begin())
        return 0;
    const auto before = after - 1;
    const double toBefore = seconds - m_demuxer.ticksToSeconds(before->ticks);
    const double toAfter = m_demuxer.ticksToSeconds(after->ticks) - seconds;
    return qint64((toAfter < toBefore ? after : before) - m_pictures.begin());
}

bool FrameIndex::isKeyFrame(qint64 number)
{
    return secondsOf(number) && m_pictures[size_t(number)].keyFrame;
}

std::optional<double> FrameIndex::secondsOf(qint64 number)
{
    if (number < 0 || !m_demuxer.isLoaded())
        return std::nullopt;
    // Once a packet decoded after the picture's time is read, no earlier
    // picture can still come, so its number is final.
    for (;;) {
        while (qint64(m_pictures.size()) <= number && readNext()) {
        }
        if (qint64(m_pictures.size()) <= number)
            break;
        if (!m_sorted) {
            std::sort(m_pictures.begin(), m_pictures.end());
            m_sorted = true;
        }
        const qint64 ticks = m_pictures[size_t(number)].ticks;
        if ((m_readTicks && *m_readTicks > ticks) || m_ended)
            break;
        if (!readPast(ticks))
            return std::nullopt;
    }
    if (m_abortRequested.load() || qint64(m_pictures.size()) <= number)
        return std::nullopt;
    return m_demuxer.ticksToSeconds(m_pictures[size_t(number)].ticks);
}
