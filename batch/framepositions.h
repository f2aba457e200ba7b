#ifndef VISTALOOM_FRAMEPOSITIONS_H
#define VISTALOOM_FRAMEPOSITIONS_H

#include <QVector>
#include <QtGlobal>

class BatchWorkerConfig;

// Where a job's interval rule captures: the positions first + i * step for
// i below count, in ms from the start of the video. Worked out from the
// rule's settings and the video's duration alone, before anything is
// decoded. The scene rule has no positions; it walks the video instead.
class FramePositions
{
public:
    // The rule's settings, as BatchWorkerConfig stores them.
    struct Rule {
        int type = 0; // BatchWorkerConfig::IntervalType
        int intervalMilliseconds = 0;
        int intervalImages = 0;
        int singleShot = 0; // BatchWorkerConfig::SingleShotPosition
        qint64 skipFront = 0;
        qint64 skipBack = 0;

        static Rule of(const BatchWorkerConfig &config);
        bool operator==(const Rule &other) const;
        bool operator!=(const Rule &other) const { return !(*this == other); }
    };

    // still: the video holds a single frame (a still in a video container),
    // which is its one image even where the skips leave nothing.
    static FramePositions plan(const Rule &rule, qint64 duration, bool still);

    // The rule as the job runs it: an interval below 1 ms runs as 1000 ms,
    // and a count below 2 as a single shot (keeping 10 for the count).
    Rule rule;
    qint64 first = 0;
    qint64 step = -1;
    qint64 count = 0;
    // The furthest position asked for, against which the end of the data
    // is judged.
    qint64 last = 0;
    // The count of images the progress is shared out by. For the
    // milliseconds rule a float quotient of the span, bounded, as it
    // always was; it may differ from count by one.
    qint64 progressImages = 0;

    qint64 at(qint64 index) const { return first + index * step; }
    // Every position; for tests and short jobs only.
    QVector<qint64> all() const;
};

#endif
