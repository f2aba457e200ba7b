#include "imagecompare.h"
#include "fixturevideos.h"
#include "mpvplayer.h"
#include "playerwaits.h"
#include "testmain.h"
#include "videooutput.h"

#include <QApplication>
#include <QDir>
#include <QOpenGLWidget>
#include <QPainter>
#include <QWidget>

using namespace PlayerWaits;

namespace {

using ImageCompare::meanDifference;
using ImageCompare::psnr;

constexpr int Width = 640;
constexpr int Height = 360;

// A smooth, colourful SDR picture; its saturated sharp edges would measure
// the 4:2:0 chroma of the HDR file rather than its tone.
QString sdrPicture()
{
    return FixtureVideos::make(QStringLiteral("hdr-source.png"),
                               {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                QStringLiteral("testsrc2=s=%1x%2:d=1,gblur=sigma=6").arg(Width).arg(Height),
                                QStringLiteral("-frames:v"), QStringLiteral("1")});
}

// The picture as HDR with SDR white at 100 cd/m², BT.2020, 10-bit HEVC:
// HDR10 (transfer smpte2084) with the mastering and light-level tags real
// files carry, or HLG (arib-std-b67) untagged, as broadcast HLG comes.
QString hdrVideo(const QString &picture, const QString &transfer)
{
    const QString tags = transfer == QLatin1String("smpte2084")
        ? QStringLiteral(":hdr10=1:master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)"
                         "L(10000000,1):max-cll=1000,400")
        : QString();
    return FixtureVideos::make(
        QStringLiteral("hdr-%1.mkv").arg(transfer),
        {QStringLiteral("-loop"), QStringLiteral("1"), QStringLiteral("-framerate"), QStringLiteral("10"),
         QStringLiteral("-i"), picture, QStringLiteral("-t"), QStringLiteral("2"), QStringLiteral("-vf"),
         QStringLiteral("zscale=tin=bt709:pin=bt709:min=bt709:rin=full:t=%1:p=bt2020:m=bt2020nc:r=tv:npl=100,"
                        "format=yuv420p10le").arg(transfer),
         QStringLiteral("-c:v"), QStringLiteral("libx265"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p10le"),
         QStringLiteral("-color_primaries"), QStringLiteral("bt2020"), QStringLiteral("-color_trc"), transfer,
         QStringLiteral("-colorspace"), QStringLiteral("bt2020nc"), QStringLiteral("-x265-params"),
         QStringLiteral("log-level=error:colorprim=bt2020:transfer=%1:colormatrix=bt2020nc%2").arg(transfer, tags)});
}

// The same picture as plain SDR video: what the software output reaches
// without any tone to map.
QString sdrVideo(const QString &picture)
{
    return FixtureVideos::make(
        QStringLiteral("hdr-source-sdr.mp4"),
        {QStringLiteral("-loop"), QStringLiteral("1"), QStringLiteral("-framerate"), QStringLiteral("10"),
         QStringLiteral("-i"), picture, QStringLiteral("-t"), QStringLiteral("2"), QStringLiteral("-vf"),
         QStringLiteral("scale=out_color_matrix=bt709:out_range=tv"), QStringLiteral("-c:v"),
         QStringLiteral("libx264"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
         QStringLiteral("-colorspace"), QStringLiteral("bt709"), QStringLiteral("-color_primaries"),
         QStringLiteral("bt709"), QStringLiteral("-color_trc"), QStringLiteral("bt709")});
}

} // namespace

// What the video outputs paint, read back from the widget on a real X
// server.
class TestHdrOnScreen : public QObject
{
    Q_OBJECT

private:
    // The frame painted once the player is paused on a frame decoded after
    // it set itself up for the video: the first frames of an HDR file may
    // have gone out before. Null when the player did not get there.
    static QImage paintedFrame(PlayerRig &rig, const QString &video, bool hdr)
    {
        MpvPlayer *player = rig.player.get();
        if (!openPaused(player, video) || !QTest::qWaitFor([player, hdr] { return player->isHdr() == hdr; }, timeoutMs))
            return QImage();
        player->seek(1000);
        if (!waitForPosition(player, 1000))
            return QImage();
        const qint64 shown = player->framesShown();
        player->stepForward();
        if (!QTest::qWaitFor([player, shown] { return player->framesShown() > shown && !player->isSeeking(); },
                             timeoutMs))
            return QImage();
        QCoreApplication::processEvents();
        if (auto *gl = qobject_cast<QOpenGLWidget *>(rig.output.get()))
            return gl->grabFramebuffer();
        return rig.output->grab().toImage();
    }

private slots:
    void cleanup() { qunsetenv("VISTALOOM_VIDEO_OUTPUT"); }

    void sdrVideoIsPaintedAsItIs()
    {
        qputenv("VISTALOOM_VIDEO_OUTPUT", "software");
        const QString picture = sdrPicture();
        QVERIFY(!picture.isEmpty());
        const QString sdr = sdrVideo(picture);
        QVERIFY(!sdr.isEmpty());
        PlayerRig rig(QSize(Width, Height));
        const double value = psnr(paintedFrame(rig, sdr, false), QImage(picture));
        QVERIFY2(value > 35, qPrintable(QString::number(value)));
    }

    void hdrOnScreenIsTheSnapshot_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("transfer");
        for (const char *output : {"opengl", "software"}) {
            QTest::addRow("%s hdr10", output) << QByteArray(output) << QStringLiteral("smpte2084");
            QTest::addRow("%s hlg", output) << QByteArray(output) << QStringLiteral("arib-std-b67");
        }
    }

    // What the user sees is what the snapshot saves, tone mapping and all.
    void hdrOnScreenIsTheSnapshot()
    {
        QFETCH(QByteArray, output);
        QFETCH(QString, transfer);
        const QString video = hdrVideo(sdrPicture(), transfer);
        QVERIFY(!video.isEmpty());
        qputenv("VISTALOOM_VIDEO_OUTPUT", output);
        PlayerRig rig(QSize(Width, Height));
        QCOMPARE(qobject_cast<QOpenGLWidget *>(rig.output.get()) != nullptr, output == "opengl");
        const QImage screen = paintedFrame(rig, video, true);
        const QImage snapshot = capture(rig.player.get());
        QCOMPARE(screen.size(), QSize(Width, Height));
        QCOMPARE(snapshot.size(), QSize(Width, Height));
        const double difference = meanDifference(screen, snapshot);
        qInfo("%s: mean difference %.2f %%", QTest::currentDataTag(), difference * 100);
        if (transfer == QLatin1String("smpte2084")) {
            QImage pair(2 * Width, Height, QImage::Format_RGB32);
            QPainter(&pair).drawImage(0, 0, screen);
            QPainter(&pair).drawImage(Width, 0, snapshot);
            QDir().mkpath(QStringLiteral(VISTALOOM_SCREENSHOT_DIR));
            QVERIFY(pair.save(QStringLiteral(VISTALOOM_SCREENSHOT_DIR "/hdr10-screen-beside-snapshot-%1.png")
                                  .arg(QString::fromLatin1(output))));
        }
        QVERIFY2(difference < 0.03, qPrintable(QString::number(difference)));
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestHdrOnScreen)
#include "tst_hdronscreen.moc"
