#ifndef VISTALOOM_SNAPSHOTDECODER_H
#define VISTALOOM_SNAPSHOTDECODER_H

#include <QImage>
#include <QObject>
#include <QString>

class FrameGrabber;
class VideoFrame;

// Decodes the frame at a player position with the media layer, so a
// snapshot is converted exactly as a batch image of the same frame. Lives on
// a worker thread; the grabber stays open while positions move forward in
// the same file and is opened again for a new file or a step back.
class SnapshotDecoder : public QObject
{
    Q_OBJECT

public:
    SnapshotDecoder();

    // Stops a decode under way at its next packet. Callable from any thread;
    // the decoder answers nothing more afterwards.
    void abort();

public slots:
    // ms counts from the first frame, as the player's position does.
    void decode(const QString &path, qint64 ms);
    // Closes the file, so a video the player has closed is not held open.
    void release();

signals:
    // A null image when the media layer cannot open or decode the file;
    // frameMs is the time of the frame decoded.
    void decoded(const QString &path, const QImage &image, qint64 frameMs);

private:
    void reopenAt(const QString &path);
    void takeFrame(const VideoFrame &frame);

    // A child, so it is made once and its abort flag can be reached from the
    // GUI thread without a race on the pointer.
    FrameGrabber *m_grabber;
    QImage m_image;
    qint64 m_frameMs = -1;
};

#endif
