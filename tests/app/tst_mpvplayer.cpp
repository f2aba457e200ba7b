#include "fixturevideos.h"
#include "mpvplayer.h"
#include "playerwaits.h"
#include "testmain.h"
#include "videocapture.h"
#include "videooutput.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <memory>

using namespace PlayerWaits;

// The player over the real libmpv, with videos whose frames carry their index.
class TestMpvPlayer : public QObject
{
    Q_OBJECT

private:
    static QString indexed() { return FixtureVideos::indexedVideo(320, 240, 10, 5); }

    // Opens path and pauses on the frame of index frame.
    static bool openPausedAt(MpvPlayer *player, const QString &path, int frame)
    {
        if (!openPaused(player, path))
            return false;
        player->seek(frame * 100);
        return waitForPosition(player, frame * 100) && waitForState(player, MpvPlayer::PausedState);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!indexed().isEmpty());
    }

    void stepsLandOnTheNeighbouringFrame_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("forward from the middle") << 20 << "ff" << QList<int>{21, 22};
        QTest::newRow("back from the middle") << 20 << "bb" << QList<int>{19, 18};
        QTest::newRow("forward then back") << 7 << "fbf" << QList<int>{8, 7, 8};
        QTest::newRow("forward from the first frame") << 0 << "f" << QList<int>{1};
        QTest::newRow("back to the first frame") << 1 << "b" << QList<int>{0};
        QTest::newRow("back from the last frame") << 49 << "b" << QList<int>{48};
    }

    void stepsLandOnTheNeighbouringFrame()
    {
        QFETCH(int, start);
        QFETCH(QString, steps);
        QFETCH(QList<int>, expected);
        PlayerRig rig;
        QVERIFY(openPausedAt(rig.player.get(), indexed(), start));
        QCOMPARE(frameIndex(capture(rig.player.get())), start);
        for (int i = 0; i < steps.size(); ++i) {
            if (steps.at(i) == QLatin1Char('f'))
                rig.player->stepForward();
            else
                rig.player->stepBackward();
            QVERIFY2(waitForPosition(rig.player.get(), expected.at(i) * 100),
                     qPrintable(QStringLiteral("position %1").arg(rig.player->position())));
            QCOMPARE(frameIndex(capture(rig.player.get())), expected.at(i));
            QCOMPARE(rig.player->state(), MpvPlayer::PausedState);
        }
    }

    void snapshotsFollowStepsInEveryKindOfFile_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<QString>("steps");
        const QStringList bFrames{QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"),
                                  QStringLiteral("yuv420p"), QStringLiteral("-crf"), QStringLiteral("1"),
                                  QStringLiteral("-bf"), QStringLiteral("3"), QStringLiteral("-g"),
                                  QStringLiteral("10")};
        QTest::newRow("b-frames") << FixtureVideos::indexedVideo(320, 240, 10, 5, QStringLiteral("mp4"), bFrames)
                                  << "fbb";
        QTest::newRow("rotated") << FixtureVideos::withRotation(indexed(), 90) << "fbb";
        QTest::newRow("anamorphic")
            << FixtureVideos::indexedVideo(320, 240, 10, 5, QStringLiteral("mp4"),
                                           QStringList(bFrames) << QStringLiteral("-vf") << QStringLiteral("setsar=32/27"))
            << "fbb";
        // The container starts at 1.4 s; position 0 is still the first
        // frame. mpv lands seeks and back steps in MPEG-TS a key-frame
        // interval late, so the steps here go forward only.
        QTest::newRow("mpeg-ts") << FixtureVideos::indexedVideo(320, 240, 10, 5, QStringLiteral("ts"), bFrames)
                                 << "fff";
    }

    // The snapshot is decoded again from the file at the player's position:
    // it must be the frame on show whatever the container, its start time,
    // frame order, rotation or pixel shape.
    void snapshotsFollowStepsInEveryKindOfFile()
    {
        QFETCH(QString, video);
        QFETCH(QString, steps);
        QVERIFY(!video.isEmpty());
        PlayerRig rig;
        MpvPlayer *player = rig.player.get();
        QVERIFY(openPaused(player, video));
        player->seek(2000);
        QTRY_VERIFY_WITH_TIMEOUT(!player->isSeeking() && player->isPaused(), timeoutMs);
        int frame = static_cast<int>(player->position() / 100);
        QCOMPARE(player->position(), qint64(frame) * 100);
        QImage image = capture(player);
        QCOMPARE(frameIndex(image), frame);
        QCOMPARE(image.size(), player->videoSize());
        for (const QChar step : steps) {
            if (step == QLatin1Char('f')) {
                player->stepForward();
                ++frame;
            } else {
                player->stepBackward();
                --frame;
            }
            QVERIFY2(waitForPosition(player, frame * 100),
                     qPrintable(QStringLiteral("position %1").arg(player->position())));
            image = capture(player);
            QCOMPARE(frameIndex(image), frame);
            QCOMPARE(image.size(), player->videoSize());
        }
    }

    void seeksAreClampedToTheVideo_data()
    {
        QTest::addColumn<qint64>("target");
        QTest::addColumn<int>("expectedFrame");
        QTest::newRow("exact") << qint64(1300) << 13;
        QTest::newRow("negative means the start") << qint64(-500) << 0;
        QTest::newRow("past the end means the last frame") << qint64(60000) << 49;
    }

    void seeksAreClampedToTheVideo()
    {
        QFETCH(qint64, target);
        QFETCH(int, expectedFrame);
        PlayerRig rig;
        QVERIFY(openPausedAt(rig.player.get(), indexed(), 25));
        rig.player->seek(target);
        QTRY_COMPARE_WITH_TIMEOUT(frameIndex(capture(rig.player.get())), expectedFrame, timeoutMs);
        QVERIFY(rig.player->position() >= 0);
        QVERIFY(rig.player->position() <= rig.player->duration());
    }

    void reportsDurationFrameIntervalAndSize()
    {
        PlayerRig rig;
        QSignalSpy started(rig.player.get(), &MpvPlayer::started);
        rig.player->play(indexed());
        QVERIFY(waitForVideo(rig.player.get()));
        QCOMPARE(started.count(), 1);
        QCOMPARE(rig.player->duration(), qint64(5000));
        QCOMPARE(rig.player->notifyInterval(), 100);
        QCOMPARE(rig.player->videoSize(), QSize(320, 240));
        QCOMPARE(rig.player->file(), indexed());
    }

    // mpv reports a value only when it differs from the last one it
    // reported: a second video just like the first, loaded while no event is
    // read, must still show its length, frame interval, size and turn.
    void aSecondVideoLikeTheFirstIsFullyReported()
    {
        const QString first = FixtureVideos::withRotation(indexed(), 90);
        QTemporaryDir folder;
        const QString second = folder.filePath(QStringLiteral("same.mp4"));
        QVERIFY(QFile::copy(first, second));
        PlayerRig rig;
        QVERIFY(openPaused(rig.player.get(), first));
        // Whether mpv's own check runs between the two files is a matter of
        // timing: alternate, with and without events read in between.
        for (int round = 0; round < 60; ++round) {
            const QString next = round % 2 ? first : second;
            rig.player->play(next);
            QThread::msleep((round % 3) * 40);
            QVERIFY2(waitForVideo(rig.player.get()), qPrintable(QStringLiteral("round %1").arg(round)));
            QCOMPARE(rig.player->file(), next);
            QTRY_COMPARE_WITH_TIMEOUT(rig.player->duration(), qint64(5000), timeoutMs);
            QTRY_COMPARE_WITH_TIMEOUT(rig.player->notifyInterval(), 100, timeoutMs);
            QTRY_COMPARE_WITH_TIMEOUT(rig.player->videoSize(), QSize(240, 320), timeoutMs);
            if (round % 2)
                rig.player->pause(true);
        }
    }

    // Names mpv would read otherwise: "-" is standard input to it.
    void relativeNamesOpenTheFileOfThatName()
    {
        const QString dash = FixtureVideos::folder() + QStringLiteral("/-");
        QFile::remove(dash);
        QVERIFY(QFile::copy(indexed(), dash));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(FixtureVideos::folder()));
        PlayerRig rig;
        rig.player->play(QStringLiteral("-"));
        const bool opened = waitForVideo(rig.player.get());
        QDir::setCurrent(previous);
        QVERIFY(opened);
        QCOMPARE(rig.player->duration(), qint64(5000));
    }

    void pausesOnTheLastFrameAtTheEnd()
    {
        PlayerRig rig;
        rig.player->play(FixtureVideos::indexedVideo(160, 120, 10, 1));
        QVERIFY(waitForVideo(rig.player.get()));
        QTRY_COMPARE_WITH_TIMEOUT(rig.player->mediaStatus(), MpvPlayer::EndOfMedia, timeoutMs);
        QVERIFY(waitForState(rig.player.get(), MpvPlayer::PausedState));
        QCOMPARE(frameIndex(capture(rig.player.get())), 9);
        // Playing again starts over rather than sitting on the end.
        rig.player->play();
        QTRY_VERIFY_WITH_TIMEOUT(rig.player->mediaStatus() != MpvPlayer::EndOfMedia, timeoutMs);
    }

    // Played to its end, a video whose sound runs a little past its last
    // frame: the readout stays within the duration, and the first step back
    // shows the frame before the last.
    void theEndReadsWithinTheDurationAndStepsBackAFrame()
    {
        const QString source = QStringLiteral("color=c=black:s=160x120:r=10:d=2,format=gray,geq=lum='N*4'");
        const QString video = FixtureVideos::make(
            QStringLiteral("indexed-with-sound.mp4"),
            {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), source, QStringLiteral("-f"),
             QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=frequency=440:sample_rate=44100:duration=2"),
             QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
             QStringLiteral("-qp"), QStringLiteral("0"), QStringLiteral("-c:a"), QStringLiteral("aac")});
        QVERIFY(!video.isEmpty());
        PlayerRig rig;
        rig.player->play(video);
        QVERIFY(waitForVideo(rig.player.get()));
        QTRY_COMPARE_WITH_TIMEOUT(rig.player->mediaStatus(), MpvPlayer::EndOfMedia, timeoutMs);
        QVERIFY(waitForState(rig.player.get(), MpvPlayer::PausedState));
        QCOMPARE(frameIndex(capture(rig.player.get())), 19);
        QVERIFY2(rig.player->displayPosition() <= rig.player->duration(),
                 qPrintable(QStringLiteral("%1 of %2").arg(rig.player->displayPosition()).arg(rig.player->duration())));
        rig.player->stepBackward();
        QVERIFY2(waitForPosition(rig.player.get(), 1800),
                 qPrintable(QStringLiteral("position %1").arg(rig.player->position())));
        QCOMPARE(frameIndex(capture(rig.player.get())), 18);
        // Sought there while paused, which never brings the end of media: the same.
        rig.player->seek(rig.player->duration());
        QTRY_VERIFY_WITH_TIMEOUT(!rig.player->isSeeking() && rig.player->mediaStatus() == MpvPlayer::LoadedMedia, timeoutMs);
        rig.player->stepBackward();
        QVERIFY2(waitForPosition(rig.player.get(), 1800), qPrintable(QString::number(rig.player->position())));
    }

    void capturesRotatedVideoUpright_data()
    {
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QSize>("upright");
        QTest::newRow("quarter turn") << 90 << QSize(120, 320);
        QTest::newRow("half turn") << 180 << QSize(320, 120);
        QTest::newRow("three quarters") << 270 << QSize(120, 320);
    }

    // A white bar across the top of the stored picture shows which way the
    // capture was turned.
    void capturesRotatedVideoUpright()
    {
        QFETCH(int, rotation);
        QFETCH(QSize, upright);
        const QString plain = FixtureVideos::make(
            QStringLiteral("topbar.mp4"),
            {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
             QStringLiteral("color=c=black:s=320x120:r=10:d=2,drawbox=x=0:y=0:w=320:h=20:color=white:t=fill"),
             QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")});
        const QString rotated = FixtureVideos::withRotation(plain, rotation);
        QVERIFY(!rotated.isEmpty());
        PlayerRig rig;
        QVERIFY(openPaused(rig.player.get(), rotated));
        QCOMPARE(rig.player->videoSize(), upright);
        const QImage image = capture(rig.player.get());
        QCOMPARE(image.size(), upright);
        QCOMPARE(image.format(), QImage::Format_ARGB32);
        // The tag turns the picture clockwise by its value, as FFmpeg reads it:
        // rotate=90 puts the stored top at the left.
        const QPoint bar = rotation == 90 ? QPoint(5, upright.height() / 2)
                         : rotation == 180 ? QPoint(upright.width() / 2, upright.height() - 5)
                                           : QPoint(upright.width() - 5, upright.height() / 2);
        QVERIFY2(qGray(image.pixel(bar)) > 200, "the bar is not where the rotation puts it");
        QVERIFY(qGray(image.pixel(upright.width() / 2, upright.height() / 2)) < 50);
    }

    void filesThatCannotBePlayedAreReported_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing") << "missing.mp4" << QByteArray();
        QTest::newRow("empty") << "empty.mp4" << QByteArray("");
        QTest::newRow("text") << "text.mp4" << QByteArray("this is not a video\n");
    }

    void filesThatCannotBePlayedAreReported()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        const QString path = FixtureVideos::folder() + QLatin1Char('/') + name;
        if (!content.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        PlayerRig rig;
        QSignalSpy failed(rig.player.get(), &MpvPlayer::loadFailed);
        rig.player->play(path);
        QVERIFY(failed.wait(timeoutMs));
        QCOMPARE(failed.first().first().toString(), path);
        QCOMPARE(rig.player->state(), MpvPlayer::StoppedState);
        QCOMPARE(rig.player->mediaStatus(), MpvPlayer::InvalidMedia);
    }

    void captureWithoutVideoFails()
    {
        PlayerRig rig;
        QSignalSpy failed(rig.player->videoCapture(), &VideoCapture::failed);
        rig.player->videoCapture()->capture();
        QVERIFY(failed.wait(timeoutMs));
    }

    void volumeReachesMpv()
    {
        PlayerRig rig;
        rig.player->setVolume(0.7);
        QTRY_COMPARE_WITH_TIMEOUT(qRound(rig.player->volume() * 100), 70, timeoutMs);
        rig.player->setVolume(0);
        QTRY_COMPARE_WITH_TIMEOUT(qRound(rig.player->volume() * 100), 0, timeoutMs);
    }

    void stopReturnsToNoMedia()
    {
        PlayerRig rig;
        rig.player->play(indexed());
        QVERIFY(waitForVideo(rig.player.get()));
        rig.player->stop();
        QCOMPARE(rig.player->state(), MpvPlayer::StoppedState);
        QCOMPARE(rig.player->mediaStatus(), MpvPlayer::NoMedia);
        QCOMPARE(rig.player->position(), qint64(0));
        // Commands on a stopped player are harmless.
        rig.player->stepForward();
        rig.player->seek(1000);
        rig.player->pause(false);
        // What mpv reports of the stop (end of file, properties going away)
        // has all been sent once mpv sits idle; let the player take it in.
        QTRY_VERIFY_WITH_TIMEOUT(mpvIsIdle(rig.player.get()), timeoutMs);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCOMPARE(rig.player->state(), MpvPlayer::StoppedState);
        QCOMPARE(rig.player->mediaStatus(), MpvPlayer::NoMedia);
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestMpvPlayer)
#include "tst_mpvplayer.moc"
