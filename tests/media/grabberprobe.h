#ifndef VISTALOOM_GRABBERPROBE_H
#define VISTALOOM_GRABBERPROBE_H

#include "media/framegrabber.h"

#include <QImage>
#include <QString>

// Records what one extraction of a grabber answered.
class GrabberProbe
{
public:
    enum Kind { None, Frame, Error, Aborted };

    explicit GrabberProbe(FrameGrabber &grabber);

    // Sets the position and extracts; the answer is in the members.
    void extractAt(qint64 pos);

    FrameGrabber &grabber;
    Kind kind = None;
    int answers = 0;
    VideoFrame frame;
    QString message;

    qint64 frameMs() const { return qint64(frame.timestamp() * 1000.0); }
    QImage image() const { return frame.toImage(); }
};

#endif
