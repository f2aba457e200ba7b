#include "grabberprobe.h"

GrabberProbe::GrabberProbe(FrameGrabber &grabber)
    : grabber(grabber)
{
    QObject::connect(&grabber, &FrameGrabber::frameExtracted, [this](const VideoFrame &extracted) {
        kind = Frame;
        frame = extracted;
        ++answers;
    });
    QObject::connect(&grabber, &FrameGrabber::error, [this](const QString &text) {
        kind = Error;
        message = text;
        ++answers;
    });
    QObject::connect(&grabber, &FrameGrabber::aborted, [this](const QString &text) {
        kind = Aborted;
        message = text;
        ++answers;
    });
}

void GrabberProbe::extractAt(qint64 pos)
{
    kind = None;
    answers = 0;
    frame = VideoFrame();
    message.clear();
    grabber.setPrecision(0);
    grabber.setPosition(pos);
    grabber.extract();
}
