#ifndef VISTALOOM_GRABBERMODEL_H
#define VISTALOOM_GRABBERMODEL_H

#include <QString>
#include <QStringList>
#include <QVector>

enum class TimeZero { MediaStart, FirstFrame };

// The frames of a video as ffprobe lists them: best-effort times in
// milliseconds from the start of the media (or from the first frame), in
// presentation order.
QVector<qint64> probeFrameTimesMs(const QString &path, TimeZero zero = TimeZero::MediaStart);

// A forward walk over a video with these frame times, the same for the same
// seed: exact frame times, points between frames, exact ties, repeats, small
// steps back, jumps of more than 10 s and requests past the end.
QVector<qint64> forwardWalk(const QVector<qint64> &times, quint32 seed);

// Which frame a grabber must hand out for each request of a forward walk,
// worked out from the list of frame times alone: the nearer of the last
// frame before the position and the first at or after it, ties to the
// earlier; the earlier one only when it is the frame decoded just before
// and not handed out yet; at the end of the stream the last frame when it
// is still waiting, and again for later positions up to the video's end
// (a whole file holds its last picture).
class GrabberModel
{
public:
    enum Outcome { EndOfVideoError = -2, StreamEndedError = -1 };

    GrabberModel(const QVector<qint64> &times, qint64 videoEndMs);
    // The index of the frame handed out, or one of the Outcome errors.
    int request(qint64 pos);
    bool atEnd() const;

private:
    bool holdsLastAt(qint64 pos) const;

    QVector<qint64> m_times;
    int m_cursor = -1;
    bool m_delivered = true;
    bool m_ended = false;
    qint64 m_videoEndMs = 0;
    qint64 m_pos = 0;
};

#endif
