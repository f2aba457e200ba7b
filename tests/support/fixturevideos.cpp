#include "fixturevideos.h"

#include "testenvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QtDebug>

namespace FixtureVideos {

QString folder()
{
    const QString path = TestEnvironment::root() + QStringLiteral("/fixtures");
    QDir().mkpath(path);
    return path;
}

QString make(const QString &fileName, const QStringList &arguments)
{
    const QString path = folder() + QLatin1Char('/') + fileName;
    if (QFileInfo::exists(path))
        return path;
    QStringList all{QStringLiteral("-y"), QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                    QStringLiteral("error")};
    all << arguments << path;
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral(FFMPEG_EXECUTABLE), all);
    if (!ffmpeg.waitForFinished(300000) || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0) {
        qWarning() << "ffmpeg failed for" << fileName << ffmpeg.readAllStandardError();
        QFile::remove(path);
        return QString();
    }
    return path;
}

QString indexedVideo(int width, int height, int fps, double seconds, const QString &suffix,
                     const QStringList &codecArguments)
{
    const QStringList codec = codecArguments.isEmpty()
        ? QStringList{QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"),
                      QStringLiteral("yuv420p"), QStringLiteral("-qp"), QStringLiteral("0")}
        : codecArguments;
    const QString key = QStringLiteral("indexed-%1x%2-%3fps-%4s-%5.%6")
                            .arg(width).arg(height).arg(fps).arg(seconds)
                            .arg(QString::number(qHash(codec.join(QLatin1Char(' '))), 16))
                            .arg(suffix);
    const QString source = QStringLiteral("color=c=black:s=%1x%2:r=%3:d=%4,format=gray,geq=lum='N*4'")
                               .arg(width).arg(height).arg(fps).arg(seconds);
    return make(key, QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), source} << codec);
}

QString withRotation(const QString &source, int degrees)
{
    if (source.isEmpty())
        return QString();
    const QFileInfo info(source);
    const QString name = QStringLiteral("%1-rotate%2.%3").arg(info.completeBaseName()).arg(degrees).arg(info.suffix());
    // The tag must be set while remuxing: FFmpeg drops it when encoding.
    return make(name, QStringList{QStringLiteral("-i"), source, QStringLiteral("-c"), QStringLiteral("copy"),
                                  QStringLiteral("-metadata:s:v:0"), QStringLiteral("rotate=%1").arg(degrees)});
}

int frameIndexOfLevel(int level)
{
    return (level + 2) / 4;
}

} // namespace FixtureVideos
