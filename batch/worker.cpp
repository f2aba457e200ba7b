#include "worker.h"

Worker::Worker(QObject *parent)
    : QObject(parent)
    , m_cancelled(0)
{
    // Workers are owned by their thread object or caller, not by a pool.
    setAutoDelete(false);
}

void Worker::cancel()
{
    m_cancelled.testAndSetOrdered(0, 1);
}

bool Worker::isCancelled() const
{
    return m_cancelled.loadAcquire() != 0;
}
