#ifndef VISTALOOM_VIDEOCAPTURE_H
#define VISTALOOM_VIDEOCAPTURE_H

#include <QImage>
#include <QObject>
#include <QString>

struct mpv_node;
class MpvPlayer;
class QThread;
class SnapshotDecoder;

// Takes the frame the player shows, at the video's own size and upright.
// capture() returns at once; the answer is imageCaptured or failed.
//
// The frame is decoded again with the media layer, off the GUI thread, so
// a snapshot is the very picture a batch image of that frame is. mpv's raw
// screenshot is used only for files the media layer cannot read.
class VideoCapture : public QObject
{
    Q_OBJECT

public:
    explicit VideoCapture(MpvPlayer *player);
    ~VideoCapture() override;

    // The time in milliseconds of the frame of the last imageCaptured, -1
    // before one.
    qint64 capturedTime() const;

public slots:
    void capture();

signals:
    void imageCaptured(const QImage &image);
    void failed();
    // To the decoder's thread.
    void decodeRequested(const QString &path, qint64 ms);
    void releaseRequested();

private:
    friend class MpvPlayer;
    // The player has settled on the frame at ms of path.
    void captureAt(const QString &path, qint64 ms);
    void handleDecoded(const QString &path, const QImage &image, qint64 frameMs);
    // mpv's reply to a raw screenshot; node is null when the command failed.
    void handleReply(const mpv_node *node);

    MpvPlayer *m_player;
    QThread *m_thread;
    // Deleted on its own thread when that thread finishes.
    SnapshotDecoder *m_decoder;
    // The last file the media layer could not read.
    QString m_unreadableFile;
    qint64 m_capturedMs = -1;
    // The position the player settled on for the capture under way.
    qint64 m_requestedMs = -1;
};

#endif
