#ifndef VISTALOOM_BATCHTESTSUPPORT_H
#define VISTALOOM_BATCHTESTSUPPORT_H

#include "fixturevideos.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QStringList>
#include <QTest>
#include <QUrl>

namespace BatchTestSupport {

// A small H.264 clip of its own name, so that jobs differ by file name.
inline QString video(const QString &name, int seconds, const QString &size = QStringLiteral("160x120"))
{
    return FixtureVideos::make(name + QStringLiteral(".mp4"),
                               {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                QStringLiteral("testsrc2=size=%1:rate=10:duration=%2").arg(size).arg(seconds),
                                QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"),
                                QStringLiteral("yuv420p")});
}

// A text file dressed up as a video.
inline QString brokenVideo(const QString &folder)
{
    const QString path = folder + QStringLiteral("/broken.mp4");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("this is not a video\n");
    return QDir::toNativeSeparators(path);
}

// clip copied to a path of exactly length characters, in a folder of its own.
inline QString clipAtPathOfLength(const QString &clip, int length)
{
    const QString base = FixtureVideos::folder() + QStringLiteral("/");
    const QString fileName = QStringLiteral("/long-named.mp4");
    const int folderLength = length - base.size() - fileName.size();
    if (folderLength < 1)
        return QString();
    QString name;
    while (name.size() < folderLength)
        name += QStringLiteral("summer-holiday-videos-");
    name.truncate(folderLength);
    const QString folder = base + name;
    const QString path = folder + fileName;
    if (!QDir().mkpath(folder) || !(QFileInfo::exists(path) || QFile::copy(clip, path)))
        return QString();
    return path;
}

// Drops the files on the widget the way a file manager does.
inline void dropFiles(QWidget *target, const QStringList &paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data.setUrls(urls);
    const QPoint where = target->rect().center();
    QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return;
    QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

// Shows the dialog and, once it is on screen, drops the files on it.
inline bool showWithFiles(QWidget *dialog, const QStringList &paths)
{
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog))
        return false;
    dropFiles(dialog, paths);
    return true;
}

inline QStringList imagesIn(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.jpeg"), QStringLiteral("*.jpg"), QStringLiteral("*.png")},
                                  QDir::Files, QDir::Name);
}

} // namespace BatchTestSupport

#endif
