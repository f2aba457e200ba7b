#include "testmain.h"

#include "fixturevideos.h"
#include "grabbermodel.h"
#include "grabberprobe.h"

#include "media/framegrabber.h"
#include "media/frameindex.h"

// Every request of a forward walk must get exactly the frame the nearest-
// frame rule picks, whatever the container, codec or seek strategy.

namespace {

constexpr double Seconds = 25;

QStringList h264(const QStringList &extra = {})
{
    return QStringList{QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"),
                       QStringLiteral("veryfast"), QStringLiteral("-crf"), QStringLiteral("12"), QStringLiteral("-bf"),
                       QStringLiteral("3"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")}
        << extra;
}

QString fixture(const QString &name)
{
    const auto args = [](const char *text) { return QString::fromLatin1(text).split(QLatin1Char(' ')); };
    if (name == QLatin1String("h264-bframes.mp4"))
        return FixtureVideos::bandIndexedVideo(name, 160, 120, 24, Seconds, h264(args("-g 48")));
    if (name == QLatin1String("hevc.mkv"))
        return FixtureVideos::bandIndexedVideo(
            name, 160, 120, 25, Seconds,
            args("-c:v libx265 -preset fast -crf 12 -pix_fmt yuv420p -x265-params log-level=error:keyint=50:bframes=4"));
    if (name == QLatin1String("vp9.webm"))
        return FixtureVideos::bandIndexedVideo(
            name, 160, 120, 30, Seconds,
            args("-c:v libvpx-vp9 -crf 12 -b:v 0 -g 60 -deadline good -cpu-used 8 -auto-alt-ref 1 -lag-in-frames 16"));
    if (name == QLatin1String("mpeg4.avi"))
        return FixtureVideos::bandIndexedVideo(name, 160, 120, 25, Seconds, args("-c:v mpeg4 -q:v 2 -g 50"));
    if (name == QLatin1String("mjpeg.mov"))
        return FixtureVideos::bandIndexedVideo(name, 160, 120, 24, Seconds, args("-c:v mjpeg -q:v 2 -pix_fmt yuvj422p"));
    if (name == QLatin1String("h264.ts"))
        return FixtureVideos::bandIndexedVideo(name, 160, 120, 30, Seconds, h264(args("-g 60 -f mpegts")));
    if (name == QLatin1String("vfr.mp4")) {
        // 100 frames 40 ms apart, a 16 s gap, then frames 80 ms apart.
        return FixtureVideos::bandIndexedVideo(name, 160, 120, 25, Seconds,
                                               h264(args("-g 50 -fps_mode passthrough -video_track_timescale 1000")),
                                               QStringLiteral("settb=1/1000,setpts='if(lt(N,100),N*40,N*80+12000)'"));
    }
    if (name == QLatin1String("late-start.mkv")) {
        // The picture starts 1.5 s after the sound.
        return FixtureVideos::make(name, {"-f", "lavfi", "-i", "sine=d=30", "-itsoffset", "1.5", "-i",
                                          fixture(QStringLiteral("h264-bframes.mp4")), "-map", "0:a", "-map", "1:v",
                                          "-c:v", "copy", "-c:a", "aac"});
    }
    return QString();
}

} // namespace

class TestGrabberExactness : public QObject
{
    Q_OBJECT

private:
    void fixtures()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"h264-bframes.mp4", "hevc.mkv", "vp9.webm", "mpeg4.avi", "mjpeg.mov", "h264.ts",
                                 "vfr.mp4"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

private slots:
    // Frame numbers count pictures in presentation order, as ffprobe lists
    // them, not time times rate.
    void framesAreNumberedAsFfprobeListsThem_data()
    {
        fixtures();
        QTest::newRow("late-start.mkv") << QStringLiteral("late-start.mkv");
    }
    void framesAreNumberedAsFfprobeListsThem()
    {
        QFETCH(QString, name);
        const QVector<qint64> times = probeFrameTimesMs(fixture(name));
        QVERIFY(times.size() > 300);
        const std::atomic<bool> never{false};
        FrameIndex index(never);
        QVERIFY(index.open(fixture(name)));
        for (int i = 0; i < times.size(); ++i) {
            QCOMPARE(index.numberAt(times[i] / 1000.0 + 0.0004), qint64(i));
            QCOMPARE(qint64(*index.secondsOf(i) * 1000.0), times[i]);
        }
        QVERIFY(!index.secondsOf(times.size()));
    }

    void everyFrameInOrder_data() { fixtures(); }
    void everyFrameInOrder()
    {
        QFETCH(QString, name);
        const QString path = fixture(name);
        QVERIFY(!path.isEmpty());
        const QVector<qint64> times = probeFrameTimesMs(path);
        QVERIFY(times.size() > 300);
        QCOMPARE(times.first(), 0);

        FrameGrabber grabber(nullptr);
        grabber.setSource(path);
        GrabberProbe probe(grabber);
        for (int i = 0; i < times.size(); ++i) {
            probe.extractAt(times[i]);
            QCOMPARE(probe.answers, 1);
            QVERIFY2(probe.kind == GrabberProbe::Frame, qPrintable(probe.message));
            QCOMPARE(FixtureVideos::frameIndexOfBandImage(probe.image()), i);
            QCOMPARE(probe.frameMs(), times[i]);
        }
    }

    // Frame 99 lies at 3960 ms and frame 100 at 20000 ms: the nearest frame
    // must be found across the gap, whether the position is reached by
    // decoding forward or by seeking.
    void requestsAcrossALongGap_data()
    {
        QTest::addColumn<QVector<qint64>>("requests");
        QTest::newRow("before the middle") << QVector<qint64>{9000};
        QTest::newRow("after the middle") << QVector<qint64>{15000};
        QTest::newRow("tie in the middle") << QVector<qint64>{11980};
        QTest::newRow("after the last frame before the gap") << QVector<qint64>{3900, 3970, 11000, 11979};
        QTest::newRow("held frame across the gap") << QVector<qint64>{3970, 11000, 12000, 12000};
        QTest::newRow("from far before") << QVector<qint64>{100, 13000, 19999, 20000};
    }
    void requestsAcrossALongGap()
    {
        QFETCH(QVector<qint64>, requests);
        const QString path = fixture(QStringLiteral("vfr.mp4"));
        const QVector<qint64> times = probeFrameTimesMs(path);
        QCOMPARE(times.value(99), 3960);
        QCOMPARE(times.value(100), 20000);
        FrameGrabber grabber(nullptr);
        grabber.setSource(path);
        GrabberProbe probe(grabber);
        GrabberModel model(times, grabber.duration());
        for (qint64 pos : requests) {
            const int expected = model.request(pos);
            probe.extractAt(pos);
            QCOMPARE(probe.kind, GrabberProbe::Frame);
            QCOMPARE(FixtureVideos::frameIndexOfBandImage(probe.image()), expected);
        }
    }

    void forwardWalksGetTheNearestFrame_data() { fixtures(); }
    void forwardWalksGetTheNearestFrame()
    {
        QFETCH(QString, name);
        const QString path = fixture(name);
        QVERIFY(!path.isEmpty());
        const QVector<qint64> times = probeFrameTimesMs(path);
        QVERIFY(times.size() > 300);

        for (quint32 seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
            FrameGrabber grabber(nullptr);
            grabber.setSource(path);
            GrabberProbe probe(grabber);
            GrabberModel model(times, grabber.duration());
            const QVector<qint64> requests = forwardWalk(times, seed);
            for (int r = 0; r < requests.size(); ++r) {
                const qint64 pos = requests[r];
                const int expected = model.request(pos);
                probe.extractAt(pos);
                const QByteArray where = QStringLiteral("seed %1, request %2 at %3 ms").arg(seed).arg(r).arg(pos).toUtf8();
                const QString wrong = probe.mismatch(pos, expected, times, QSize(), true);
                QVERIFY2(wrong.isEmpty(), (where + ": " + wrong.toUtf8()).constData());
                QVERIFY2(grabber.atEnd() == model.atEnd(), where.constData());
            }
        }
    }
};

VISTALOOM_TEST_MAIN_GUI(TestGrabberExactness)
#include "tst_grabberexactness.moc"
