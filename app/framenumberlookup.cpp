#include "framenumberlookup.h"

#include "media/frameindex.h"

#include <QThread>

FrameNumberLookup::FrameNumberLookup(QObject *parent)
    : QObject(parent)
    , m_index(std::make_shared<Index>())
{
    m_pool.setMaxThreadCount(1);
}

FrameNumberLookup::~FrameNumberLookup()
{
    m_abort = true;
    m_pool.waitForDone();
}

void FrameNumberLookup::setVideo(const QString &path)
{
    if (path == m_path)
        return;
    ++m_video;
    m_path = path;
    m_pending.reset();
    // Cleared once the aborted lookup has come back, before the next starts.
    if (m_busy)
        m_abort = true;
}

void FrameNumberLookup::request(qint64 ms)
{
    if (m_path.isEmpty())
        return;
    m_pending = Request{m_video, m_path, ms};
    if (!m_busy)
        startNext();
}

void FrameNumberLookup::startNext()
{
    if (!m_pending)
        return;
    const Request request = *m_pending;
    m_pending.reset();
    m_busy = true;
    m_pool.start(QRunnable::create([this, request, index = m_index] {
        // Only the readout waits for the number: playback and the first
        // frame of a new video go first.
        QThread::currentThread()->setPriority(QThread::IdlePriority);
        if (!index->frames || index->path != request.path) {
            index->frames = std::make_unique<FrameIndex>(m_abort);
            index->path = request.path;
            index->frames->open(request.path);
        }
        qint64 number = index->frames->numberAt(request.ms / 1000.0);
        // An aborted read leaves the index behind the file: start over next time.
        if (m_abort.load()) {
            index->frames.reset();
            number = -1;
        }
        QMetaObject::invokeMethod(this, [this, request, number] { finished(request, number); }, Qt::QueuedConnection);
    }));
}

void FrameNumberLookup::finished(const Request &request, qint64 number)
{
    m_busy = false;
    m_abort = false;
    if (request.video == m_video && !m_pending && number >= 0)
        emit found(request.ms, number);
    startNext();
}
