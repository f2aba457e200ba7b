#include "previewsource.h"

#include "media/framegrabber.h"
#include "media/videoframe.h"

#include <algorithm>
#include <memory>

PreviewSource::PreviewSource(QObject *parent)
    : QObject(parent)
{
    m_thread = std::thread([this] { run(); });
}

PreviewSource::~PreviewSource()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        abortRunning();
    }
    m_wake.notify_one();
    m_thread.join();
}

void PreviewSource::setSource(const QString &path)
{
    if (path == m_path)
        return;
    m_path = path;
    m_kept.clear();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sharedPath = path;
        ++m_generation;
        m_waiting.reset();
        m_release = true;
        abortRunning();
    }
    m_wake.notify_one();
}

QString PreviewSource::source() const
{
    return m_path;
}

void PreviewSource::request(qint64 ms)
{
    if (m_path.isEmpty())
        return;
    if (const Kept *known = kept(ms)) {
        const qint64 frameMs = known->frameMs;
        const QImage picture = known->picture;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_waiting.reset();
            abortRunning();
        }
        emit previewReady(ms, frameMs, picture);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_waiting = ms;
        if (m_runningMs != ms)
            abortRunning();
    }
    m_wake.notify_one();
}

void PreviewSource::cancel()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_waiting.reset();
        m_release = true;
        abortRunning();
    }
    m_wake.notify_one();
}

// With m_mutex held.
void PreviewSource::abortRunning()
{
    if (m_running) {
        m_running->abort();
        m_runningAborted = true;
    }
}

const PreviewSource::Kept *PreviewSource::kept(qint64 ms)
{
    const auto found = std::find_if(m_kept.begin(), m_kept.end(),
                                    [ms](const Kept &kept) { return kept.first <= ms && ms <= kept.last; });
    if (found == m_kept.end())
        return nullptr;
    // The last entry is the one used most recently.
    std::rotate(found, found + 1, m_kept.end());
    return &m_kept.back();
}

void PreviewSource::take(quint64 generation, qint64 requestedMs, qint64 frameMs, const QImage &picture)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (generation != m_generation)
            return;
    }
    // No key frame lies nearer to any time between the one asked for and
    // the key frame found, so the whole stretch is known now.
    const qint64 first = std::min(requestedMs, frameMs);
    const qint64 last = std::max(requestedMs, frameMs);
    const auto same = std::find_if(m_kept.begin(), m_kept.end(),
                                   [frameMs](const Kept &kept) { return kept.frameMs == frameMs; });
    if (same != m_kept.end()) {
        same->first = std::min(same->first, first);
        same->last = std::max(same->last, last);
        std::rotate(same, same + 1, m_kept.end());
    } else {
        m_kept.push_back(Kept{first, last, frameMs, picture});
        if (m_kept.size() > size_t(cacheSize))
            m_kept.erase(m_kept.begin());
    }
    emit previewReady(requestedMs, frameMs, picture);
}

void PreviewSource::run()
{
    std::unique_ptr<FrameGrabber> grabber;
    VideoFrame found;
    for (;;) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [this] { return m_stop || m_waiting || m_release; });
        if (m_stop)
            break;
        if (m_release || (grabber && grabber->source() != m_sharedPath)) {
            m_release = false;
            lock.unlock();
            grabber.reset();
            continue;
        }
        const qint64 ms = *m_waiting;
        m_waiting.reset();
        const quint64 generation = m_generation;
        if (!grabber) {
            grabber = std::make_unique<FrameGrabber>(nullptr);
            grabber->setSource(m_sharedPath);
            grabber->setKeyFramesOnly(true);
            // Every hover is a request of its own, however near the last.
            grabber->setPrecision(0);
            QObject::connect(grabber.get(), &FrameGrabber::frameExtracted,
                             [&found](const VideoFrame &frame) { found = frame; });
        }
        m_running = grabber.get();
        m_runningMs = ms;
        m_runningAborted = false;
        lock.unlock();

        grabber->setPosition(ms);
        grabber->extract();

        lock.lock();
        m_running = nullptr;
        m_runningMs = -1;
        const bool aborted = m_runningAborted;
        lock.unlock();
        // An aborted grabber stays aborted (also when the abort came just
        // after its frame), and one that failed may be stuck: the next
        // request gets a fresh one.
        if (aborted || !found.isValid())
            grabber.reset();
        if (!found.isValid())
            continue;
        const QSize full = found.displaySize();
        const int width = std::min(previewWidth, full.width());
        const QSize size(width, std::max(1, int(qRound64(double(width) * full.height() / std::max(1, full.width())))));
        const QImage picture = found.toImage(QImage::Format_ARGB32, size);
        const qint64 frameMs = qRound64(found.timestamp() * 1000.0);
        found = VideoFrame();
        QMetaObject::invokeMethod(
            this, [this, generation, ms, frameMs, picture] { take(generation, ms, frameMs, picture); },
            Qt::QueuedConnection);
    }
}
