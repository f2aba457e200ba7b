#include "testmain.h"

#include "fixturevideos.h"
#include "grabberprobe.h"

#include "media/framegrabber.h"
#include "media/medialog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>

// Damaged copies of short clips go through the grabber in-process: each
// request must get exactly one answer, a frame or an error, in bounded time
// and without a crash. The copies are made from a seed, so any of them can
// be made again:
//   VISTALOOM_FUZZ_SEED  seed of the run (default 1)
//   VISTALOOM_FUZZ_COUNT number of damaged files (default 200)
//   VISTALOOM_FUZZ_ONLY  only the file of this index

namespace {

constexpr qint64 SlowFileMs = 20000;
constexpr int RequestsPerFile = 10;

qint64 environmentNumber(const char *name, qint64 fallback)
{
    bool ok = false;
    const qint64 value = qEnvironmentVariable(name).toLongLong(&ok);
    return ok ? value : fallback;
}

struct Clip {
    const char *file;
    int width;
    int height;
    const char *output;
};

// Six containers, each with a codec that reorders or predicts pictures, so
// damage reaches more than one frame; some widths leave the rows of the
// converted image unaligned.
const Clip Clips[] = {
    {"clip.mp4", 64, 48, "-c:v libx264 -preset veryfast -bf 2 -g 12 -pix_fmt yuv420p -movflags +faststart"},
    {"clip.mkv", 72, 40, "-c:v libx265 -preset ultrafast -pix_fmt yuv420p -x265-params log-level=error:keyint=12:bframes=2"},
    {"clip.avi", 90, 60, "-c:v mpeg4 -vtag xvid -bf 2 -g 12"},
    {"clip.ts", 64, 48, "-c:v mpeg2video -bf 2 -g 12"},
    {"clip.webm", 90, 60, "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -g 12"},
    {"clip.ogg", 66, 50, "-c:v libtheora -g 12"},
};
constexpr int ClipCount = int(sizeof(Clips) / sizeof(Clips[0]));

enum Damage { Flips, Zeros, Truncation, Duplicate, Removal, DamageCount };

const char *damageName(int damage)
{
    static const char *const names[] = {"flips", "zeros", "truncation", "duplicate", "removal"};
    return names[damage];
}

// The damaged copy number index of a seed's run: the clip and the kind of
// damage go round in turn, the places come from the seed.
QByteArray damaged(const QByteArray &clean, quint32 seed, int index, int damage, QString &what)
{
    std::seed_seq sequence{seed, quint32(index)};
    std::mt19937 random(sequence);
    const auto between = [&random](qint64 low, qint64 high) {
        return std::uniform_int_distribution<qint64>(low, qMax(low, high))(random);
    };
    QByteArray data = clean;
    const qint64 size = data.size();
    switch (damage) {
    case Flips: {
        // In the middle, past the headers that make a file open at all.
        const int flips = int(between(1, 32));
        for (int i = 0; i < flips; ++i) {
            const qint64 at = between(size / 10, size * 9 / 10);
            data[int(at)] = char(data[int(at)] ^ char(between(1, 255)));
        }
        what = QStringLiteral("%1 bytes flipped").arg(flips);
        break;
    }
    case Zeros: {
        const qint64 length = between(16, 4096);
        const qint64 at = between(0, size - length);
        std::memset(data.data() + at, 0, size_t(qMin(length, size - at)));
        what = QStringLiteral("%1 bytes zeroed at %2").arg(length).arg(at);
        break;
    }
    case Truncation: {
        const qint64 length = between(1, size - 1);
        data.truncate(int(length));
        what = QStringLiteral("cut to %1 of %2 bytes").arg(length).arg(size);
        break;
    }
    case Duplicate: {
        const qint64 length = between(16, 8192);
        const qint64 from = between(0, size - length);
        const qint64 to = between(0, size);
        data.insert(int(to), clean.mid(int(from), int(length)));
        what = QStringLiteral("%1 bytes from %2 copied to %3").arg(length).arg(from).arg(to);
        break;
    }
    case Removal: {
        const qint64 length = between(16, 8192);
        const qint64 at = between(0, size - length);
        data.remove(int(at), int(length));
        what = QStringLiteral("%1 bytes removed at %2").arg(length).arg(at);
        break;
    }
    }
    return data;
}

// Positions of a forward walk over the clip and somewhat past its end.
QVector<qint64> walkFor(quint32 seed, int index)
{
    std::seed_seq sequence{seed, quint32(index), 1u};
    std::mt19937 random(sequence);
    QVector<qint64> positions;
    qint64 pos = -100;
    for (int i = 0; i < RequestsPerFile; ++i) {
        positions << pos;
        pos += std::uniform_int_distribution<qint64>(0, 400)(random);
    }
    return positions;
}

// What the crash handler prints: which file was being read.
char g_current[512];

void reportCrash(int signal)
{
    static const char prefix[] = "\nCrashed while reading ";
    [[maybe_unused]] ssize_t written = write(STDERR_FILENO, prefix, sizeof(prefix) - 1);
    written = write(STDERR_FILENO, g_current, strnlen(g_current, sizeof(g_current)));
    written = write(STDERR_FILENO, "\n", 1);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Aborts an extraction that runs longer than SlowFileMs, so a file that
// hangs the grabber fails the test with its name instead of the run timing
// out.
class Watchdog
{
public:
    Watchdog()
        : m_thread([this] { run(); })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    void watch(FrameGrabber *grabber)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_grabber = grabber;
        m_since = std::chrono::steady_clock::now();
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            m_wake.wait_for(lock, std::chrono::milliseconds(200));
            if (m_grabber && std::chrono::steady_clock::now() - m_since > std::chrono::milliseconds(SlowFileMs)) {
                m_grabber->abort();
                m_grabber = nullptr;
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    FrameGrabber *m_grabber = nullptr;
    std::chrono::steady_clock::time_point m_since;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace

class TestGrabberFuzz : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Damaged files make FFmpeg and the grabber complain about nearly
        // every packet; only the test's own findings are of interest.
        MediaLog::setLogLevel(0);
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false\ndefault.warning=false"));
        std::signal(SIGSEGV, reportCrash);
        std::signal(SIGABRT, reportCrash);
        std::signal(SIGBUS, reportCrash);
        std::signal(SIGFPE, reportCrash);
    }

    void damagedFilesGetOneAnswerPerRequest()
    {
        const quint32 seed = quint32(environmentNumber("VISTALOOM_FUZZ_SEED", 1));
        const int count = int(environmentNumber("VISTALOOM_FUZZ_COUNT", 200));
        const int only = int(environmentNumber("VISTALOOM_FUZZ_ONLY", -1));

        QVector<QByteArray> clean;
        for (const Clip &clip : Clips) {
            // Noise makes the pictures, not the headers, most of the file.
            const QString path = FixtureVideos::bandIndexedVideo(QString::fromLatin1(clip.file), clip.width, clip.height, 25, 2,
                                                                 QString::fromLatin1(clip.output).split(QLatin1Char(' ')),
                                                                 QStringLiteral("noise=alls=40:allf=t"));
            QVERIFY2(!path.isEmpty(), clip.file);
            // Damage to a clip the grabber cannot read tells nothing.
            FrameGrabber grabber(nullptr);
            grabber.setSource(path);
            QVERIFY2(grabber.duration() > 0, clip.file);
            GrabberProbe probe(grabber);
            probe.extractAt(0);
            QVERIFY2(probe.kind == GrabberProbe::Frame, qPrintable(QStringLiteral("%1: %2").arg(clip.file, probe.message)));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            clean << file.readAll();
        }
        const QString folder = FixtureVideos::folder() + QStringLiteral("/damaged");
        QVERIFY(QDir().mkpath(folder));

        Watchdog watchdog;
        int files = 0;
        int requests = 0;
        int frames = 0;
        int errors = 0;
        qint64 slowestMs = 0;
        QString slowest;
        QStringList failures;
        for (int index = 0; index < count; ++index) {
            if (only >= 0 && index != only)
                continue;
            const int clip = index % ClipCount;
            const int damage = (index / ClipCount) % DamageCount;
            QString what;
            const QByteArray data = damaged(clean[clip], seed, index, damage, what);
            const QString suffix = QFileInfo(QString::fromLatin1(Clips[clip].file)).suffix();
            const QString path = QStringLiteral("%1/%2-%3.%4").arg(folder).arg(index).arg(damageName(damage), suffix);
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(file.write(data), qint64(data.size()));
            file.close();
            const QString name = QStringLiteral("seed %1 index %2 (%3 %4, %5)")
                                     .arg(seed).arg(index).arg(QLatin1String(Clips[clip].file), QLatin1String(damageName(damage)), what);
            qstrncpy(g_current, qPrintable(name), sizeof(g_current));

            QElapsedTimer timer;
            timer.start();
            QStringList wrong;
            {
                FrameGrabber grabber(nullptr);
                watchdog.watch(&grabber);
                grabber.setSource(path);
                grabber.duration();
                GrabberProbe probe(grabber);
                for (qint64 pos : walkFor(seed, index)) {
                    probe.extractAt(pos);
                    ++requests;
                    if (probe.answers != 1 || (probe.kind != GrabberProbe::Frame && probe.kind != GrabberProbe::Error)) {
                        wrong << QStringLiteral("%1 answers at %2 ms, last %3 \"%4\"")
                                     .arg(probe.answers).arg(pos).arg(int(probe.kind)).arg(probe.message);
                        break;
                    }
                    if (probe.kind == GrabberProbe::Frame) {
                        ++frames;
                        // The conversion reads the whole picture: damage
                        // must not reach past its planes.
                        probe.image();
                    } else {
                        ++errors;
                    }
                }
                watchdog.watch(nullptr);
            }
            const qint64 ms = timer.elapsed();
            ++files;
            if (ms > slowestMs) {
                slowestMs = ms;
                slowest = name;
            }
            if (ms > SlowFileMs)
                wrong << QStringLiteral("took %1 ms").arg(ms);
            if (wrong.isEmpty())
                QFile::remove(path);
            else
                failures << QStringLiteral("%1 [%2]: %3").arg(name, path, wrong.join(QLatin1String("; ")));
        }

        qInfo("files=%d requests=%d frames=%d errors=%d slowest_file_ms=%lld", files, requests, frames, errors,
              slowestMs);
        qInfo("slowest: %s", qPrintable(slowest));
        QVERIFY2(failures.isEmpty(),
                 qPrintable(failures.join(QLatin1String("\n   "))
                            + QStringLiteral("\n   Make one again with VISTALOOM_FUZZ_SEED=%1 VISTALOOM_FUZZ_ONLY=<index>")
                                  .arg(seed)));
    }
};

VISTALOOM_TEST_MAIN_GUI(TestGrabberFuzz)
#include "tst_grabberfuzz.moc"
