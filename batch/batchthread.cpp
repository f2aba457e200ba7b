#include "batchthread.h"

#include "batchworker.h"

#include <QMutexLocker>
#include <QtDebug>

#include <algorithm>

BatchThread::BatchThread(QObject *parent)
    : QThread(parent)
{
}

void BatchThread::addWorker(Worker *worker)
{
    if (isRunning())
        qFatal("You can't add workers after calling start");
    worker->setParent(this);
    QMutexLocker lock(&m_queueLock);
    m_workers.append(worker);
}

void BatchThread::cancel()
{
    m_cancelled.testAndSetOrdered(0, 1);
    QMutexLocker lock(&m_queueLock);
    for (Worker *worker : qAsConst(m_workers))
        worker->cancel();
}

bool BatchThread::isCancelled() const
{
    return m_cancelled.loadAcquire() != 0;
}

int BatchThread::queueLength() const
{
    QMutexLocker lock(&m_queueLock);
    return m_workers.size();
}

float BatchThread::overallProgress(float current) const
{
    const int total = m_total.loadAcquire();
    if (total <= 0)
        return 1.0f;
    const float overall = (static_cast<float>(total - queueLength()) + current) / static_cast<float>(total);
    return std::clamp(overall, 0.0f, 1.0f);
}

void BatchThread::workerProgressUpdate(BatchWorker *worker, float m_progress)
{
    Q_UNUSED(worker)
    if (isCancelled())
        return;
    emit progressUpdate(overallProgress(m_progress), m_progress);
}

void BatchThread::run()
{
    qDebug() << "BatchThread::run()" << isCancelled();
    m_total.storeRelease(queueLength());
    while (!isCancelled() && queueLength() > 0) {
        qDebug() << "Running a worker";
        Worker *worker = nullptr;
        {
            QMutexLocker lock(&m_queueLock);
            worker = m_workers.first();
        }
        qDebug() << "Connecting signals";
        if (auto *batchWorker = qobject_cast<BatchWorker *>(worker))
            // Direct: the overall share is worked out while this worker is
            // still first in the queue, not when a queued call finally runs
            // and the next job may already have begun.
            connect(batchWorker, &BatchWorker::progressUpdate, this, &BatchThread::workerProgressUpdate,
                    Qt::DirectConnection);
        qDebug() << "Running";
        worker->run();
        if (isCancelled())
            break;
        qDebug() << "Ran";
        // Out of the queue before it is handed over for deletion, so that a
        // cancel() walking the queue never reaches a deleted worker.
        {
            QMutexLocker lock(&m_queueLock);
            m_workers.removeFirst();
        }
        // With the finished worker out of the queue this is k / total.
        emit progressUpdate(overallProgress(0.0f), 1.0f);
        worker->disconnect();
        // The next job starts at once: a pause between jobs cost a queue
        // of short videos more time than their decoding.
        worker->deleteLater();
    }
    emit threadDone();
}
