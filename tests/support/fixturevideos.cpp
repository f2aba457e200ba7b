#include "fixturevideos.h"

#include "testenvironment.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QtDebug>

#include <cstdio>

namespace FixtureVideos {

QString folder()
{
    const QString path = TestEnvironment::root() + QStringLiteral("/fixtures");
    QDir().mkpath(path);
    return path;
}

namespace {

// ffmpeg's version line, part of every cache key: another ffmpeg may encode
// the same arguments differently.
QByteArray ffmpegVersion()
{
    static const QByteArray version = [] {
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral(FFMPEG_EXECUTABLE), {QStringLiteral("-version")});
        ffmpeg.waitForFinished(60000);
        return ffmpeg.readAllStandardOutput().split('\n').value(0);
    }();
    return version;
}

// The name a video is kept under in the shared cache: a hash of everything
// that decides its content. An input file is named by its content, not its
// path, as every test makes its inputs in a folder of its own.
QString cacheName(const QString &fileName, const QStringList &arguments)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(ffmpegVersion());
    hash.addData(fileName.toUtf8());
    for (const QString &argument : arguments) {
        hash.addData("\0", 1);
        QFile input(argument);
        if (QDir::isAbsolutePath(argument) && QFileInfo(argument).isFile() && input.open(QIODevice::ReadOnly)) {
            hash.addData("file:");
            hash.addData(&input);
        } else {
            hash.addData(argument.toUtf8());
        }
    }
    return QString::fromLatin1(hash.result().toHex().left(24)) + QLatin1Char('-') + fileName;
}

// Runs ffmpeg writing to path; false (with a warning) when it fails.
bool runFfmpeg(const QString &fileName, const QStringList &arguments, const QString &path)
{
    QStringList all{QStringLiteral("-y"), QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                    QStringLiteral("error")};
    all << arguments << path;
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral(FFMPEG_EXECUTABLE), all);
    if (!ffmpeg.waitForFinished(300000) || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0) {
        qWarning() << "ffmpeg failed for" << fileName << ffmpeg.readAllStandardError();
        QFile::remove(path);
        return false;
    }
    return true;
}

// The cached video for fileName and arguments, made into the cache when it
// is not there yet; empty when ffmpeg failed. It is made under a temporary
// name and renamed, so a test running alongside that wants the same video
// sees either none or the whole file.
QString cachedVideo(const QString &cache, const QString &fileName, const QStringList &arguments)
{
    const QString cached = cache + QLatin1Char('/') + cacheName(fileName, arguments);
    if (QFileInfo::exists(cached))
        return cached;
    QDir().mkpath(cache);
    // ffmpeg picks the container from the name's suffix, which stays last.
    const QString temporary = QStringLiteral("%1/.making-%2-%3")
                                  .arg(cache)
                                  .arg(QCoreApplication::applicationPid())
                                  .arg(fileName);
    if (!runFfmpeg(fileName, arguments, temporary))
        return QString();
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(cached).constData()) != 0) {
        qWarning() << "cannot rename" << temporary << "to" << cached;
        QFile::remove(temporary);
        return QString();
    }
    return cached;
}

} // namespace

QString make(const QString &fileName, const QStringList &arguments)
{
    const QString path = folder() + QLatin1Char('/') + fileName;
    if (QFileInfo::exists(path))
        return path;
    // Under CTest the videos are made once per run into a shared cache; the
    // test gets a copy of its own, which it may change.
    const QString cache = QFile::decodeName(qgetenv("VISTALOOM_FIXTURE_CACHE"));
    if (cache.isEmpty())
        return runFfmpeg(fileName, arguments, path) ? path : QString();
    const QString cached = cachedVideo(cache, fileName, arguments);
    if (cached.isEmpty() || !QFile::copy(cached, path)) {
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

QString fiveShots(bool cutsOnBFrames)
{
    const QStringList sources{
        QStringLiteral("testsrc2=s=320x180:r=10:d=2"),
        QStringLiteral("smptebars=s=320x180:r=10:d=2"),
        QStringLiteral("mandelbrot=s=320x180:r=10,trim=duration=2"),
        QStringLiteral("color=c=0x3060a0:s=320x180:r=10:d=2,noise=alls=60:allf=t"),
        QStringLiteral("rgbtestsrc=s=320x180:r=10:d=2"),
    };
    QStringList arguments;
    QString graph;
    for (int shot = 0; shot < sources.size(); ++shot) {
        arguments << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i") << sources.at(shot);
        const int level = 40 * (shot + 1);
        graph += QStringLiteral("[%1]format=yuv420p,drawbox=x=0:y=0:w=32:h=32:t=fill:color=0x%2%2%2[s%1];")
                     .arg(shot)
                     .arg(level, 2, 16, QLatin1Char('0'));
    }
    for (int shot = 0; shot < sources.size(); ++shot)
        graph += QStringLiteral("[s%1]").arg(shot);
    graph += QStringLiteral("concat=n=%1:v=1:a=0").arg(sources.size());
    if (cutsOnBFrames)
        graph += QStringLiteral(",trim=start_frame=1,setpts=PTS-STARTPTS");
    arguments << QStringLiteral("-filter_complex") << graph + QStringLiteral("[v]") << QStringLiteral("-map")
              << QStringLiteral("[v]") << QStringLiteral("-c:v") << QStringLiteral("libx264")
              << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p") << QStringLiteral("-qp")
              << QStringLiteral("10");
    if (!cutsOnBFrames)
        return make(QStringLiteral("fiveshots.mp4"), arguments);
    arguments << QStringLiteral("-x264-params") << QStringLiteral("scenecut=0:b-adapt=0:bframes=3:b-pyramid=none");
    return make(QStringLiteral("fiveshots-bframecuts.mp4"), arguments);
}

int shotOfImage(const QImage &image)
{
    if (image.isNull() || image.width() < 32 || image.height() < 32)
        return -1;
    const int level = qGray(image.pixel(16, 16));
    const int shot = (level + 20) / 40 - 1;
    return shot >= 0 && shot <= 4 && qAbs(level - 40 * (shot + 1)) <= 8 ? shot : -1;
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

QString bandIndexedVideo(const QString &fileName, int width, int height, int fps, double seconds,
                         const QStringList &outputArguments, const QString &filters)
{
    QString source = QStringLiteral("color=c=black:s=%1x%2:r=%3:d=%4,format=gray,"
                                    "geq=lum='if(lt(X,W/2),mod(N,64)*4,floor(N/64)*4)'")
                         .arg(width).arg(height).arg(fps).arg(seconds);
    if (!filters.isEmpty())
        source += QLatin1Char(',') + filters;
    return make(fileName, QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), source}
                              << outputArguments);
}

namespace {

// Mean grey level of a small block, away from the band edge.
int blockLevel(const QImage &image, int centreX, int centreY)
{
    int sum = 0;
    int count = 0;
    for (int y = centreY - 2; y <= centreY + 2; ++y) {
        for (int x = centreX - 2; x <= centreX + 2; ++x) {
            sum += qGray(image.pixel(x, y));
            ++count;
        }
    }
    return (sum + count / 2) / count;
}

} // namespace

int frameIndexOfBandImage(const QImage &image)
{
    if (image.isNull() || image.width() < 20 || image.height() < 5)
        return -1;
    const int low = frameIndexOfLevel(blockLevel(image, image.width() / 4, image.height() / 2));
    const int high = frameIndexOfLevel(blockLevel(image, image.width() * 3 / 4, image.height() / 2));
    return high * 64 + low;
}

} // namespace FixtureVideos
