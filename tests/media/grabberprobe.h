#ifndef VISTALOOM_GRABBERPROBE_H
#define VISTALOOM_GRABBERPROBE_H

#include "media/framegrabber.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QVector>

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

    // What is wrong with the answer to a request at pos, for which the
    // model of a video with these frame times says expected (a frame index
    // or a GrabberModel error); empty when nothing is. The image must have
    // the frame's display size, and size when that is valid; bandIndexed:
    // it must also show the index FixtureVideos::bandIndexedVideo drew.
    QString mismatch(qint64 pos, int expected, const QVector<qint64> &times, const QSize &size,
                     bool bandIndexed) const;
};

#endif
