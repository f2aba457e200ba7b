#ifndef VISTALOOM_STOPSIGNALS_H
#define VISTALOOM_STOPSIGNALS_H

#include <memory>

class Worker;

// Turns the signals that ask the console program to stop (SIGINT, SIGTERM,
// and on Unix SIGHUP and SIGPIPE) into a cancel of the running job: the job
// stops at its next check, an image being written is finished first (a
// claimed name never stays empty), the summary is printed and the program
// exits with 128 + the signal's number. SIGPIPE counts too: once the reader
// of the output has gone, the default action would end the program between
// claiming a name and writing its image.
//
// A repeated signal changes nothing: the job is already stopping and ends
// after at most the image in hand. Ending at once would mean removing that
// image's claim and hidden file from inside the handler, which would need
// every write path to publish its file names for the handler to read.
//
// A signal the program was started with ignored (nohup, a background job of
// a script) stays ignored. One instance at a time; it restores the previous
// handlers when it goes.
class StopSignals
{
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // The worker a signal cancels, until watch(nullptr), which returns only
    // when no handler is still using the worker. A signal that came before
    // cancels the worker at once.
    void watch(Worker *worker);
    // 0 while no signal came, else 128 + the number of the first one.
    int exitCode() const;

private:
    struct Previous;
    std::unique_ptr<Previous> m_previous;
};

#endif
