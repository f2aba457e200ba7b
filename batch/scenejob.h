#ifndef VISTALOOM_SCENEJOB_H
#define VISTALOOM_SCENEJOB_H

#include "gradualtransition.h"
#include "smartpicker.h"

#include "media/scenescanner.h"

#include <QImage>

#include <atomic>
#include <deque>
#include <functional>
#include <optional>

// The scene rule's walk over a span: which pictures open a new shot and
// become images. Each image is handed on through deliver as soon as
// nothing can replace it.
//
// A shot's image is held until then: a stronger change within the gap (the
// real cut just after a motion-blurred frame that crossed the threshold)
// takes its place; with smartPick the sharpest usable frame (not black,
// white or static) within a second of the cut, never before it; a dissolve
// or fade seen through puts its image of the new shot in the cut's place;
// and a picture back to what it was right after the cut was a flash, no
// cut at all.
class SceneJob
{
public:
    struct Settings {
        double threshold = 0.0; // as SceneScanner::difference
        qint64 minGapMs = 0;
        bool smartPick = false;
        qint64 spanStart = 0;
        qint64 spanEnd = 0;
    };
    enum class Outcome { Ended, Stopped, DecodeFailed };
    // Takes an image's frame, at the image's time; false stops the job.
    using Deliver = std::function<bool(const VideoFrame &frame)>;

    SceneJob(const Settings &settings, const std::atomic<bool> &abortRequested, Deliver deliver);

    // Walks the scanner, started before the span, to the span's end or the
    // end of the data; stepDone is told each picture inside the span.
    // Stopped: aborted, or an image could not be delivered. DecodeFailed:
    // the image held until then is delivered first.
    Outcome walk(SceneScanner &scanner, const std::function<void(qint64 ms)> &stepDone);
    // After the walk ended: delivers the image still held.
    bool finish();
    // The time of the last picture read, -1 before one.
    qint64 lastMs() const { return m_lastMs; }

private:
    // The walk's next picture inside the span. False when an image could
    // not be delivered.
    bool feed(const SceneScanner::Step &step);
    struct Held {
        VideoFrame frame;
        SmartPicker::Candidate best;
        qint64 cutMs = 0;
        double change = 0.0;
        bool opensSpan = false;
        // The picture before the cut and the image before it, to undo a flash.
        QImage before;
        qint64 earlierImageMs = 0;
    };

    // A dissolve or fade seen through at this picture.
    bool followTransition(const SceneScanner::Step &step);
    // Drops the held cut when the picture is back to what it was before it.
    bool undoFlash(const SceneScanner::Step &step);
    // A stronger change soon after the held cut is the same cut.
    bool replacesHeldCut(const SceneScanner::Step &step, bool change) const;
    void replaceHeldCut(const SceneScanner::Step &step);
    // A new cut, or with smartPick a sharper frame for the held one.
    bool takeCutOrSharpen(const SceneScanner::Step &step, bool change);
    void hold(const SceneScanner::Step &step);
    bool saveHeld();

    const Settings m_settings;
    const std::atomic<bool> &m_abortRequested;
    const Deliver m_deliver;
    // How long a cut is held before it is delivered: until a fade begun
    // with it is seen through, a stronger change or a sharper frame found.
    const qint64 m_holdMs;
    GradualTransition m_gradual;
    // The pictures a transition seen through now may name as its image.
    std::deque<SceneScanner::Step> m_recent;
    std::optional<Held> m_held;
    QImage m_previous;
    bool m_taken = false;
    qint64 m_lastImageMs = 0;
    qint64 m_lastMs = -1;
};

#endif
