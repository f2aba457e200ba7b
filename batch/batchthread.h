#ifndef VISTALOOM_BATCHTHREAD_H
#define VISTALOOM_BATCHTHREAD_H

#include <QAtomicInt>
#include <QMutex>
#include <QThread>
#include <QVector>

class BatchWorker;
class Worker;

// Runs a queue of workers one after another on its own thread and turns
// each worker's progress into the progress of the whole batch.
class BatchThread : public QThread
{
    Q_OBJECT

public:
    explicit BatchThread(QObject *parent = nullptr);

    // Must be called before start(); the worker becomes a child of this object.
    void addWorker(Worker *worker);
    void cancel();
    bool isCancelled() const;

signals:
    void progressUpdate(float overall, float current);
    void threadDone();

protected slots:
    void workerProgressUpdate(BatchWorker *worker, float m_progress);

protected:
    void run() override;

private:
    float overallProgress(float current) const;
    int queueLength() const;

    mutable QMutex m_queueLock;
    QVector<Worker *> m_workers;
    QAtomicInt m_total {0};
    QAtomicInt m_cancelled {0};
};

#endif
