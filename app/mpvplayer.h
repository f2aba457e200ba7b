#ifndef VISTALOOM_MPVPLAYER_H
#define VISTALOOM_MPVPLAYER_H

#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>

#include <memory>
#include <vector>

struct mpv_handle;
struct mpv_event;
class VideoCapture;

// The media player of the main window, over libmpv. Every call returns at
// once: commands go to mpv asynchronously and what mpv reports comes back as
// the signals below, on the GUI thread.
class MpvPlayer : public QObject
{
    Q_OBJECT

public:
    enum State { StoppedState, PlayingState, PausedState };
    Q_ENUM(State)
    enum MediaStatus { NoMedia, LoadingMedia, LoadedMedia, EndOfMedia, InvalidMedia };
    Q_ENUM(MediaStatus)

    explicit MpvPlayer(QObject *parent = nullptr);
    ~MpvPlayer() override;

    // False when mpv could not be created; every other call then does nothing.
    bool isValid() const { return static_cast<bool>(m_handle); }
    // Shared with the video widget, whose render context must be freed
    // before the handle is destroyed, whatever order the two die in.
    std::shared_ptr<mpv_handle> handle() const { return m_handle; }

    void play(const QString &path);
    void play();
    void pause(bool paused);
    void stop();
    void setFile(const QString &path);
    QString file() const { return m_file; }

    // Open (playing or paused), as opposed to stopped.
    bool isPlaying() const { return state() != StoppedState; }
    bool isPaused() const { return state() == PausedState; }
    State state() const { return m_state; }
    MediaStatus mediaStatus() const { return m_mediaStatus; }

    qint64 position() const { return m_position; }
    // The position for readouts: never past the duration, which the sound
    // running on beyond the last frame would otherwise show at the end.
    qint64 displayPosition() const { return m_duration > 0 ? qMin(m_position, m_duration) : m_position; }
    qint64 duration() const { return m_duration; }
    void setPosition(qint64 ms) { seek(ms); }
    void seek(qint64 ms);
    // To a frame's own time, at full precision: a millisecond rounded
    // below it can name the frame before.
    void seekToSeconds(double seconds);

    // Milliseconds between position reports: one frame of the open video,
    // or -1 while its frame rate is unknown.
    int notifyInterval() const { return m_notifyInterval; }

    void stepForward();
    void stepBackward();
    // True from a seek or step until mpv shows the frame it lands on.
    bool isSeeking() const { return m_seeking || m_stepping; }

    // 1.0 is full volume.
    void setVolume(qreal volume);
    qreal volume() const { return m_volume; }

    // The video's display size, upright.
    QSize videoSize() const;
    // Degrees clockwise the stream asks for. mpv's raw screenshots come
    // unturned, so the capture turns them by this much.
    int videoRotation() const { return m_streamRotation; }
    // The part of that rotation mpv's renderer does not apply itself (its
    // software renderer cannot); the video widget turns the picture by it.
    int unappliedRotation() const;
    // The open video is HDR (PQ or HLG transfer) as decoded.
    bool isHdr() const { return !m_hdrTransfer.isEmpty(); }
    // "pq" or "hlg" for HDR video, empty otherwise.
    QByteArray hdrTransfer() const { return m_hdrTransfer; }
    // The peak in cd/m² the media layer maps HDR video from: the stream's
    // content light level or mastering peak as mpv reads them, 0 when it
    // states neither.
    double hdrPeak() const { return m_hdrPeak; }

    VideoCapture *videoCapture() const { return m_capture; }

    // mpv's own counters of frames dropped at output and in the decoder.
    qint64 droppedFrames() const;
    qint64 decoderDroppedFrames() const;

    // Called by the video widget after it has drawn a new frame.
    void reportFrameShown();
    // New frames the video widget has drawn since this player was made.
    qint64 framesShown() const { return m_framesShown; }
    // mpv cannot open a video before its renderer exists; a widget that
    // makes the renderer late (OpenGL, on first show) holds loading back
    // until then.
    void setRendererReady(bool ready);

signals:
    void started();
    void durationChanged(qint64 duration);
    void positionChanged(qint64 position);
    void notifyIntervalChanged();
    void stateChanged(MpvPlayer::State state);
    void mediaStatusChanged(MpvPlayer::MediaStatus status);
    void loadFailed(const QString &path);
    // The file opened but holds no video to show, only sound; it is
    // stopped and counts as invalid.
    void noVideo(const QString &path);
    void videoGeometryChanged();
    void firstFrameShown();
    // Also when the transfer or the peak of HDR video changes.
    void hdrChanged(bool hdr);

private:
    friend class VideoCapture;

    struct PropertyValue;
    using PropertyHandler = void (MpvPlayer::*)(const PropertyValue &);
    struct ObservedProperty;
    // Every property observed, with the member that takes its changes.
    static const std::vector<ObservedProperty> &observedProperties();

    void drainEvents();
    void handleEvent(const mpv_event &event);
    void handlePropertyChange(const mpv_event &event);
    void readFileProperties();
    void onTimePos(const PropertyValue &value);
    void onDuration(const PropertyValue &value);
    void onPause(const PropertyValue &value);
    void onEofReached(const PropertyValue &value);
    void onContainerFps(const PropertyValue &value);
    void onVolume(const PropertyValue &value);
    void onDisplayWidth(const PropertyValue &value);
    void onDisplayHeight(const PropertyValue &value);
    void onRotation(const PropertyValue &value);
    void onStreamRotation(const PropertyValue &value);
    void onDecodedTransfer(const PropertyValue &value);
    void onDecodedPeak(const PropertyValue &value);
    void setHdr(const QByteArray &transfer);
    void updateState();
    void setMediaStatus(MediaStatus status);
    // False when mpv refused the command outright.
    bool command(std::initializer_list<const char *> arguments, quint64 reply = 0);
    // A seek or back step: the position waits for the frame it lands on.
    void sendSeek(std::initializer_list<const char *> arguments);
    // Hands the capture the file and position of the frame on show, once a
    // seek or step under way has landed.
    void requestCapture();
    // mpv's own raw screenshot of the frame on show, for the capture.
    void requestScreenshot();
    void load();
    void finishStep();
    void refuseFileWithoutVideo();
    void setSeeking(bool seeking);
    // Seconds before the target at which mpv starts reading for the next
    // exact seek.
    void setDemuxerOffset(double seconds);

    std::shared_ptr<mpv_handle> m_handle;
    VideoCapture *m_capture = nullptr;
    QString m_file;
    State m_state = StoppedState;
    MediaStatus m_mediaStatus = NoMedia;
    bool m_paused = false;
    bool m_seeking = false;
    bool m_stepping = false;
    bool m_backStepAgain = false;
    // Seeks sent to mpv, seeks it has taken (answered), and the count sent
    // when the landing position was last asked for.
    quint64 m_seeksSent = 0;
    quint64 m_seeksTaken = 0;
    quint64 m_positionAskedAt = 0;
    bool m_captureWaiting = false;
    QTimer *m_stepTimeout;
    bool m_draining = false;
    bool m_awaitingFirstFrame = false;
    qint64 m_framesShown = 0;
    bool m_rendererReady = true;
    bool m_loadWaiting = false;
    qint64 m_position = 0;
    qint64 m_duration = 0;
    int m_notifyInterval = -1;
    qreal m_volume = 1.0;
    QSize m_displaySize;
    int m_appliedRotation = 0;
    int m_streamRotation = 0;
    QByteArray m_hdrTransfer;
    double m_hdrPeak = 0;
    // mpv's peak relative to its reference white, as last reported.
    double m_decodedPeak = 0;
    double m_demuxerOffset = 0;
};

#endif
