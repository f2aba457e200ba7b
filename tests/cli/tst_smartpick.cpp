#include "testmain.h"

#include "fixturevideos.h"
#include "imagetext.h"
#include "imaging/framequality.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTime>

namespace {

struct Shot
{
    QString path;
    qint64 ms = -1; // from the image's Time text
};

// Runs the console program and gives its images in name order.
QVector<Shot> runCli(const QStringList &arguments, const QString &folder)
{
    QProcess process;
    process.start(QStringLiteral(VISTALOOM_CLI_EXECUTABLE), arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        process.kill();
        qWarning() << "console run failed:" << arguments << process.readAllStandardOutput();
        return {};
    }
    QVector<Shot> shots;
    for (const QString &name : QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name)) {
        Shot shot;
        shot.path = QDir(folder).filePath(name);
        const QTime time =
            QTime::fromString(ImageText::read(shot.path).value(QStringLiteral("Time")), QStringLiteral("hh:mm:ss.zzz"));
        shot.ms = time.isValid() ? time.msecsSinceStartOfDay() : -1;
        shots << shot;
    }
    return shots;
}

double meanGrey(const QImage &image)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    double sum = 0;
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            sum += grey.constScanLine(y)[x];
    return sum / (double(grey.width()) * grey.height());
}

double sharpnessOf(const QString &path)
{
    return FrameQuality::of(QImage(path)).sharpness;
}

// A moving test pattern, 10 fps for 10 s, black from 1.5 s to 2.5 s and
// heavily blurred from 2.6 s to 2.8 s: around 2 s only 1.0-1.4 s and
// 2.9-3.0 s are usable. Black again from 6.0 s to 6.45 s, right after a
// cut, for the scene rule.
QString darkAndBlurred()
{
    return FixtureVideos::make(
        QStringLiteral("dark-and-blurred.mp4"),
        {"-f", "lavfi", "-i",
         "testsrc2=s=320x240:r=10:d=10,"
         "drawbox=x=0:y=0:w=iw:h=ih:color=black:t=fill:enable='between(t,1.45,2.55)+between(t,5.95,6.45)',"
         "boxblur=luma_radius=12:luma_power=3:enable='between(t,2.55,2.85)'",
         "-c:v", "libx264", "-pix_fmt", "yuv420p", "-qp", "0", "-g", "10"});
}

// A moving test pattern, 10 fps, spoilt for a second at 1 s (static), 3 s (heavy
// noise over grey), 5 s (white), 7 s (black), 9 s and 11 s (blur); grain at 10 s.
QString spoiltSeconds()
{
    return FixtureVideos::make(
        QStringLiteral("spoilt-seconds.mp4"),
        {"-f", "lavfi", "-i",
         "testsrc2=s=320x240:r=10:d=13,format=yuv420p,"
         "geq=lum='random(1)*255':cb=128:cr=128:enable='between(t,0.95,1.95)',"
         "drawbox=color=gray:t=fill:enable='between(t,2.95,3.95)',noise=alls=100:allf=t:enable='between(t,2.95,3.95)',"
         "drawbox=color=white:t=fill:enable='between(t,4.95,5.95)',"
         "drawbox=color=black:t=fill:enable='between(t,6.95,7.95)',"
         "gblur=sigma=8:enable='between(t,8.95,9.95)+between(t,10.95,11.95)',"
         "noise=alls=10:allf=t:enable='between(t,9.95,10.95)'",
         "-c:v", "libx264", "-qp", "10", "-g", "10"});
}

// Test pattern to 2 s, bars fading in to 3 s and out from 5 s to 6 s, test pattern.
QString fadesAtCuts()
{
    return FixtureVideos::make(QStringLiteral("fades-at-cuts.mp4"),
        {"-f", "lavfi", "-i", "testsrc2=s=320x240:r=10:d=2", "-f", "lavfi", "-i",
         "smptebars=s=320x240:r=10:d=4,fade=in:d=1,fade=out:st=3:d=1", "-f", "lavfi", "-i",
         "testsrc2=s=320x240:r=10:d=2", "-filter_complex", "[0][1][2]concat=n=3:v=1:a=0[v]", "-map", "[v]",
         "-c:v", "libx264", "-pix_fmt", "yuv420p", "-qp", "10"});
}

bool inRange(qint64 ms, qint64 from, qint64 to) { return ms >= from && ms <= to; }

} // namespace

class SmartPickTest : public QObject
{
    Q_OBJECT

private slots:
    // Positions 2 s and 6 s. Without --smart the frame at 2 s is black and
    // kept; with it, a sharp frame that is not black, within a second and
    // at its own time.
    void smartAvoidsBlackAndBlurredFrames()
    {
        const QString video = darkAndBlurred();
        QVERIFY(!video.isEmpty());
        const QStringList job{video, "--ms", "4000", "--skipfront", "2000", "--skipback", "0", "--filetype", "png"};

        QTemporaryDir exactFolder;
        const QVector<Shot> exact = runCli(QStringList(job) << exactFolder.path(), exactFolder.path());
        QCOMPARE(exact.size(), 2);
        QCOMPARE(exact[0].ms, 2000);
        QCOMPARE(exact[1].ms, 6000);
        QVERIFY(meanGrey(QImage(exact[0].path)) < FrameQuality::NearBlackLevel);

        // A blurred frame, exactly, for the sharpness to beat.
        QTemporaryDir blurFolder;
        const QVector<Shot> blurred =
            runCli({video, blurFolder.path(), "--ms", "5000", "--skipfront", "2700", "--skipback", "6000", "--filetype",
                    "png"},
                   blurFolder.path());
        QCOMPARE(blurred.size(), 1);
        QCOMPARE(blurred[0].ms, 2700);

        QTemporaryDir smartFolder;
        const QVector<Shot> smart = runCli(QStringList(job) << smartFolder.path() << "--smart", smartFolder.path());
        QCOMPARE(smart.size(), 2);
        const Shot &picked = smart[0];
        QVERIFY2(inRange(picked.ms, 1000, 1400) || inRange(picked.ms, 2900, 3000), qPrintable(QString::number(picked.ms)));
        const QImage image(picked.path);
        QVERIFY(meanGrey(image) > 3 * FrameQuality::NearBlackLevel);
        QVERIFY2(sharpnessOf(picked.path) > 4 * sharpnessOf(blurred[0].path),
                 qPrintable(QStringLiteral("%1 vs %2").arg(sharpnessOf(picked.path)).arg(sharpnessOf(blurred[0].path))));
        // 6 s is black too (to 6.4 s): a frame on either side of the black.
        QVERIFY2(inRange(smart[1].ms, 6500, 7000) || inRange(smart[1].ms, 5000, 5900),
                 qPrintable(QString::number(smart[1].ms)));
        QVERIFY(meanGrey(QImage(smart[1].path)) > 3 * FrameQuality::NearBlackLevel);

        // Key frames only: --smart leaves them as they are.
        QTemporaryDir fastFolder;
        const QVector<Shot> fast = runCli(QStringList(job) << fastFolder.path() << "--fast", fastFolder.path());
        QTemporaryDir fastSmartFolder;
        const QVector<Shot> fastSmart =
            runCli(QStringList(job) << fastSmartFolder.path() << "--fast" << "--smart", fastSmartFolder.path());
        QCOMPARE(fast.size(), 2);
        QCOMPARE(fastSmart.size(), 2);
        for (int i = 0; i < fast.size(); ++i) {
            QCOMPARE(fastSmart[i].ms, fast[i].ms);
            QCOMPARE(QImage(fastSmart[i].path), QImage(fast[i].path));
        }
    }

    // One position, a second either way: its frame lies inside from-to, or outside a spoilt stretch.
    void picksAUsableFrameOfItsShot_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("inside");
        QTest::newRow("on static") << spoiltSeconds() << 1500 << 1000 << 1900 << false;
        QTest::newRow("beside static") << spoiltSeconds() << 600 << 1000 << 1900 << false;
        QTest::newRow("heavy noise") << spoiltSeconds() << 3500 << 3000 << 3900 << false;
        QTest::newRow("white flash") << spoiltSeconds() << 5500 << 5000 << 5900 << false;
        QTest::newRow("black") << spoiltSeconds() << 7500 << 7000 << 7900 << false;
        QTest::newRow("blur") << spoiltSeconds() << 9500 << 9000 << 9900 << false;
        QTest::newRow("grain among blur") << spoiltSeconds() << 10500 << 10000 << 10900 << true;
        QTest::newRow("fade-in after a cut") << fadesAtCuts() << 2900 << 2000 << 5900 << true;
        QTest::newRow("fade-out before a cut") << fadesAtCuts() << 5100 << 2000 << 5900 << true;
    }
    void picksAUsableFrameOfItsShot()
    {
        QFETCH(QString, video);
        QFETCH(int, position);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, inside);
        QTemporaryDir folder;
        const QStringList job{"--ms", "100000", "--skipfront", QString::number(position), "--skipback", "0", "--smart"};
        const QVector<Shot> shots = runCli(QStringList{video, folder.path(), "--filetype", "png"} + job, folder.path());
        QCOMPARE(shots.size(), 1);
        const qint64 ms = shots[0].ms;
        QVERIFY2(inRange(ms, position - 1000, position + 1000) && inRange(ms, from, to) == inside,
                 qPrintable(QString::number(ms)));
        // The chosen frame is handed over as the picker decoded it: the same
        // picture a plain job takes at its time.
        QTemporaryDir plainFolder;
        const QVector<Shot> plain = runCli({video, plainFolder.path(), "--filetype", "png", "--ms", "100000",
                                            "--skipfront", QString::number(ms), "--skipback", "0"},
                                           plainFolder.path());
        QCOMPARE(plain.size(), 1);
        QCOMPARE(QImage(shots[0].path), QImage(plain[0].path));
    }

    // A window never reaches past the midpoint to the next position: with
    // positions every 400 ms the frame at 2 s may move by 200 ms at most,
    // and when all of those are black it stays.
    void windowStopsHalfwayToTheNeighbours()
    {
        const QString video = darkAndBlurred();
        QTemporaryDir folder;
        const QVector<Shot> shots = runCli(
            {video, folder.path(), "--ms", "400", "--skipfront", "1200", "--skipback", "7500", "--filetype", "png",
             "--smart"},
            folder.path());
        // Positions 1.2, 1.6, 2.0 and 2.4 s; the span ends at 2.5 s.
        QCOMPARE(shots.size(), 4);
        QVERIFY2(inRange(shots[0].ms, 1000, 1400), qPrintable(QString::number(shots[0].ms)));
        // 1.6 s reaches 1.4 s, the last frame before the black.
        QCOMPARE(shots[1].ms, 1400);
        QCOMPARE(shots[2].ms, 2000);
        QVERIFY(meanGrey(QImage(shots[2].path)) < FrameQuality::NearBlackLevel);
        QCOMPARE(shots[3].ms, 2400);
    }

    // A single shot has no neighbours: its window is a second either way.
    void singleShotLooksASecondEitherWay()
    {
        const QString video = darkAndBlurred();
        QTemporaryDir folder;
        // The middle of a 4 s span from the start: 2 s.
        const QVector<Shot> shots = runCli(
            {video, folder.path(), "--count", "1", "--skipfront", "0", "--skipback", "6000", "--filetype", "png",
             "--smart"},
            folder.path());
        QCOMPARE(shots.size(), 1);
        QVERIFY2(inRange(shots[0].ms, 1000, 1400) || inRange(shots[0].ms, 2900, 3000),
                 qPrintable(QString::number(shots[0].ms)));
        QVERIFY(meanGrey(QImage(shots[0].path)) > 3 * FrameQuality::NearBlackLevel);
    }

    // The scene rule stays within the shot: the cut to black at 6 s gives
    // the first frame after the black, never one before the cut.
    void scenesStayWithinTheShot()
    {
        const QString video = darkAndBlurred();
        const QStringList job{video, "--scenes", "--skipfront", "5000", "--skipback", "0", "--filetype", "png"};
        QTemporaryDir exactFolder;
        const QVector<Shot> exact = runCli(QStringList(job) << exactFolder.path(), exactFolder.path());
        QTemporaryDir smartFolder;
        const QVector<Shot> smart = runCli(QStringList(job) << smartFolder.path() << "--smart", smartFolder.path());
        QVector<qint64> exactTimes;
        for (const Shot &shot : exact)
            exactTimes << shot.ms;
        QVERIFY2(exactTimes.contains(6000), qPrintable(QString::number(exactTimes.size())));
        QCOMPARE(smart.size(), exact.size());
        const int cut = exactTimes.indexOf(6000);
        QVERIFY2(inRange(smart[cut].ms, 6500, 7000), qPrintable(QString::number(smart[cut].ms)));
        QVERIFY(meanGrey(QImage(smart[cut].path)) > 3 * FrameQuality::NearBlackLevel);
    }
};

VISTALOOM_TEST_MAIN_GUI(SmartPickTest)

#include "tst_smartpick.moc"
