#include "testmain.h"

#include "fixturevideos.h"
#include "grabberprobe.h"

#include "media/framegrabber.h"

// The scaler writes whole blocks of pixels; a frame of any width must come
// out with the right pixels and without a byte written outside the image.
// The suite runs this test with glibc's heap checking, so a write past the
// end of a buffer aborts it.

namespace {

// Grey-only pictures convert the same under every colour matrix, so
// ffmpeg's own conversion is the reference.
const QString Pattern = QStringLiteral("format=gray,geq=lum='mod(X*37+Y*11\\,220)+16',format=yuv420p");

QString video(int width, int height, const QString &codec, const QString &suffix)
{
    const QString name = QStringLiteral("pattern-%1x%2-%3.%4").arg(width).arg(height).arg(codec).arg(suffix);
    return FixtureVideos::make(name, QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                                 QStringLiteral("color=c=gray:s=%1x%2:r=10:d=0.2,").arg(width).arg(height)
                                                     + Pattern,
                                                 QStringLiteral("-c:v"), codec});
}

QImage ffmpegImage(const QString &video)
{
    const QString path = FixtureVideos::make(QFileInfo(video).completeBaseName() + QStringLiteral(".png"),
                                             QStringList{QStringLiteral("-i"), video, QStringLiteral("-frames:v"),
                                                         QStringLiteral("1")});
    return QImage(path).convertToFormat(QImage::Format_ARGB32);
}

// The largest difference of any channel over the two images, 255 when
// their sizes differ.
int largestDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 255;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb *lineA = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const QRgb *lineB = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            largest = qMax(largest, qAbs(qRed(lineA[x]) - qRed(lineB[x])));
            largest = qMax(largest, qAbs(qGreen(lineA[x]) - qGreen(lineB[x])));
            largest = qMax(largest, qAbs(qBlue(lineA[x]) - qBlue(lineB[x])));
            largest = qMax(largest, qAbs(qAlpha(lineA[x]) - qAlpha(lineB[x])));
        }
    }
    return largest;
}

} // namespace

class TestFrameConverter : public QObject
{
    Q_OBJECT

private slots:
    void everyWidthConvertsInPlace_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("codec");
        QTest::addColumn<QString>("suffix");
        // FFV1 takes odd sizes, so every width from 1 up to past two
        // 64-pixel blocks, at odd and even heights.
        for (int width = 1; width <= 130; ++width)
            QTest::addRow("ffv1 %dx%d", width, 5 + width % 4) << width << 5 + width % 4 << "ffv1"
                                                              << "mkv";
        for (const QSize size : {QSize(426, 240), QSize(854, 480), QSize(1080, 1080), QSize(1080, 1920)})
            QTest::addRow("h264 %dx%d", size.width(), size.height()) << size.width() << size.height() << "libx264"
                                                                      << "mp4";
        QTest::newRow("theora 214x160") << 214 << 160 << "libtheora"
                                        << "ogg";
        for (int side = 2; side <= 14; side += 2)
            QTest::addRow("h264 %dx%d", side, side) << side << side << "libx264"
                                                    << "mp4";
    }
    void everyWidthConvertsInPlace()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QString, codec);
        QFETCH(QString, suffix);
        const QString path = video(width, height, codec, suffix);
        QVERIFY(!path.isEmpty());

        FrameGrabber grabber(nullptr);
        grabber.setSource(path);
        GrabberProbe probe(grabber);
        probe.extractAt(0);
        QCOMPARE(probe.kind, GrabberProbe::Frame);
        const QImage reference = ffmpegImage(path);
        QVERIFY(!reference.isNull());
        // Twice, so the converter kept for the size is used again.
        for (int round = 0; round < 2; ++round) {
            const QImage image = probe.image();
            QCOMPARE(image.format(), QImage::Format_ARGB32);
            QCOMPARE(image.size(), QSize(width, height));
            const int difference = largestDifference(image, reference);
            QVERIFY2(difference <= 3, qPrintable(QStringLiteral("differs by %1").arg(difference)));
        }
    }
};

VISTALOOM_TEST_MAIN_GUI(TestFrameConverter)
#include "tst_frameconverter.moc"
