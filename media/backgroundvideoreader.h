#ifndef VISTALOOM_BACKGROUNDVIDEOREADER_H
#define VISTALOOM_BACKGROUNDVIDEOREADER_H

#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <memory>

class VideoInfo;

// Reads what a dialog shows of a video, its information and its first
// frame, on threads of its own, so a file that has to be read far (one
// whose length is found from its last timestamp) never stalls the window.
//
// Threads: the reader lives on the thread that made it; each request runs
// on a pool thread that touches only its own objects and then emits the
// result, which reaches receivers on the reader's thread as a queued
// signal. The ticket given with a request comes back with its result, so
// a receiver can ignore results it no longer wants. Destroying the reader
// drops requests not yet started and waits for the running ones.
class BackgroundVideoReader : public QObject
{
    Q_OBJECT

public:
    explicit BackgroundVideoReader(QObject *parent = nullptr);
    ~BackgroundVideoReader() override;

    void loadInfo(quint64 ticket, const QString &path);
    // Goes before every waiting information load: someone waits to see it.
    void decodeFirstFrame(quint64 ticket, const QString &path);

signals:
    // info lives on the reader's thread; its failures are only logged, as
    // VideoInfo::load logs them.
    void infoLoaded(quint64 ticket, const std::shared_ptr<VideoInfo> &info);
    // A null image when the video cannot be read.
    void firstFrameDecoded(quint64 ticket, const QImage &image);

private:
    QThreadPool m_pool;
};

#endif
