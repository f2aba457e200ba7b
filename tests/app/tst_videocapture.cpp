#include "imagecompare.h"
#include "fixturevideos.h"
#include "mpvplayer.h"
#include "playerwaits.h"
#include "testmain.h"
#include "videocapture.h"
#include "videooutput.h"

#include "media/framegrabber.h"
#include "media/videoframe.h"

#include <QApplication>
#include <QFile>
#include <QWidget>

#include <cmath>
#include <memory>

using namespace PlayerWaits;

namespace {

using ImageCompare::psnr;

// The image a batch job makes of the frame at ms: a fresh grabber, as the
// batch worker uses it, and the frame's own conversion.
QImage batchImage(const QString &video, qint64 ms)
{
    FrameGrabber grabber(nullptr);
    grabber.setSource(video);
    grabber.setPrecision(0);
    QImage image;
    QObject::connect(&grabber, &FrameGrabber::frameExtracted,
                     [&image](const VideoFrame &frame) { image = frame.toImage(QImage::Format_ARGB32); });
    grabber.setPosition(ms);
    grabber.extract();
    return image;
}

QStringList colourSource(const QString &size)
{
    // A moving, colourful picture: a wrong frame or another YUV conversion
    // shows at once in the comparison.
    return {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("testsrc2=s=%1:r=25:d=4").arg(size)};
}

QStringList h264(const QStringList &extra = QStringList())
{
    return QStringList{QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"),
                       QStringLiteral("yuv420p"), QStringLiteral("-bf"), QStringLiteral("3")}
        << extra;
}

} // namespace

// The window's snapshot against the batch image of the same frame, through
// the real player and the real media layer.
class TestVideoCapture : public QObject
{
    Q_OBJECT

private:
    static bool waitForStep(MpvPlayer *player, qint64 from)
    {
        return QTest::qWaitFor([player, from] { return !player->isSeeking() && player->position() != from; },
                               timeoutMs);
    }

private slots:
    void snapshotIsTheBatchImage_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<QByteArray>("steps");
        const QString plain = FixtureVideos::make(QStringLiteral("colour-bframes.mp4"),
                                                  colourSource(QStringLiteral("640x360")) << h264());
        QTest::newRow("h264 with b-frames in mp4") << plain << QByteArray("fbb");
        QTest::newRow("rotated") << FixtureVideos::withRotation(plain, 90) << QByteArray("fbb");
        QTest::newRow("anamorphic") << FixtureVideos::make(
            QStringLiteral("colour-anamorphic.mp4"),
            colourSource(QStringLiteral("720x480"))
                << h264({QStringLiteral("-vf"), QStringLiteral("setsar=32/27")}))
            << QByteArray("fbb");
        QTest::newRow("mpeg-ts") << FixtureVideos::make(
            QStringLiteral("colour.ts"),
            colourSource(QStringLiteral("640x360")) << h264({QStringLiteral("-g"), QStringLiteral("25")}))
            // mpv's back step is such a seek, and lands on the frame it
            // started from; forward steps decode on and stay exact.
            << QByteArray("ff");
        // Tone mapping and deinterlacing belong to the conversion: the
        // snapshot gets them exactly as the batch image does.
        QTest::newRow("hdr10") << FixtureVideos::make(
            QStringLiteral("colour-hdr10.mkv"),
            colourSource(QStringLiteral("640x360"))
                << QStringList{QStringLiteral("-vf"),
                               QStringLiteral("zscale=tin=709:pin=709:min=709:rin=tv:t=smpte2084:p=2020:m=2020_ncl:r=tv:npl=100,"
                                              "format=yuv420p10le"),
                               QStringLiteral("-c:v"), QStringLiteral("libx265"), QStringLiteral("-preset"),
                               QStringLiteral("ultrafast"), QStringLiteral("-color_primaries"), QStringLiteral("bt2020"),
                               QStringLiteral("-color_trc"), QStringLiteral("smpte2084"), QStringLiteral("-colorspace"),
                               QStringLiteral("bt2020nc"), QStringLiteral("-x265-params"),
                               QStringLiteral("log-level=error:max-cll=1000,400")})
            << QByteArray("fb");
        QTest::newRow("interlaced") << FixtureVideos::make(
            QStringLiteral("colour-interlaced.mp4"),
            {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
             QStringLiteral("testsrc2=s=320x240:r=50:d=4,scroll=h=0.02"), QStringLiteral("-vf"),
             QStringLiteral("tinterlace=interleave_top,setfield=tff"), QStringLiteral("-c:v"), QStringLiteral("libx264"),
             QStringLiteral("-flags"), QStringLiteral("+ilme+ildct"), QStringLiteral("-x264-params"),
             QStringLiteral("tff=1"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")})
            << QByteArray("fb");
    }

    // Seek, then step: every snapshot is the batch image of the frame at the
    // player's position, pixel for pixel.
    void snapshotIsTheBatchImage()
    {
        QFETCH(QString, video);
        QFETCH(QByteArray, steps);
        QVERIFY(!video.isEmpty());
        PlayerRig rig;
        MpvPlayer *player = rig.player.get();
        QVERIFY(openPaused(player, video));
        // mpv lands a seek in MPEG-TS a key-frame interval late (FFmpeg seeks
        // that container by decoding time); wherever it lands, the snapshot
        // must be the frame at the position it reports.
        const qint64 before = player->position();
        player->seek(2000);
        QVERIFY(waitForStep(player, before));
        for (const char step : QByteArray("-") + steps) {
            if (step == 'f' || step == 'b') {
                const qint64 from = player->position();
                step == 'f' ? player->stepForward() : player->stepBackward();
                QVERIFY(waitForStep(player, from));
            }
            const qint64 position = player->position();
            const QImage snapshot = capture(player);
            QVERIFY(!snapshot.isNull());
            QCOMPARE(snapshot.size(), player->videoSize());
            const QImage batch = batchImage(video, position);
            const double value = psnr(snapshot, batch);
            qInfo("%s at %lld ms: %.2f dB", QTest::currentDataTag(), static_cast<long long>(position), value);
            QCOMPARE(snapshot.size(), batch.size());
            QVERIFY2(snapshot == batch, qPrintable(QStringLiteral("PSNR %1 dB").arg(value)));
        }
    }

    // An mpv edit list plays in mpv but is no file the media layer reads:
    // the snapshot then comes from mpv's screenshot, of the right frame.
    void filesOnlyMpvReadsFallBackToItsScreenshot()
    {
        const QString source = FixtureVideos::indexedVideo(320, 240, 10, 5);
        QVERIFY(!source.isEmpty());
        const QString edl = FixtureVideos::folder() + QStringLiteral("/edit-list.edl");
        {
            QFile file(edl);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("# mpv EDL v0\n" + source.toUtf8() + "\n");
        }
        {
            FrameGrabber grabber(nullptr);
            grabber.setSource(edl);
            QCOMPARE(grabber.duration(), qint64(-1));
        }
        PlayerRig rig;
        MpvPlayer *player = rig.player.get();
        QVERIFY(openPaused(player, edl));
        for (const int frame : {12, 30, 7}) {
            player->seek(frame * 100);
            QVERIFY(waitForPosition(player, frame * 100));
            QTRY_COMPARE_WITH_TIMEOUT(frameIndex(capture(player)), frame, timeoutMs);
        }
    }

    // Closing the player while a decode runs on the worker thread neither
    // blocks nor leaks nor delivers to the dead capture.
    void closingMidDecodeIsSafe()
    {
        const QString video = FixtureVideos::make(QStringLiteral("colour-long.mp4"),
                                                  QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"),
                                                              QStringLiteral("-i"),
                                                              QStringLiteral("testsrc2=s=1280x720:r=25:d=20")}
                                                      << h264({QStringLiteral("-g"), QStringLiteral("600")}));
        QVERIFY(!video.isEmpty());
        for (int round = 0; round < 3; ++round) {
            PlayerRig rig;
            QVERIFY(openPaused(rig.player.get(), video));
            rig.player->seek(19000);
            QVERIFY(waitForPosition(rig.player.get(), 19000));
            rig.player->videoCapture()->capture();
        }
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestVideoCapture)
#include "tst_videocapture.moc"
