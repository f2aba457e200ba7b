#include "grabberprobe.h"

#include "fixturevideos.h"
#include "grabbermodel.h"

GrabberProbe::GrabberProbe(FrameGrabber &probed)
    : grabber(probed)
{
    QObject::connect(&probed, &FrameGrabber::frameExtracted, [this](const VideoFrame &extracted) {
        kind = Frame;
        frame = extracted;
        ++answers;
    });
    QObject::connect(&probed, &FrameGrabber::error, [this](const QString &text) {
        kind = Error;
        message = text;
        ++answers;
    });
    QObject::connect(&probed, &FrameGrabber::aborted, [this](const QString &text) {
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

QString GrabberProbe::mismatch(qint64 pos, int expected, const QVector<qint64> &times, const QSize &size,
                               bool bandIndexed) const
{
    if (answers != 1)
        return QStringLiteral("%1 answers").arg(answers);
    QString got;
    if (kind != Frame) {
        got = QStringLiteral("%1 \"%2\"").arg(kind == Error ? QStringLiteral("error") : QStringLiteral("abort"), message);
    } else if (bandIndexed) {
        got = QStringLiteral("frame at %1 ms showing frame %2")
                  .arg(frameMs())
                  .arg(FixtureVideos::frameIndexOfBandImage(image()));
    } else {
        got = QStringLiteral("frame at %1 ms").arg(frameMs());
    }
    if (expected < 0) {
        const QString reason = expected == GrabberModel::EndOfVideoError
            ? QStringLiteral("Grabber at end of video, cannot read any more frames")
            : QString();
        const QString text = QStringLiteral("Cannot extract frame at position %1: %2").arg(pos).arg(reason);
        if (kind == Error && message == text)
            return QString();
        return QStringLiteral("%1, expected error \"%2\"").arg(got, text);
    }
    if (kind != Frame || frameMs() != times.value(expected))
        return QStringLiteral("%1, expected frame %2 at %3 ms").arg(got).arg(expected).arg(times.value(expected));
    const QImage picture = image();
    if (picture.isNull())
        return QStringLiteral("frame %1 gives no image").arg(expected);
    if (picture.size() != frame.displaySize() || (size.isValid() && picture.size() != size)) {
        return QStringLiteral("image of %1x%2, frame's display size %3x%4")
            .arg(picture.width()).arg(picture.height()).arg(frame.displaySize().width()).arg(frame.displaySize().height());
    }
    if (bandIndexed) {
        const int shown = FixtureVideos::frameIndexOfBandImage(picture);
        if (shown != expected)
            return QStringLiteral("picture of frame %1 at %2 ms, expected frame %3").arg(shown).arg(frameMs()).arg(expected);
    }
    return QString();
}
