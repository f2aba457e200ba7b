#include "fixturevideos.h"
#include "mpvplayer.h"
#include "playerwaits.h"
#include "testmain.h"

#include <QApplication>
#include <QDir>
#include <QOpenGLWidget>
#include <QPainter>

#include <cmath>

using namespace PlayerWaits;

namespace {

constexpr int Width = 640;
constexpr int Height = 360;

// A smooth, colourful SDR picture carried as HDR with SDR white at
// 100 cd/m², in 10-bit HEVC: HDR10 (PQ, with the mastering and light-level
// tags real files carry) or HLG (untagged, as broadcast HLG comes).
QString hdrVideo(const QString &transfer)
{
    const QString tags = transfer == QLatin1String("smpte2084")
        ? QStringLiteral(":hdr10=1:master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)"
                         "L(10000000,1):max-cll=1000,400")
        : QString();
    return FixtureVideos::make(
        QStringLiteral("screen-%1.mkv").arg(transfer),
        {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
         QStringLiteral("testsrc2=s=%1x%2:r=10:d=2,gblur=sigma=6").arg(Width).arg(Height), QStringLiteral("-vf"),
         QStringLiteral("zscale=tin=709:pin=709:min=709:rin=tv:t=%1:p=2020:m=2020_ncl:r=tv:npl=100,format=yuv420p10le")
             .arg(transfer),
         QStringLiteral("-c:v"), QStringLiteral("libx265"), QStringLiteral("-preset"), QStringLiteral("fast"),
         QStringLiteral("-color_primaries"), QStringLiteral("bt2020"), QStringLiteral("-color_trc"), transfer,
         QStringLiteral("-colorspace"), QStringLiteral("bt2020nc"), QStringLiteral("-x265-params"),
         QStringLiteral("log-level=error:colorprim=bt2020:transfer=%1:colormatrix=bt2020nc%2").arg(transfer, tags)});
}

// Mean difference of the colour channels, as a share of full scale.
double meanDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * 255.0 * x.width() * x.height());
}

QString meanColour(const QImage &image)
{
    double r = 0, g = 0, b = 0;
    for (int row = 0; row < image.height(); ++row) {
        for (int col = 0; col < image.width(); ++col) {
            const QRgb p = image.pixel(col, row);
            r += qRed(p), g += qGreen(p), b += qBlue(p);
        }
    }
    const double n = double(image.width()) * image.height();
    return QStringLiteral("%1/%2/%3").arg(qRound(r / n)).arg(qRound(g / n)).arg(qRound(b / n));
}

} // namespace

// HDR video on a real X server: the frame the player shows is the frame a
// snapshot saves, with either video output.
class TestHdrOnScreen : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("VISTALOOM_VIDEO_OUTPUT"); }

    void screenMatchesSnapshot_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("transfer");
        for (const char *output : {"opengl", "software"}) {
            QTest::addRow("%s hdr10", output) << QByteArray(output) << QStringLiteral("smpte2084");
            QTest::addRow("%s hlg", output) << QByteArray(output) << QStringLiteral("arib-std-b67");
        }
    }

    void screenMatchesSnapshot()
    {
        QFETCH(QByteArray, output);
        QFETCH(QString, transfer);
        const QString video = hdrVideo(transfer);
        QVERIFY(!video.isEmpty());
        qputenv("VISTALOOM_VIDEO_OUTPUT", output);
        PlayerRig rig(QSize(Width, Height));
        MpvPlayer *player = rig.player.get();
        QVERIFY(QTest::qWaitForWindowExposed(rig.output.get()));
        QVERIFY(openPaused(player, video));
        QVERIFY(QTest::qWaitFor([player] { return player->isHdr(); }, timeoutMs));
        // A frame decoded once the player has set itself up for HDR.
        player->seek(1000);
        QVERIFY(waitForPosition(player, 1000));
        const qint64 shown = player->framesShown();
        player->stepForward();
        QVERIFY(QTest::qWaitFor([&] { return player->framesShown() > shown && !player->isSeeking(); }, timeoutMs));

        auto *gl = qobject_cast<QOpenGLWidget *>(rig.output.get());
        QCOMPARE(gl != nullptr, output == "opengl");
        const QImage screen = gl ? gl->grabFramebuffer() : rig.output->grab().toImage();
        const QImage snapshot = capture(player);
        QCOMPARE(screen.size(), QSize(Width, Height));
        QCOMPARE(snapshot.size(), QSize(Width, Height));
        const double difference = meanDifference(screen, snapshot);
        qInfo("%s: screen %s, snapshot %s, mean difference %.1f %%", QTest::currentDataTag(),
              qPrintable(meanColour(screen)), qPrintable(meanColour(snapshot)), difference * 100);

        if (transfer == QLatin1String("smpte2084")) {
            QImage pair(2 * Width, Height, QImage::Format_RGB32);
            QPainter painter(&pair);
            painter.drawImage(0, 0, screen);
            painter.drawImage(Width, 0, snapshot);
            painter.end();
            QDir().mkpath(QStringLiteral(VISTALOOM_SCREENSHOT_DIR));
            const QString path = QStringLiteral(VISTALOOM_SCREENSHOT_DIR "/hdr10-screen-beside-snapshot-%1.png")
                                     .arg(QString::fromLatin1(output));
            QVERIFY(pair.save(path));
            qInfo().noquote() << "screenshot:" << path;
        }
        QVERIFY2(difference < 0.03, qPrintable(QString::number(difference)));
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestHdrOnScreen)
#include "tst_hdronscreen.moc"
