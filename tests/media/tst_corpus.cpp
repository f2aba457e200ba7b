#include "testmain.h"

#include "fixturevideos.h"
#include "grabbermodel.h"
#include "grabberprobe.h"

#include "media/framegrabber.h"
#include "media/frameindex.h"

// Short clips of many containers and codecs, each read through series of
// forward requests and compared with ffprobe's frame list under the
// nearest-frame rule: frame time, picture and image size.

namespace {

constexpr double Seconds = 3;

QStringList args(const char *text)
{
    return QString::fromLatin1(text).split(QLatin1Char(' '));
}

// Two passes over the clip give an exact palette for its few grey levels,
// so the pictures still carry their index.
const char *const ExactPalette =
    "format=rgb24,split[a][b];[a]palettegen=reserve_transparent=0[p];[b][p]paletteuse=dither=none";

struct Series {
    QString name;
    QVector<qint64> requests;
};

// Every frame time; the middle of each gap (an exact tie where the gap is
// even); a third and two thirds into each gap; a millisecond before each
// frame; and a few mixed forward walks.
QVector<Series> requestSeries(const QVector<qint64> &times)
{
    QVector<Series> all{{QStringLiteral("every frame"), times}, {QStringLiteral("middles"), {}},
                        {QStringLiteral("thirds"), {}}, {QStringLiteral("just before"), {}}};
    for (int i = 0; i < times.size(); ++i) {
        const qint64 gap = i + 1 < times.size() ? times[i + 1] - times[i] : 40;
        all[1].requests << times[i] + gap / 2;
        all[2].requests << times[i] + gap / 3 << times[i] + 2 * gap / 3;
        all[3].requests << times[i] - 1;
    }
    for (quint32 seed : {1u, 2u, 3u, 4u, 5u, 6u})
        all << Series{QStringLiteral("walk %1").arg(seed), forwardWalk(times, seed)};
    return all;
}

} // namespace

class TestCorpus : public QObject
{
    Q_OBJECT

    struct Tally {
        QString file;
        int checks = 0;
        int wrong = 0;
    };
    QVector<Tally> m_tallies;

private slots:
    void cleanupTestCase()
    {
        qInfo("%-22s %7s %6s", "file", "checks", "wrong");
        for (const Tally &tally : qAsConst(m_tallies))
            qInfo("%-22s %7d %6d", qPrintable(tally.file), tally.checks, tally.wrong);
    }

    void nearestFrames_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("fps");
        QTest::addColumn<QStringList>("output");
        QTest::addColumn<QString>("filters");
        // Whether the codec keeps the grey bands well enough to read the
        // index back from the picture.
        QTest::addColumn<bool>("bands");

        const auto row = [](const char *file, int width, int height, int fps, const char *output, bool bands,
                            const char *filters = "") {
            QTest::newRow(file) << width << height << fps << args(output) << QString::fromLatin1(filters) << bands;
        };
        const char *h264 = "-c:v libx264 -preset veryfast -crf 12 -bf 3 -g 25 -pix_fmt yuv420p";
        row("h264.mp4", 160, 120, 25, h264, true);
        row("h264.mkv", 176, 144, 25, h264, true);
        row("h264.avi", 214, 160, 25, h264, true);
        row("h264.ts", 96, 64, 30, "-c:v libx264 -preset veryfast -crf 12 -bf 3 -g 30 -pix_fmt yuv420p",
            true);
        row("h264.mov", 128, 96, 24, "-c:v libx264 -preset veryfast -crf 12 -bf 2 -g 24 -pix_fmt yuv420p", true);
        row("hevc.mp4", 160, 120, 25,
            "-c:v libx265 -preset fast -crf 12 -pix_fmt yuv420p -tag:v hvc1 "
            "-x265-params log-level=error:keyint=25:bframes=4",
            true);
        row("vp8.webm", 90, 60, 25, "-c:v libvpx -crf 4 -b:v 2M -qmin 0 -qmax 8 -g 30 -auto-alt-ref 1 -lag-in-frames 16",
            true);
        row("vp9.webm", 144, 96, 30,
            "-c:v libvpx-vp9 -crf 12 -b:v 0 -g 30 -deadline good -cpu-used 8 -auto-alt-ref 1 -lag-in-frames 16", true);
        row("av1.mkv", 160, 120, 25, "-c:v libsvtav1 -preset 10 -crf 15 -g 30", true);
        row("mpeg2.ts", 176, 144, 25, "-c:v mpeg2video -q:v 2 -bf 2 -g 12", true);
        row("mpeg2.vob", 176, 144, 25, "-c:v mpeg2video -q:v 2 -bf 2 -g 12 -f vob", true);
        row("mpeg4.avi", 214, 160, 25, "-c:v mpeg4 -q:v 2 -g 25", true);
        row("mpeg4-bframes.avi", 214, 160, 25, "-c:v mpeg4 -vtag xvid -q:v 2 -bf 2 -g 25", true);
        row("msmpeg4v3.avi", 160, 120, 25, "-c:v msmpeg4 -q:v 2 -g 25", true);
        row("theora.ogg", 144, 108, 25, "-c:v libtheora -q:v 10 -g 25", true);
        row("mjpeg.avi", 214, 160, 25, "-c:v mjpeg -q:v 2 -pix_fmt yuvj422p", true);
        row("cinepak.avi", 96, 64, 25, "-c:v cinepak", true);
        row("cinepak.mkv", 112, 80, 25, "-c:v cinepak", true);
        // 5 bits a channel cannot hold grey levels 4 apart.
        row("msvideo1.avi", 128, 96, 25, "-c:v msvideo1", false);
        row("msvideo1.mkv", 160, 120, 25, "-c:v msvideo1", false);
        row("pal8.avi", 90, 60, 25, "-c:v rawvideo -pix_fmt pal8", true, ExactPalette);
        // The Matroska muxer stores no palette, so every picture decodes black.
        row("pal8.mkv", 214, 160, 25, "-c:v rawvideo -pix_fmt pal8 -allow_raw_vfw 1", false, ExactPalette);
        row("prores.mov", 176, 144, 25, "-c:v prores_ks -profile:v 3", true);
        row("ffv1.mkv", 214, 160, 25, "-c:v ffv1", true);
    }
    void nearestFrames()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, fps);
        QFETCH(QStringList, output);
        QFETCH(QString, filters);
        QFETCH(bool, bands);
        const QString file = QString::fromLatin1(QTest::currentDataTag());
        m_tallies << Tally{file};
        Tally &tally = m_tallies.last();

        const QString path = FixtureVideos::bandIndexedVideo(file, width, height, fps, Seconds, output, filters);
        QVERIFY(!path.isEmpty());
        // The clips start with their first frame, whatever time the
        // container gives it when it stores no presentation times.
        const QVector<qint64> times = probeFrameTimesMs(path, TimeZero::FirstFrame);
        QVERIFY2(times.size() >= fps * Seconds - 4, qPrintable(QStringLiteral("%1 frames").arg(times.size())));

        QStringList failures;
        {
            FrameGrabber grabber(nullptr);
            grabber.setSource(path);
            GrabberProbe probe(grabber);
            probe.extractAt(0);
            ++tally.checks;
            if (probe.kind != GrabberProbe::Frame || probe.frameMs() != 0) {
                ++tally.wrong;
                failures << QStringLiteral("first frame: %1")
                                .arg(probe.kind == GrabberProbe::Frame ? QStringLiteral("at %1 ms").arg(probe.frameMs())
                                                                       : probe.message);
            }
        }
        {
            // Each frame's number, counted from the packets.
            const std::atomic<bool> never{false};
            FrameIndex index(never);
            QVERIFY(index.open(path));
            for (int i = 0; i < times.size(); ++i) {
                ++tally.checks;
                if (index.numberAt(times[i] / 1000.0 + 0.0004) != i) {
                    ++tally.wrong;
                    failures << QStringLiteral("frame %1 numbered %2").arg(i).arg(index.numberAt(times[i] / 1000.0 + 0.0004));
                    break;
                }
            }
        }
        for (const Series &series : requestSeries(times)) {
            FrameGrabber grabber(nullptr);
            grabber.setSource(path);
            GrabberProbe probe(grabber);
            GrabberModel model(times, grabber.duration());
            for (int r = 0; r < series.requests.size(); ++r) {
                const qint64 pos = series.requests[r];
                const int expected = model.request(pos);
                probe.extractAt(pos);
                ++tally.checks;
                QString wrong = probe.mismatch(pos, expected, times, QSize(width, height), bands);
                if (wrong.isEmpty() && grabber.atEnd() != model.atEnd())
                    wrong = QStringLiteral("atEnd() %1").arg(grabber.atEnd());
                if (!wrong.isEmpty()) {
                    // The grabber and the model part ways here: the rest of
                    // the series would only repeat the difference.
                    ++tally.wrong;
                    failures << QStringLiteral("%1, request %2 at %3 ms: %4").arg(series.name).arg(r).arg(pos).arg(wrong);
                    break;
                }
            }
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1String("\n   "))));
    }
};

VISTALOOM_TEST_MAIN_GUI(TestCorpus)
#include "tst_corpus.moc"
