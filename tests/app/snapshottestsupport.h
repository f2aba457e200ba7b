#ifndef VISTALOOM_SNAPSHOTTESTSUPPORT_H
#define VISTALOOM_SNAPSHOTTESTSUPPORT_H

#include "mainwindow.h"
#include "modalanswer.h"
#include "mpvplayer.h"
#include "playerwaits.h"
#include "videocapture.h"

#include <QApplication>
#include <QSignalSpy>
#include <QtTest>

#include <functional>

// Helpers for driving the main window's snapshot pane with the real player.
namespace SnapshotTestSupport {

// Generous: the tests also run under the sanitizers on a shared machine.
constexpr int TimeoutMs = 20000;

inline bool waitFor(const std::function<bool()> &condition)
{
    return QTest::qWaitFor(condition, TimeoutMs);
}

using PlayerWaits::waitForVideo;

template<typename T>
T *child(QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("No child named %s", name);
    return found;
}

// Fraction of pixels in area brighter than a level: where a light watermark lies.
inline double brightShare(const QImage &image, const QRect &area, int level = 150)
{
    int bright = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(image.pixel(x, y)) > level)
                ++bright;
        }
    }
    return double(bright) / (area.width() * area.height());
}

} // namespace SnapshotTestSupport

#endif
