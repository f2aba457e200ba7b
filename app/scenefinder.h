#ifndef VISTALOOM_SCENEFINDER_H
#define VISTALOOM_SCENEFINDER_H

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;

// Finds the cuts between the shots of a video with the batch scene rule's
// walk and default settings, for the marks on the position slider.
//
// Threads: the object lives on the GUI thread; each search runs on a
// low-priority thread of its own, which owns the scanner and everything it
// decodes. The two share only the abort flag; what the walk finds comes
// back as queued calls, and those of a search stopped or replaced since
// are dropped.
class SceneFinder : public QObject
{
    Q_OBJECT

public:
    explicit SceneFinder(QObject *parent = nullptr);
    ~SceneFinder() override;

    // Stops a search under way and starts one over path; durationMs only
    // scales the progress.
    void start(const QString &path, qint64 durationMs);
    // Nothing more is reported of the search under way.
    void stop();
    bool isRunning() const { return m_running; }

signals:
    // The first picture of a shot, in milliseconds, in increasing order.
    void cutFound(qint64 ms);
    void progress(int percent);
    // completed is false when the file could not be read to its end.
    void finished(bool completed);

private:
    void walk(quint64 run, const QString &path, qint64 durationMs);
    // Runs on the GUI thread if the search is still the current one.
    template <typename Call> void report(quint64 run, Call call);
    void joinThread();

    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_abort{false};
    quint64 m_run = 0;
    bool m_running = false;
};

#endif
