#ifndef VISTALOOM_PREVIEWSOURCE_H
#define VISTALOOM_PREVIEWSOURCE_H

#include <QImage>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class FrameGrabber;

// Small pictures of the key frame nearest to a time, for the previews over
// the position slider.
//
// Threads: the object lives on the GUI thread; one thread of its own
// decodes, with a FrameGrabber in key-frame mode made and used on that
// thread only. The two share only the members under m_mutex: the file,
// the one waiting request (a newer one replaces it) and the grabber at work,
// whose abort() the GUI thread calls when a newer request arrives. Answers
// come back as queued calls. Pictures are scaled down to previewWidth as
// they are converted, and only cacheSize of them are kept; the grabber, and
// with it the decoder's pictures, is let go when no preview is wanted.
class PreviewSource : public QObject
{
    Q_OBJECT

public:
    static constexpr int previewWidth = 160;
    static constexpr int cacheSize = 8;

    explicit PreviewSource(QObject *parent = nullptr);
    ~PreviewSource() override;

    // Empty for none. Drops every picture of the previous file.
    void setSource(const QString &path);
    QString source() const;

public slots:
    // Asks for the picture nearest to ms; answered by previewReady, at once
    // when a kept picture is known to be the nearest.
    void request(qint64 ms);
    // No picture is wanted any more: the work under way is stopped.
    void cancel();

signals:
    void previewReady(qint64 requestedMs, qint64 frameMs, const QImage &picture);

private:
    struct Kept {
        // Every time from first to last has this key frame as its nearest.
        qint64 first = 0;
        qint64 last = 0;
        qint64 frameMs = 0;
        QImage picture;
    };

    void run();
    void take(quint64 generation, qint64 requestedMs, qint64 frameMs, const QImage &picture);
    const Kept *kept(qint64 ms);
    void abortRunning();

    // GUI thread only.
    std::vector<Kept> m_kept;
    QString m_path;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    // Under m_mutex.
    QString m_sharedPath;
    quint64 m_generation = 0;
    std::optional<qint64> m_waiting;
    bool m_release = false;
    bool m_stop = false;
    FrameGrabber *m_running = nullptr;
    qint64 m_runningMs = -1;
    bool m_runningAborted = false;

    std::thread m_thread;
};

#endif
