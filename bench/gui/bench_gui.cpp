// Times the main window's player: from loadVideo to the first frame on
// screen, and the share of frames mpv drops while playing ten seconds.
// Run it on a real X server (run.sh starts one); it prints its figures.
#include "mainwindow.h"
#include "mpvplayer.h"
#include "startup.h"

#include "profiles/applicationidentity.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <QtDebug>

#include <algorithm>
#include <clocale>
#include <cstdio>

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
    window.closeVideo();
    return 0;
}
