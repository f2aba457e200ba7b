#include "imagecompare.h"
#include "testmain.h"

#include "fixturevideos.h"
#include "grabberprobe.h"

#include "media/framegrabber.h"

#include <cmath>

// Frames become upright images at display aspect with the colours ffmpeg
// itself gives the same frame.

namespace {

QStringList args(const QString &text)
{
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString lavfi(const QString &name, const QString &source, const QString &output)
{
    return FixtureVideos::make(name, QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), source}
                                         << args(output));
}

QString rotated(int degrees)
{
    const QString plain = lavfi(QStringLiteral("unrotated.mp4"), QStringLiteral("testsrc2=s=320x240:d=1"),
                                QStringLiteral("-c:v libx264 -preset veryfast -crf 12 -pix_fmt yuv420p"));
    return FixtureVideos::make(QStringLiteral("rotated-%1.mp4").arg(degrees),
                               QStringList{QStringLiteral("-i"), plain, QStringLiteral("-c"), QStringLiteral("copy"),
                                           QStringLiteral("-metadata:s:v:0"), QStringLiteral("rotate=%1").arg(degrees)});
}

// ffmpeg's own picture of the first frame, autorotated.
QImage ffmpegImage(const QString &video, const QStringList &filters = QStringList())
{
    const QString name = QFileInfo(video).completeBaseName() + QStringLiteral("-%1.png").arg(qHash(filters.join(QLatin1Char(' '))), 0, 16);
    const QString path = FixtureVideos::make(name, QStringList{QStringLiteral("-i"), video, QStringLiteral("-frames:v"), QStringLiteral("1")} << filters);
    return QImage(path).convertToFormat(QImage::Format_ARGB32);
}

QImage ourImage(const QString &video)
{
    FrameGrabber grabber(nullptr);
    grabber.setSource(video);
    GrabberProbe probe(grabber);
    probe.extractAt(0);
    return probe.kind == GrabberProbe::Frame ? probe.image() : QImage();
}

using ImageCompare::psnr;

} // namespace

class TestVideoFrame : public QObject
{
    Q_OBJECT

private slots:
    void invalidFrameGivesNoImage()
    {
        const VideoFrame frame;
        QVERIFY(!frame.isValid());
        QCOMPARE(frame.width(), 0);
        QVERIFY(frame.toImage().isNull());
    }

    void rotatedVideoComesOutUpright_data()
    {
        QTest::addColumn<int>("degrees");
        QTest::newRow("90") << 90;
        QTest::newRow("180") << 180;
        QTest::newRow("270") << 270;
    }
    void rotatedVideoComesOutUpright()
    {
        QFETCH(int, degrees);
        const QString video = rotated(degrees);
        const QImage ours = ourImage(video);
        const QImage reference = ffmpegImage(video);
        QCOMPARE(ours.size(), degrees == 180 ? QSize(320, 240) : QSize(240, 320));
        QCOMPARE(reference.size(), ours.size());
        const double value = psnr(ours, reference);
        QVERIFY2(value >= 40, qPrintable(QString::number(value)));
    }

    void anamorphicVideoIsShownAtItsDisplayAspect()
    {
        const QString video = lavfi(QStringLiteral("anamorphic.mp4"), QStringLiteral("testsrc2=s=720x480:d=1,setsar=32/27"),
                                    QStringLiteral("-c:v libx264 -preset veryfast -pix_fmt yuv420p"));
        FrameGrabber grabber(nullptr);
        grabber.setSource(video);
        GrabberProbe probe(grabber);
        probe.extractAt(0);
        QCOMPARE(probe.frame.width(), 720);
        QCOMPARE(probe.frame.displaySize(), QSize(853, 480));
        const QImage ours = probe.image();
        QCOMPARE(ours.size(), QSize(853, 480));
        // Scaled back to the stored width, it is the picture ffmpeg gives.
        const QImage stored = probe.frame.toImage(QImage::Format_ARGB32, QSize(720, 480));
        const double value = psnr(stored, ffmpegImage(video));
        QVERIFY2(value >= 40, qPrintable(QString::number(value)));
    }

    void sizeAndSourceRectangleChooseWhatIsConverted()
    {
        const QString video = rotated(90);
        FrameGrabber grabber(nullptr);
        grabber.setSource(video);
        GrabberProbe probe(grabber);
        probe.extractAt(0);
        QCOMPARE(probe.frame.toImage(QImage::Format_ARGB32, QSize(60, 80)).size(), QSize(60, 80));
        QCOMPARE(probe.frame.toImage(QImage::Format_RGB888).format(), QImage::Format_RGB888);
        // The left half of the stored picture is the top half once turned
        // a quarter clockwise, the bottom half once turned the other way.
        const QImage half = probe.frame.toImage(QImage::Format_ARGB32, QSize(), QRectF(0, 0, 160, 240));
        QCOMPARE(half.size(), QSize(240, 160));
        QVERIFY(probe.frame.rotation() == 90 || probe.frame.rotation() == 270);
        const int top = probe.frame.rotation() == 90 ? 0 : 160;
        const double value = psnr(half, probe.image().copy(0, top, 240, 160));
        QVERIFY2(value >= 40, qPrintable(QString::number(value)));
    }

    void coloursMatchFfmpeg_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("referenceFilters");
        const QString hd = QStringLiteral("testsrc2=s=1920x1080:d=1");
        const QString sd = QStringLiteral("testsrc2=s=640x480:d=1");
        const QString small = QStringLiteral("testsrc2=s=320x240:d=1");
        QTest::newRow("BT.709 1080p") << "bt709.mp4" << hd
                                      << "-c:v libx264 -preset veryfast -crf 10 -pix_fmt yuv420p -colorspace bt709 -color_primaries bt709 -color_trc bt709"
                                      << "";
        QTest::newRow("untagged 1080p is BT.709") << "untagged-hd.mp4" << hd
                                                  << "-c:v libx264 -preset veryfast -crf 10 -pix_fmt yuv420p"
                                                  << "-vf scale=in_color_matrix=bt709";
        QTest::newRow("full range") << "full-range.mp4" << sd
                                    << "-c:v libx264 -preset veryfast -crf 10 -vf scale=out_range=full -pix_fmt yuv420p -color_range pc"
                                    << "";
        QTest::newRow("full-range JPEG") << "mjpeg.mov" << sd << "-c:v mjpeg -q:v 2 -pix_fmt yuvj420p" << "";
        QTest::newRow("BT.601") << "bt601.mp4" << sd
                                << "-c:v libx264 -preset veryfast -crf 10 -pix_fmt yuv420p -colorspace smpte170m" << "";
        QTest::newRow("BT.2020 10-bit") << "bt2020.mkv" << small
                                        << "-c:v libx265 -crf 10 -pix_fmt yuv420p10le -colorspace bt2020nc -color_primaries bt2020 -color_trc bt2020-10 -x265-params log-level=error"
                                        << "";
        for (const char *format : {"yuv420p", "yuv422p", "yuv444p", "yuv420p10le", "yuv422p10le", "yuv444p10le",
                                   "nv12", "rgb24", "bgra", "gbrp", "gray", "gray10le"}) {
            QTest::newRow(format) << QStringLiteral("raw-%1.nut").arg(QLatin1String(format)) << small
                                  << QStringLiteral("-c:v rawvideo -pix_fmt %1").arg(QLatin1String(format)) << "";
        }
        QTest::newRow("palette") << "palette.png" << small
                                 << "-frames:v 1 -filter_complex split[a][b];[a]palettegen[p];[b][p]paletteuse" << "";
    }
    void coloursMatchFfmpeg()
    {
        QFETCH(QString, name);
        QFETCH(QString, source);
        QFETCH(QString, output);
        QFETCH(QString, referenceFilters);
        const QString video = lavfi(name, source, output);
        QVERIFY(!video.isEmpty());
        const QImage ours = ourImage(video);
        const QImage reference = ffmpegImage(video, args(referenceFilters));
        QVERIFY(!ours.isNull());
        QCOMPARE(ours.size(), reference.size());
        const double value = psnr(ours, reference);
        QVERIFY2(value >= 40, qPrintable(QStringLiteral("PSNR %1 dB").arg(value)));
    }
};

VISTALOOM_TEST_MAIN_GUI(TestVideoFrame)
#include "tst_videoframe.moc"
