#ifndef VISTALOOM_WORKER_H
#define VISTALOOM_WORKER_H

#include <QAtomicInt>
#include <QObject>
#include <QRunnable>

// Threads in the batch layer. A job is a BatchWorker with its
// BatchWorkerConfig; both are QObjects of the thread that made them (the
// GUI thread in the window, the main thread in the console program).
// - BatchThread::run() calls each worker's run() on the batch thread. The
//   console program calls run() on its own thread instead.
// - While a job runs, its config and the profiles it points to are read
//   only, on both threads: the window does not edit a job that is queued.
//   The worker reads what it needs when the job starts and never writes
//   into the config. What the job finds out for it (a repaired interval,
//   the scene rule's count) goes out as a signal connected to the config,
//   so the config's own thread applies it (queued from the batch thread).
// - Decoded frames are handled (processed, named, saved) by handleFrame on
//   the worker's own thread, through queued signals from the grabber and
//   the scene walk. The batch thread waits meanwhile on an atomic flag,
//   released once the frame is handled: everything handleFrame writes is
//   seen by run() after that, and everything run() wrote before asking is
//   seen by handleFrame.
// - cancel() may come from any thread: it only sets atomic flags.
// - Progress goes to BatchThread directly on the batch thread; BatchThread
//   hands it on to the window by queued signal.
//
// A batch task that can be cancelled from any thread. The flag goes from 0
// to 1 once and is never reset.
class Worker : public QObject, public QRunnable
{
    Q_OBJECT

public:
    explicit Worker(QObject *parent = nullptr);

    virtual void cancel();
    bool isCancelled() const;

protected:
    QAtomicInt m_cancelled;
};

#endif
