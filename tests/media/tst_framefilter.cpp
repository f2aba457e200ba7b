#include "imagecompare.h"
#include "testmain.h"

#include "fixturevideos.h"
#include "grabberprobe.h"

#include "media/frameconverter.h"
#include "media/framegrabber.h"

#include <QFile>

#include <cmath>

// HDR pictures come out tone-mapped to SDR and interlaced pictures without
// combing, while progressive SDR pictures take the plain conversion.

namespace {

QStringList args(const QString &text)
{
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// The SDR picture every HDR fixture carries.
const QString PictureSource = QStringLiteral("testsrc2=s=640x360:r=25:d=0.2");

// The tone mapping chain with the parameters the grabber uses for a stream
// mastered at 1000 cd/m² (peak in units of 100 cd/m²).
const QString ToneMapping = QStringLiteral(
    "zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=mobius:desat=0:peak=10,"
    "zscale=t=bt709:m=bt709:r=tv,format=yuv444p");

QString sdrPicture()
{
    return FixtureVideos::make(QStringLiteral("sdr-picture.png"),
                               QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                           PictureSource, QStringLiteral("-frames:v"), QStringLiteral("1")});
}

// The SDR picture carried as HDR10 (transfer smpte2084) or HLG
// (arib-std-b67) in 10-bit HEVC, with SDR white at 100 cd/m².
QString hdrVideo(const QString &transfer)
{
    const QString convert = QStringLiteral("zscale=tin=709:pin=709:min=709:rin=tv:t=%1:p=2020:m=2020_ncl:r=tv:npl=100,"
                                           "format=yuv420p10le")
                                .arg(transfer);
    const QString x265 = QStringLiteral("log-level=error:colorprim=bt2020:transfer=%1:colormatrix=bt2020nc:"
                                        "master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)"
                                        "L(10000000,1):max-cll=1000,400")
                             .arg(transfer);
    return FixtureVideos::make(QStringLiteral("hdr-%1.mkv").arg(transfer),
                               QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                           PictureSource, QStringLiteral("-vf"), convert}
                                   << args(QStringLiteral("-c:v libx265 -preset fast -pix_fmt yuv420p10le "
                                                          "-color_primaries bt2020 -colorspace bt2020nc"))
                                   << QStringLiteral("-color_trc") << transfer << QStringLiteral("-x265-params")
                                   << x265);
}

// 50 pictures a second scrolling sideways, woven into 25 interlaced frames
// a second, top or bottom field first; HDR10 in 10 bits when hdr is set.
QString interlacedVideo(bool topFieldFirst, bool hdr = false)
{
    const QString order = topFieldFirst ? QStringLiteral("top") : QStringLiteral("bottom");
    // Woven in the output's filters: frames from the lavfi input lose their
    // field flags, and the encoder takes the field order from them.
    QString filters = QStringLiteral("tinterlace=interleave_%1,setfield=%2")
                          .arg(order, topFieldFirst ? QStringLiteral("tff") : QStringLiteral("bff"));
    QStringList codec = args(QStringLiteral("-c:v libx264 -preset veryfast -crf 8 -flags +ilme+ildct"));
    codec << QStringLiteral("-x264-params") << (topFieldFirst ? QStringLiteral("tff=1") : QStringLiteral("bff=1"))
          << QStringLiteral("-field_order") << (topFieldFirst ? QStringLiteral("tt") : QStringLiteral("bb"));
    if (hdr) {
        filters += QStringLiteral(",zscale=tin=709:pin=709:min=709:rin=tv:t=smpte2084:p=2020:m=2020_ncl:r=tv:npl=100,"
                                  "format=yuv420p10le");
        codec << args(QStringLiteral("-pix_fmt yuv420p10le -color_primaries bt2020 -color_trc smpte2084 "
                                     "-colorspace bt2020nc"));
    } else {
        codec << args(QStringLiteral("-pix_fmt yuv420p"));
    }
    return FixtureVideos::make(QStringLiteral("interlaced-%1%2.mp4").arg(order, hdr ? QStringLiteral("-hdr") : QString()),
                               QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                           QStringLiteral("testsrc2=s=320x240:r=50:d=0.4,scroll=h=0.02"),
                                           QStringLiteral("-vf"), filters}
                                   << codec);
}

// The same woven frames coded as progressive pictures, with the field
// order stated only by the container.
QString wovenVideoWithFieldOrder()
{
    return FixtureVideos::make(QStringLiteral("woven-field-order.mkv"),
                               QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                           QStringLiteral("testsrc2=s=320x240:r=50:d=0.4,scroll=h=0.02"),
                                           QStringLiteral("-vf"), QStringLiteral("tinterlace=interleave_top")}
                                   << args(QStringLiteral("-c:v libx264 -preset veryfast -crf 8 -field_order tt "
                                                          "-pix_fmt yuv420p")));
}

// Picture index of the 50 pictures a second interlacedVideo() weaves.
QImage scrolledPicture(int index)
{
    return QImage(FixtureVideos::make(
                      QStringLiteral("scrolled-%1.png").arg(index),
                      QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                  QStringLiteral("testsrc2=s=320x240:r=50:d=0.4,scroll=h=0.02,select=eq(n\\,%1)")
                                      .arg(index),
                                  QStringLiteral("-frames:v"), QStringLiteral("1")}))
        .convertToFormat(QImage::Format_ARGB32);
}

// ffmpeg's own picture of the first frame through filters.
QImage ffmpegImage(const QString &video, const QString &filters)
{
    const QString name = QFileInfo(video).completeBaseName()
        + QStringLiteral("-%1.png").arg(qHash(filters), 0, 16);
    const QString path = FixtureVideos::make(name, QStringList{QStringLiteral("-i"), video, QStringLiteral("-frames:v"),
                                                               QStringLiteral("1"), QStringLiteral("-vf"), filters});
    return QImage(path).convertToFormat(QImage::Format_ARGB32);
}

VideoFrame frameAt(const QString &video, qint64 ms)
{
    FrameGrabber grabber(nullptr);
    grabber.setSource(video);
    GrabberProbe probe(grabber);
    probe.extractAt(ms);
    return probe.kind == GrabberProbe::Frame ? probe.frame : VideoFrame();
}

// The conversion of the stored picture without any filtering.
QImage unfilteredImage(const VideoFrame &frame)
{
    FrameConverter converter;
    return converter.toArgb32(frame.avFrame(), frame.displaySize());
}

using ImageCompare::psnr;

// Mean absolute difference of each line to the next, over that to the
// line after next: a combed picture's neighbouring lines come from
// different moments (about 2), a clean one's are alike (about 0.5).
double combing(const QImage &image)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    double adjacent = 0;
    double twoApart = 0;
    for (int y = 0; y + 2 < gray.height(); ++y) {
        const uchar *line = gray.constScanLine(y);
        const uchar *below = gray.constScanLine(y + 1);
        const uchar *twoBelow = gray.constScanLine(y + 2);
        for (int x = 0; x < gray.width(); ++x) {
            adjacent += std::abs(line[x] - below[x]);
            twoApart += std::abs(line[x] - twoBelow[x]);
        }
    }
    return twoApart > 0 ? adjacent / twoApart : 0;
}

bool avfilterIsLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/libavfilter.so");
}

} // namespace

class TestFrameFilter : public QObject
{
    Q_OBJECT

private slots:
    // First, while nothing in the process has filtered a picture: the
    // library and its dependencies stay out of the many runs that never
    // need them.
    void filterLibraryLoadsWithTheFirstPictureThatNeedsIt()
    {
        const VideoFrame progressive = frameAt(FixtureVideos::indexedVideo(320, 240, 25, 1), 480);
        QVERIFY(progressive.isValid());
        QVERIFY(!progressive.toImage().isNull());
        QVERIFY(!avfilterIsLoaded());

        const VideoFrame hdr = frameAt(hdrVideo(QStringLiteral("smpte2084")), 0);
        QVERIFY(hdr.isValid());
        QCOMPARE(hdr.toImage().size(), QSize(640, 360));
        QVERIFY(avfilterIsLoaded());
    }

    void hdrIsToneMapped_data()
    {
        QTest::addColumn<QString>("transfer");
        QTest::newRow("PQ") << QStringLiteral("smpte2084");
        QTest::newRow("HLG") << QStringLiteral("arib-std-b67");
    }

    void hdrIsToneMapped()
    {
        QFETCH(QString, transfer);
        const QString video = hdrVideo(transfer);
        QVERIFY(!video.isEmpty());
        const QImage original = QImage(sdrPicture()).convertToFormat(QImage::Format_ARGB32);
        const QImage reference = ffmpegImage(video, ToneMapping);
        QCOMPARE(reference.size(), original.size());

        const VideoFrame frame = frameAt(video, 0);
        QVERIFY(frame.isValid());
        const QImage ours = frame.toImage();
        const QImage untouched = unfilteredImage(frame);
        QCOMPARE(ours.size(), original.size());

        const double oursToOriginal = psnr(ours, original);
        const double referenceToOriginal = psnr(reference, original);
        const double untouchedToOriginal = psnr(untouched, original);
        qInfo("%s: to ffmpeg's chain %.2f dB; to the SDR original: ours %.2f dB, ffmpeg's %.2f dB, untouched %.2f dB",
              qPrintable(transfer), psnr(ours, reference), oursToOriginal, referenceToOriginal, untouchedToOriginal);
        QVERIFY(std::abs(oursToOriginal - referenceToOriginal) <= 3.0);
        QVERIFY(psnr(ours, reference) >= 30.0);
        QVERIFY(oursToOriginal >= untouchedToOriginal + 4.0);
    }

    void hdrKeepsSizeAndSourceRect()
    {
        const VideoFrame frame = frameAt(hdrVideo(QStringLiteral("smpte2084")), 0);
        QVERIFY(frame.isValid());
        const QImage whole = frame.toImage();

        const QImage half = frame.toImage(QImage::Format_ARGB32, QSize(320, 180));
        QCOMPARE(half.size(), QSize(320, 180));
        const QImage expectedHalf = whole.scaled(320, 180, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY2(psnr(half, expectedHalf) >= 30.0, qPrintable(QString::number(psnr(half, expectedHalf))));

        const QRect area(320, 0, 320, 360);
        const QImage right = frame.toImage(QImage::Format_ARGB32, QSize(), area);
        QCOMPARE(right.size(), area.size());
        QVERIFY2(psnr(right, whole.copy(area)) >= 35.0, qPrintable(QString::number(psnr(right, whole.copy(area)))));
    }

    void interlacedIsDeinterlaced_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<QString>("parity");
        QTest::addColumn<qint64>("ms");
        // First, middle and last frame: without a neighbour before or after
        // and with both.
        for (const bool top : {true, false}) {
            const char *order = top ? "top first" : "bottom first";
            for (const qint64 ms : {0, 200, 360}) {
                QTest::addRow("%s at %lld ms", order, static_cast<long long>(ms))
                    << interlacedVideo(top) << (top ? QStringLiteral("tff") : QStringLiteral("bff")) << ms;
            }
        }
        QTest::newRow("field order of the container")
            << wovenVideoWithFieldOrder() << QStringLiteral("tff") << qint64(200);
    }

    void interlacedIsDeinterlaced()
    {
        QFETCH(QString, video);
        QFETCH(QString, parity);
        QFETCH(qint64, ms);
        const VideoFrame frame = frameAt(video, ms);
        QVERIFY(frame.isValid());
        QCOMPARE(qint64(std::llround(frame.timestamp() * 1000)), ms);
        const double before = combing(unfilteredImage(frame));
        const double after = combing(frame.toImage());
        // Each frame holds pictures 2k and 2k + 1, the earlier one in the
        // field shown first: that field is kept, so the frame shows it.
        const int shownFirst = int(ms / 40) * 2;
        const QImage image = frame.toImage();
        const double toShownFirst = psnr(image, scrolledPicture(shownFirst));
        const double toShownSecond = psnr(image, scrolledPicture(shownFirst + 1));
        // ffmpeg's deinterlacer over the whole clip sees the same neighbours.
        const QImage reference = ffmpegImage(
            video, QStringLiteral("bwdif=mode=send_frame:parity=%1:deint=all,select=eq(n\\,%2)").arg(parity).arg(ms / 40));
        qInfo("combing ratio %.2f without deinterlacing, %.2f with; to the first field's picture %.2f dB, "
              "to the second's %.2f dB; to ffmpeg's deinterlacing %.2f dB",
              before, after, toShownFirst, toShownSecond, psnr(image, reference));
        QVERIFY(before > 1.5);
        QVERIFY(after < 1.0);
        QVERIFY(toShownFirst >= toShownSecond + 3.0);
        QVERIFY(psnr(image, reference) >= 40.0);
    }

    void singleInterlacedFrameIsDeinterlaced()
    {
        const QString video = FixtureVideos::make(QStringLiteral("interlaced-single.mp4"),
                                                  QStringList{QStringLiteral("-i"), interlacedVideo(true),
                                                              QStringLiteral("-frames:v"), QStringLiteral("1"),
                                                              QStringLiteral("-c"), QStringLiteral("copy")});
        const VideoFrame frame = frameAt(video, 0);
        QVERIFY(frame.isValid());
        const QImage image = frame.toImage();
        const double before = combing(unfilteredImage(frame));
        const double after = combing(image);
        qInfo("combing ratio %.2f without deinterlacing, %.2f with", before, after);
        QVERIFY(before > 1.5);
        QVERIFY(after < 1.0);
        QVERIFY(psnr(image, scrolledPicture(0)) >= psnr(image, scrolledPicture(1)) + 3.0);
    }

    void interlacedHdrIsDeinterlacedAndToneMapped()
    {
        const VideoFrame frame = frameAt(interlacedVideo(true, true), 200);
        QVERIFY(frame.isValid());
        const QImage untouched = unfilteredImage(frame);
        const QImage ours = frame.toImage();
        const double before = combing(untouched);
        const double after = combing(ours);
        // Frame 5 shows picture 10 in its first field.
        const QImage original = scrolledPicture(10);
        const QImage reference = ffmpegImage(interlacedVideo(true, true),
                                             QStringLiteral("bwdif=mode=send_frame:parity=tff:deint=all,") + ToneMapping
                                                 + QStringLiteral(",select=eq(n\\,5)"));
        qInfo("combing ratio %.2f without filtering, %.2f with; to the SDR picture: ours %.2f dB, untouched %.2f dB; "
              "to ffmpeg's chain %.2f dB",
              before, after, psnr(ours, original), psnr(untouched, original), psnr(ours, reference));
        QVERIFY(before > 1.5);
        QVERIFY(after < 1.0);
        QVERIFY(psnr(ours, original) >= psnr(untouched, original) + 4.0);
        QVERIFY(psnr(ours, reference) >= 40.0);
    }

    void progressiveSdrTakesThePlainConversion_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<qint64>("ms");
        QTest::newRow("indexed H.264") << FixtureVideos::indexedVideo(320, 240, 25, 1) << qint64(480);
        QTest::newRow("testsrc2 HEVC")
            << FixtureVideos::make(QStringLiteral("progressive.mkv"),
                                   QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                               QStringLiteral("testsrc2=s=640x360:r=25:d=0.4")}
                                       << args(QStringLiteral("-c:v libx265 -preset fast -x265-params log-level=error "
                                                              "-pix_fmt yuv420p10le")))
            << qint64(200);
    }

    void progressiveSdrTakesThePlainConversion()
    {
        QFETCH(QString, video);
        QFETCH(qint64, ms);
        const VideoFrame frame = frameAt(video, ms);
        QVERIFY(frame.isValid());
        const QImage ours = frame.toImage();
        QVERIFY(!ours.isNull());
        QCOMPARE(ours, unfilteredImage(frame));
    }
};

VISTALOOM_TEST_MAIN_GUI(TestFrameFilter)
#include "tst_framefilter.moc"
