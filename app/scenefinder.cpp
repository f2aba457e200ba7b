#include "scenefinder.h"

#include "batch/scenejob.h"
#include "media/scenescanner.h"
#include "profiles/batchworkerconfig.h"

#include <QThread>

#include <limits>

SceneFinder::SceneFinder(QObject *parent)
    : QObject(parent)
{
}

SceneFinder::~SceneFinder()
{
    stop();
    joinThread();
}

void SceneFinder::start(const QString &path, qint64 durationMs)
{
    stop();
    joinThread();
    m_abort.store(false);
    m_running = true;
    const quint64 run = m_run;
    m_thread.reset(QThread::create([this, run, path, durationMs] { walk(run, path, durationMs); }));
    // The player and the window come first on a busy machine.
    m_thread->start(QThread::LowPriority);
}

void SceneFinder::stop()
{
    m_abort.store(true);
    ++m_run;
    m_running = false;
}

void SceneFinder::joinThread()
{
    if (m_thread) {
        m_thread->wait();
        m_thread.reset();
    }
}

template <typename Call> void SceneFinder::report(quint64 run, Call call)
{
    QMetaObject::invokeMethod(
        this,
        [this, run, call] {
            if (run == m_run && m_running)
                call();
        },
        Qt::QueuedConnection);
}

void SceneFinder::walk(quint64 run, const QString &path, qint64 durationMs)
{
    SceneScanner scanner(m_abort);
    if (!scanner.open(path) || !scanner.startBefore(0)) {
        report(run, [this] {
            m_running = false;
            emit finished(false);
        });
        return;
    }
    // What the batch scene rule does by default, over the whole video; no
    // sharpest-frame pick: a mark is the shot's first picture.
    SceneJob::Settings settings;
    settings.threshold = BatchWorkerConfig::DefaultSceneThreshold;
    settings.minGapMs = BatchWorkerConfig::DefaultSceneMinGapMilliseconds;
    settings.spanEnd = std::numeric_limits<qint64>::max();
    bool opening = true;
    SceneJob job(settings, m_abort, [&](const VideoFrame &frame) {
        // The video's first picture opens the first shot; it is no cut.
        if (!opening) {
            const qint64 ms = qRound64(frame.timestamp() * 1000.0);
            report(run, [this, ms] { emit cutFound(ms); });
        }
        opening = false;
        return !m_abort.load();
    });
    int reported = -1;
    const SceneJob::Outcome outcome = job.walk(scanner, [&](qint64 ms) {
        const int percent = durationMs > 0 ? int(qBound<qint64>(0, ms * 100 / durationMs, 99)) : 0;
        if (percent != reported) {
            reported = percent;
            report(run, [this, percent] { emit progress(percent); });
        }
    });
    const bool completed = outcome == SceneJob::Outcome::Ended && job.finish();
    report(run, [this, completed] {
        m_running = false;
        emit finished(completed);
    });
}
