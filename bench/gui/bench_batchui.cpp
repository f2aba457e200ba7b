// Keeps the window's event loop under watch while the batch processing
// dialog runs a batch: a 10 ms timer records the longest time between two
// of its ticks, which is how long the window could not react to the user.
// Prints its figures; run.sh-style driver: run_batch.sh.
#include "batchprocessingdialog.h"

#include "batch/batchworker.h"
#include "profiles/applicationidentity.h"
#include "profiles/batchworkerconfig.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char *argv[])
{
    // Settings and profiles of the benchmark's own, never the user's.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    ApplicationIdentity::apply();
    BatchWorker::registerMetaTypes();
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_batchui [--interval MS] VIDEO...\n");
        return 2;
    }
    int intervalMs = 1000;
    QStringList videos;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--interval") && i + 1 < argc)
            intervalMs = std::max(1, atoi(argv[++i]));
        else
            videos << arg;
    }

    QTemporaryDir output;
    std::vector<std::unique_ptr<BatchWorkerConfig>> jobs;
    BatchProcessingDialog dialog;
    for (const QString &video : videos) {
        auto config = std::make_unique<BatchWorkerConfig>();
        config->loadDefaults();
        config->setSource(video);
        config->setFileOutputPath(output.path());
        config->setIntervalMilliseconds(intervalMs);
        config->loadVideoInfo();
        dialog.addJob(config.get());
        jobs.push_back(std::move(config));
    }

    QElapsedTimer clock;
    qint64 lastTick = -1;
    qint64 longestGap = 0;
    qint64 ticks = 0;
    int gapsOver50 = 0;
    int gapsOver100 = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (lastTick >= 0) {
            const qint64 gap = now - lastTick;
            longestGap = std::max(longestGap, gap);
            gapsOver50 += gap > 50;
            gapsOver100 += gap > 100;
        }
        lastTick = now;
        ++ticks;
        // Close the dialog as a user would once the batch is over.
        if (dialog.isBatchFinished() && dialog.isVisible())
            dialog.findChild<QPushButton *>(QStringLiteral("doneButton"))->click();
    });
    QTimer::singleShot(0, [&] {
        clock.start();
        ticker.start();
    });
    dialog.exec();
    const qint64 elapsed = clock.elapsed();
    ticker.stop();

    const int images = QDir(output.path()).entryList(QDir::Files).size();
    std::printf("videos: %d, images saved: %d, run: %lld ms\n", static_cast<int>(videos.size()), images,
                static_cast<long long>(elapsed));
    std::printf("event loop ticks: %lld, gaps over 50 ms: %d, over 100 ms: %d\n", static_cast<long long>(ticks),
                gapsOver50, gapsOver100);
    std::printf("longest event loop gap: %lld ms (target under 150 ms)\n", static_cast<long long>(longestGap));
    return 0;
}
