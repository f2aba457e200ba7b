#include "batchworker.h"

#include "framepositions.h"
#include "scenejob.h"

#include "media/framegrabber.h"
#include "media/frameindex.h"
#include "media/scenescanner.h"
#include "media/videoframe.h"
#include "profiles/batchworkerconfig.h"
#include "profiles/filenameprofile.h"

#include <QCoreApplication>
#include <QMetaType>
#include <QThread>
#include <QtDebug>

#include <limits>

BatchWorker::BatchWorker(QObject *parent)
    : Worker(parent)
    , m_grabber(new FrameGrabber(this))
{
    // Connected first, so they run on the emitting thread before the
    // queued calls below are posted.
    auto handOver = [this] { m_handedOver.fetchAndAddRelease(1); };
    connect(m_grabber, &FrameGrabber::frameExtracted, this, handOver, Qt::DirectConnection);
    connect(m_grabber, &FrameGrabber::error, this, handOver, Qt::DirectConnection);
    connect(m_grabber, &FrameGrabber::aborted, this, handOver, Qt::DirectConnection);
    connect(this, &BatchWorker::frameFound, this, handOver, Qt::DirectConnection);
    connect(m_grabber, &FrameGrabber::frameExtracted, this, &BatchWorker::grabberFrameExtracted);
    connect(m_grabber, &FrameGrabber::error, this, &BatchWorker::grabberError);
    connect(m_grabber, &FrameGrabber::aborted, this, &BatchWorker::grabberError);
    connect(this, &BatchWorker::frameFound, this, &BatchWorker::grabberFrameExtracted);
}

// The grabber goes with the worker, as its child: a deleteLater() would
// wait for an event loop the console program never runs.
BatchWorker::~BatchWorker()
{
    m_picker.reset();
    m_grabber->disconnect(this);
}

void BatchWorker::registerMetaTypes()
{
    qRegisterMetaType<BatchWorker::BatchStatusMessageType>("BatchWorker::BatchStatusMessageType");
    qRegisterMetaType<BatchWorker *>("BatchWorker*");
    qRegisterMetaType<BatchEvent>("BatchEvent");
}

void BatchWorker::setConfig(BatchWorkerConfig *config)
{
    if (m_config)
        disconnect(this, nullptr, m_config, nullptr);
    m_config = config;
    if (!config)
        return;
    // The config is read by the window's table on its own thread: what the
    // job finds out for it is applied there, queued when the job runs on
    // the batch thread.
    connect(this, &BatchWorker::intervalRepaired, config, [config](int type, int milliseconds, int images) {
        config->setIntervalType(type);
        config->setIntervalMilliseconds(milliseconds);
        config->setIntervalImages(images);
    });
    connect(this, &BatchWorker::sceneImageCountFound, config, &BatchWorkerConfig::setSceneImageCount);
}

BatchWorkerConfig *BatchWorker::config() const
{
    return m_config;
}

void BatchWorker::cancel()
{
    Worker::cancel();
    m_scanAbort.store(true);
    m_grabber->abort();
}

void BatchWorker::run()
{
    m_writer = SeriesWriter(m_config);
    m_opened = false;
    m_endedEarly = false;
    m_keyFrameTaken.reset();
    m_sharedKeyFrames = 0;
    runJob();
    // Said once, not per position: a video with few key frames would
    // otherwise fill the log with one line for every position.
    if (m_sharedKeyFrames > 0 && !isCancelled())
        tell(BatchEvent::info(tr("%1 positions took the same key frame").arg(m_sharedKeyFrames)));
    // Every image asked for was within the data, but the file is still a
    // broken download the user should know of.
    if (m_opened && !m_endedEarly && !isCancelled() && m_grabber->isCutOff())
        tell(BatchEvent::earlyEnd(tr("Video file is cut off after %1 ms").arg(m_grabber->dataEndMs()),
                                  m_grabber->dataEndMs()));
    if (!isCancelled())
        m_writer.writeSheet(report());
    if (!isCancelled())
        m_writer.writeVtt(report(), m_duration);
    m_grabber->disconnect();
    m_grabber->abort();
    m_frameIndex.reset();
}

void BatchWorker::sendProgress(float progress)
{
    m_progress = progress;
    emit progressUpdate(this, progress);
}

void BatchWorker::processPendingEvents()
{
    QCoreApplication::sendPostedEvents();
}

void BatchWorker::runJob()
{
    if (!isCancelled())
        sendProgress(0.0f);
    qDebug().noquote() << "Processing file: " + m_config->source();
    m_grabber->setSource(m_config->source());
    m_grabber->setKeyFramesOnly(m_config->fastSeek());
    if (!isCancelled())
        sendProgress(0.01f);
    if (isCancelled())
        return;

    const qint64 duration = m_grabber->duration();
    if (duration < 0) {
        // An abort also stops opening; that is no failure of the file.
        if (!isCancelled())
            tell(BatchEvent::error(tr("Could not open file")));
        return;
    }
    m_duration = duration;
    m_opened = true;
    m_frameIndex.reset();
    if (m_config->fileNameProfile()->namesByFrameNumber() || m_config->reportsFrameNumbers()) {
        m_frameIndex = std::make_unique<FrameIndex>(m_scanAbort);
        if (!m_frameIndex->open(m_config->source()))
            m_frameIndex.reset();
    }
    m_intervalType = m_config->intervalType();
    if (m_intervalType == BatchWorkerConfig::SceneChange) {
        m_writer.start(false, m_config->expectedImageCount());
        runSceneJob(duration);
        return;
    }
    m_picker.reset();
    if (m_config->smartPick() && !m_config->fastSeek()) {
        m_picker = std::make_unique<SmartPicker>(m_scanAbort);
        // Without its own decoder the job still gives the exact frames.
        if (!m_picker->open(m_config->source()))
            m_picker.reset();
        else
            m_grabber->setPrecision(0); // the chosen frame, however near the last
    }
    if (m_intervalType == BatchWorkerConfig::AtTimes) {
        runListJob(duration);
        return;
    }

    const FramePositions::Rule asked = FramePositions::Rule::of(*m_config);
    const bool still = asked.type == BatchWorkerConfig::EveryMilliseconds && m_grabber->holdsSingleFrame();
    const FramePositions positions = FramePositions::plan(asked, duration, still);
    const FramePositions::Rule &rule = positions.rule;
    m_intervalType = rule.type;
    m_writer.start(rule.type == BatchWorkerConfig::SingleShot,
                   m_config->expectedImageCount(rule.type, rule.intervalMilliseconds, rule.intervalImages));
    // The config belongs to its own thread: the repair is applied there.
    if (rule != asked)
        emit intervalRepaired(rule.type, rule.intervalMilliseconds, rule.intervalImages);
    m_lastPosition = positions.last;

    m_imageIndex = 1;
    if (isCancelled())
        return;
    // Every image moves the progress twice.
    const float steps = static_cast<float>(positions.progressImages * 2);
    qint64 stepCounter = 0;
    auto progressAt = [steps](qint64 counter) { return static_cast<float>(counter) / steps * 0.99f + 0.01f; };

    for (qint64 index = 0; index < positions.count; ++index) {
        const qint64 position = positions.at(index);
        if (m_grabber->atEnd()) {
            if (endsEarlyAt(qMax(position, m_lastPosition), m_grabber->lastDecodedTime()))
                return;
            if (m_intervalType != BatchWorkerConfig::EveryMilliseconds)
                tell(BatchEvent::error(tr("At end of video, cannot read any more frames")));
            return;
        }

        // With smartPick the frame chosen among those around the position,
        // already decoded when the picker still holds it.
        const SmartPicker::Choice choice =
            m_picker ? m_picker->pickNear(position, positions.step, duration,
                                          m_intervalType == BatchWorkerConfig::SingleShot)
                     : SmartPicker::Choice{position, VideoFrame()};
        if (!choice.frame.isValid())
            m_grabber->setPosition(choice.ms);

        ++stepCounter;
        if (!isCancelled())
            sendProgress(progressAt(stepCounter));
        if (isCancelled())
            return;

        if (choice.frame.isValid()) {
            m_requestedPosition = choice.ms;
            if (!deliverFrame(choice.frame))
                return;
        } else {
            m_requestedPosition = m_grabber->position();
            m_waiting.storeRelease(1);
            m_grabber->extract();
            if (!waitUntilHandled(20))
                return;
        }

        ++stepCounter;
        if (!isCancelled())
            sendProgress(progressAt(stepCounter));
        ++m_imageIndex;
        if (isCancelled())
            return;

        // Events are handled between positions; a pause here only made a
        // long series or a queue of short videos slower.
        processPendingEvents();
        QCoreApplication::processEvents();
        if (isCancelled())
            return;
    }
}

void BatchWorker::runSceneJob(qint64 duration)
{
    m_imageIndex = 1;
    qint64 spanStart = m_config->skipFront();
    qint64 spanEnd = duration - m_config->skipBack();
    if (spanEnd <= spanStart) {
        // As with the other rules, a still is its one image.
        if (!m_grabber->holdsSingleFrame())
            return;
        spanStart = 0;
        spanEnd = std::numeric_limits<qint64>::max();
    }

    SceneScanner scanner(m_scanAbort);
    if (!scanner.open(m_config->source())) {
        if (!isCancelled())
            tell(BatchEvent::error(tr("Could not open file")));
        return;
    }
    if (!scanner.startBefore(spanStart))
        return;

    SceneJob job({double(m_config->sceneThreshold()), m_config->sceneMinGapMilliseconds(), m_config->smartPick(),
                  spanStart, spanEnd},
                 m_scanAbort, [this](const VideoFrame &frame) {
                     const bool delivered = deliverFrame(frame);
                     ++m_imageIndex;
                     return delivered;
                 });
    const double spanLength = double(qMax<qint64>(1, qMin(spanEnd, duration) - spanStart));
    float reported = m_progress;
    const SceneJob::Outcome outcome = job.walk(scanner, [&](qint64 ms) {
        const float progress = 0.01f + 0.99f * float(qBound(0.0, double(ms - spanStart) / spanLength, 1.0));
        // A signal per frame would flood the window's queue.
        if (progress - reported >= 0.01f) {
            reported = progress;
            sendProgress(progress);
        }
        processPendingEvents();
    });
    if (outcome == SceneJob::Outcome::DecodeFailed)
        tell(BatchEvent::error(QStringLiteral("Frame extraction error decode failed")));
    if (outcome != SceneJob::Outcome::Ended || isCancelled() || !job.finish())
        return;
    emit sceneImageCountFound(m_imageIndex - 1);
    // Reading stopped before the span's end in a cut-off file.
    if (spanEnd != std::numeric_limits<qint64>::max())
        endsEarlyAt(spanEnd, job.lastMs());
    sendProgress(1.0f);
}

// The grabber goes forward only and hands no frame out twice: a position
// whose nearest frame may be the one handed out last, or lie before it,
// gets the grabber opened afresh. Nothing else is kept between positions,
// so a list in any order costs at most one seek per position and holds no
// images. The smart picker, reading forward too, is renewed the same way.
void BatchWorker::runListJob(qint64 duration)
{
    // A job that names or reports frame numbers has its index open already;
    // any other opens one for the list alone.
    std::unique_ptr<FrameIndex> ownIndex;
    const FramePositions positions = FramePositions::planList(
        FramePositions::Rule::of(*m_config), duration, [&](qint64 number, qint64 *pictures) -> std::optional<qint64> {
            FrameIndex *index = m_frameIndex.get();
            if (!index && !ownIndex) {
                ownIndex = std::make_unique<FrameIndex>(m_scanAbort);
                ownIndex->open(m_config->source());
            }
            if (!index)
                index = ownIndex.get();
            if (const std::optional<double> seconds = index->secondsOf(number))
                return qRound64(*seconds * 1000.0);
            *pictures = index->numberAt(double(duration) / 1000.0 + 1.0) + 1;
            return std::nullopt;
        });
    ownIndex.reset();
    m_writer.start(false, int(positions.count));
    m_lastPosition = positions.last;
    m_imageIndex = 1;
    m_grabber->setPrecision(0);

    // The time of the frame the grabber handed out last, -1 when unknown.
    qint64 handedMs = -1;
    bool fresh = true;
    QObject watcher;
    connect(m_grabber, &FrameGrabber::frameExtracted, &watcher,
            [&handedMs](const VideoFrame &frame) { handedMs = qint64(frame.timestamp() * 1000.0); },
            Qt::DirectConnection);
    // The grabber can go on when the frame after the one handed out is
    // known (decoded, not handed out) and the position lies beyond the
    // midpoint between the two. Key frames are sought afresh anyway.
    auto canGoOnTo = [&](qint64 position) {
        const qint64 next = m_grabber->lastDecodedTime();
        return fresh || m_grabber->keyFramesOnly()
            || (handedMs >= 0 && next > handedMs && 2 * position > handedMs + next);
    };
    qint64 pickedTo = -1;
    const float steps = float(qMax<qint64>(1, positions.count) * 2);
    for (qint64 i = 0; i < positions.count; ++i) {
        if (isCancelled())
            return;
        sendProgress(0.01f + 0.99f * float(2 * i + 1) / steps);
        const FramePositions::Listed &entry = positions.listed.at(int(i));
        if (!entry.pastEnd.isEmpty()) {
            tell(BatchEvent::error(entry.pastEnd));
            continue;
        }
        SmartPicker::Choice choice{entry.ms, VideoFrame()};
        if (m_picker) {
            const qint64 from = qMax<qint64>(0, entry.ms - SmartPicker::WindowMs);
            if (from <= pickedTo) {
                m_picker = std::make_unique<SmartPicker>(m_scanAbort);
                if (!m_picker->open(m_config->source()))
                    m_picker.reset();
            }
            pickedTo = qMin(qMax(duration, entry.ms), entry.ms + SmartPicker::WindowMs);
            if (m_picker)
                choice = m_picker->pick(entry.ms, from, pickedTo);
        }
        if (choice.frame.isValid()) {
            m_requestedPosition = choice.ms;
            if (!deliverFrame(choice.frame))
                return;
        } else {
            if (!canGoOnTo(choice.ms)) {
                m_grabber->setSource(QString());
                m_grabber->setSource(m_config->source());
            }
            fresh = false;
            handedMs = -1;
            m_grabber->setPosition(choice.ms);
            m_requestedPosition = choice.ms;
            m_waiting.storeRelease(1);
            m_grabber->extract();
            if (!waitUntilHandled(20))
                return;
        }
        ++m_imageIndex;
        if (!isCancelled())
            sendProgress(0.01f + 0.99f * float(2 * i + 2) / steps);
        processPendingEvents();
        QCoreApplication::processEvents();
    }
}

// A cut-off file (a broken download) whose data ends while positions
// remain beyond its last frame is reported once instead of ending in
// silence. In a whole file the last picture is held to the video's end.
bool BatchWorker::endsEarlyAt(qint64 position, qint64 reached)
{
    if (m_endedEarly)
        return true;
    const qint64 lastFrame = qMax<qint64>(0, reached);
    if (position <= lastFrame + m_grabber->frameLengthMs() || !m_grabber->dataEndsEarly(lastFrame))
        return false;
    m_endedEarly = true;
    tell(BatchEvent::earlyEnd(tr("Video ended early at %1 ms of %2 ms").arg(lastFrame).arg(m_duration), lastFrame));
    return true;
}

// Hands a frame the scene walk found to handleFrame on the worker's own
// thread, as the grabber's frames go: in the window that is the GUI
// thread, where saving, the watermark cache and the preview belong.
bool BatchWorker::deliverFrame(const VideoFrame &frame)
{
    m_waiting.storeRelease(1);
    emit frameFound(frame);
    return waitUntilHandled(5);
}

// The frame asked for is handled on the worker's thread meanwhile; false
// when the job is cancelled first.
bool BatchWorker::waitUntilHandled(unsigned long pollMs)
{
    while (m_waiting.loadAcquire()) {
        processPendingEvents();
        QThread::msleep(pollMs);
        if (isCancelled())
            return false;
    }
    return true;
}

void BatchWorker::grabberFrameExtracted(const VideoFrame &frame)
{
    m_handedOver.loadAcquire();
    handleFrame(frame);
    m_waiting.storeRelease(0);
}

void BatchWorker::handleFrame(const VideoFrame &frame)
{
    if (isCancelled())
        return;
    // The last frame of a video cut short is no image of a position far
    // beyond it.
    // A key frame may lie far from its position; the end of the file is
    // then the last packet read, not the frame.
    const qint64 reached = m_grabber->keyFramesOnly() ? m_grabber->lastDecodedTime()
                                                      : qint64(frame.timestamp() * 1000.0);
    if (m_grabber->atEnd() && frame.isValid() && endsEarlyAt(m_requestedPosition, reached))
        return;
    if (!frame.isValid() || frame.width() == 0 || frame.height() == 0) {
        tell(BatchEvent::error(QStringLiteral("Frame was invalid. Possibly corrupt video.")));
        return;
    }
    // Positions near one key frame all get that frame: it is written once,
    // not once per position as identical files.
    if (m_grabber->keyFramesOnly() && m_intervalType != BatchWorkerConfig::SceneChange) {
        const qint64 keyFrameMs = qRound64(frame.timestamp() * 1000.0);
        if (m_keyFrameTaken == keyFrameMs) {
            ++m_sharedKeyFrames;
            return;
        }
        m_keyFrameTaken = keyFrameMs;
    }

    const QImage image = frame.toImage(QImage::Format_ARGB32, QSize(), QRectF());
    if (image.width() == 0 || image.height() == 0) {
        qWarning("Frame image was empty");
        return;
    }
    const qint64 number = m_frameIndex ? m_frameIndex->numberAt(frame.timestamp()) : -1;
    const int keyFrame = number >= 0 ? int(m_frameIndex->isKeyFrame(number)) : -1;
    std::optional<QImage> written =
        m_writer.write(image, qRound64(frame.timestamp() * 1000.0), report(), number, keyFrame);
    if (written)
        emit imageReady(this, *written);
}

SeriesWriter::Report BatchWorker::report()
{
    return [this](const BatchEvent &event) { tell(event); };
}

void BatchWorker::tell(const BatchEvent &event)
{
    if (event.isStatusLine())
        emit statusUpdate(this, event.text, event.isError() ? Error : Info);
    emit batchEvent(this, event);
}

void BatchWorker::grabberError(const QString &message)
{
    // The grabber's state is read before the flag is cleared: once it is,
    // run() on the batch thread goes on with the grabber.
    m_handedOver.loadAcquire();
    reportGrabberError(message);
    m_waiting.storeRelease(0);
}

void BatchWorker::reportGrabberError(const QString &message)
{
    if (isCancelled())
        return;
    if (m_grabber->atEnd()
        && endsEarlyAt(qMax(m_requestedPosition, m_lastPosition), m_grabber->lastDecodedTime()))
        return;
    if (m_grabber->atEnd() && m_intervalType == BatchWorkerConfig::EveryMilliseconds)
        return;
    tell(BatchEvent::error(QStringLiteral("Frame extraction error ") + message));
}
