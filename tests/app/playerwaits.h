#ifndef VISTALOOM_PLAYERWAITS_H
#define VISTALOOM_PLAYERWAITS_H

#include "mpvplayer.h"
#include "videocapture.h"
#include "videooutput.h"

#include "fixturevideos.h"

#include <mpv/client.h>

#include <QImage>
#include <QSignalSpy>
#include <QtTest>
#include <QWidget>

#include <memory>

// Helpers for tests that drive the real player and read back what it shows.
namespace PlayerWaits {

// Generous: the tests also run under the sanitizers on a shared machine.
constexpr int timeoutMs = 20000;

// The frame the player shows, or a null image when the capture failed.
inline QImage capture(MpvPlayer *player)
{
    QSignalSpy captured(player->videoCapture(), &VideoCapture::imageCaptured);
    QSignalSpy failed(player->videoCapture(), &VideoCapture::failed);
    player->videoCapture()->capture();
    if (!QTest::qWaitFor([&] { return !captured.isEmpty() || !failed.isEmpty(); }, timeoutMs))
        return QImage();
    // The window's own handler runs through a queued call; it has run too
    // once this returns.
    QCoreApplication::sendPostedEvents();
    return captured.isEmpty() ? QImage() : captured.first().first().value<QImage>();
}

// Index of a frame of FixtureVideos::indexedVideo, read in the middle.
inline int frameIndex(const QImage &image)
{
    if (image.isNull())
        return -1;
    return FixtureVideos::frameIndexOfLevel(qGray(image.pixel(image.width() / 2, image.height() / 2)));
}

inline bool waitForPosition(MpvPlayer *player, qint64 position)
{
    return QTest::qWaitFor([player, position] { return !player->isSeeking() && player->position() == position; },
                           timeoutMs);
}

inline bool waitForState(MpvPlayer *player, MpvPlayer::State state)
{
    return QTest::qWaitFor([player, state] { return player->state() == state; }, timeoutMs);
}

inline bool waitForVideo(MpvPlayer *player)
{
    if (QTest::qWaitFor([player] {
            return player->state() != MpvPlayer::StoppedState && player->videoSize().isValid()
                && player->duration() > 0;
        }, timeoutMs))
        return true;
    qWarning() << "Video not ready: state" << player->state() << "media status" << player->mediaStatus() << "size"
               << player->videoSize() << "duration" << player->duration();
    return false;
}

// Opens video and holds it paused on its first frame, once mpv knows its
// size and length.
inline bool openPaused(MpvPlayer *player, const QString &video)
{
    player->play(video);
    if (!waitForVideo(player))
        return false;
    player->pause(true);
    return true;
}

// mpv's own word that it holds no file, open or opening: nothing was sent
// to load, or a stop has run its course.
inline bool mpvIsIdle(MpvPlayer *player)
{
    int idle = 0;
    return mpv_get_property(player->handle().get(), "idle-active", MPV_FORMAT_FLAG, &idle) >= 0 && idle;
}

// A player with its video widget shown, as the main window has them.
struct PlayerRig {
    std::unique_ptr<MpvPlayer> player = std::make_unique<MpvPlayer>();
    std::unique_ptr<QWidget> output{VideoOutput::create(player.get(), nullptr)};
    explicit PlayerRig(const QSize &size = QSize(320, 240))
    {
        output->resize(size);
        output->show();
    }
    ~PlayerRig()
    {
        // The widget goes first, as it does in the window.
        output.reset();
        player.reset();
    }
};

} // namespace PlayerWaits

#endif
