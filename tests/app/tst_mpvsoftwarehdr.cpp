#include "imagecompare.h"
#include "fixturevideos.h"
#include "mpvplayer.h"
#include "playerwaits.h"
#include "testmain.h"
#include "videooutput.h"

#include <QApplication>
#include <QWidget>

#include <cmath>
#include <memory>

using namespace PlayerWaits;

namespace {

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

// The picture as HDR10: SDR white at 100 cd/m² in PQ, BT.2020, 10-bit HEVC
// with the mastering and light-level tags real HDR10 files carry.
QString hdrVideo(const QString &picture)
{
    return FixtureVideos::make(
        QStringLiteral("hdr10.mkv"),
        {QStringLiteral("-loop"), QStringLiteral("1"), QStringLiteral("-framerate"), QStringLiteral("10"),
         QStringLiteral("-i"), picture, QStringLiteral("-t"), QStringLiteral("2"), QStringLiteral("-vf"),
         QStringLiteral("zscale=tin=bt709:pin=bt709:min=bt709:rin=full:t=smpte2084:p=bt2020:m=bt2020nc:r=tv:npl=100,"
                        "format=yuv420p10le"),
         QStringLiteral("-c:v"), QStringLiteral("libx265"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p10le"),
         QStringLiteral("-color_primaries"), QStringLiteral("bt2020"), QStringLiteral("-color_trc"),
         QStringLiteral("smpte2084"), QStringLiteral("-colorspace"), QStringLiteral("bt2020nc"),
         QStringLiteral("-x265-params"),
         QStringLiteral("log-level=error:colorprim=bt2020:transfer=smpte2084:colormatrix=bt2020nc:hdr10=1:"
                        "master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,1):"
                        "max-cll=1000,400")});
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

// What mpv's software output paints, read back from the widget on a real
// X server.
class TestMpvSoftwareHdr : public QObject
{
    Q_OBJECT

private:
    // How close the painted picture of video comes to the SDR picture.
    static double paintedPsnr(const QString &video, bool hdr, const QImage &reference)
    {
        PlayerRig rig(QSize(Width, Height));
        MpvPlayer *player = rig.player.get();
        if (!openPaused(player, video))
            return 0;
        if (!QTest::qWaitFor([player, hdr] { return player->isHdr() == hdr; }, timeoutMs))
            return 0;
        // A frame decoded after the filters were set up: the first frames
        // of an HDR file may have gone out before.
        player->seek(1000);
        if (!waitForPosition(player, 1000))
            return 0;
        const qint64 shown = player->framesShown();
        player->stepForward();
        if (!QTest::qWaitFor([player, shown] { return player->framesShown() > shown && !player->isSeeking(); },
                             timeoutMs))
            return 0;
        QCoreApplication::processEvents();
        const QImage painted = rig.output->grab().toImage();
        return psnr(painted, reference);
    }

private slots:
    void initTestCase()
    {
        qputenv("VISTALOOM_VIDEO_OUTPUT", "software");
    }

    void hdrVideoIsToneMapped()
    {
        const QString picture = sdrPicture();
        QVERIFY(!picture.isEmpty());
        const QImage reference(picture);
        QCOMPARE(reference.size(), QSize(Width, Height));
        const QString hdr = hdrVideo(picture);
        const QString sdr = sdrVideo(picture);
        QVERIFY(!hdr.isEmpty());
        QVERIFY(!sdr.isEmpty());
        const double sdrValue = paintedPsnr(sdr, false, reference);
        const double hdrValue = paintedPsnr(hdr, true, reference);
        qInfo("painted against the SDR picture: SDR video %.2f dB, HDR10 video %.2f dB", sdrValue, hdrValue);
        QVERIFY2(sdrValue > 35, qPrintable(QString::number(sdrValue)));
        // The screen shows the snapshot's mapping, whose roll-off from 30 %
        // of white keeps it about 20 dB from the SDR picture; HDR drawn
        // unmapped is blown out, near 8 dB.
        QVERIFY2(hdrValue > 16, qPrintable(QString::number(hdrValue)));
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestMpvSoftwareHdr)
#include "tst_mpvsoftwarehdr.moc"
