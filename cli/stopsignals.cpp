#include "stopsignals.h"

#include "batch/worker.h"

#include <QThread>
#include <QtGlobal>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <iterator>

namespace {

#ifdef Q_OS_UNIX
constexpr int Watched[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
#else
constexpr int Watched[] = {SIGINT, SIGTERM};
#endif
constexpr std::size_t WatchedCount = std::size(Watched);

// All a handler touches, and only through lock-free atomics. A handler has
// no way to reach the program but a variable of the process.
struct HandlerState
{
    std::atomic<Worker *> worker{nullptr};
    std::atomic<int> signal{0};
    // Handlers running at this moment (on any thread).
    std::atomic<int> busy{0};
};
HandlerState state;

static_assert(std::atomic<Worker *>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);
// Worker::cancel() sets the worker's, the scene walk's and the grabber's
// flags, which must be just as safe to set from a handler.
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(QAtomicInt::isTestAndSetNative());

void onStopSignal(int number)
{
    const int savedErrno = errno;
    state.busy.fetch_add(1);
    int none = 0;
    state.signal.compare_exchange_strong(none, number);
    if (Worker *worker = state.worker.load())
        worker->cancel();
    state.busy.fetch_sub(1);
    errno = savedErrno;
}

} // namespace

struct StopSignals::Previous
{
    bool installed[WatchedCount] = {};
#ifdef Q_OS_UNIX
    struct sigaction actions[WatchedCount];
#else
    void (*handlers[WatchedCount])(int) = {};
#endif
};

StopSignals::StopSignals()
    : m_previous(std::make_unique<Previous>())
{
    for (std::size_t i = 0; i < WatchedCount; ++i) {
#ifdef Q_OS_UNIX
        struct sigaction current;
        if (::sigaction(Watched[i], nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
            continue;
        struct sigaction action = {};
        action.sa_handler = onStopSignal;
        ::sigemptyset(&action.sa_mask);
        for (const int other : Watched)
            ::sigaddset(&action.sa_mask, other);
        // Reads and writes the signal interrupts go on; the job stops at
        // its own next check.
        action.sa_flags = SA_RESTART;
        m_previous->installed[i] = ::sigaction(Watched[i], &action, &m_previous->actions[i]) == 0;
#else
        const auto previous = std::signal(Watched[i], onStopSignal);
        if (previous == SIG_IGN)
            std::signal(Watched[i], SIG_IGN);
        m_previous->handlers[i] = previous;
        m_previous->installed[i] = previous != SIG_ERR && previous != SIG_IGN;
#endif
    }
}

StopSignals::~StopSignals()
{
    watch(nullptr);
    for (std::size_t i = 0; i < WatchedCount; ++i) {
        if (!m_previous->installed[i])
            continue;
#ifdef Q_OS_UNIX
        ::sigaction(Watched[i], &m_previous->actions[i], nullptr);
#else
        std::signal(Watched[i], m_previous->handlers[i]);
#endif
    }
}

void StopSignals::watch(Worker *worker)
{
    // The handler counts itself busy before it reads the worker, and this
    // reads the count after clearing it: a handler that still saw the
    // worker is waited for.
    state.worker.store(worker);
    if (!worker) {
        while (state.busy.load() != 0)
            QThread::yieldCurrentThread();
        return;
    }
    if (state.signal.load() != 0)
        worker->cancel();
}

int StopSignals::exitCode() const
{
    const int number = state.signal.load();
    return number == 0 ? 0 : 128 + number;
}
