#include "testmain.h"

#include "batch/batchworker.h"
#include "fixturevideos.h"
#include "media/scenescanner.h"
#include "profiles/batchworkerconfig.h"
#include "profiles/filenameprofile.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>

namespace {

struct SceneRun
{
    QStringList files;   // in the order saved
    QVector<int> shots;  // of the images handed out
    QStringList errors;
    QVector<float> progress;
};

SceneRun runScenes(BatchWorkerConfig &config, int cancelAfterImages = -1)
{
    BatchWorker worker;
    worker.setConfig(&config);
    SceneRun run;
    QObject::connect(&worker, &BatchWorker::statusUpdate,
                     [&](BatchWorker *, const QString &text, BatchWorker::BatchStatusMessageType type) {
                         if (type == BatchWorker::Error)
                             run.errors << text;
                         else if (text.startsWith(QLatin1String("Saving: ")))
                             run.files << text.mid(8);
                     });
    QObject::connect(&worker, &BatchWorker::imageReady, [&](BatchWorker *self, QImage &image) {
        run.shots << FixtureVideos::shotOfImage(image);
        if (run.shots.size() == cancelAfterImages)
            self->cancel();
    });
    QObject::connect(&worker, &BatchWorker::progressUpdate,
                     [&](BatchWorker *, float progress) { run.progress << progress; });
    worker.run();
    return run;
}

// A scene job over the whole five-shot video, named by frame time.
void prepare(BatchWorkerConfig &config, const QTemporaryDir &output)
{
    config.setSource(FixtureVideos::fiveShots());
    config.setFileOutputDir(QDir(output.path()));
    config.setIntervalType(BatchWorkerConfig::SceneChange);
    config.setSkipFront(0);
    config.setSkipBack(0);
    config.fileNameProfile()->setFileBaseName(QStringLiteral("{ms}"));
    config.fileNameProfile()->setFileOutputSuffix(QStringLiteral("_"));
    config.fileNameProfile()->setFileOutputType(QStringLiteral("png"));
}

} // namespace

class TestSceneChanges : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(!FixtureVideos::fiveShots().isEmpty()); }

    // The walk decodes only pictures others refer to where it can: a cut on
    // one that nothing refers to is still found on its own frame.
    void firstFrameOfEveryShot_data()
    {
        QTest::addColumn<bool>("cutsOnBFrames");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("key frames at the cuts")
            << false << QStringList{"0_1.png", "2000_2.png", "4000_3.png", "6000_4.png", "8000_5.png"};
        QTest::newRow("cuts on pictures nothing refers to")
            << true << QStringList{"0_1.png", "1900_2.png", "3900_3.png", "5900_4.png", "7900_5.png"};
    }

    void firstFrameOfEveryShot()
    {
        QFETCH(bool, cutsOnBFrames);
        QFETCH(QStringList, files);
        QTemporaryDir output;
        BatchWorkerConfig config;
        prepare(config, output);
        config.setSource(FixtureVideos::fiveShots(cutsOnBFrames));
        config.setFileOutputDir(QDir(output.path()));
        QCOMPARE(config.expectedImageCountText(), QStringLiteral("?"));
        const SceneRun run = runScenes(config);

        QCOMPARE(run.errors, QStringList());
        // The run tells the count until a setting changes.
        QCOMPARE(config.expectedImageCountText(), QStringLiteral("5"));
        config.setSceneMinGapMilliseconds(2500);
        QCOMPARE(config.expectedImageCountText(), QStringLiteral("?"));
        QCOMPARE(run.files, files);
        QCOMPARE(run.shots, (QVector<int>{0, 1, 2, 3, 4}));
        // The files hold those frames, not neighbours from the shot before.
        for (int i = 0; i < run.files.size(); ++i)
            QCOMPARE(FixtureVideos::shotOfImage(QImage(QDir(output.path()).filePath(run.files.at(i)))), i);
        // Progress follows the walk through the span and ends full.
        QVERIFY(run.progress.size() > 10);
        QVERIFY(std::is_sorted(run.progress.cbegin(), run.progress.cend()));
        QCOMPARE(run.progress.last(), 1.0f);
    }

    // The differences at the cuts of the fixture, measured: 34.9, 31.5,
    // 26.2 and 21.0; within the shots at most 3.2.
    void thresholdAndGapChooseTheCuts_data()
    {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<int>("gap");
        QTest::addColumn<qlonglong>("skipFront");
        QTest::addColumn<qlonglong>("skipBack");
        QTest::addColumn<QStringList>("files");

        QTest::newRow("threshold above the weakest cut")
            << 24 << 1000 << 0LL << 0LL << QStringList{"0_1.png", "2000_2.png", "4000_3.png", "6000_4.png"};
        QTest::newRow("threshold above every cut") << 50 << 1000 << 0LL << 0LL << QStringList{"0_1.png"};
        QTest::newRow("gap leaves out cuts close to the last image")
            << 12 << 2500 << 0LL << 0LL << QStringList{"0_1.png", "4000_2.png", "8000_3.png"};
        QTest::newRow("gap of exactly the distance keeps the cut")
            << 12 << 2000 << 0LL << 0LL
            << QStringList{"0_1.png", "2000_2.png", "4000_3.png", "6000_4.png", "8000_5.png"};
        // The span's first frame is an image; a cut at the span's end is not.
        QTest::newRow("span") << 12 << 1000 << 1000LL << 2000LL
                              << QStringList{"1000_1.png", "2000_2.png", "4000_3.png", "6000_4.png"};
        QTest::newRow("span starting at a cut") << 12 << 1000 << 2000LL << 0LL
                                                << QStringList{"2000_1.png", "4000_2.png", "6000_3.png", "8000_4.png"};
    }

    void thresholdAndGapChooseTheCuts()
    {
        QFETCH(int, threshold);
        QFETCH(int, gap);
        QFETCH(qlonglong, skipFront);
        QFETCH(qlonglong, skipBack);
        QFETCH(QStringList, files);

        QTemporaryDir output;
        BatchWorkerConfig config;
        prepare(config, output);
        config.setSceneThreshold(threshold);
        config.setSceneMinGapMilliseconds(gap);
        config.setSkipFront(skipFront);
        config.setSkipBack(skipBack);
        const SceneRun run = runScenes(config);
        QCOMPARE(run.errors, QStringList());
        QCOMPARE(run.files, files);
    }

    // A lighting change crosses the threshold at 2 s and the cut to the
    // next shot follows 200 ms later: the stronger change takes the image.
    void strongestChangeWithinTheGapWins()
    {
        QTemporaryDir output;
        BatchWorkerConfig config;
        prepare(config, output);
        config.setSource(FixtureVideos::make(QStringLiteral("weak-change-then-cut.mp4"),
            {"-filter_complex",
             "testsrc2=s=160x120:r=10:d=2[a];testsrc2=s=160x120:r=10:d=0.2,eq=brightness=0.2[w];"
             "smptebars=s=160x120:r=10:d=2[b];[a][w][b]concat=n=3:v=1:a=0[v]",
             "-map", "[v]", "-c:v", "libx264", "-qp", "0"}));
        config.setFileOutputDir(QDir(output.path())); // a new source moves it beside the video
        QCOMPARE(runScenes(config).files, (QStringList{"0_1.png", "2200_2.png"}));
    }

    // A dissolve or a fade gives one image, of the new shot once it is fully
    // in (the transitions run from 2 to 3 s); a pan or a zoom between two
    // cuts gives none beyond the cuts, nor does a two-frame flash.
    void gradualTransitions_data()
    {
        QTest::addColumn<QString>("graph");
        QTest::addColumn<QStringList>("cuts"); // the images' times other than the transition's
        QTest::addColumn<QString>("newShot");  // a still of the new shot, empty for no transition

        const QString size = QStringLiteral("s=160x90:r=25");
        const QString fit = QStringLiteral("format=yuv420p,setsar=1");
        const QString mandelbrot = QStringLiteral("mandelbrot=%1,trim=duration=3,setpts=PTS-STARTPTS,%2[a];").arg(size, fit);
        QTest::newRow("dissolve")
            << mandelbrot + QStringLiteral("smptebars=%1:d=3,%2[b];[a][b]xfade=transition=fade:duration=1:offset=2[v]")
                                .arg(size, fit)
            << QStringList{"0"} << QStringLiteral("smptebars=%1").arg(size);
        QTest::newRow("fade through black")
            << QStringLiteral("smptebars=%1:d=3,%2[a];rgbtestsrc=%1:d=3,%2[b];"
                              "[a][b]xfade=transition=fadeblack:duration=1:offset=2[v]").arg(size, fit)
            << QStringList{"0"} << QStringLiteral("rgbtestsrc=%1").arg(size);
        QTest::newRow("pan")
            << QStringLiteral("testsrc2=%1:d=2,%2[a];smptehdbars=s=480x90:r=25:d=3,crop=160:90:x='t*100':y=0,%2[p];"
                              "rgbtestsrc=%1:d=2,%2[b];[a][p][b]concat=n=3:v=1[v]").arg(size, fit)
            << QStringList{"0", "2000", "5000"} << QString();
        QTest::newRow("zoom")
            << QStringLiteral("smptebars=%1:d=2,%2[a];testsrc2=%1:d=3,zoompan=z='1+on/50':d=1:s=160x90:fps=25,%2[z];"
                              "rgbtestsrc=%1:d=2,%2[b];[a][z][b]concat=n=3:v=1[v]").arg(size, fit)
            << QStringList{"0", "2000", "5000"} << QString();
        QTest::newRow("flash")
            << QStringLiteral("testsrc2=%1:d=3,drawbox=c=white:t=fill:enable='between(t,1.5,1.58)',%2[v]").arg(size, fit)
            << QStringList{"0"} << QString();
    }

    void gradualTransitions()
    {
        QFETCH(QString, graph);
        QFETCH(QStringList, cuts);
        QFETCH(QString, newShot);

        QTemporaryDir output;
        BatchWorkerConfig config;
        prepare(config, output);
        config.setSource(FixtureVideos::make(QStringLiteral("%1.mp4").arg(QTest::currentDataTag()).replace(' ', '-'),
            {"-filter_complex", graph, "-map", "[v]", "-c:v", "libx264", "-qp", "0"}));
        config.setFileOutputDir(QDir(output.path()));
        const SceneRun run = runScenes(config);
        QCOMPARE(run.errors, QStringList());
        QStringList times;
        for (const QString &file : run.files)
            times << file.section('_', 0, 0);
        if (newShot.isEmpty()) {
            QCOMPARE(times, cuts);
            return;
        }
        QCOMPARE(times.size(), cuts.size() + 1);
        QCOMPARE(times.mid(0, cuts.size()), cuts);
        // Not the old shot nor a mix, and no later than the new shot needs to settle.
        const qint64 ms = times.last().toLongLong();
        QVERIFY2(ms >= 2900 && ms <= 3700, qPrintable(times.last()));
        const QString still = FixtureVideos::make(newShot.section('=', 0, 0) + QStringLiteral(".png"),
                                                  {"-f", "lavfi", "-i", newShot, "-frames:v", "1"});
        const QImage image(QDir(output.path()).filePath(run.files.last()));
        QVERIFY(SceneScanner::difference(SceneScanner::signature(image), SceneScanner::signature(QImage(still))) < 3.0);
    }

    void cancelStopsTheWalk()
    {
        QTemporaryDir output;
        BatchWorkerConfig config;
        prepare(config, output);
        const SceneRun run = runScenes(config, 2);
        QCOMPARE(run.files, (QStringList{"0_1.png", "2000_2.png"}));
        QCOMPARE(QDir(output.path()).entryList(QDir::Files).size(), 2);
    }

    // Names made from the frame time repeat when a job runs again: the
    // counter moves on instead of replacing the first run's files.
    void sameTimeNeverOverwrites()
    {
        QTemporaryDir output;
        BatchWorkerConfig config;
        prepare(config, output);
        config.setSceneThreshold(50);
        config.fileNameProfile()->setFileOutputSuffix(QString());
        config.fileNameProfile()->setFileOutputCounterPadZeros(0);
        QCOMPARE(runScenes(config).files, QStringList{"01.png"});
        const QDateTime firstWritten = QFileInfo(QDir(output.path()).filePath("01.png")).lastModified();
        QCOMPARE(runScenes(config).files, QStringList{"02.png"});
        QCOMPARE(QFileInfo(QDir(output.path()).filePath("01.png")).lastModified(), firstWritten);

        // The single-shot rule names its image without a counter first.
        BatchWorkerConfig single;
        prepare(single, output);
        single.setIntervalType(BatchWorkerConfig::SingleShot);
        single.setIntervalSingleShot(BatchWorkerConfig::Front);
        single.fileNameProfile()->setFileBaseName(QStringLiteral("at{ms}"));
        QCOMPARE(runScenes(single).files, QStringList{"at0.png"});
        QCOMPARE(runScenes(single).files, QStringList{"at0_1.png"});
    }
};

VISTALOOM_TEST_MAIN_GUI(TestSceneChanges)
#include "tst_scenechanges.moc"
