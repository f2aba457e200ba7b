#ifndef VISTALOOM_FRAMENUMBERLOOKUP_H
#define VISTALOOM_FRAMENUMBERLOOKUP_H

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <optional>

class FrameIndex;

// Numbers the picture at a position of the open video, for the readout.
// FrameIndex reads the file's packets up to the position, which takes a
// while far into a long file, so it reads on a thread of its own.
//
// Threads: the lookup lives on the GUI thread, and so does all its state
// but the index, which only the one lookup running at a time touches, on
// the pool's thread. While one runs, newer requests replace each other;
// the latest is looked up next and the older result is dropped. A new
// video aborts the running lookup. Destroying the lookup aborts it and
// waits for it.
class FrameNumberLookup : public QObject
{
    Q_OBJECT

public:
    explicit FrameNumberLookup(QObject *parent = nullptr);
    ~FrameNumberLookup() override;

    // The video to number; an empty path numbers nothing.
    void setVideo(const QString &path);
    void request(qint64 ms);

signals:
    // The number of the picture nearest ms, for the latest request only.
    void found(qint64 ms, qint64 number);

private:
    struct Request {
        quint64 video;
        QString path;
        qint64 ms;
    };
    // Touched only by the lookup running.
    struct Index {
        std::unique_ptr<FrameIndex> frames;
        QString path;
    };

    void startNext();
    void finished(const Request &request, qint64 number);

    std::atomic<bool> m_abort{false};
    std::shared_ptr<Index> m_index;
    quint64 m_video = 0;
    QString m_path;
    std::optional<Request> m_pending;
    bool m_busy = false;
    QThreadPool m_pool;
};

#endif
