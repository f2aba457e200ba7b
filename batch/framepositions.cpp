#include "framepositions.h"

#include "profiles/batchworkerconfig.h"
#include "profiles/timelist.h"

#include <QCoreApplication>

namespace {

// The job's messages, as the worker tells them.
QString workerText(const char *text)
{
    return QCoreApplication::translate("BatchWorker", text);
}

} // namespace

FramePositions::Rule FramePositions::Rule::of(const BatchWorkerConfig &config)
{
    return {config.intervalType(),        config.intervalMilliseconds(), config.intervalImages(),
            config.intervalSingleShot(), config.skipFront(),            config.skipBack(),
            config.atTimes()};
}

bool FramePositions::Rule::operator==(const Rule &other) const
{
    return type == other.type && intervalMilliseconds == other.intervalMilliseconds
        && intervalImages == other.intervalImages && singleShot == other.singleShot && skipFront == other.skipFront
        && skipBack == other.skipBack && atTimes == other.atTimes;
}

FramePositions FramePositions::plan(const Rule &asked, qint64 duration, bool still)
{
    FramePositions plan;
    Rule &rule = plan.rule;
    rule = asked;
    const qint64 skipFront = rule.skipFront;
    const qint64 end = duration - rule.skipBack;
    const qint64 span = end - skipFront;
    // 64 bits and a bounded quotient: an endless stream with a 1 ms step
    // or a huge count must not wrap the count or its doubling.
    constexpr float MaxExpected = float(1 << 30);

    if (rule.type == BatchWorkerConfig::EveryMilliseconds) {
        if (rule.intervalMilliseconds < 1)
            rule.intervalMilliseconds = 1000;
        plan.step = rule.intervalMilliseconds;
        plan.progressImages =
            static_cast<qint64>(qBound(-MaxExpected, float(span) / float(plan.step), MaxExpected)) + 1;
    } else if (rule.type == BatchWorkerConfig::ImageCount) {
        if (rule.intervalImages < 2) {
            rule.intervalImages = 10;
            rule.type = BatchWorkerConfig::SingleShot;
        } else {
            plan.step = span / rule.intervalImages - 1;
            plan.progressImages = rule.intervalImages;
        }
    }

    qint64 position = skipFront;
    if (rule.type == BatchWorkerConfig::SingleShot) {
        switch (rule.singleShot) {
        case BatchWorkerConfig::Front: position = skipFront; break;
        case BatchWorkerConfig::Back: position = end; break;
        // Half the span from the video's start, clamped below: the long
        // standing rule that stored jobs and scripts rely on.
        case BatchWorkerConfig::Middle: position = span / 2; break;
        default: break;
        }
        plan.progressImages = 1;
    }
    position = qMax<qint64>(0, qMin(qMax(position, skipFront), end));
    plan.first = position;
    plan.last = position;

    switch (rule.type) {
    case BatchWorkerConfig::EveryMilliseconds:
        if (position < end) {
            plan.count = (end - 1 - position) / plan.step + 1;
            plan.last = plan.at(plan.count - 1);
        } else if (still) {
            // A still in a video container is shorter than any skips: its
            // one frame is the image, not nothing.
            plan.first = 0;
            plan.last = 0;
            plan.count = 1;
            plan.progressImages = 1;
        }
        break;
    case BatchWorkerConfig::ImageCount:
        plan.count = rule.intervalImages;
        plan.last = qMax(position, plan.at(plan.count - 1));
        break;
    case BatchWorkerConfig::SingleShot:
        plan.count = 1;
        break;
    default:
        break;
    }
    return plan;
}

QVector<qint64> FramePositions::all() const
{
    QVector<qint64> positions;
    for (qint64 i = 0; i < count; ++i)
        positions << at(i);
    return positions;
}

FramePositions FramePositions::planList(const Rule &rule, qint64 duration, const FrameTime &frameTime)
{
    FramePositions plan;
    plan.rule = rule;
    for (const TimeList::Entry &entry : TimeList::parse(rule.atTimes)) {
        Listed position;
        qint64 pictures = 0;
        const std::optional<qint64> ms = entry.isFrame() ? frameTime(entry.frame, &pictures) : entry.ms;
        if (entry.isFrame() && !ms) {
            position.pastEnd =
                workerText("Frame %1 is past the end of the video (%2 frames)").arg(entry.frame).arg(pictures);
        } else if (!entry.isFrame() && *ms > duration) {
            // A picture the file holds is never past its end, even where
            // the stated length ends before the last picture's time.
            position.pastEnd = workerText("Position %1 is past the end of the video (%2)")
                                   .arg(TimeList::clockText(*ms), TimeList::clockText(duration));
        } else {
            position.ms = *ms;
            plan.last = qMax(plan.last, *ms);
        }
        plan.listed.append(position);
    }
    plan.count = plan.listed.size();
    plan.progressImages = plan.count;
    plan.first = plan.count > 0 ? plan.listed.first().ms : 0;
    return plan;
}
