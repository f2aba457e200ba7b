// Times the main window's player: from loadVideo to the first frame on
// screen, and the share of frames mpv drops while playing ten seconds;
// then the previews over the position slider: how long after the pointer
// stops the picture is there, and whether asking for one every 50 ms while
// the video plays makes mpv drop frames.
// Run it on a real X server (run.sh starts one); it prints its figures.
#include "mainwindow.h"
#include "mpvplayer.h"
#include "previewslider.h"
#include "previewsource.h"
#include "startup.h"

#include "profiles/applicationidentity.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QtDebug>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <malloc.h>
#include <unistd.h>

namespace {

// Runs the event loop until the player shows a frame or timeoutMs passes.
bool waitForFirstFrame(MpvPlayer *player, int timeoutMs)
{
    QEventLoop loop;
    bool shown = false;
    QObject::connect(player, &MpvPlayer::firstFrameShown, &loop, [&] {
        shown = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return shown;
}

void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Resident memory of the whole process in MB, as Linux counts it.
double residentMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0.0;
    return statm.readAll().split(' ').value(1).toLongLong() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Heap memory in use in MB (what the allocator keeps for reuse left out).
double heapInUseMb()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

void hover(PreviewSlider *slider, int x)
{
    QMouseEvent move(QEvent::MouseMove, QPoint(x, slider->height() / 2), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &move);
}

double percentile(QList<double> values, double share)
{
    if (values.isEmpty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values.at(std::min<int>(values.size() - 1, int(share * values.size())));
}

// Hovers at random points, each reached in a few moves as a hand does, and
// times from the last move to the picture. Pictures already kept come at
// once; they are counted apart.
void timePreviews(MainWindow &window, PreviewSlider *slider, int hovers)
{
    auto *source = window.findChild<PreviewSource *>();
    qint64 awaited = -1;
    bool answered = false;
    QObject::connect(source, &PreviewSource::previewReady, slider, [&](qint64 requested, qint64, const QImage &) {
        answered = answered || requested == awaited;
    });
    QList<double> decoded;
    int kept = 0;
    QRandomGenerator random(7);
    for (int i = 0; i < hovers; ++i) {
        const int target = random.bounded(slider->width());
        const int side = target < slider->width() / 2 ? 1 : -1;
        for (int step = 3; step > 0; --step) {
            hover(slider, target + side * step * 25);
            spin(16);
        }
        awaited = slider->millisecondsAt(target);
        answered = false;
        QElapsedTimer timer;
        timer.start();
        hover(slider, target);
        if (answered) {
            ++kept;
            continue;
        }
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (answered || timer.elapsed() > 5000)
                loop.quit();
        });
        poll.start(0);
        loop.exec();
        decoded << timer.nsecsElapsed() / 1e6;
        spin(30);
    }
    std::printf("hover preview, %d hovers: %d decoded, median %.1f ms, 95th percentile %.1f ms, max %.1f ms; "
                "%d from the kept pictures\n",
                hovers, int(decoded.size()), percentile(decoded, 0.5), percentile(decoded, 0.95),
                percentile(decoded, 1.0), kept);
}

} // namespace

int main(int argc, char *argv[])
{
    // Settings of the benchmark's own, never the user's.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    ApplicationIdentity::apply();
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_gui VIDEO [RUNS]\n");
        return 2;
    }
    const QString video = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    Startup::applyStyleSheet(app);

    MainWindow window;
    Startup::placeWindow(window);
    window.show();
    spin(500);
    MpvPlayer *player = window.mediaPlayer();
    if (!player) {
        std::fprintf(stderr, "no player\n");
        return 1;
    }

    QList<double> firstFrame;
    for (int run = 0; run < runs; ++run) {
        window.closeVideo();
        spin(300);
        QElapsedTimer timer;
        timer.start();
        window.loadVideo(video);
        if (!waitForFirstFrame(player, 10000)) {
            std::fprintf(stderr, "no frame shown\n");
            return 1;
        }
        firstFrame << timer.nsecsElapsed() / 1e6;
    }
    std::sort(firstFrame.begin(), firstFrame.end());
    std::printf("renderer: %s\n", window.videoOutputWidget()->metaObject()->className());
    std::printf("load to first frame (ms), %d runs: median %.1f, min %.1f, max %.1f\n", runs,
                firstFrame.at(firstFrame.size() / 2), firstFrame.first(), firstFrame.last());

    // Ten seconds of playback from the start, in the 800 x 600 window.
    window.closeVideo();
    spin(300);
    window.loadVideo(video);
    waitForFirstFrame(player, 10000);
    const qint64 dropsBefore = player->droppedFrames();
    const qint64 decoderDropsBefore = player->decoderDroppedFrames();
    const qint64 startPosition = player->position();
    const qint64 shownBefore = player->framesShown();
    QElapsedTimer wall;
    wall.start();
    spin(10000);
    const qint64 played = player->position() - startPosition;
    const qint64 drops = player->droppedFrames() - dropsBefore;
    const qint64 decoderDrops = player->decoderDroppedFrames() - decoderDropsBefore;
    const qint64 shown = player->framesShown() - shownBefore;
    const int interval = player->notifyInterval() > 0 ? player->notifyInterval() : 40;
    const double frames = static_cast<double>(played) / interval;
    std::printf("played %.2f s of video in %.2f s; frames due %.0f, dropped at output %lld, in decoder %lld: "
                "%.2f %% dropped\n",
                played / 1000.0, wall.elapsed() / 1000.0, frames, static_cast<long long>(drops),
                static_cast<long long>(decoderDrops), frames > 0 ? 100.0 * (drops + decoderDrops) / frames : 0.0);
    std::printf("frames drawn by the widget: %lld of %.0f due\n", static_cast<long long>(shown), frames);
    std::fflush(stdout);

    // Previews, on their own clip when one is given (one with many key
    // frames, so most hovers need a picture not kept yet).
    const QString previewVideo = argc > 3 ? QString::fromLocal8Bit(argv[3]) : video;
    auto *slider = window.findChild<PreviewSlider *>(QStringLiteral("videoSlider"));
    window.closeVideo();
    spin(300);
    window.loadVideo(previewVideo);
    waitForFirstFrame(player, 10000);
    player->pause(true);
    spin(500);
    const double residentBefore = residentMb();
    const double heapBefore = heapInUseMb();
    timePreviews(window, slider, 50);
    const double residentHovering = residentMb();
    const double heapHovering = heapInUseMb();
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(slider, &leave);
    spin(500);
    std::printf("memory, resident / heap in use: %.1f / %.1f MB before hovering, %.1f / %.1f MB after the hovers, "
                "%.1f / %.1f MB once the pointer left\n",
                residentBefore, heapBefore, residentHovering, heapHovering, residentMb(), heapInUseMb());

    // Playback from the start while a preview is asked for every 50 ms.
    window.closeVideo();
    spin(300);
    window.loadVideo(previewVideo);
    waitForFirstFrame(player, 10000);
    const qint64 hoverDropsBefore = player->droppedFrames();
    const qint64 hoverDecoderDropsBefore = player->decoderDroppedFrames();
    const qint64 hoverStart = player->position();
    int requests = 0;
    QTimer asker;
    QRandomGenerator random(11);
    QObject::connect(&asker, &QTimer::timeout, [&] {
        hover(slider, random.bounded(slider->width()));
        ++requests;
    });
    asker.start(50);
    QElapsedTimer hoverWall;
    hoverWall.start();
    spin(10000);
    asker.stop();
    const qint64 hoverPlayed = player->position() - hoverStart;
    const qint64 hoverDrops = player->droppedFrames() - hoverDropsBefore;
    const qint64 hoverDecoderDrops = player->decoderDroppedFrames() - hoverDecoderDropsBefore;
    const int hoverInterval = player->notifyInterval() > 0 ? player->notifyInterval() : 40;
    const double hoverFrames = static_cast<double>(hoverPlayed) / hoverInterval;
    std::printf("with %d previews asked for (every 50 ms): played %.2f s of video in %.2f s; frames due %.0f, "
                "dropped at output %lld, in decoder %lld: %.2f %% dropped\n",
                requests, hoverPlayed / 1000.0, hoverWall.elapsed() / 1000.0, hoverFrames,
                static_cast<long long>(hoverDrops), static_cast<long long>(hoverDecoderDrops),
                hoverFrames > 0 ? 100.0 * (hoverDrops + hoverDecoderDrops) / hoverFrames : 0.0);
    std::fflush(stdout);
    window.closeVideo();
    return 0;
}
