#include "batchworker.h"

#include "framepositions.h"
#include "scenejob.h"

#include "imaging/contactsheet.h"
#include "imaging/imageprocessingmanager.h"
#include "imaging/outputfile.h"
#include "media/framegrabber.h"
#include "media/scenescanner.h"
#include "media/videoframe.h"
#include "media/videoinfo.h"
#include "profiles/batchworkerconfig.h"
#include "profiles/filenameprofile.h"
#include "profiles/imageprofile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QMetaType>
#include <QThread>
#include <QtDebug>

#include <algorithm>
#include <deque>
#include <limits>
#include <optional>

BatchWorker::BatchWorker(QObject *parent)
    : Worker(parent)
    , m_grabber(new FrameGrabber(this))
{
    connect(m_grabber, &FrameGrabber::frameExtracted, this, &BatchWorker::grabberFrameExtracted);
    connect(m_grabber, &FrameGrabber::error, this, &BatchWorker::grabberError);
    connect(m_grabber, &FrameGrabber::aborted, this, &BatchWorker::grabberError);
    connect(this, &BatchWorker::frameFound, this, &BatchWorker::grabberFrameExtracted);
}

BatchWorker::~BatchWorker()
{
    m_picker.reset();
    m_grabber->disconnect(this);
    m_grabber->setParent(nullptr);
    m_grabber->deleteLater();
}

void BatchWorker::registerMetaTypes()
{
    qRegisterMetaType<BatchWorker::BatchStatusMessageType>("BatchWorker::BatchStatusMessageType");
    qRegisterMetaType<BatchWorker *>("BatchWorker*");
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
    m_sheet = ContactSheetBuilder(m_config->contactSheetColumns(), m_config->contactSheetRows());
    m_opened = false;
    m_endedEarly = false;
    m_keyFrameTaken.reset();
    m_sharedKeyFrames = 0;
    runJob();
    // Said once, not per position: a video with few key frames would
    // otherwise fill the log with one line for every position.
    if (m_sharedKeyFrames > 0 && !isCancelled())
        emit statusUpdate(this, tr("%1 positions took the same key frame").arg(m_sharedKeyFrames), Info);
    // Every image asked for was within the data, but the file is still a
    // broken download the user should know of.
    if (m_opened && !m_endedEarly && !isCancelled() && m_grabber->isCutOff())
        emit statusUpdate(this, tr("Video file is cut off after %1 ms").arg(m_grabber->dataEndMs()), Error);
    if (!isCancelled())
        writeContactSheet();
    m_grabber->disconnect();
    m_grabber->abort();
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
            emit statusUpdate(this, tr("Could not open file"), Error);
        return;
    }
    m_duration = duration;
    m_opened = true;
    m_intervalType = m_config->intervalType();
    if (m_intervalType == BatchWorkerConfig::SceneChange) {
        m_expectedImages = m_config->expectedImageCount();
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

    const FramePositions::Rule asked = FramePositions::Rule::of(*m_config);
    const bool still = asked.type == BatchWorkerConfig::EveryMilliseconds && m_grabber->holdsSingleFrame();
    const FramePositions positions = FramePositions::plan(asked, duration, still);
    const FramePositions::Rule &rule = positions.rule;
    m_intervalType = rule.type;
    m_expectedImages = m_config->expectedImageCount(rule.type, rule.intervalMilliseconds, rule.intervalImages);
    // The config belongs to its own thread: the repair is applied there.
    if (rule != asked)
        emit intervalRepaired(rule.type, rule.intervalMilliseconds, rule.intervalImages);
    m_lastPosition = positions.last;

    m_imageIndex = 1;
    m_fileCounter = 1;
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
                emit statusUpdate(this, tr("At end of video, cannot read any more frames"), Error);
            return;
        }

        const SmartPicker::Choice choice = choiceFor(position, positions.step, duration);
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
            while (m_waiting.loadAcquire()) {
                processPendingEvents();
                QThread::msleep(20);
                if (isCancelled())
                    return;
            }
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

SmartPicker::Choice BatchWorker::choiceFor(qint64 position, qint64 step, qint64 duration)
{
    if (!m_picker)
        return {position, VideoFrame()};
    qint64 before = SmartPicker::WindowMs;
    qint64 after = SmartPicker::WindowMs;
    // Never past the midpoint to a neighbouring position; a single shot
    // has no neighbours.
    if (m_intervalType != BatchWorkerConfig::SingleShot) {
        const qint64 gap = qMax<qint64>(0, step);
        before = qMin(before, gap / 2);
        after = qMin(after, qMax<qint64>(0, (gap - 1) / 2));
    }
    const qint64 from = qMax<qint64>(0, position - before);
    const qint64 to = qMin(qMax(duration, position), position + after);
    return m_picker->pick(position, from, to);
}

void BatchWorker::runSceneJob(qint64 duration)
{
    m_imageIndex = 1;
    m_fileCounter = 1;
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
            emit statusUpdate(this, tr("Could not open file"), Error);
        return;
    }
    if (!scanner.startBefore(spanStart))
        return;

    const double threshold = m_config->sceneThreshold();
    SceneJob job({threshold, m_config->sceneMinGapMilliseconds(), m_config->smartPick(), spanStart},
                 [this](const VideoFrame &frame) {
                     const bool delivered = deliverFrame(frame);
                     ++m_imageIndex;
                     return delivered;
                 });
    const double spanLength = double(qMax<qint64>(1, qMin(spanEnd, duration) - spanStart));
    qint64 lastMs = -1;
    float reported = m_progress;
    for (;;) {
        if (isCancelled())
            return;
        const SceneScanner::Step step = scanner.next();
        if (step.status == FrameReader::Status::Aborted)
            return;
        if (step.status == FrameReader::Status::DecodeFailed) {
            if (!job.finish())
                return;
            emit statusUpdate(this, QStringLiteral("Frame extraction error decode failed"), Error);
            return;
        }
        if (step.status != FrameReader::Status::Frame)
            break;
        lastMs = step.ms;
        if (step.ms < spanStart)
            continue;
        if (step.ms >= spanEnd)
            break;
        const bool started = job.started();
        if (!job.feed(step))
            return;
        // The span's first frame is decoded whatever it is; after it only
        // what a cut needs.
        if (!started && job.started())
            scanner.decodeReferencesOnly(threshold);
        const float progress = 0.01f + 0.99f * float(qBound(0.0, double(step.ms - spanStart) / spanLength, 1.0));
        // A signal per frame would flood the window's queue.
        if (progress - reported >= 0.01f) {
            reported = progress;
            sendProgress(progress);
        }
        processPendingEvents();
    }
    if (isCancelled())
        return;
    if (!job.finish())
        return;
    emit sceneImageCountFound(m_imageIndex - 1);
    // Reading stopped before the span's end in a cut-off file.
    if (spanEnd != std::numeric_limits<qint64>::max())
        endsEarlyAt(spanEnd, lastMs);
    sendProgress(1.0f);
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
    emit statusUpdate(this, tr("Video ended early at %1 ms of %2 ms").arg(lastFrame).arg(m_duration), Error);
    return true;
}

// Hands a frame the scene walk found to handleFrame on the worker's own
// thread, as the grabber's frames go: in the window that is the GUI
// thread, where saving, the watermark cache and the preview belong.
bool BatchWorker::deliverFrame(const VideoFrame &frame)
{
    m_waiting.storeRelease(1);
    emit frameFound(frame);
    while (m_waiting.loadAcquire()) {
        processPendingEvents();
        QThread::msleep(5);
        if (isCancelled())
            return false;
    }
    return true;
}

void BatchWorker::grabberFrameExtracted(const VideoFrame &frame)
{
    handleFrame(frame);
    m_waiting.storeRelease(0);
}

QString BatchWorker::fileNameFor(int counter, qint64 frameMs) const
{
    return m_config->fileNameProfile()->generateFileName(m_config->sourceBaseName(), counter, m_expectedImages,
                                                         frameMs);
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
        emit statusUpdate(this, QStringLiteral("Frame was invalid. Possibly corrupt video."), Error);
        return;
    }
    // Positions near one key frame all get that frame: it is written once,
    // not once per position as identical files.
    if (m_grabber->keyFramesOnly() && m_config->intervalType() != BatchWorkerConfig::SceneChange) {
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
    m_frameMs = qRound64(frame.timestamp() * 1000.0);
    ImageProcessingManager *processing = ImageProcessingManager::instance();
    QImage processed = processing->processImage(image, m_config->imageProfile());
    if (processed.isNull() && m_config->imageProfile()) {
        const QSize size = ImageProcessingManager::outputSizeFor(image.size(), *m_config->imageProfile());
        if (ImageProcessingManager::exceedsOutputLimit(size)) {
            emit statusUpdate(this, tr("Output image too large: %1x%2").arg(size.width()).arg(size.height()), Error);
            return;
        }
    }

    // A name taken by anything, or claimed by another run a moment ago,
    // moves the counter on; a single shot first tries the name without one.
    int counter = m_intervalType == BatchWorkerConfig::SingleShot ? 0 : m_fileCounter;
    const OutputFile::FreeName name = OutputFile::claimFirstFree(
        m_config->fileOutputDir(), counter, [this](int n) { return fileNameFor(n == 0 ? -1 : n, m_frameMs); });
    m_fileCounter = counter + 1;
    if (name.claim != OutputFile::Claim::Claimed) {
        emit statusUpdate(this, tr("Could not save image: ") + QDir::toNativeSeparators(name.path), Error);
        return;
    }
    emit statusUpdate(this, QStringLiteral("Saving: ") + name.fileName, Info);
    // Written beside the claimed file and renamed over it.
    const ImageMetadata metadata = ImageMetadata::of(m_config->source(), m_frameMs);
    if (!processing->saveImage(name.path, processed, m_config->imageProfile(), metadata)) {
        OutputFile::release(name.path);
        emit statusUpdate(this, tr("Could not save image: ") + QDir::toNativeSeparators(name.path), Error);
        return;
    }
    if (m_config->contactSheet())
        m_sheet.add(name.path, m_frameMs, processed, image);
    emit imageReady(this, processed);
}

void BatchWorker::writeContactSheet()
{
    if (!m_config->contactSheet() || m_sheet.isEmpty())
        return;
    VideoInfo info;
    info.load(m_config->source());
    const QFileInfo video(m_config->source());
    const QStringList header{
        video.fileName(),
        tr("Duration: %1   Size: %2x%3   Frame rate: %4 fps   Codec: %5   File size: %6")
            .arg(ContactSheet::timeText(info.duration()))
            .arg(info.displaySize().width())
            .arg(info.displaySize().height())
            .arg(QString::number(info.frameRate(), 'g', 6))
            .arg(info.codecName().isEmpty() ? tr("unknown") : info.codecName())
            .arg(QLocale::c().formattedDataSize(video.size())),
    };
    QString failedPath;
    const bool written = m_sheet.write(
        header, m_config->fileOutputDir(), fileNameFor(-1, m_sheet.firstMs()), m_config->imageProfile(),
        [this](const QString &fileName) { emit statusUpdate(this, QStringLiteral("Saving: ") + fileName, Info); },
        &failedPath);
    if (!written)
        emit statusUpdate(this, tr("Could not save image: ") + QDir::toNativeSeparators(failedPath), Error);
}

void BatchWorker::grabberError(const QString &message)
{
    // The grabber's state is read before the flag is cleared: once it is,
    // run() on the batch thread goes on with the grabber.
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
    if (m_grabber->atEnd() && m_config->intervalType() == BatchWorkerConfig::EveryMilliseconds)
        return;
    emit statusUpdate(this, QStringLiteral("Frame extraction error ") + message, Error);
}
