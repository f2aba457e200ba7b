#ifndef VISTALOOM_FRAMEPOSITIONS_H
#define VISTALOOM_FRAMEPOSITIONS_H

#include <QString>
#include <QVector>
#include <QtGlobal>

#include <functional>
#include <optional>

class BatchWorkerConfig;

// Where a job's interval rule captures: the positions first + i * step for
// i below count, in ms from the start of the video. Worked out from the
// rule's settings and the video's duration alone, before anything is
// decoded. The scene rule has no positions; it walks the video instead.
// The AtTimes rule lists its positions in the order given.
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
        QString atTimes; // BatchWorkerConfig::atTimes

        static Rule of(const BatchWorkerConfig &config);
        bool operator==(const Rule &other) const;
        bool operator!=(const Rule &other) const { return !(*this == other); }
    };

    // still: the video holds a single frame (a still in a video container),
    // which is its one image even where the skips leave nothing.
    static FramePositions plan(const Rule &rule, qint64 duration, bool still);

    // A listed frame number's time in ms; none past the last picture, with
    // the count of pictures in *pictures.
    using FrameTime = std::function<std::optional<qint64>(qint64 number, qint64 *pictures)>;
    // The AtTimes rule's positions: the skips do not apply, and a position
    // past the end of the video gets the line saying so instead.
    static FramePositions planList(const Rule &rule, qint64 duration, const FrameTime &frameTime);

    struct Listed {
        qint64 ms = 0;
        QString pastEnd;
    };
    QVector<Listed> listed;

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

    qint64 at(qint64 index) const { return listed.isEmpty() ? first + index * step : listed.at(int(index)).ms; }
    // Every position; for tests and short jobs only.
    QVector<qint64> all() const;
};

#endif
