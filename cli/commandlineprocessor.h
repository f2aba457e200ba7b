#ifndef VISTALOOM_COMMANDLINEPROCESSOR_H
#define VISTALOOM_COMMANDLINEPROCESSOR_H

#include "batch/batchworker.h"
#include "stopsignals.h"

#include <QFile>
#include <QObject>
#include <QString>

#include <memory>

class QApplication;
class QCommandLineParser;

// Parses the console program's command line, builds one batch job from it
// and runs that job on the main thread, printing every status line.
class CommandLineProcessor : public QObject
{
    Q_OBJECT

public:
    enum ParseResult { ParseOk = 0, ParseError = 1, ParseVersionRequested = 2, ParseHelpRequested = 3 };

    // Process exit codes. A stop signal gives 128 + its number instead.
    enum ExitCode { ExitOk = 0, ExitRefused = 1, ExitJobFailed = 2 };

    explicit CommandLineProcessor(QObject *parent = nullptr);
    ~CommandLineProcessor() override;

    // Runs everything and returns the process exit code. Help and version
    // are printed by the parser, which ends the process itself.
    int execute(QApplication &app);
    int parseCommandLine(QApplication &app, QCommandLineParser &parser, QString *errorMessage);

private slots:
    void jobEvent(BatchWorker *worker, const BatchEvent &event);

private:
    static void print(const QByteArray &line);

    // Installed for the processor's whole life, so a signal during the
    // parsing stops the job before it starts.
    StopSignals m_stopSignals;
    std::unique_ptr<QFile> m_log;
    int m_errorCount = 0;
    int m_imageCount = 0;
    // Every line goes out as one JSON object.
    bool m_json = false;
};

#endif
