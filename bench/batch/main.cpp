// Runs a queue of short videos through the batch thread, as the window
// does, and prints the resident memory after 20 and after all jobs, so
// growth from job to job shows.
#include "batch/batchthread.h"
#include "batch/batchworker.h"
#include "media/memorypolicy.h"
#include "profiles/applicationidentity.h"
#include "profiles/batchworkerconfig.h"
#include "profiles/filenameprofile.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    MemoryPolicy::apply();
    QGuiApplication app(argc, argv);
    ApplicationIdentity::apply();
    BatchWorker::registerMetaTypes();

    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("video"), QStringLiteral("Short clip used for every job."));
    parser.addOption({QStringLiteral("jobs"), QStringLiteral("Number of jobs."), QStringLiteral("n"), QStringLiteral("200")});
    parser.process(app);
    if (parser.positionalArguments().isEmpty())
        parser.showHelp(1);
    const QString video = parser.positionalArguments().first();
    const int jobCount = parser.value(QStringLiteral("jobs")).toInt();

    QTemporaryDir output;
    std::vector<std::unique_ptr<BatchWorkerConfig>> configs;
    BatchThread thread;
    int errors = 0;
    for (int i = 0; i < jobCount; ++i) {
        auto config = std::make_unique<BatchWorkerConfig>();
        config->setSource(video);
        config->setFileOutputDir(QDir(output.path()));
        config->setIntervalType(BatchWorkerConfig::ImageCount);
        config->setIntervalImages(3);
        config->setSkipFront(0);
        config->setSkipBack(0);
        auto *worker = new BatchWorker;
        worker->setConfig(config.get());
        QObject::connect(worker, &BatchWorker::statusUpdate, &thread,
                         [&errors](BatchWorker *, const QString &text, BatchWorker::BatchStatusMessageType type) {
                             if (type == BatchWorker::Error) {
                                 ++errors;
                                 std::fprintf(stderr, "%s\n", qPrintable(text));
                             }
                         });
        thread.addWorker(worker);
        configs.push_back(std::move(config));
    }

    int finished = 0;
    long afterTwenty = -1;
    QElapsedTimer timer;
    QObject::connect(&thread, &BatchThread::progressUpdate, [&](float overall, float current) {
        if (current < 1.0f)
            return;
        const int done = qRound(overall * jobCount);
        if (done > finished) {
            finished = done;
            if (finished == 20)
                afterTwenty = residentKiB();
        }
    });
    QObject::connect(&thread, &BatchThread::threadDone, &app, &QCoreApplication::quit);
    timer.start();
    thread.start();
    app.exec();
    thread.wait();
    const long afterAll = residentKiB();

    const int images = QDir(output.path()).entryList(QDir::Files).size();
    std::printf("batch_jobs=%d images=%d errors=%d seconds=%.1f\n", jobCount, images, errors, timer.elapsed() / 1000.0);
    std::printf("rss_after_20_jobs_kib=%ld\n", afterTwenty);
    std::printf("rss_after_%d_jobs_kib=%ld\n", jobCount, afterAll);
    std::printf("rss_growth_kib_per_job=%.1f\n",
                jobCount > 20 ? double(afterAll - afterTwenty) / (jobCount - 20) : 0.0);
    return images == jobCount * 3 ? 0 : 1;
}
