#ifndef VISTALOOM_VIDEOCAPTURE_H
#define VISTALOOM_VIDEOCAPTURE_H

#include <QImage>
#include <QObject>

struct mpv_node;
class MpvPlayer;

// Takes the frame the player shows, at the video's own size and upright.
// capture() returns at once; the answer is imageCaptured or failed.
class VideoCapture : public QObject
{
    Q_OBJECT

public:
    explicit VideoCapture(MpvPlayer *player);

public slots:
    void capture();

signals:
    void imageCaptured(const QImage &image);
    void failed();

private:
    friend class MpvPlayer;
    // mpv's reply to a raw screenshot; node is null when the command failed.
    void handleReply(const mpv_node *node);

    MpvPlayer *m_player;
};

#endif
