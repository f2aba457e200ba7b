#include "scenejob.h"

#include <algorithm>
#include <limits>

namespace {

// The longest flash: a picture that is back to what it was this soon
// after a cut had no cut.
constexpr qint64 FlashMs = 300;

} // namespace

SceneJob::SceneJob(const Settings &settings, const std::atomic<bool> &abortRequested, Deliver deliver)
    : m_settings(settings)
    , m_abortRequested(abortRequested)
    , m_deliver(std::move(deliver))
    , m_holdMs(std::max({settings.minGapMs, settings.smartPick ? SmartPicker::WindowMs : qint64(0),
                         GradualTransition::LongestMs + GradualTransition::ReportDelayMs}))
    , m_gradual(settings.threshold)
{
}

SceneJob::Outcome SceneJob::walk(SceneScanner &scanner, const std::function<void(qint64)> &stepDone)
{
    for (;;) {
        if (m_abortRequested.load())
            return Outcome::Stopped;
        const SceneScanner::Step step = scanner.next();
        if (step.status == FrameReader::Status::Aborted)
            return Outcome::Stopped;
        if (step.status == FrameReader::Status::DecodeFailed)
            return finish() ? Outcome::DecodeFailed : Outcome::Stopped;
        if (step.status != FrameReader::Status::Frame)
            return Outcome::Ended;
        m_lastMs = step.ms;
        if (step.ms < m_settings.spanStart)
            continue;
        if (step.ms >= m_settings.spanEnd)
            return Outcome::Ended;
        const bool started = m_taken;
        if (!feed(step))
            return Outcome::Stopped;
        // The span's first frame is decoded whatever it is; after it only
        // what a cut needs.
        if (!started && m_taken)
            scanner.decodeReferencesOnly(m_settings.threshold);
        stepDone(step.ms);
    }
}

bool SceneJob::feed(const SceneScanner::Step &step)
{
    m_recent.push_back(step);
    while (m_recent.front().ms < step.ms - GradualTransition::ReportDelayMs)
        m_recent.pop_front();
    if (!followTransition(step))
        return false;
    const bool flashOver = undoFlash(step);
    const bool change = !flashOver && m_taken && step.difference > m_settings.threshold;
    if (replacesHeldCut(step, change))
        replaceHeldCut(step);
    else if (!takeCutOrSharpen(step, change))
        return false;
    m_previous = step.signature;
    return true;
}

bool SceneJob::finish()
{
    return !m_held || saveHeld();
}

bool SceneJob::followTransition(const SceneScanner::Step &step)
{
    if (!m_gradual.feed(step.ms, step.signature) || m_gradual.imageMs() < m_settings.spanStart || !m_taken)
        return true;
    const auto image = std::find_if(m_recent.cbegin(), m_recent.cend(),
                                    [&](const SceneScanner::Step &r) { return r.ms == m_gradual.imageMs(); });
    // A cut held inside the transition was its first step: the transition's
    // image takes its place.
    const bool inside = m_held && !m_held->opensSpan && m_held->cutMs > m_gradual.startMs();
    if (image == m_recent.cend() || !(inside || image->ms - m_lastImageMs >= m_settings.minGapMs))
        return true;
    if (m_held && !inside && !saveHeld())
        return false;
    const qint64 earlier = inside ? m_held->earlierImageMs : m_lastImageMs;
    hold(*image);
    // No cut within the gap outdoes a transition seen through, and it is no
    // flash.
    m_held->change = std::numeric_limits<double>::max();
    m_held->before = QImage();
    m_held->earlierImageMs = earlier;
    return true;
}

bool SceneJob::undoFlash(const SceneScanner::Step &step)
{
    const bool flashOver = m_held && !m_held->opensSpan && step.ms - m_held->cutMs <= FlashMs
                           && SceneScanner::difference(m_held->before, step.signature) <= m_settings.threshold / 2;
    if (flashOver) {
        m_lastImageMs = m_held->earlierImageMs;
        m_held.reset();
    }
    return flashOver;
}

bool SceneJob::replacesHeldCut(const SceneScanner::Step &step, bool change) const
{
    return m_held && change && !m_held->opensSpan && step.ms - m_held->cutMs < m_settings.minGapMs
        && step.difference > m_held->change;
}

void SceneJob::replaceHeldCut(const SceneScanner::Step &step)
{
    // Still the same cut: what it came from stays.
    const Held replaced = *m_held;
    hold(step);
    m_held->before = replaced.before;
    m_held->earlierImageMs = replaced.earlierImageMs;
}

bool SceneJob::takeCutOrSharpen(const SceneScanner::Step &step, bool change)
{
    // The span's first frame always, then every cut far enough on.
    const bool cut = !m_taken || (change && step.ms - m_lastImageMs >= m_settings.minGapMs);
    if (m_held && (cut || step.ms >= m_held->cutMs + m_holdMs) && !saveHeld())
        return false;
    if (cut) {
        hold(step);
    } else if (m_held && m_settings.smartPick && step.ms <= m_held->cutMs + SmartPicker::WindowMs) {
        const SmartPicker::Candidate candidate{step.ms, SmartPicker::measure(step.frame)};
        if (SmartPicker::replaces(candidate, m_held->best)) {
            m_held->frame = step.frame;
            m_held->best = candidate;
        }
    }
    return true;
}

void SceneJob::hold(const SceneScanner::Step &step)
{
    const FrameQuality quality = m_settings.smartPick ? SmartPicker::measure(step.frame) : FrameQuality();
    m_held = Held{step.frame, {step.ms, quality}, step.ms, step.difference, !m_taken, m_previous, m_lastImageMs};
    m_taken = true;
    m_lastImageMs = step.ms;
}

bool SceneJob::saveHeld()
{
    const VideoFrame frame = m_held->frame.withTimestamp(double(m_held->best.ms) / 1000.0);
    m_held.reset();
    return m_deliver(frame);
}
