#include "testmain.h"

#include "fixturevideos.h"
#include "grabbermodel.h"
#include "grabberprobe.h"

#include "media/framegrabber.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>

#include <atomic>
#include <thread>

namespace {

QStringList args(const char *text)
{
    return QString::fromLatin1(text).split(QLatin1Char(' '));
}

QString oneFramePerSecond()
{
    return FixtureVideos::indexedVideo(64, 48, 1, 5);
}

// Frames at 1000/24 s apart, so the second one lies at 41.666 ms.
QString twentyFourFps()
{
    return FixtureVideos::indexedVideo(64, 48, 24, 2);
}

QString sizedVideo(int milliseconds)
{
    return FixtureVideos::make(QStringLiteral("length-%1.mp4").arg(milliseconds),
                               QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                           QStringLiteral("color=c=black:s=32x32:r=1000:d=%1").arg(milliseconds / 1000.0)}
                                   << args("-c:v libx264 -preset ultrafast"));
}

QString audioOnly()
{
    return FixtureVideos::make(QStringLiteral("audio-only.m4a"),
                               args("-f lavfi -i sine=frequency=440:duration=3 -c:a aac"));
}

// One key frame only, so a position near the end is reached by decoding
// (nearly) the whole file.
QString longDecode()
{
    return FixtureVideos::make(QStringLiteral("long-decode.mp4"),
                               args("-f lavfi -i testsrc2=size=640x360:rate=30:duration=60 -c:v libx264 -preset "
                                    "ultrafast -g 100000 -pix_fmt yuv420p"));
}

QString writeFile(const QString &name, const QByteArray &content)
{
    const QString path = FixtureVideos::folder() + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(content);
    return path;
}

// The first half of a video whose index sits at the front, as left by an
// interrupted copy.
QString cutVideo()
{
    const QString whole = FixtureVideos::bandIndexedVideo(
        QStringLiteral("before-cut.mp4"), 320, 240, 10, 10,
        args("-c:v libx264 -preset veryfast -qp 0 -bf 3 -g 30 -pix_fmt yuv444p -movflags +faststart"));
    QFile file(whole);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return writeFile(QStringLiteral("cut.mp4"), file.read(file.size() / 2));
}

} // namespace

class TestFrameGrabber : public QObject
{
    Q_OBJECT

private slots:
    void startsWithNothingOpen()
    {
        FrameGrabber grabber(nullptr);
        QCOMPARE(grabber.position(), qint64(-1000));
        QCOMPARE(grabber.precision(), 500);
        QVERIFY(grabber.source().isEmpty());
        QVERIFY(!grabber.atEnd());
    }

    void setPositionKeepsToThePrecision()
    {
        FrameGrabber grabber(nullptr);
        QSignalSpy changed(&grabber, &FrameGrabber::positionChanged);
        grabber.setPosition(0); // 1000 away from -1000
        QCOMPARE(grabber.position(), qint64(0));
        grabber.setPosition(300);
        QCOMPARE(grabber.position(), qint64(0));
        grabber.setPosition(-499);
        QCOMPARE(grabber.position(), qint64(0));
        grabber.setPosition(500);
        QCOMPARE(grabber.position(), qint64(500));
        QCOMPARE(changed.count(), 2);

        grabber.setPrecision(0);
        grabber.setPosition(500);
        QCOMPARE(changed.count(), 3); // precision 0 notifies even an unchanged value
    }

    void setPrecisionSwitchesAutomaticPrecision()
    {
        const QString path = sizedVideo(9999);
        FrameGrabber grabber(nullptr);
        grabber.setSource(path);
        QSignalSpy changed(&grabber, &FrameGrabber::precisionChanged);
        grabber.setPrecision(500); // unchanged: nothing happens
        QCOMPARE(changed.count(), 0);
        grabber.setPrecision(100);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(grabber.precision(), 100);
        QVERIFY(grabber.duration() > 0);
        QCOMPARE(grabber.precision(), 100); // fixed precision survives the open

        FrameGrabber automatic(nullptr);
        automatic.setSource(path);
        QSignalSpy automaticChanged(&automatic, &FrameGrabber::precisionChanged);
        automatic.setPrecision(40);
        automatic.setPrecision(-1); // automatic again, the number stays
        QCOMPARE(automaticChanged.count(), 2);
        QCOMPARE(automatic.precision(), 40);
        automatic.extract();
        QCOMPARE(automatic.precision(), 250);
        QCOMPARE(automaticChanged.count(), 3);
    }

    void automaticPrecisionFollowsTheDuration_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("precision");
        QTest::newRow("9999 ms") << 9999 << 250;
        QTest::newRow("10000 ms") << 10000 << 500;
    }
    void automaticPrecisionFollowsTheDuration()
    {
        QFETCH(int, length);
        QFETCH(int, precision);
        FrameGrabber grabber(nullptr);
        grabber.setSource(sizedVideo(length));
        QSignalSpy changed(&grabber, &FrameGrabber::precisionChanged);
        QCOMPARE(grabber.duration(), qint64(length));
        QCOMPARE(grabber.precision(), precision);
        // The open by duration() says nothing, and the extraction after it
        // finds the precision unchanged.
        grabber.extract();
        QCOMPARE(changed.count(), 0);
    }

    void setSourceNotifiesOnlyChanges()
    {
        FrameGrabber grabber(nullptr);
        QSignalSpy changed(&grabber, &FrameGrabber::sourceChanged);
        grabber.setSource(oneFramePerSecond());
        grabber.setSource(oneFramePerSecond());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(grabber.source(), oneFramePerSecond());
    }

    void oneFramePerSecondExample()
    {
        FrameGrabber grabber(nullptr);
        grabber.setSource(oneFramePerSecond());
        GrabberProbe probe(grabber);
        QCOMPARE(grabber.duration(), qint64(5000));
        QCOMPARE(grabber.precision(), 250);
        const QVector<QPair<qint64, int>> steps{{500, 0}, {800, 1}, {1500, 2}};
        for (const auto &step : steps) {
            grabber.setPosition(step.first);
            QCOMPARE(grabber.position(), step.first);
            grabber.extract();
            QCOMPARE(probe.kind, GrabberProbe::Frame);
            QCOMPARE(FixtureVideos::frameIndexOfLevel(qGray(probe.image().pixel(10, 10))), step.second);
            QCOMPARE(probe.frameMs(), step.second * 1000);
        }
    }

    void frameTimesAreTruncatedToMilliseconds()
    {
        FrameGrabber grabber(nullptr);
        grabber.setSource(twentyFourFps());
        GrabberProbe probe(grabber);
        probe.extractAt(41);
        QCOMPARE(probe.kind, GrabberProbe::Frame);
        QVERIFY(qAbs(probe.frame.timestamp() - 0.0416666) < 0.0001);
        QCOMPARE(probe.frameMs(), qint64(41));
    }

    void repeatedExtractGivesSuccessiveFrames()
    {
        FrameGrabber grabber(nullptr);
        grabber.setSource(twentyFourFps());
        GrabberProbe probe(grabber);
        grabber.setPosition(100);
        // 83 ms (frame 2) is nearer than 125 ms (frame 3); then the held
        // frame 3, then each next one.
        for (int expected = 2; expected < 8; ++expected) {
            grabber.extract();
            QCOMPARE(FixtureVideos::frameIndexOfLevel(qGray(probe.image().pixel(10, 10))), expected);
        }
    }

    void extractInternalLeavesThePositionAlone()
    {
        FrameGrabber grabber(nullptr);
        grabber.setSource(oneFramePerSecond());
        GrabberProbe probe(grabber);
        grabber.setPosition(0);
        QVERIFY(QMetaObject::invokeMethod(&grabber, "extractInternal", Q_ARG(qint64, 2000)));
        QCOMPARE(probe.kind, GrabberProbe::Frame);
        QCOMPARE(probe.frameMs(), qint64(2000));
        QCOMPARE(grabber.position(), qint64(0));
    }

    void frameIsUsableAsTheBatchEngineUsesIt()
    {
        FrameGrabber grabber(nullptr);
        grabber.setSource(twentyFourFps());
        GrabberProbe probe(grabber);
        probe.extractAt(0);
        QVERIFY(probe.frame.isValid());
        QCOMPARE(probe.frame.width(), 64);
        QCOMPARE(probe.frame.height(), 48);
        const QImage image = probe.frame.toImage(QImage::Format_ARGB32, QSize(), QRectF());
        QCOMPARE(image.format(), QImage::Format_ARGB32);
        QCOMPARE(image.size(), QSize(64, 48));
        QCOMPARE(qAlpha(image.pixel(5, 5)), 255);
    }

    void lastFrameIsDeliveredAtTheEndOfTheStream()
    {
        // Frames at 0..4000 ms; 4400 is nearer to the last frame than to
        // anything after it, and nothing comes after it.
        FrameGrabber grabber(nullptr);
        grabber.setSource(oneFramePerSecond());
        GrabberProbe probe(grabber);
        probe.extractAt(4400);
        QCOMPARE(probe.kind, GrabberProbe::Frame);
        QCOMPARE(probe.frameMs(), qint64(4000));
        // The last picture stays on screen to the video's end at 5000 ms.
        QVERIFY(!grabber.atEnd());
        probe.extractAt(4900);
        QCOMPARE(probe.frameMs(), qint64(4000));
        probe.extractAt(5400);
        QCOMPARE(probe.kind, GrabberProbe::Error);
        QCOMPARE(probe.message,
                 QStringLiteral("Cannot extract frame at position 5400: Grabber at end of video, cannot read any more frames"));
        QVERIFY(grabber.atEnd());
    }

    void streamEndingWithNothingLeftEndsInAColon()
    {
        FrameGrabber grabber(nullptr);
        grabber.setSource(oneFramePerSecond());
        GrabberProbe probe(grabber);
        probe.extractAt(4000);
        QCOMPARE(probe.frameMs(), qint64(4000));
        QVERIFY(!grabber.atEnd());
        probe.extractAt(5600);
        QCOMPARE(probe.kind, GrabberProbe::Error);
        QCOMPARE(probe.message, QStringLiteral("Cannot extract frame at position 5600: "));
        QVERIFY(grabber.atEnd());
    }

    void badInputIsReportedAsCannotOpen_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << FixtureVideos::folder() + QStringLiteral("/missing.mp4");
        QTest::newRow("folder") << FixtureVideos::folder();
        QTest::newRow("empty") << writeFile(QStringLiteral("empty.mp4"), QByteArray());
        QTest::newRow("text") << writeFile(QStringLiteral("text.mp4"), QByteArray("This is not a video.\n").repeated(50));
        QTest::newRow("audio only") << audioOnly();
        QTest::newRow("empty path") << QString();
    }
    void badInputIsReportedAsCannotOpen()
    {
        QFETCH(QString, path);
        FrameGrabber grabber(nullptr);
        grabber.setSource(path);
        GrabberProbe probe(grabber);
        QCOMPARE(grabber.duration(), qint64(-1));
        probe.extractAt(1000);
        QCOMPARE(probe.answers, 1);
        QCOMPARE(probe.kind, GrabberProbe::Error);
        QCOMPARE(probe.message, QStringLiteral("Cannot open file"));
        QVERIFY(!grabber.atEnd());
    }

    void fileWithoutVideoIgnoresPositions()
    {
        FrameGrabber grabber(nullptr);
        grabber.setSource(audioOnly());
        grabber.setPrecision(0);
        grabber.setPosition(2000);
        grabber.extract();
        grabber.setPosition(5000);
        QCOMPARE(grabber.position(), qint64(2000));
        grabber.setSource(oneFramePerSecond()); // a new source may have video again
        grabber.setPosition(5000);
        QCOMPARE(grabber.position(), qint64(5000));
    }

    void unreadableFileCannotBeOpened()
    {
        const QString path = writeFile(QStringLiteral("unreadable.mp4"), QByteArray());
        QFile::remove(path);
        QVERIFY(QFile::copy(oneFramePerSecond(), path));
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        QFile probeFile(path);
        if (probeFile.open(QIODevice::ReadOnly))
            QSKIP("this user reads files without read permission (root)");
        FrameGrabber grabber(nullptr);
        grabber.setSource(path);
        GrabberProbe probe(grabber);
        probe.extractAt(0);
        QCOMPARE(probe.message, QStringLiteral("Cannot open file"));
    }

    void cutFileGivesEveryFrameUpToTheCut()
    {
        const QString path = cutVideo();
        QVERIFY(!path.isEmpty());
        FrameGrabber grabber(nullptr);
        grabber.setSource(path);
        GrabberProbe probe(grabber);
        int delivered = 0;
        for (int i = 0; i < 100 && probe.kind != GrabberProbe::Error; ++i) {
            probe.extractAt(i * 100);
            QCOMPARE(probe.answers, 1);
            if (probe.kind == GrabberProbe::Frame) {
                QCOMPARE(FixtureVideos::frameIndexOfBandImage(probe.image()), i);
                ++delivered;
            }
        }
        // Every frame ffmpeg itself can get from the cut file.
        QCOMPARE(delivered, probeFrameTimesMs(path).size());
        QVERIFY2(delivered >= 30 && delivered < 100, qPrintable(QString::number(delivered)));
        QCOMPARE(probe.message, QStringLiteral("Cannot extract frame at position %1: ").arg(delivered * 100));
        probe.extractAt(9900);
        QCOMPARE(probe.message,
                 QStringLiteral("Cannot extract frame at position 9900: Grabber at end of video, cannot read any more frames"));
    }

    void abortFromAnotherThreadStopsALongDecode()
    {
        const QString path = longDecode();
        QVERIFY(!path.isEmpty());
        FrameGrabber grabber(nullptr);
        grabber.setSource(path);
        GrabberProbe probe(grabber);
        QVERIFY(grabber.duration() > 0);
        QTest::ignoreMessage(QtDebugMsg, "FrameGrabber abort seek after key frame before read");
        // The abort comes as the extraction starts, not after a guessed time:
        // the probe sets the position (announced on this thread), then
        // extracts, and the whole 59 s decode lies ahead.
        QSemaphore extractionBegun;
        const QMetaObject::Connection begun = connect(
            &grabber, &FrameGrabber::positionChanged, &grabber, [&extractionBegun] { extractionBegun.release(); },
            Qt::DirectConnection);
        std::atomic<bool> sawBegin{false};
        std::thread aborter([&grabber, &extractionBegun, &sawBegin] {
            sawBegin = extractionBegun.tryAcquire(1, 60000);
            grabber.abort();
        });
        probe.extractAt(59000);
        aborter.join();
        disconnect(begun);
        QVERIFY(sawBegin);
        QCOMPARE(probe.answers, 1);
        QCOMPARE(probe.kind, GrabberProbe::Aborted);
        QCOMPARE(probe.message, QStringLiteral("Abort at position 59000: abort seek after key frame before read"));

        // An aborted grabber stays aborted.
        QTest::ignoreMessage(QtDebugMsg, "FrameGrabber abort seek after key frame before read");
        probe.extractAt(59500);
        QCOMPARE(probe.kind, GrabberProbe::Aborted);
    }

    void abortBeforeTheFirstExtractionStillOpens()
    {
        FrameGrabber grabber(nullptr);
        grabber.setSource(oneFramePerSecond());
        GrabberProbe probe(grabber);
        grabber.abort();
        QTest::ignoreMessage(QtDebugMsg, "FrameGrabber abort seek after key frame before read");
        probe.extractAt(2000);
        QCOMPARE(probe.kind, GrabberProbe::Aborted);
        QCOMPARE(probe.message, QStringLiteral("Abort at position 2000: abort seek after key frame before read"));
    }

    void framesTravelThroughQueuedConnections()
    {
        QThread thread;
        QObject receiver;
        receiver.moveToThread(&thread);
        thread.start();
        QImage received;
        FrameGrabber grabber(nullptr);
        grabber.setSource(twentyFourFps());
        QSemaphore done;
        connect(&grabber, &FrameGrabber::frameExtracted, &receiver, [&](const VideoFrame &frame) {
            received = frame.toImage();
            done.release();
        }, Qt::QueuedConnection);
        grabber.setPrecision(0);
        grabber.setPosition(500);
        grabber.extract();
        QVERIFY(done.tryAcquire(1, 10000));
        thread.quit();
        thread.wait();
        QCOMPARE(received.size(), QSize(64, 48));
        QCOMPARE(FixtureVideos::frameIndexOfLevel(qGray(received.pixel(10, 10))), 12);
    }

    void manyExtractionsDoNotGrowMemory()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the address sanitizer keeps freed memory in quarantine");
#endif
        QFile status(QStringLiteral("/proc/self/statm"));
        if (!status.exists())
            QSKIP("no way to read the resident size here");
        auto residentKb = [] {
            QFile file(QStringLiteral("/proc/self/statm"));
            file.open(QIODevice::ReadOnly);
            return file.readAll().split(' ').value(1).toLongLong() * 4;
        };
        const QString path = FixtureVideos::bandIndexedVideo(
            QStringLiteral("memory.mp4"), 320, 240, 25, 12,
            args("-c:v libx264 -preset veryfast -crf 20 -bf 3 -g 50 -pix_fmt yuv420p"));
        auto run = [&path](int grabbers, int extractions) {
            for (int g = 0; g < grabbers; ++g) {
                FrameGrabber grabber(nullptr);
                grabber.setSource(path);
                GrabberProbe probe(grabber);
                for (int i = 0; i < extractions; ++i) {
                    probe.extractAt(i * 40 + g * 7);
                    QImage image = probe.image();
                    Q_UNUSED(image)
                }
            }
        };
        run(2, 50); // warm up caches and allocator pools
        const qint64 before = residentKb();
        run(10, 50);
        const qint64 after = residentKb();
        QVERIFY2(after - before < 8 * 1024, qPrintable(QStringLiteral("%1 KB -> %2 KB").arg(before).arg(after)));
    }
};

VISTALOOM_TEST_MAIN_GUI(TestFrameGrabber)
#include "tst_framegrabber.moc"
