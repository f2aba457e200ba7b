#include "fixturevideos.h"
#include "grabberprobe.h"
#include "testmain.h"

#include <QProcess>
#include <QtTest>

#include <algorithm>
#include <cstdlib>

// Fast extraction: each position gets the key frame nearest to it (ties to
// the earlier), carrying that frame's own time, in every container.
class TestKeyFrames : public QObject
{
    Q_OBJECT

private:
    static constexpr int Fps = 25;
    static constexpr double Seconds = 16.0;

    // Key frames at uneven distances, so a wrong choice cannot land on a
    // right one by chance.
    static QString keyTimes() { return QStringLiteral("0,1.6,5,5.4,9,13.2"); }

    static QString video(const QString &suffix)
    {
        QStringList codec;
        if (suffix == QLatin1String("avi")) {
            codec = QStringList{QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-q:v"), QStringLiteral("3"),
                     QStringLiteral("-bf"), QStringLiteral("2"), QStringLiteral("-g"), QStringLiteral("1000"),
                                 QStringLiteral("-sc_threshold"), QStringLiteral("1000000000")};
        } else {
            codec = QStringList{QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-bf"), QStringLiteral("3"),
                     QStringLiteral("-g"), QStringLiteral("1000"), QStringLiteral("-sc_threshold"), QStringLiteral("0"),
                     QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")};
        }
        codec << QStringLiteral("-force_key_frames") << keyTimes();
        return FixtureVideos::bandIndexedVideo(QStringLiteral("keys.") + suffix, 320, 240, Fps, Seconds, codec);
    }

    // The key frames' indexes as the file stores them.
    static QVector<int> probedKeyFrames(const QString &path)
    {
        QProcess probe;
        probe.start(QStringLiteral("ffprobe"),
                    {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                     QStringLiteral("-show_entries"), QStringLiteral("frame=key_frame"), QStringLiteral("-of"),
                     QStringLiteral("csv=p=0"), path});
        probe.waitForFinished(60000);
        QVector<int> keys;
        const QList<QByteArray> lines = probe.readAllStandardOutput().split('\n');
        int index = 0;
        for (const QByteArray &line : lines) {
            if (line.trimmed().isEmpty())
                continue;
            if (line.trimmed().startsWith('1'))
                keys.append(index);
            ++index;
        }
        return keys;
    }

private slots:
    void nearestKeyFrameWithItsOwnTime_data()
    {
        QTest::addColumn<QString>("suffix");
        for (const char *suffix : {"mp4", "mkv", "ts", "avi"})
            QTest::newRow(suffix) << QString::fromLatin1(suffix);
    }

    void nearestKeyFrameWithItsOwnTime()
    {
        QFETCH(QString, suffix);
        const QString path = video(suffix);
        QVERIFY(!path.isEmpty());
        const QVector<int> keys = probedKeyFrames(path);
        const QVector<int> forced{0, 40, 125, 135, 225, 330};
        QVERIFY2(keys == forced, qPrintable(QStringLiteral("key frames %1").arg(
                                     [&] { QStringList l; for (int k : keys) l << QString::number(k); return l.join(QLatin1Char(',')); }())));

        FrameGrabber grabber(nullptr);
        grabber.setKeyFramesOnly(true);
        grabber.setSource(path);
        GrabberProbe probe(grabber);
        QStringList wrong;
        // Forward, and once backward, as a user's positions may come.
        QVector<qint64> positions;
        for (qint64 pos = 0; pos <= qint64(Seconds * 1000); pos += 150)
            positions.append(pos);
        positions << 5200 << 3300 << 3299 << 3301 << 0 << 15960;
        for (qint64 pos : qAsConst(positions)) {
            int expected = keys.first();
            for (int key : keys) {
                const qint64 keyMs = key * 1000 / Fps;
                if (std::llabs(keyMs - pos) < std::llabs(expected * 1000 / Fps - pos))
                    expected = key;
            }
            probe.extractAt(pos);
            if (probe.kind != GrabberProbe::Frame) {
                wrong << QStringLiteral("%1 ms: %2").arg(pos).arg(probe.message);
                continue;
            }
            const int index = FixtureVideos::frameIndexOfBandImage(probe.image());
            if (index != expected || probe.frameMs() != expected * 1000 / Fps)
                wrong << QStringLiteral("%1 ms: frame %2 at %3 ms, expected %4").arg(pos).arg(index).arg(probe.frameMs()).arg(expected);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1String("; "))));
    }

    // Switching modes on the same file: exact extraction afterwards is
    // exact again.
    void exactAfterFast()
    {
        const QString path = video(QStringLiteral("mp4"));
        FrameGrabber grabber(nullptr);
        grabber.setSource(path);
        GrabberProbe probe(grabber);
        grabber.setKeyFramesOnly(true);
        probe.extractAt(3000);
        QCOMPARE(FixtureVideos::frameIndexOfBandImage(probe.image()), 40);
        grabber.setKeyFramesOnly(false);
        probe.extractAt(3000);
        QCOMPARE(probe.kind, GrabberProbe::Frame);
        QCOMPARE(FixtureVideos::frameIndexOfBandImage(probe.image()), 75);
        QCOMPARE(probe.frameMs(), qint64(3000));
    }
};

VISTALOOM_TEST_MAIN_GUI(TestKeyFrames)
#include "tst_keyframes.moc"
