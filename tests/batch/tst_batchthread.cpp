#include "testmain.h"

#include "batch/batchthread.h"
#include "batch/batchworker.h"
#include "fixturevideos.h"
#include "profiles/batchworkerconfig.h"
#include "profiles/filenameprofile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

struct Job
{
    std::unique_ptr<QTemporaryDir> output = std::make_unique<QTemporaryDir>();
    std::unique_ptr<BatchWorkerConfig> config = std::make_unique<BatchWorkerConfig>();
};

Job makeJob(const QString &video, int intervalMs)
{
    Job job;
    job.config->setSource(video);
    job.config->setFileOutputDir(QDir(job.output->path()));
    job.config->setIntervalMilliseconds(intervalMs);
    job.config->setSkipFront(1000);
    job.config->setSkipBack(1000);
    job.config->fileNameProfile()->setFileOutputType(QStringLiteral("png"));
    return job;
}

// One worker per job, queued on the thread (which then owns them).
void queueWorkers(BatchThread &thread, std::vector<Job> &jobs)
{
    for (Job &job : jobs) {
        auto *worker = new BatchWorker;
        worker->setConfig(job.config.get());
        thread.addWorker(worker);
    }
}

int imagesIn(const Job &job)
{
    return QDir(job.output->path()).entryList(QDir::Files).size();
}

struct Progress
{
    float overall;
    float current;
};

} // namespace

class TestBatchThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        BatchWorker::registerMetaTypes();
    }

    void threeJobsReportOverallProgress()
    {
        const QString video = FixtureVideos::indexedVideo(160, 120, 10, 6);
        std::vector<Job> jobs;
        for (int i = 0; i < 3; ++i)
            jobs.push_back(makeJob(video, 2000));

        BatchThread thread;
        queueWorkers(thread, jobs);
        for (QObject *child : thread.children())
            QVERIFY(qobject_cast<BatchWorker *>(child));
        QCOMPARE(thread.children().size(), 3);
        QVector<Progress> progress;
        connect(&thread, &BatchThread::progressUpdate, this,
                [&](float overall, float current) { progress.append({overall, current}); });
        QSignalSpy done(&thread, &BatchThread::threadDone);
        thread.start();
        QVERIFY(done.wait(60000));
        thread.wait();

        for (const Job &job : jobs)
            QCOMPARE(imagesIn(job), 2);
        QVector<float> finished;
        for (const Progress &p : progress) {
            QVERIFY(p.overall >= 0.0f && p.overall <= 1.0f);
            if (p.current == 1.0f && (finished.isEmpty() || !qFuzzyCompare(finished.last(), p.overall)))
                finished << p.overall;
        }
        QCOMPARE(finished.size(), 3);
        QVERIFY(qAbs(finished.at(0) - 1.0f / 3.0f) < 1e-5f);
        QVERIFY(qAbs(finished.at(1) - 2.0f / 3.0f) < 1e-5f);
        QVERIFY(qFuzzyCompare(finished.at(2), 1.0f));
        QVERIFY(qFuzzyCompare(progress.last().overall, 1.0f));
    }

    void cancellingDuringTheSecondJobStopsTheBatch()
    {
        const QString shortVideo = FixtureVideos::indexedVideo(160, 120, 10, 6);
        const QString longVideo = FixtureVideos::indexedVideo(160, 120, 1, 60);
        std::vector<Job> jobs;
        jobs.push_back(makeJob(shortVideo, 2000));
        jobs.push_back(makeJob(longVideo, 500));
        jobs.push_back(makeJob(shortVideo, 2000));

        BatchThread thread;
        queueWorkers(thread, jobs);
        QElapsedTimer sinceCancel;
        int progressAfterCancel = 0;
        connect(&thread, &BatchThread::progressUpdate, this, [&](float overall, float current) {
            if (sinceCancel.isValid()) {
                ++progressAfterCancel;
                return;
            }
            if (overall > 0.4f && overall < 0.6f && current < 1.0f) {
                thread.cancel();
                sinceCancel.start();
            }
        });
        QSignalSpy done(&thread, &BatchThread::threadDone);
        thread.start();
        QVERIFY(done.wait(120000));
        QVERIFY(sinceCancel.isValid());
        qInfo("threadDone %lld ms after cancel", static_cast<long long>(sinceCancel.elapsed()));
        thread.wait();
        // Signals already queued when cancel() was called may still arrive;
        // nothing new is produced.
        QVERIFY2(progressAfterCancel <= 2, qPrintable(QString::number(progressAfterCancel)));
        const int second = imagesIn(jobs.at(1));
        QVERIFY2(second > 0 && second < 117, qPrintable(QString::number(second)));
        QCOMPARE(imagesIn(jobs.at(2)), 0);
        // The workers live on this thread: a frame the batch thread handed
        // over before it ended is saved only when its queued call runs.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCOMPARE(imagesIn(jobs.at(1)), second);
    }

    void emptyQueueOnlyFinishes()
    {
        BatchThread thread;
        QSignalSpy progress(&thread, &BatchThread::progressUpdate);
        QSignalSpy done(&thread, &BatchThread::threadDone);
        thread.start();
        // The spies record on the batch thread; the counts are read once
        // it has ended.
        QVERIFY(thread.wait(5000));
        QCOMPARE(done.count(), 1);
        QCOMPARE(progress.count(), 0);
    }
};

VISTALOOM_TEST_MAIN_GUI(TestBatchThread)
#include "tst_batchthread.moc"
