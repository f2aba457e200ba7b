#include "batchworker.h"

#include "gradualtransition.h"
#include "smartpicker.h"

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

namespace {

// How far from its position smartPick may take a frame.
constexpr qint64 SmartWindowMs = 1000;
// The longest flash: a picture that is back to what it was this soon
// after a cut had no cut.
constexpr qint64 FlashMs = 300;

} // namespace

BatchWorker::BatchWorker(QObject *parent)
    : Worker(parent)
    , m_grabber(new FrameGrabber(this))
{
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
}

void BatchWorker::setConfig(BatchWorkerConfig *config)
{
    m_config = config;
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
    m_sheetImages.clear();
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
    if (m_config->intervalType() == BatchWorkerConfig::SceneChange) {
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

    const qint64 skipFront = m_config->skipFront();
    const qint64 skipBack = m_config->skipBack();
    const qint64 span = duration - skipFront - skipBack;
    qint64 step = -1;
    // 64 bits and a bounded quotient: an endless stream with a 1 ms step
    // or a huge count must not wrap the count or its doubling below.
    qint64 expected = 0;
    constexpr float MaxExpected = float(1 << 30);

    if (m_config->intervalType() == BatchWorkerConfig::EveryMilliseconds) {
        if (m_config->intervalMilliseconds() < 1)
            m_config->setIntervalMilliseconds(1000);
        step = m_config->intervalMilliseconds();
        expected = static_cast<qint64>(
                       qBound(-MaxExpected, static_cast<float>(span) / static_cast<float>(step), MaxExpected))
            + 1;
    } else if (m_config->intervalType() == BatchWorkerConfig::ImageCount) {
        const int count = m_config->intervalImages();
        if (count < 2) {
            m_config->setIntervalImages(10);
            m_config->setIntervalType(BatchWorkerConfig::SingleShot);
        } else {
            step = span / count - 1;
            expected = count;
        }
    }

    qint64 position = skipFront;
    if (m_config->intervalType() == BatchWorkerConfig::SingleShot) {
        switch (m_config->intervalSingleShot()) {
        case BatchWorkerConfig::Front: position = skipFront; break;
        case BatchWorkerConfig::Back: position = duration - skipBack; break;
        // Half the span from the video's start, clamped below: the long
        // standing rule that stored jobs and scripts rely on.
        case BatchWorkerConfig::Middle: position = span / 2; break;
        default: break;
        }
        expected = 1;
    }
    if (position < skipFront)
        position = skipFront;
    if (position > duration - skipBack)
        position = duration - skipBack;
    if (position < 0)
        position = 0;

    // A still in a video container is shorter than any skips: its one frame
    // is the image, not nothing.
    const bool singleFrame = m_config->intervalType() == BatchWorkerConfig::EveryMilliseconds
        && !(position < duration - skipBack) && m_grabber->holdsSingleFrame();
    if (singleFrame) {
        position = 0;
        expected = 1;
    }

    // Reaching the end of the data is judged against the furthest position
    // the rule asks for, not only the next one.
    m_lastPosition = position;
    if (m_config->intervalType() == BatchWorkerConfig::EveryMilliseconds && !singleFrame && step > 0
        && position < duration - skipBack)
        m_lastPosition = position + (duration - skipBack - 1 - position) / step * step;
    else if (m_config->intervalType() == BatchWorkerConfig::ImageCount)
        m_lastPosition = qMax(position, position + qint64(m_config->intervalImages() - 1) * step);

    m_imageIndex = 1;
    m_fileCounter = 1;
    if (isCancelled())
        return;
    expected *= 2; // every image moves the progress twice
    const float steps = static_cast<float>(expected);
    qint64 stepCounter = 0;
    auto progressAt = [steps](qint64 counter) { return static_cast<float>(counter) / steps * 0.99f + 0.01f; };

    const int type = m_config->intervalType();
    for (;;) {
        if (singleFrame) {
            if (m_imageIndex > 1)
                return;
        } else if (type == BatchWorkerConfig::EveryMilliseconds && !(position < duration - skipBack)) {
            return;
        }
        if (type == BatchWorkerConfig::ImageCount && m_imageIndex > m_config->intervalImages())
            return;
        if (type == BatchWorkerConfig::SingleShot && m_imageIndex > 1)
            return;

        if (m_grabber->atEnd()) {
            if (endsEarlyAt(qMax(position, m_lastPosition), m_grabber->lastDecodedTime()))
                return;
            if (type != BatchWorkerConfig::EveryMilliseconds)
                emit statusUpdate(this, tr("At end of video, cannot read any more frames"), Error);
            return;
        }

        const SmartPicker::Choice choice = choiceFor(position, step, duration);
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

        position += step;
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
    qint64 before = SmartWindowMs;
    qint64 after = SmartWindowMs;
    // Never past the midpoint to a neighbouring position; a single shot
    // has no neighbours.
    if (m_config->intervalType() != BatchWorkerConfig::SingleShot) {
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
    const qint64 minGap = m_config->sceneMinGapMilliseconds();
    const double spanLength = double(qMax<qint64>(1, qMin(spanEnd, duration) - spanStart));
    bool taken = false;
    qint64 lastImageMs = 0;
    qint64 lastMs = -1;
    float reported = m_progress;
    // A shot's image is held until nothing can replace it: a stronger
    // change within the gap (the real cut just after a motion-blurred frame
    // that crossed the threshold) takes its place, and with smartPick the
    // sharpest usable frame (not black, white or static) within a second
    // of the cut, never before it.
    struct Held {
        VideoFrame frame;
        SmartPicker::Candidate best;
        qint64 cutMs = 0;
        double change = 0.0;
        bool opensSpan = false;
        // The picture before the cut and the image before it, to undo a flash.
        QImage before;
        qint64 earlierImageMs = 0;
    };
    const bool smart = m_config->smartPick();
    // A cut taken early in a fade is held until the fade is seen through,
    // which then puts its image of the new shot in the cut's place.
    const qint64 holdMs = std::max({minGap, smart ? SmartWindowMs : qint64(0),
                                GradualTransition::LongestMs + GradualTransition::ReportDelayMs});
    std::optional<Held> held;
    QImage previous;
    auto hold = [&](const SceneScanner::Step &step) {
        const FrameQuality quality = smart ? SmartPicker::measure(step.frame) : FrameQuality();
        held = Held{step.frame, {step.ms, quality}, step.ms, step.difference, !taken, previous, lastImageMs};
        taken = true;
        lastImageMs = step.ms;
    };
    GradualTransition gradual(threshold);
    // The pictures a transition seen through now may name as its image.
    std::deque<SceneScanner::Step> recent;
    auto saveHeld = [&]() {
        const bool delivered = deliverFrame(held->frame.withTimestamp(double(held->best.ms) / 1000.0));
        ++m_imageIndex;
        held.reset();
        return delivered;
    };
    for (;;) {
        if (isCancelled())
            return;
        const SceneScanner::Step step = scanner.next();
        if (step.status == FrameReader::Status::Aborted)
            return;
        if (step.status == FrameReader::Status::DecodeFailed) {
            if (held && !saveHeld())
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
        recent.push_back(step);
        while (recent.front().ms < step.ms - GradualTransition::ReportDelayMs)
            recent.pop_front();
        if (gradual.feed(step.ms, step.signature) && gradual.imageMs() >= spanStart && taken) {
            const auto image = std::find_if(recent.cbegin(), recent.cend(),
                                            [&](const SceneScanner::Step &r) { return r.ms == gradual.imageMs(); });
            const bool inside = held && !held->opensSpan && held->cutMs > gradual.startMs();
            if (image != recent.cend() && (inside || image->ms - lastImageMs >= minGap)) {
                if (held && !inside && !saveHeld())
                    return;
                const qint64 earlier = inside ? held->earlierImageMs : lastImageMs;
                hold(*image);
                // No cut within the gap outdoes a transition seen through,
                // and it is no flash.
                held->change = std::numeric_limits<double>::max();
                held->before = QImage();
                held->earlierImageMs = earlier;
            }
        }
        const bool flashOver = held && !held->opensSpan && step.ms - held->cutMs <= FlashMs
                               && SceneScanner::difference(held->before, step.signature) <= threshold / 2;
        if (flashOver) {
            lastImageMs = held->earlierImageMs;
            held.reset();
        }
        const bool change = !flashOver && taken && step.difference > threshold;
        if (held && change && !held->opensSpan && step.ms - held->cutMs < minGap
            && step.difference > held->change) {
            // Still the same cut: what it came from stays.
            const Held replaced = *held;
            hold(step);
            held->before = replaced.before;
            held->earlierImageMs = replaced.earlierImageMs;
        } else {
            // The span's first frame always, then every cut far enough on.
            const bool cut = !taken || (change && step.ms - lastImageMs >= minGap);
            if (held && (cut || step.ms >= held->cutMs + holdMs) && !saveHeld())
                return;
            if (cut) {
                // The span's first frame is decoded whatever it is; after
                // it only what a cut needs.
                if (!taken)
                    scanner.decodeReferencesOnly(threshold);
                hold(step);
            } else if (held && smart && step.ms <= held->cutMs + SmartWindowMs) {
                const SmartPicker::Candidate candidate{step.ms, SmartPicker::measure(step.frame)};
                if (SmartPicker::replaces(candidate, held->best)) {
                    held->frame = step.frame;
                    held->best = candidate;
                }
            }
        }
        previous = step.signature;
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
    if (held && !saveHeld())
        return;
    // The table reads the count on the config's own thread.
    BatchWorkerConfig *config = m_config;
    const int count = m_imageIndex - 1;
    QMetaObject::invokeMethod(config, [config, count] { config->setSceneImageCount(count); });
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

// Claims the first free name of the series: a name taken by anything, or
// claimed by another run a moment ago, moves the counter on. Empty when the
// folder refuses new files.
QString BatchWorker::claimNextFreeFile(QString *fileName)
{
    const QDir folder = m_config->fileOutputDir();
    auto tryName = [&](const QString &name) {
        *fileName = name;
        return OutputFile::claim(folder.filePath(name));
    };
    OutputFile::Claim claim = OutputFile::Claim::Taken;
    if (m_config->intervalType() == BatchWorkerConfig::SingleShot)
        claim = tryName(m_config->fileNameFor(-1, m_frameMs));
    while (claim == OutputFile::Claim::Taken)
        claim = tryName(m_config->fileNameFor(m_fileCounter++, m_frameMs));
    return claim == OutputFile::Claim::Claimed ? folder.filePath(*fileName) : QString();
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

    QString fileName;
    const QString path = claimNextFreeFile(&fileName);
    if (path.isEmpty()) {
        emit statusUpdate(this,
                          tr("Could not save image: ")
                              + QDir::toNativeSeparators(m_config->fileOutputDir().filePath(fileName)),
                          Error);
        return;
    }
    emit statusUpdate(this, QStringLiteral("Saving: ") + fileName, Info);
    // Written beside the claimed file and renamed over it.
    const ImageMetadata metadata = ImageMetadata::of(m_config->source(), m_frameMs);
    if (!processing->saveImage(path, processed, m_config->imageProfile(), metadata)) {
        OutputFile::release(path);
        emit statusUpdate(this, tr("Could not save image: ") + QDir::toNativeSeparators(path), Error);
        return;
    }
    if (m_config->contactSheet()) {
        // A tile read back from a small output would be upscaled; keep the
        // frame instead, but never larger than a tile, so a long job holds
        // no full frames.
        QImage tile;
        if (processed.width() < ContactSheet::TileWidth)
            tile = image.width() > ContactSheet::TileWidth ? ContactSheet::tileImage(image) : image;
        m_sheetImages.append({path, m_frameMs, tile});
        thinSheetImages();
    }
    emit imageReady(this, processed);
}

// The images kept for the sheet that fill its cells evenly in time, in
// time order.
QVector<int> BatchWorker::sheetSpread()
{
    std::stable_sort(m_sheetImages.begin(), m_sheetImages.end(),
                     [](const SheetImage &a, const SheetImage &b) { return a.ms < b.ms; });
    QVector<qint64> times;
    for (const SheetImage &image : qAsConst(m_sheetImages))
        times << image.ms;
    return ContactSheet::spread(times, m_config->contactSheetColumns() * m_config->contactSheetRows());
}

// Once the images kept for the sheet are twice its cells, they are thinned
// to the cells evenly in time, so a long job of small images holds at most
// two sheets' worth of tiles.
void BatchWorker::thinSheetImages()
{
    if (m_sheetImages.size() <= 2 * m_config->contactSheetColumns() * m_config->contactSheetRows())
        return;
    QVector<SheetImage> kept;
    for (int index : sheetSpread())
        kept.append(m_sheetImages[index]);
    m_sheetImages = kept;
}

void BatchWorker::writeContactSheet()
{
    if (!m_config->contactSheet() || m_sheetImages.isEmpty())
        return;
    // Only the images the sheet shows are read back, as they were written.
    QVector<ContactSheet::Tile> tiles;
    for (int index : sheetSpread()) {
        const SheetImage &image = m_sheetImages[index];
        tiles.append({image.tile.isNull() ? QImage(image.path) : image.tile, image.ms});
    }

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
    const QImage sheet =
        ContactSheet::render(header, tiles, m_config->contactSheetColumns(), m_config->contactSheetRows());

    // Named like the series, "-sheet" before the type; a taken name moves
    // on to "-sheet-2" and so on.
    const QString seriesName = m_config->fileNameFor(-1, m_sheetImages.first().ms);
    const int dot = seriesName.lastIndexOf(QLatin1Char('.'));
    const QString stem = seriesName.left(dot) + QStringLiteral("-sheet");
    const QString type = seriesName.mid(dot);
    const QDir folder = m_config->fileOutputDir();
    QString fileName;
    OutputFile::Claim claim = OutputFile::Claim::Taken;
    for (int counter = 1; claim == OutputFile::Claim::Taken; ++counter) {
        fileName = counter == 1 ? stem + type : stem + QStringLiteral("-%1").arg(counter) + type;
        claim = OutputFile::claim(folder.filePath(fileName));
    }
    const QString path = folder.filePath(fileName);
    if (claim != OutputFile::Claim::Claimed) {
        emit statusUpdate(this, tr("Could not save image: ") + QDir::toNativeSeparators(path), Error);
        return;
    }
    emit statusUpdate(this, QStringLiteral("Saving: ") + fileName, Info);
    if (sheet.isNull()
        || !ImageProcessingManager::instance()->saveImage(path, sheet, m_config->imageProfile(), ImageMetadata())) {
        OutputFile::release(path);
        emit statusUpdate(this, tr("Could not save image: ") + QDir::toNativeSeparators(path), Error);
    }
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
