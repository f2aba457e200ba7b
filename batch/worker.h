#ifndef VISTALOOM_WORKER_H
#define VISTALOOM_WORKER_H

#include <QAtomicInt>
#include <QObject>
#include <QRunnable>

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
