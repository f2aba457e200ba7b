#include "smartpicker.h"

#include "media/videoframe.h"

#include <QVector>

#include <algorithm>

namespace {

// A farther frame must be this much sharper to win: frames of one still
// shot differ by a few per cent in noise alone.
constexpr double SharperBy = 1.05;
// Walking on is cheaper than a jump back to a key frame while the window
// starts less than this far ahead.
constexpr qint64 WalkAheadMs = 3000;

} // namespace

SmartPicker::SmartPicker(const std::atomic<bool> &abortRequested)
    : m_walker(abortRequested)
{
}

bool SmartPicker::open(const QString &path)
{
    m_started = false;
    m_ended = false;
    m_pending.reset();
    m_lastMs = -1;
    return m_walker.open(path);
}

bool SmartPicker::replaces(const Candidate &candidate, const Candidate &best)
{
    if (candidate.quality.isDegraded())
        return false;
    if (best.quality.isDegraded())
        return true;
    return candidate.quality.sharpness > best.quality.sharpness * SharperBy;
}

FrameQuality SmartPicker::measure(const VideoFrame &frame)
{
    const QSize display = frame.displaySize();
    if (!frame.isValid() || display.isEmpty())
        return FrameQuality();
    const int width = qMin(FrameQuality::MeasureWidth, display.width());
    const int height = qMax(1, qRound(double(display.height()) * width / display.width()));
    return FrameQuality::of(frame.toImage(QImage::Format_ARGB32, QSize(width, height)));
}

std::optional<FrameReader::Picture> SmartPicker::nextPicture()
{
    if (m_pending) {
        std::optional<FrameReader::Picture> picture = std::move(m_pending);
        m_pending.reset();
        return picture;
    }
    if (m_ended)
        return std::nullopt;
    FrameReader::Read read = m_walker.next();
    if (read.status != FrameReader::Status::Frame) {
        m_ended = true;
        return std::nullopt;
    }
    m_lastMs = read.picture.ms;
    return read.picture;
}

qint64 SmartPicker::pick(qint64 position, qint64 from, qint64 to)
{
    if (!m_started || m_lastMs + WalkAheadMs < from) {
        m_pending.reset();
        m_ended = !m_walker.startBefore(from);
        m_started = true;
    }

    QVector<Candidate> candidates;
    while (std::optional<FrameReader::Picture> picture = nextPicture()) {
        if (picture->ms < from)
            continue;
        if (picture->ms > to) {
            m_pending = std::move(picture);
            break;
        }
        candidates.append({picture->ms, measure(picture->frame)});
    }
    if (candidates.isEmpty())
        return position;

    // Nearest first, so every farther frame has to beat the nearer ones.
    std::stable_sort(candidates.begin(), candidates.end(), [position](const Candidate &a, const Candidate &b) {
        return qAbs(a.ms - position) < qAbs(b.ms - position);
    });
    Candidate best = candidates.first();
    for (const Candidate &candidate : candidates) {
        if (replaces(candidate, best))
            best = candidate;
    }
    return best.quality.isDegraded() ? position : best.ms;
}
