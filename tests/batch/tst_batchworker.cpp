#include "testmain.h"

#include "batch/batchworker.h"
#include "fixturevideos.h"
#include "imagetext.h"
#include "profiles/batchworkerconfig.h"
#include "profiles/filenameprofile.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

int frameIndexOf(const QImage &image)
{
    return FixtureVideos::frameIndexOfLevel(qRed(image.pixel(image.width() / 2, image.height() / 2)));
}

struct JobResult
{
    QVector<float> progress;
    QStringList status;
    QVector<int> frames;
};

// Runs the job on this thread, as the console program does.
JobResult runJob(BatchWorkerConfig &config)
{
    BatchWorker worker;
    worker.setConfig(&config);
    JobResult result;
    QObject::connect(&worker, &BatchWorker::progressUpdate,
                     [&](BatchWorker *, float progress) { result.progress << progress; });
    QObject::connect(&worker, &BatchWorker::statusUpdate,
                     [&](BatchWorker *, const QString &text, BatchWorker::BatchStatusMessageType type) {
                         result.status << (type == BatchWorker::Error ? QStringLiteral("E:") : QStringLiteral("I:")) + text;
                     });
    QObject::connect(&worker, &BatchWorker::imageReady,
                     [&](BatchWorker *, QImage &image) { result.frames << frameIndexOf(image); });
    worker.run();
    return result;
}

void prepare(BatchWorkerConfig &config, const QTemporaryDir &output, const QString &video)
{
    config.setSource(video);
    config.setFileOutputDir(QDir(output.path()));
    config.fileNameProfile()->setFileOutputType(QStringLiteral("png"));
}

QString sixtySeconds() { return FixtureVideos::indexedVideo(160, 120, 1, 60); }

} // namespace

class TestBatchWorker : public QObject
{
    Q_OBJECT

private slots:
    void everyFiveSecondsEndsAtFullProgress()
    {
        QTemporaryDir output;
        BatchWorkerConfig config;
        prepare(config, output, sixtySeconds());
        const JobResult result = runJob(config);

        QCOMPARE(result.frames, (QVector<int>{2, 7, 12, 17, 22, 27, 32, 37, 42, 47, 52, 57}));
        QCOMPARE(result.progress.size(), 2 + 24);
        QCOMPARE(result.progress.at(0), 0.0f);
        QCOMPARE(result.progress.at(1), 0.01f);
        // The first value sent for image k is (2k - 1) / 24 * 0.99 + 0.01.
        for (int k = 1; k <= 12; ++k)
            QVERIFY(qAbs(result.progress.at(2 * k) - ((2.0f * k - 1.0f) / 24.0f * 0.99f + 0.01f)) < 1e-6f);
        QVERIFY(qFuzzyCompare(result.progress.last(), 1.0f));
        for (int i = 1; i < result.progress.size(); ++i)
            QVERIFY(result.progress.at(i) > result.progress.at(i - 1));
        QCOMPARE(result.status.size(), 12);
        QCOMPARE(result.status.first(), QStringLiteral("I:Saving: ") + QFileInfo(sixtySeconds()).completeBaseName() + "-1.png");
    }

    void singleShotPositions_data()
    {
        QTest::addColumn<int>("intervalType");
        QTest::addColumn<int>("images");
        QTest::addColumn<int>("singleShot");
        QTest::addColumn<int>("frame");
        QTest::addColumn<int>("skipFront");

        QTest::newRow("middle of the span") << 2 << 10 << 1 << 28 << 2000;
        // Half of the 38 s span lies before the skip: held at the front.
        QTest::newRow("middle after a long skip") << 2 << 10 << 1 << 20 << 20000;
        QTest::newRow("back") << 2 << 10 << 2 << 58 << 2000;
        QTest::newRow("front") << 2 << 10 << 0 << 2 << 2000;
        QTest::newRow("count 1 becomes a single shot") << 1 << 1 << 1 << 28 << 2000;
        QTest::newRow("count 0 becomes a single shot") << 1 << 0 << 2 << 58 << 2000;
    }

    void singleShotPositions()
    {
        QFETCH(int, intervalType);
        QFETCH(int, images);
        QFETCH(int, singleShot);
        QFETCH(int, frame);
        QFETCH(int, skipFront);

        QTemporaryDir output;
        BatchWorkerConfig config;
        prepare(config, output, sixtySeconds());
        config.setSkipFront(skipFront);
        config.setIntervalType(intervalType);
        config.setIntervalImages(images);
        config.setIntervalSingleShot(singleShot);
        const JobResult result = runJob(config);
        QCOMPARE(result.frames, QVector<int>{frame});
        QCOMPARE(config.intervalType(), int(BatchWorkerConfig::SingleShot));
        if (intervalType == BatchWorkerConfig::ImageCount)
            QCOMPARE(config.intervalImages(), 10);
        QVERIFY(qFuzzyCompare(result.progress.last(), 1.0f));
        QCOMPARE(QDir(output.path()).entryList(QDir::Files),
                 QStringList{QFileInfo(sixtySeconds()).completeBaseName() + ".png"});
    }

    void unusableIntervalsAreRepairedInTheConfig()
    {
        QTemporaryDir output;
        BatchWorkerConfig config;
        prepare(config, output, sixtySeconds());
        config.setIntervalMilliseconds(-5);
        config.setSkipFront(55000);
        config.setSkipBack(3000);
        const JobResult result = runJob(config);
        QCOMPARE(config.intervalMilliseconds(), 1000);
        QCOMPARE(result.frames, (QVector<int>{55, 56}));
    }

    void unopenableSourceEndsTheJob()
    {
        QTemporaryDir output;
        BatchWorkerConfig config;
        prepare(config, output, output.filePath(QStringLiteral("missing.mp4")));
        const JobResult result = runJob(config);
        QCOMPARE(result.status, QStringList{"E:Could not open file"});
        QCOMPARE(result.progress, (QVector<float>{0.0f, 0.01f}));
    }

    void imageCountPastTheEndReportsIt()
    {
        // Ten images over the last 400 ms of a 10 fps clip run out of frames.
        QTemporaryDir output;
        BatchWorkerConfig config;
        prepare(config, output, FixtureVideos::indexedVideo(160, 120, 10, 3));
        config.setIntervalType(BatchWorkerConfig::ImageCount);
        config.setIntervalImages(10);
        config.setSkipFront(2600);
        config.setSkipBack(0);
        const JobResult result = runJob(config);
        QVERIFY2(!result.status.isEmpty(), "the job must say why it stopped");
        QVERIFY(result.status.last().startsWith(QStringLiteral("E:")));
        QVERIFY(result.frames.size() < 10);
        QCOMPARE(result.frames.first(), 26);
    }

    // Each saved file names its video and its frame's time from the start
    // of the media, also where the container starts late (MPEG-TS).
    void savedImagesCarryTheirSourceAndTime_data()
    {
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("type");
        QTest::newRow("mp4 to png") << "mp4" << "png";
        QTest::newRow("ts to jpeg") << "ts" << "jpeg";
    }

    void savedImagesCarryTheirSourceAndTime()
    {
        QFETCH(QString, container);
        QFETCH(QString, type);
        QTemporaryDir output;
        BatchWorkerConfig config;
        const QString video = FixtureVideos::indexedVideo(160, 120, 10, 3, container);
        prepare(config, output, video);
        config.fileNameProfile()->setFileOutputType(type);
        // 130, 830, 1530, 2230 and 2930 ms: nearest frames 1, 8, 15, 22 and 29.
        config.setIntervalMilliseconds(700);
        config.setSkipFront(130);
        config.setSkipBack(0);
        const JobResult result = runJob(config);
        QCOMPARE(result.frames, (QVector<int>{1, 8, 15, 22, 29}));

        const QDir folder(output.path());
        QStringList times;
        for (const QString &name : folder.entryList({QStringLiteral("*.") + type}, QDir::Files, QDir::Name)) {
            const QMap<QString, QString> text = ImageText::read(folder.filePath(name));
            QCOMPARE(text.value(QStringLiteral("Source")), QFileInfo(video).fileName());
            times << text.value(QStringLiteral("Time"));
        }
        QCOMPARE(times, (QStringList{"00:00:00.100", "00:00:00.800", "00:00:01.500", "00:00:02.200", "00:00:02.900"}));
    }

    void cancelledWorkerDoesNothing()
    {
        QTemporaryDir output;
        BatchWorkerConfig config;
        prepare(config, output, sixtySeconds());
        BatchWorker worker;
        worker.setConfig(&config);
        QSignalSpy progress(&worker, &BatchWorker::progressUpdate);
        worker.cancel();
        worker.run();
        QCOMPARE(progress.count(), 0);
        QVERIFY(QDir(output.path()).entryList(QDir::Files).isEmpty());
    }
};

VISTALOOM_TEST_MAIN_GUI(TestBatchWorker)
#include "tst_batchworker.moc"
