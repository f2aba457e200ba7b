#ifndef VISTALOOM_SMARTPICKER_H
#define VISTALOOM_SMARTPICKER_H

#include "imaging/framequality.h"
#include "media/framewalker.h"
#include "media/videoframe.h"

#include <QString>

#include <atomic>
#include <optional>

// Chooses, among the frames in a window around a position, the sharpest
// usable one (not near-black, near-white or mostly noise), so a batch
// image does not land on a fade, a black slate, a flash, static or motion
// blur. The choice never leaves the position's own shot: a cut inside the
// window, found as the scene rule finds it, closes the window there.
// Positions are asked in increasing order; the picker walks the video once
// with its own decoder.
class SmartPicker
{
public:
    struct Candidate {
        qint64 ms = 0;
        FrameQuality quality;
    };

    // The frame to take: its time, and the decoded frame itself when the
    // picker still holds it (else the caller decodes the frame at ms).
    struct Choice {
        qint64 ms = 0;
        VideoFrame frame;
    };

    // How far from its position a frame may be taken.
    static constexpr qint64 WindowMs = 1000;

    explicit SmartPicker(const std::atomic<bool> &abortRequested);

    bool open(const QString &path);
    // The frame to take for position among the frames from `from` to `to`
    // (both included) of the position's own shot; position itself, without
    // a frame, when every one of them is degraded or there is none.
    Choice pick(qint64 position, qint64 from, qint64 to);
    // The same within WindowMs of position, and for a series of positions
    // step apart never past the midpoint to a neighbour; a single shot has
    // no neighbours.
    Choice pickNear(qint64 position, qint64 step, qint64 duration, bool singleShot);

    // Whether candidate, lying no nearer to the position than best, should
    // replace it: a usable frame beats a degraded one, a degraded one never
    // wins, and a farther frame must be clearly sharper, so near-ties go to
    // the nearer frame.
    static bool replaces(const Candidate &candidate, const Candidate &best);
    // The quality of a frame's small grey copy.
    static FrameQuality measure(const VideoFrame &frame);

private:
    std::optional<FrameReader::Picture> nextPicture();

    FrameWalker m_walker;
    bool m_started = false;
    bool m_ended = false;
    // The last picture read: it may belong to the next window.
    std::optional<FrameReader::Picture> m_pending;
    qint64 m_lastMs = -1;
};

#endif
