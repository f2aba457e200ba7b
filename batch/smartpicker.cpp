#include "smartpicker.h"

#include "media/scenescanner.h"
#include "media/videoframe.h"
#include "profiles/batchworkerconfig.h"

#include <QSet>
#include <QVector>

#include <algorithm>

namespace {

// A farther frame must be this much sharper to win: frames of one still
// shot differ by a few per cent in noise alone.
constexpr double SharperBy = 1.05;
// Walking on is cheaper than a jump back to a key frame while the window
// starts less than this far ahead.
constexpr qint64 WalkAheadMs = 3000;
// A cut inside a window is what the scene rule calls a cut by default.
constexpr double CutThreshold = BatchWorkerConfig::DefaultSceneThreshold;

// The frame measured: MeasureWidth wide at the display aspect. The
// measures do not depend on which way up the picture stands, so the luma
// plane is scaled as stored where it can be.
QImage smallCopy(const VideoFrame &frame)
{
    const QSize display = frame.displaySize();
    if (!frame.isValid() || display.isEmpty())
        return QImage();
    const int width = qMin(FrameQuality::MeasureWidth, display.width());
    const QSize upright(width, qMax(1, qRound(double(display.height()) * width / display.width())));
    const bool quarterTurn = frame.rotation() == 90 || frame.rotation() == 270;
    const QImage luma = frame.lumaImage(quarterTurn ? upright.transposed() : upright);
    return luma.isNull() ? frame.toImage(QImage::Format_ARGB32, upright) : luma;
}

struct Seen {
    SmartPicker::Candidate candidate;
    QImage signature;
    // Kept for the sharpest usable frames only, so a window of 4K frames
    // never fills the memory.
    VideoFrame frame;
};

// The pixels of the decoded frames a window keeps for its choice at most:
// a two-second window of 1080p24 whole, about 150 MB however large the
// frames are.
constexpr qint64 KeptPixels = qint64(1920) * 1080 * 48;

// Drops the frames of the least sharp usable frames kept while more than
// KeptPixels are kept; their times stay candidates.
void keepSharpest(QVector<Seen> &seen)
{
    for (;;) {
        qint64 kept = 0;
        int weakest = -1;
        for (int i = 0; i < seen.size(); ++i) {
            if (!seen[i].frame.isValid())
                continue;
            kept += qint64(seen[i].frame.width()) * seen[i].frame.height();
            if (weakest < 0 || seen[i].candidate.quality.sharpness < seen[weakest].candidate.quality.sharpness)
                weakest = i;
        }
        if (kept <= KeptPixels)
            return;
        seen[weakest].frame = VideoFrame();
    }
}

// The usable frames among seen (in time order) that belong to the
// position's shot. Cuts are looked for between usable frames only, so a
// black, white or noisy burst inside a shot does not split it, while a cut
// hidden behind a fade is still found. A degraded frame belongs to no shot:
// standing on one, the position may take the shot on either side of it.
QVector<const Seen *> ownShot(const QVector<Seen> &seen, qint64 position)
{
    if (seen.isEmpty())
        return {};
    QVector<int> shots(seen.size(), -1);
    int shot = 0;
    const QImage *previous = nullptr;
    for (int i = 0; i < seen.size(); ++i) {
        if (seen[i].candidate.quality.isDegraded())
            continue;
        if (previous && SceneScanner::difference(*previous, seen[i].signature) > CutThreshold)
            ++shot;
        shots[i] = shot;
        previous = &seen[i].signature;
    }

    // The frame on screen at position: the last one not after it.
    int at = 0;
    while (at + 1 < seen.size() && seen[at + 1].candidate.ms <= position)
        ++at;
    QSet<int> allowed;
    if (shots[at] >= 0) {
        allowed.insert(shots[at]);
    } else {
        // The nearest usable frame on either side.
        int before = at;
        while (before >= 0 && shots[before] < 0)
            --before;
        int after = at;
        while (after < seen.size() && shots[after] < 0)
            ++after;
        if (before >= 0)
            allowed.insert(shots[before]);
        if (after < seen.size())
            allowed.insert(shots[after]);
    }
    QVector<const Seen *> candidates;
    for (int i = 0; i < seen.size(); ++i)
        if (shots[i] >= 0 && allowed.contains(shots[i]))
            candidates.append(&seen[i]);
    return candidates;
}

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
    if (!m_walker.open(path))
        return false;
    // Frames others refer to are a fair sample of a window, and the ones
    // measured are handed out, so the choice costs no second decode.
    m_walker.leaveOutFrom(0);
    return true;
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
    return FrameQuality::of(smallCopy(frame));
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

SmartPicker::Choice SmartPicker::pickNear(qint64 position, qint64 step, qint64 duration, bool singleShot)
{
    qint64 before = WindowMs;
    qint64 after = WindowMs;
    if (!singleShot) {
        const qint64 gap = qMax<qint64>(0, step);
        before = qMin(before, gap / 2);
        after = qMin(after, qMax<qint64>(0, (gap - 1) / 2));
    }
    const qint64 from = qMax<qint64>(0, position - before);
    const qint64 to = qMin(qMax(duration, position), position + after);
    return pick(position, from, to);
}

SmartPicker::Choice SmartPicker::pick(qint64 position, qint64 from, qint64 to)
{
    if (!m_started || m_lastMs + WalkAheadMs < from) {
        m_pending.reset();
        m_ended = !m_walker.startBefore(from);
        m_started = true;
    }

    QVector<Seen> seen;
    while (std::optional<FrameReader::Picture> picture = nextPicture()) {
        if (picture->ms < from)
            continue;
        if (picture->ms > to) {
            m_pending = std::move(picture);
            break;
        }
        const FrameQuality quality = FrameQuality::of(smallCopy(picture->frame));
        const VideoFrame kept = quality.isDegraded() ? VideoFrame() : picture->frame;
        seen.append({{picture->ms, quality}, SceneScanner::signature(picture->frame), kept});
        keepSharpest(seen);
    }
    QVector<const Seen *> candidates = ownShot(seen, position);
    if (candidates.isEmpty())
        return {position, VideoFrame()};

    // Nearest first, so every farther frame has to beat the nearer ones.
    std::stable_sort(candidates.begin(), candidates.end(), [position](const Seen *a, const Seen *b) {
        return qAbs(a->candidate.ms - position) < qAbs(b->candidate.ms - position);
    });
    const Seen *best = candidates.first();
    for (const Seen *candidate : candidates) {
        if (replaces(candidate->candidate, best->candidate))
            best = candidate;
    }
    return {best->candidate.ms, best->frame};
}
