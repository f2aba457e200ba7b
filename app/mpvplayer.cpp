#include "mpvplayer.h"

#include "videocapture.h"

#include <mpv/client.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMetaObject>
#include <QtDebug>

#include <clocale>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// reply_userdata of the property observations and of the commands whose
// answer matters.
constexpr uint64_t PropertyReply = 1;
constexpr uint64_t ScreenshotReply = 100;
constexpr uint64_t TimePosReply = 101;
constexpr uint64_t FilePropertyReply = 102;
constexpr uint64_t VideoTrackReply = 103;
constexpr uint64_t SeekReply = 104;
// A step past the last frame shows nothing new; stop waiting for it then.
constexpr int stepTimeoutMs = 2000;
// How far past a frame's start mpv's exact seeks still take that frame,
// plus the rounding of the frame interval to whole milliseconds.
constexpr int exactSeekSlackMs = 6;
// How much earlier than the target an exact seek to a frame's own time
// starts reading: more than any reordering of pictures spans.
constexpr double exactSeekDemuxerOffset = 0.5;

qint64 toMilliseconds(double seconds)
{
    return static_cast<qint64>(std::llround(seconds * 1000.0));
}

void destroyHandle(mpv_handle *handle)
{
    mpv_terminate_destroy(handle);
}

std::shared_ptr<mpv_handle> createHandle()
{
    // mpv parses numbers with the C library; Qt set the locale from the
    // environment when the application object was made.
    std::setlocale(LC_NUMERIC, "C");
    std::shared_ptr<mpv_handle> handle(mpv_create(), destroyHandle);
    if (!handle.get())
        return nullptr;
    mpv_handle *h = handle.get();
    const char *options[][2] = {
        {"vo", "libmpv"},
        {"keep-open", "yes"},          // pause on the last frame at the end
        {"idle", "yes"},
        {"hr-seek", "yes"},            // every seek lands on the exact frame
        // Software decoding: captures read the very frame decoded, and no
        // GPU interop is probed (loading CUDA and friends) at start.
        {"hwdec", "no"},
        {"gpu-hwdec-interop", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"osd-level", "0"},
        {"ytdl", "no"},
        {"load-scripts", "no"},
        {"audio-display", "no"},
        // The sound servers and ALSA directly: SDL's audio only wraps the
        // same backends, and probing it took up to half a second on a
        // machine without sound before the video could start.
        {"ao", "pipewire,pulse,alsa,jack"},
        // No sound device must not stop a video from playing.
        {"audio-fallback-to-null", "yes"},
        {"terminal", "no"},
    };
    for (const auto &option : options) {
        if (mpv_set_option_string(h, option[0], option[1]) < 0)
            qWarning() << "mpv refused option" << option[0];
    }
    // For bug reports: VISTALOOM_MPV_LOG=<path> makes mpv write its verbose
    // log to <path>.<process id>, one file per program.
    const QByteArray logPath = qgetenv("VISTALOOM_MPV_LOG");
    if (!logPath.isEmpty()) {
        const QByteArray file = logPath + '.' + QByteArray::number(QCoreApplication::applicationPid());
        if (mpv_set_option_string(h, "log-file", file.constData()) < 0)
            qWarning() << "mpv refused its log file" << file;
    }
    // Only errors reach the log.
    mpv_request_log_messages(h, "error");
    if (mpv_initialize(h) < 0) {
        qWarning() << "mpv could not be initialized";
        return nullptr;
    }
    return handle;
}

} // namespace

// What mpv reports of one observed property, in the form it was asked for.
struct MpvPlayer::PropertyValue {
    bool present = false;
    double number = 0.0;
    bool flag = false;
    qint64 integer = 0;
    QByteArray text;
};

struct MpvPlayer::ObservedProperty {
    const char *name;
    mpv_format format;
    PropertyHandler handler;
    // Reset when a file is opened, and read again once its video is set up.
    bool describesFile = false;
};

const std::vector<MpvPlayer::ObservedProperty> &MpvPlayer::observedProperties()
{
    static const std::vector<ObservedProperty> properties = {
        {"time-pos", MPV_FORMAT_DOUBLE, &MpvPlayer::onTimePos},
        {"duration", MPV_FORMAT_DOUBLE, &MpvPlayer::onDuration, true},
        {"pause", MPV_FORMAT_FLAG, &MpvPlayer::onPause},
        {"eof-reached", MPV_FORMAT_FLAG, &MpvPlayer::onEofReached},
        {"container-fps", MPV_FORMAT_DOUBLE, &MpvPlayer::onContainerFps, true},
        {"volume", MPV_FORMAT_DOUBLE, &MpvPlayer::onVolume},
        {"dwidth", MPV_FORMAT_INT64, &MpvPlayer::onDisplayWidth, true},
        {"dheight", MPV_FORMAT_INT64, &MpvPlayer::onDisplayHeight, true},
        {"video-params/rotate", MPV_FORMAT_INT64, &MpvPlayer::onRotation, true},
        {"current-tracks/video/demux-rotation", MPV_FORMAT_INT64, &MpvPlayer::onStreamRotation, true},
        // As decoded, before any filter: a tone-mapping filter must not hide it.
        {"video-dec-params/gamma", MPV_FORMAT_STRING, &MpvPlayer::onDecodedTransfer, true},
        {"video-dec-params/sig-peak", MPV_FORMAT_DOUBLE, &MpvPlayer::onDecodedPeak, true},
    };
    return properties;
}

MpvPlayer::MpvPlayer(QObject *parent)
    : QObject(parent)
    , m_handle(createHandle())
    , m_capture(new VideoCapture(this))
    , m_stepTimeout(new QTimer(this))
{
    m_stepTimeout->setSingleShot(true);
    m_stepTimeout->setInterval(stepTimeoutMs);
    connect(m_stepTimeout, &QTimer::timeout, this, &MpvPlayer::finishStep);
    if (!m_handle)
        return;
    for (const ObservedProperty &property : observedProperties())
        mpv_observe_property(m_handle.get(), PropertyReply, property.name, property.format);
    // Called on one of mpv's threads: only hand the work to the GUI thread.
    // A QPointer is not needed: the callback is cleared before this object
    // goes, and a queued call to a deleted object is dropped by Qt.
    mpv_set_wakeup_callback(
        m_handle.get(),
        [](void *context) {
            auto *player = static_cast<MpvPlayer *>(context);
            QMetaObject::invokeMethod(player, [player] { player->drainEvents(); }, Qt::QueuedConnection);
        },
        this);
}

MpvPlayer::~MpvPlayer()
{
    if (!m_handle)
        return;
    mpv_set_wakeup_callback(m_handle.get(), nullptr, nullptr);
    // The video widget may still hold the handle for a moment; playback
    // must end with the player, not with the last owner.
    const char *stop[] = {"stop", nullptr};
    mpv_command_async(m_handle.get(), 0, stop);
}

bool MpvPlayer::command(std::initializer_list<const char *> arguments, quint64 reply)
{
    if (!m_handle)
        return false;
    std::vector<const char *> argv(arguments);
    argv.push_back(nullptr);
    const int error = mpv_command_async(m_handle.get(), reply, argv.data());
    if (error < 0)
        qWarning() << "mpv command" << argv.front() << "failed:" << mpv_error_string(error);
    return error >= 0;
}

void MpvPlayer::play(const QString &path)
{
    setFile(path);
    play();
}

void MpvPlayer::play()
{
    if (!m_handle)
        return;
    // Nothing open or loading yet (or the last load failed): open m_file.
    if (m_mediaStatus == NoMedia || m_mediaStatus == InvalidMedia) {
        if (m_file.isEmpty())
            return;
        m_paused = false;
        m_position = 0;
        m_duration = 0;
        m_displaySize = QSize();
        m_appliedRotation = 0;
        m_streamRotation = 0;
        m_notifyInterval = -1;
        setMediaStatus(LoadingMedia);
        if (m_rendererReady)
            load();
        else
            m_loadWaiting = true;
        return;
    }
    pause(false);
}

void MpvPlayer::load()
{
    m_loadWaiting = false;
    // mpv reads "-" as standard input and "x://" as a stream; an absolute
    // path of an existing file is always that file.
    const QFileInfo info(m_file);
    const QByteArray path = QFile::encodeName(info.exists() ? info.absoluteFilePath() : m_file);
    const char *pauseOff = "no";
    mpv_set_property_async(m_handle.get(), 0, "pause", MPV_FORMAT_STRING, &pauseOff);
    command({"loadfile", path.constData(), "replace"});
}

void MpvPlayer::setRendererReady(bool ready)
{
    m_rendererReady = ready;
    if (ready && m_loadWaiting && m_mediaStatus == LoadingMedia)
        load();
}

void MpvPlayer::pause(bool paused)
{
    if (!m_handle || m_mediaStatus == NoMedia || m_mediaStatus == InvalidMedia)
        return;
    // Resuming at the end starts over instead of staying on the last frame.
    if (!paused && m_mediaStatus == EndOfMedia)
        seek(0);
    int flag = paused ? 1 : 0;
    mpv_set_property_async(m_handle.get(), 0, "pause", MPV_FORMAT_FLAG, &flag);
    // Report the new state at once; mpv confirms it through the property.
    m_paused = paused;
    updateState();
}

void MpvPlayer::stop()
{
    command({"stop"});
    m_backStepAgain = false;
    m_loadWaiting = false;
    m_awaitingFirstFrame = false;
    m_seeking = false;
    finishStep();
    m_position = 0;
    m_duration = 0;
    m_displaySize = QSize();
    setMediaStatus(NoMedia);
    updateState();
}

void MpvPlayer::setFile(const QString &path)
{
    if (path == m_file)
        return;
    if (m_mediaStatus != NoMedia)
        stop();
    m_file = path;
}

void MpvPlayer::seek(qint64 ms)
{
    if (!m_handle || m_state == StoppedState)
        return;
    // A newer request replaces a back step still under way.
    m_backStepAgain = false;
    // mpv reads a negative absolute time from the end of the file; a skip
    // back from under one second means the start.
    ms = qMax<qint64>(0, ms);
    if (m_duration > 0)
        ms = qMin(ms, m_duration);
    setDemuxerOffset(0);
    const QByteArray seconds = QByteArray::number(static_cast<double>(ms) / 1000.0, 'f', 3);
    sendSeek({"seek", seconds.constData(), "absolute+exact"});
    m_position = ms;
    emit positionChanged(m_position);
}

void MpvPlayer::seekToSeconds(double seconds)
{
    if (!m_handle || m_state == StoppedState)
        return;
    m_backStepAgain = false;
    seconds = qMax(0.0, seconds);
    // AVI gives a key frame its decoding time, earlier than it is shown: mpv
    // would start decoding there and lose the pictures shown before it,
    // which need the key frame before. Starting a little earlier keeps them.
    setDemuxerOffset(exactSeekDemuxerOffset);
    const QByteArray text = QByteArray::number(seconds, 'f', 9);
    sendSeek({"seek", text.constData(), "absolute+exact"});
    m_position = toMilliseconds(seconds);
    emit positionChanged(m_position);
}

void MpvPlayer::stepForward()
{
    if (m_state == StoppedState)
        return;
    m_backStepAgain = false;
    command({"frame-step"});
    // mpv announces no end of a forward step: the next position is it.
    m_stepping = true;
    m_stepTimeout->start();
}

void MpvPlayer::stepBackward()
{
    if (m_state == StoppedState)
        return;
    // mpv steps back to the last frame that starts before its position.
    // Past the start of the last frame by more than its slack, that is the
    // last frame itself, on show already: the sound, running on a little
    // beyond the picture, leaves the position there however the end is
    // reached, played to or sought (and a seek there does not set the end
    // of media while paused). A second step follows when the first lands.
    m_backStepAgain = m_notifyInterval > 0 && m_duration > 0
        && m_position > m_duration - m_notifyInterval + exactSeekSlackMs;
    // A backward step is an exact seek to the previous frame.
    setDemuxerOffset(0);
    sendSeek({"frame-back-step"});
}

void MpvPlayer::sendSeek(std::initializer_list<const char *> arguments)
{
    // A seek mpv never got is answered by no reply nor restart to wait for.
    if (!command(arguments, SeekReply))
        return;
    ++m_seeksSent;
    setSeeking(true);
}

void MpvPlayer::setDemuxerOffset(double seconds)
{
    if (seconds == m_demuxerOffset)
        return;
    // Taken in order with the seek sent next.
    mpv_set_property_async(m_handle.get(), 0, "hr-seek-demuxer-offset", MPV_FORMAT_DOUBLE, &seconds);
    m_demuxerOffset = seconds;
}

void MpvPlayer::setSeeking(bool seeking)
{
    m_seeking = seeking;
    if (!isSeeking() && m_captureWaiting) {
        m_captureWaiting = false;
        m_capture->captureAt(m_file, m_position);
    }
}

void MpvPlayer::finishStep()
{
    m_stepTimeout->stop();
    m_stepping = false;
    setSeeking(m_seeking);
}

void MpvPlayer::refuseFileWithoutVideo()
{
    qWarning() << "No video track in" << m_file;
    // Stopped at once: its sound would play on behind an empty picture.
    command({"stop"});
    m_awaitingFirstFrame = false;
    setMediaStatus(InvalidMedia);
    updateState();
    emit noVideo(m_file);
}

void MpvPlayer::setVolume(qreal volume)
{
    if (!m_handle)
        return;
    double percent = qBound(0.0, static_cast<double>(volume), 1.0) * 100.0;
    mpv_set_property_async(m_handle.get(), 0, "volume", MPV_FORMAT_DOUBLE, &percent);
}

qint64 MpvPlayer::droppedFrames() const
{
    int64_t count = 0;
    if (m_handle)
        mpv_get_property(m_handle.get(), "frame-drop-count", MPV_FORMAT_INT64, &count);
    return count;
}

qint64 MpvPlayer::decoderDroppedFrames() const
{
    int64_t count = 0;
    if (m_handle)
        mpv_get_property(m_handle.get(), "decoder-frame-drop-count", MPV_FORMAT_INT64, &count);
    return count;
}

void MpvPlayer::reportFrameShown()
{
    ++m_framesShown;
    if (m_awaitingFirstFrame && m_displaySize.isValid()) {
        m_awaitingFirstFrame = false;
        emit firstFrameShown();
    }
}

void MpvPlayer::requestCapture()
{
    // A capture asked for while a seek or step runs means the frame it lands on.
    if (isSeeking())
        m_captureWaiting = true;
    else
        m_capture->captureAt(m_file, m_position);
}

void MpvPlayer::requestScreenshot()
{
    const char *arguments[] = {"screenshot-raw", "video", nullptr};
    if (mpv_command_async(m_handle.get(), ScreenshotReply, arguments) < 0)
        QMetaObject::invokeMethod(m_capture, [this] { m_capture->handleReply(nullptr); }, Qt::QueuedConnection);
}

void MpvPlayer::drainEvents()
{
    // The window's message boxes are queued, but should a slot below ever
    // run an event loop, events it wakes for wait for this drain.
    if (m_draining || !m_handle)
        return;
    m_draining = true;
    while (true) {
        mpv_event *event = mpv_wait_event(m_handle.get(), 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*event);
    }
    m_draining = false;
}

void MpvPlayer::handleEvent(const mpv_event &event)
{
    switch (event.event_id) {
    case MPV_EVENT_PROPERTY_CHANGE:
        handlePropertyChange(event);
        break;
    case MPV_EVENT_FILE_LOADED:
        m_awaitingFirstFrame = true;
        setMediaStatus(LoadedMedia);
        updateState();
        emit started();
        // Unavailable without a video track; with audio-display off, cover
        // art is never chosen as one.
        mpv_get_property_async(m_handle.get(), VideoTrackReply, "current-tracks/video/id", MPV_FORMAT_INT64);
        break;
    case MPV_EVENT_VIDEO_RECONFIG:
        // Sent once the video's size is known, after the file is loaded.
        readFileProperties();
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        // The position reports during the seek were skipped; ask for the one
        // it landed on before anyone reads it. A restart before mpv has taken
        // the latest seek is an earlier seek's, and so is a position asked
        // for before a newer seek went out (a drag sends them that fast):
        // the newer seek's own restart follows.
        if (m_seeking && m_seeksTaken == m_seeksSent) {
            m_positionAskedAt = m_seeksSent;
            mpv_get_property_async(m_handle.get(), TimePosReply, "time-pos", MPV_FORMAT_DOUBLE);
        }
        break;
    case MPV_EVENT_GET_PROPERTY_REPLY:
        if (event.reply_userdata == FilePropertyReply) {
            // A reply for a file closed in the meantime is dropped.
            if (m_mediaStatus != NoMedia && m_mediaStatus != InvalidMedia)
                handlePropertyChange(event);
        } else if (event.reply_userdata == VideoTrackReply) {
            // A newer file still loading is not judged by the last one's reply.
            if (event.error == MPV_ERROR_PROPERTY_UNAVAILABLE && (m_mediaStatus == LoadedMedia || m_mediaStatus == EndOfMedia))
                refuseFileWithoutVideo();
        } else if (event.reply_userdata == TimePosReply) {
            if (m_positionAskedAt != m_seeksSent)
                break;
            if (m_backStepAgain && m_state != StoppedState) {
                m_backStepAgain = false;
                sendSeek({"frame-back-step"});
                break;
            }
            const auto *property = static_cast<const mpv_event_property *>(event.data);
            if (event.error >= 0 && property->format == MPV_FORMAT_DOUBLE && m_state != StoppedState) {
                m_position = qMax<qint64>(0, toMilliseconds(*static_cast<double *>(property->data)));
                emit positionChanged(m_position);
            }
            setSeeking(false);
        }
        break;
    case MPV_EVENT_END_FILE: {
        const auto *endFile = static_cast<const mpv_event_end_file *>(event.data);
        if (endFile->reason == MPV_END_FILE_REASON_ERROR) {
            qWarning() << "mpv could not play" << m_file << mpv_error_string(endFile->error);
            setMediaStatus(InvalidMedia);
            updateState();
            emit loadFailed(m_file);
        }
        break;
    }
    case MPV_EVENT_COMMAND_REPLY:
        if (event.reply_userdata == SeekReply)
            ++m_seeksTaken;
        if (event.reply_userdata == ScreenshotReply) {
            const auto *node = static_cast<const mpv_event_command *>(event.data);
            m_capture->handleReply(event.error >= 0 ? &node->result : nullptr);
        } else if (event.error < 0) {
            qDebug() << "mpv command failed:" << mpv_error_string(event.error);
        }
        break;
    case MPV_EVENT_LOG_MESSAGE: {
        const auto *message = static_cast<const mpv_event_log_message *>(event.data);
        qWarning().noquote() << "mpv:" << message->prefix << QString::fromUtf8(message->text).trimmed();
        break;
    }
    default:
        break;
    }
}

void MpvPlayer::handlePropertyChange(const mpv_event &event)
{
    static const QHash<QByteArray, PropertyHandler> handlers = [] {
        QHash<QByteArray, PropertyHandler> byName;
        for (const ObservedProperty &property : observedProperties())
            byName.insert(QByteArray(property.name), property.handler);
        return byName;
    }();
    const auto *property = static_cast<const mpv_event_property *>(event.data);
    const auto handler = handlers.constFind(QByteArray::fromRawData(property->name, int(std::strlen(property->name))));
    if (handler == handlers.constEnd())
        return;
    PropertyValue value;
    value.present = property->format != MPV_FORMAT_NONE && property->data;
    if (value.present && property->format == MPV_FORMAT_DOUBLE)
        value.number = *static_cast<double *>(property->data);
    else if (value.present && property->format == MPV_FORMAT_FLAG)
        value.flag = *static_cast<int *>(property->data) != 0;
    else if (value.present && property->format == MPV_FORMAT_INT64)
        value.integer = *static_cast<int64_t *>(property->data);
    else if (value.present && property->format == MPV_FORMAT_STRING)
        value.text = QByteArray(*static_cast<char **>(property->data));
    (this->*handler.value())(value);
}

// mpv reports an observed property only when its value differs from the
// one it reported last, and it compares only when its event queue runs
// empty: a file just like the last one (same size, length and frame rate)
// would leave the values reset at opening unreported. Asked for, they come
// back as replies, in order with the events.
void MpvPlayer::readFileProperties()
{
    for (const ObservedProperty &property : observedProperties()) {
        if (property.describesFile)
            mpv_get_property_async(m_handle.get(), FilePropertyReply, property.name, property.format);
    }
}

void MpvPlayer::onTimePos(const PropertyValue &value)
{
    // While a seek runs mpv still reports the old position; keep the target.
    if (value.present && !m_seeking && m_state != StoppedState) {
        m_position = qMax<qint64>(0, toMilliseconds(value.number));
        emit positionChanged(m_position);
        if (m_stepping)
            finishStep();
    }
}

void MpvPlayer::onDuration(const PropertyValue &value)
{
    if (m_state != StoppedState || value.present) {
        m_duration = value.present ? qMax<qint64>(0, toMilliseconds(value.number)) : 0;
        emit durationChanged(m_duration);
    }
}

void MpvPlayer::onPause(const PropertyValue &value)
{
    m_paused = value.flag;
    updateState();
}

void MpvPlayer::onEofReached(const PropertyValue &value)
{
    if (value.flag) {
        setMediaStatus(EndOfMedia);
        if (m_stepping)
            finishStep();
    } else if (m_mediaStatus == EndOfMedia) {
        setMediaStatus(LoadedMedia);
    }
}

void MpvPlayer::onContainerFps(const PropertyValue &value)
{
    const int interval = value.present && value.number > 0 ? qMax(1, static_cast<int>(std::lround(1000.0 / value.number))) : -1;
    if (interval != m_notifyInterval) {
        m_notifyInterval = interval;
        emit notifyIntervalChanged();
    }
}

void MpvPlayer::onVolume(const PropertyValue &value)
{
    if (value.present)
        m_volume = value.number / 100.0;
}

void MpvPlayer::onDisplayWidth(const PropertyValue &value)
{
    m_displaySize.setWidth(value.present ? static_cast<int>(value.integer) : -1);
    emit videoGeometryChanged();
}

void MpvPlayer::onDisplayHeight(const PropertyValue &value)
{
    m_displaySize.setHeight(value.present ? static_cast<int>(value.integer) : -1);
    emit videoGeometryChanged();
}

void MpvPlayer::onRotation(const PropertyValue &value)
{
    m_appliedRotation = value.present ? static_cast<int>(value.integer) : 0;
    emit videoGeometryChanged();
}

void MpvPlayer::onStreamRotation(const PropertyValue &value)
{
    m_streamRotation = value.present ? static_cast<int>(value.integer) : 0;
    emit videoGeometryChanged();
}

void MpvPlayer::onDecodedTransfer(const PropertyValue &value)
{
    const bool hdr = value.present && (value.text == "pq" || value.text == "hlg");
    setHdr(hdr ? value.text : QByteArray());
}

void MpvPlayer::onDecodedPeak(const PropertyValue &value)
{
    m_decodedPeak = value.present ? value.number : 0;
    setHdr(m_hdrTransfer);
}

void MpvPlayer::setHdr(const QByteArray &transfer)
{
    // mpv states the peak relative to its reference white of 203 cd/m²; a
    // stream that tags none gets the transfer's nominal peak, which for PQ
    // (10000 cd/m²) means no peak is known.
    constexpr double MpvReferenceWhite = 203.0;
    double peak = transfer.isEmpty() ? 0 : std::round(m_decodedPeak * MpvReferenceWhite);
    if (transfer == "pq" && peak >= 10000)
        peak = 0;
    if (transfer == m_hdrTransfer && peak == m_hdrPeak)
        return;
    m_hdrTransfer = transfer;
    m_hdrPeak = peak;
    emit hdrChanged(isHdr());
}

int MpvPlayer::unappliedRotation() const
{
    return (((m_streamRotation - m_appliedRotation) % 360) + 360) % 360;
}

QSize MpvPlayer::videoSize() const
{
    // mpv reports the size of the stored picture.
    const int rotation = ((m_streamRotation % 360) + 360) % 360;
    return rotation == 90 || rotation == 270 ? m_displaySize.transposed() : m_displaySize;
}

void MpvPlayer::setMediaStatus(MediaStatus status)
{
    if (status == m_mediaStatus)
        return;
    m_mediaStatus = status;
    emit mediaStatusChanged(status);
}

void MpvPlayer::updateState()
{
    State state = StoppedState;
    if (m_mediaStatus == LoadedMedia || m_mediaStatus == EndOfMedia)
        state = m_paused ? PausedState : PlayingState;
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}
