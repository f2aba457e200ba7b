#include "frameindex.h"

extern "C" {
#include <libavcodec/packet.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cmath>
#include <limits>

FrameIndex::FrameIndex(const std::atomic<bool> &abortRequested)
    : m_abortRequested(abortRequested)
{
}

FrameIndex::~FrameIndex() = default;

bool FrameIndex::open(const QString &path)
{
    m_pictures.clear();
    m_timed.clear();
    m_sortedTimed = 0;
    m_untimed.clear();
    m_ordered = true;
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
        if (packet.streamIndex() != m_demuxer.streamIndex())
            continue;
        const bool decodeTimed = raw->dts != AV_NOPTS_VALUE;
        if (packet.hasBestTime()) {
            const qint64 decodeTicks = decodeTimed ? raw->dts : raw->pts;
            if (!m_readTicks || decodeTicks > *m_readTicks) {
                m_readTicks = decodeTicks;
                m_readTicksDecodeTimed = decodeTimed;
            }
        }
        // Pictures the decoder drops (before an edit list's start, or
        // broken) are never shown, so they get no number.
        if (!packet.isValid() || (raw->flags & AV_PKT_FLAG_DISCARD))
            continue;
        if (packet.hasPts())
            m_timed.push_back({raw->pts, packet.isKeyFrame()});
        else
            m_untimed.push_back({decodeTimed ? raw->dts : AV_NOPTS_VALUE, packet.isKeyFrame()});
        m_ordered = false;
        return true;
    }
    return false;
}

bool FrameIndex::readPast(qint64 ticks)
{
    // Where the latest time read is no decoding time (Matroska leaves some
    // out), a picture shown earlier may still follow: read on by more than
    // any reordering depth.
    int beyond = 0;
    while (!m_readTicks || *m_readTicks <= ticks
           || (!m_readTicksDecodeTimed && beyond++ < MaxReorderedPictures)) {
        if (!readNext())
            break;
    }
    orderPictures();
    return !m_abortRequested.load();
}

void FrameIndex::orderPictures()
{
    if (m_ordered)
        return;
    m_ordered = true;
    // Only the pictures read since the last time need sorting.
    const auto unsorted = m_timed.begin() + qint64(m_sortedTimed);
    std::stable_sort(unsorted, m_timed.end());
    std::inplace_merge(m_timed.begin(), unsorted, m_timed.end());
    m_sortedTimed = m_timed.size();
    if (m_untimed.empty())
        return;
    m_pictures.clear();
    m_pictures.reserve(m_timed.size() + m_untimed.size());
    const qint64 frame = qMax<qint64>(1, m_demuxer.frameDurationTicks());
    // The first picture is shown at the start of the media, after the
    // decoder's delay where only decoding times are stored.
    const qint64 start = m_demuxer.startTicks();
    if (m_timed.empty()) {
        // Decoding times only (AVI): a picture's place is its decoding
        // time, so a frame the file leaves out keeps its slot.
        const qint64 delay = m_untimed.front().ticks != AV_NOPTS_VALUE ? start - m_untimed.front().ticks : 0;
        qint64 at = start - frame;
        for (const Picture &picture : m_untimed) {
            at = picture.ticks != AV_NOPTS_VALUE ? qMax(at + 1, picture.ticks + delay) : at + frame;
            m_pictures.push_back({at, picture.keyFrame});
        }
        return;
    }
    size_t untimed = 0;
    auto fillUpTo = [&](qint64 ticks) {
        qint64 at = m_pictures.empty() ? start - frame : m_pictures.back().ticks;
        while (untimed < m_untimed.size() && 2 * (at + frame) + frame <= 2 * ticks) {
            at += frame;
            m_pictures.push_back({at, m_untimed[untimed++].keyFrame});
        }
    };
    for (const Picture &picture : m_timed) {
        fillUpTo(picture.ticks);
        m_pictures.push_back(picture);
    }
    fillUpTo(std::numeric_limits<qint64>::max() / 4);
}

qint64 FrameIndex::numberAt(double seconds)
{
    if (!m_demuxer.isLoaded() || !m_demuxer.videoStream())
        return -1;
    // The start of an AVI whose packets carry only decoding times is known
    // once its first picture is read.
    if (m_timed.empty() && m_untimed.empty())
        readNext();
    // The picture nearest may lie up to one frame after the time.
    const qint64 target = m_demuxer.startTicks()
        + qint64(std::floor(seconds * m_demuxer.videoStream()->time_base.den
                            / m_demuxer.videoStream()->time_base.num));
    if (!readPast(target + 2 * m_demuxer.frameDurationTicks()) || pictures().empty())
        return -1;
    // The first picture at or after the target's tick, which can still lie
    // before the time in a coarse time base (AVI counts in frames): the
    // nearest is that one or a neighbour, the earlier one on a tie.
    const auto &all = pictures();
    const qint64 at = std::lower_bound(all.begin(), all.end(), Picture{target, false}) - all.begin();
    qint64 nearest = -1;
    double nearestDistance = 0;
    for (qint64 i = qMax<qint64>(0, at - 1); i <= qMin<qint64>(at + 1, qint64(all.size()) - 1); ++i) {
        const double distance = std::abs(m_demuxer.ticksToSeconds(all[size_t(i)].ticks) - seconds);
        if (nearest < 0 || distance < nearestDistance) {
            nearest = i;
            nearestDistance = distance;
        }
    }
    return nearest;
}

bool FrameIndex::isKeyFrame(qint64 number)
{
    return secondsOf(number) && pictures()[size_t(number)].keyFrame;
}

std::optional<double> FrameIndex::secondsOf(qint64 number)
{
    if (number < 0 || !m_demuxer.isLoaded())
        return std::nullopt;
    while (qint64(m_timed.size() + m_untimed.size()) <= number && readNext()) {
    }
    orderPictures();
    if (qint64(pictures().size()) <= number || !readPast(pictures()[size_t(number)].ticks))
        return std::nullopt;
    // Pictures read meanwhile can only have moved an earlier one into
    // place, whose time was covered too: the number is final.
    return m_demuxer.ticksToSeconds(pictures()[size_t(number)].ticks);
}

const std::vector<FrameIndex::Picture> &FrameIndex::pictures() const
{
    return m_untimed.empty() ? m_timed : m_pictures;
}
