#include "testmain.h"

#include "batch/batchworker.h"
#include "fixturevideos.h"
#include "imagetext.h"
#include "profiles/batchworkerconfig.h"
#include "profiles/filenameprofile.h"

#include <QDir>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <memory>
#include <vector>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct CliResult
{
    int exitCode = -1;
    QStringList lines;   // the job's status lines (or the help text)
    QString summary;     // the closing "Done: ..." line of a job that ran
    QString errorText;
    bool finished = false;
};

// wrapper: a command the console program runs under, its arguments after it.
CliResult runCli(const QStringList &arguments, const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                 const QStringList &wrapper = {})
{
    QProcess process;
    process.setProcessEnvironment(environment);
    const QStringList command = wrapper + QStringList{QStringLiteral(VISTALOOM_CLI_EXECUTABLE)} + arguments;
    process.start(command.first(), command.mid(1));
    CliResult result;
    result.finished = process.waitForFinished(120000);
    if (!result.finished)
        process.kill();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!result.lines.isEmpty() && result.lines.last().startsWith(QLatin1String("Done: ")))
        result.summary = result.lines.takeLast();
    result.errorText = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// A video named as the test wants it, alone in a fresh folder.
QString copyInto(const QTemporaryDir &folder, const QString &source, const QString &name)
{
    const QString target = folder.filePath(name);
    QFile::remove(target);
    return QFile::copy(source, target) ? target : QString();
}

int frameIndexOf(const QString &imagePath)
{
    const QImage image(imagePath);
    if (image.isNull())
        return -1;
    return FixtureVideos::frameIndexOfLevel(qRed(image.pixel(image.width() / 2, image.height() / 2)));
}

QStringList imagesIn(const QString &folder, const QString &pattern = QStringLiteral("*.png"))
{
    QStringList names = QDir(folder).entryList({pattern}, QDir::Files);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return names;
}

QStringList savingLines(const QStringList &lines)
{
    QStringList result;
    for (const QString &line : lines)
        if (line.startsWith(QLatin1String("Saving: ")))
            result << line.mid(8);
    return result;
}

// One frame per second, 60 s: the saved pixel tells which second came back.
QString sixtySeconds() { return FixtureVideos::indexedVideo(160, 120, 1, 60); }
QString threeSeconds() { return FixtureVideos::indexedVideo(160, 120, 10, 3); }

// ffmpeg writing to a pipe: the file states no duration.
QString pipedMatroska(const QString &source)
{
    const QString path = FixtureVideos::folder() + QStringLiteral("/piped.mkv");
    if (QFileInfo::exists(path))
        return path;
    QProcess ffmpeg;
    ffmpeg.setStandardOutputFile(path);
    ffmpeg.start(QStringLiteral(FFMPEG_EXECUTABLE),
                 {"-hide_banner", "-loglevel", "error", "-i", source, "-c", "copy", "-f", "matroska", "-"});
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0)
        return QString();
    return path;
}

// The byte ranges of the video packets, as ffprobe lists them.
QVector<QPair<qint64, qint64>> packetRanges(const QString &path)
{
    QString ffprobe = QStringLiteral(FFMPEG_EXECUTABLE);
    ffprobe.replace(ffprobe.lastIndexOf(QLatin1String("ffmpeg")), 6, QStringLiteral("ffprobe"));
    QProcess process;
    process.start(ffprobe, {"-v", "error", "-select_streams", "v", "-show_entries", "packet=pos,size", "-of", "csv=p=0",
                            path});
    process.waitForFinished(60000);
    QVector<QPair<qint64, qint64>> ranges;
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(',');
        if (fields.size() >= 2)
            ranges << qMakePair(fields.at(1).toLongLong(), fields.at(0).toLongLong());
    }
    return ranges;
}

QString copyWithZeroedPacket(const QString &source, int packet, const QString &target)
{
    const auto ranges = packetRanges(source);
    if (packet >= ranges.size() || !QFile::copy(source, target))
        return QString();
    QFile file(target);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(ranges.at(packet).first))
        return QString();
    file.write(QByteArray(int(ranges.at(packet).second), '\0'));
    return target;
}

// The file up to the first byte of the given video packet.
QString cutBeforePacket(const QString &source, int packet, const QString &target)
{
    const auto ranges = packetRanges(source);
    QFile in(source);
    QFile out(target);
    if (packet >= ranges.size() || !in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return QString();
    out.write(in.read(ranges.at(packet).first));
    return target;
}

// "width,height" of the picture in an image file, as ffprobe reads it.
QString probedSize(const QString &path)
{
    QString ffprobe = QStringLiteral(FFMPEG_EXECUTABLE);
    ffprobe.replace(ffprobe.lastIndexOf(QLatin1String("ffmpeg")), 6, QStringLiteral("ffprobe"));
    QProcess process;
    process.start(ffprobe, {"-v", "error", "-select_streams", "v:0", "-show_entries", "stream=width,height", "-of",
                            "csv=p=0", path});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

int bandIndexOf(const QString &imagePath)
{
    return FixtureVideos::frameIndexOfBandImage(QImage(imagePath).convertToFormat(QImage::Format_ARGB32));
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void refusedCommandLinesPrintMessageAndHelp_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");

        const QString video = sixtySeconds();
        const QString missing = TestEnvironment::root() + QStringLiteral("/no-such-video.mp4");
        const QString noFolder = TestEnvironment::root() + QStringLiteral("/no-such-folder");
        QTest::newRow("no source") << QStringList{} << "A file name is required";
        QTest::newRow("missing source") << QStringList{missing} << QStringLiteral("File not found: ") + QDir::toNativeSeparators(missing);
        QTest::newRow("missing destination") << QStringList{video, noFolder}
                                             << QStringLiteral("Output folder is incorrect or does not exist: ") + noFolder;
        QTest::newRow("count and ms") << QStringList{video, "--count", "3", "--ms", "500"} << "Please only set count or milliseconds";
        QTest::newRow("single dash words") << QStringList{video, "-count", "3", "-ms", "500"} << "Please only set count or milliseconds";
        QTest::newRow("width alone") << QStringList{video, "--width", "640"} << "Both width and height must be specified if one is provided";
        QTest::newRow("negative height") << QStringList{video, "--width", "640", "--height", "-5"} << "Both width and height must be specified if one is provided";
        QTest::newRow("log file") << QStringList{video, "--log", noFolder + "/x/log.txt"}
                                  << QStringLiteral("Cannot open log file: ") + noFolder + "/x/log.txt";
        const QString fifo = TestEnvironment::root() + QStringLiteral("/pipe.mp4");
        QFile::remove(fifo);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QTest::newRow("pipe source") << QStringList{fifo} << QStringLiteral("Not a video file: ") + fifo;
        QTest::newRow("device source") << QStringList{"/dev/zero"} << QStringLiteral("Not a video file: /dev/zero");
        const QString types = QStringLiteral("jpeg, jpg, png, bmp, tiff, tif, webp, avif, jxl");
        for (const QString &type : {QStringLiteral("gif"), QStringLiteral("xyz"), QString()})
            QTest::newRow(qPrintable("file type " + type)) << QStringList{video, "--filetype", type}
                                                           << "Unknown file type: " + type + ". Use one of: " + types;
    }

    void refusedCommandLinesPrintMessageAndHelp()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const CliResult result = runCli(arguments);
        QVERIFY(result.finished);
        QCOMPARE(result.exitCode, 1);
        QVERIFY(!result.lines.isEmpty());
        QCOMPARE(result.lines.first(), message);
        QVERIFY(result.lines.join(QLatin1Char('\n')).contains(QStringLiteral("Vistaloom Command line options")));
        QVERIFY(result.lines.join(QLatin1Char('\n')).contains(QStringLiteral("--skipfront <milliseconds>")));
        QVERIFY(savingLines(result.lines).isEmpty());
    }

    void scenesExcludeCountAndMs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QString video = sixtySeconds();
        QTest::newRow("scenes and count") << QStringList{video, "--scenes", "--count", "3"} << "Please only set scenes or count";
        QTest::newRow("ms and scenes") << QStringList{video, "--ms", "500", "--scenes"} << "Please only set scenes or milliseconds";
        QTest::newRow("single dash") << QStringList{video, "-scenes", "-m", "500"} << "Please only set scenes or milliseconds";
    }

    void scenesExcludeCountAndMs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const CliResult result = runCli(arguments);
        QCOMPARE(result.exitCode, 1);
        QVERIFY(!result.lines.isEmpty());
        QCOMPARE(result.lines.first(), message);
        const QString help = result.lines.join(QLatin1Char('\n'));
        QVERIFY(help.contains(QStringLiteral("--scenes")));
        QVERIFY(help.contains(QStringLiteral("--scene-threshold <threshold>")));
        QVERIFY(help.contains(QStringLiteral("--scene-gap <milliseconds>")));
        QVERIFY(savingLines(result.lines).isEmpty());
    }

    void scenesOptions_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("defaults") << QStringList{}
                                  << QStringList{"0_1.png", "2000_2.png", "4000_3.png", "6000_4.png", "8000_5.png"};
        QTest::newRow("threshold") << QStringList{"--scene-threshold", "50"} << QStringList{"0_1.png"};
        QTest::newRow("gap") << QStringList{"--scene-gap", "2500"} << QStringList{"0_1.png", "4000_2.png", "8000_3.png"};
        QTest::newRow("skips") << QStringList{"--skipfront", "3000", "--skipback", "3000"}
                               << QStringList{"3000_1.png", "4000_2.png", "6000_3.png"};
    }

    // The console's scene job writes the files the batch worker writes for
    // the same settings, pixel for pixel.
    void scenesOptions()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, files);
        const QString video = FixtureVideos::fiveShots();
        QVERIFY(!video.isEmpty());
        QTemporaryDir console;
        QStringList arguments{video, console.path(), "--scenes", "--filename", "{ms}", "--filesuffix", "_", "--filetype", "png"};
        if (!options.contains(QStringLiteral("--skipfront")))
            arguments << "--skipfront" << "0" << "--skipback" << "0";
        const CliResult result = runCli(arguments + options);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(savingLines(result.lines), files);
        QCOMPARE(result.summary, QStringLiteral("Done: %1 images written, 0 errors").arg(files.size()));

        QTemporaryDir batch;
        BatchWorkerConfig config;
        config.setSource(video);
        config.setFileOutputDir(QDir(batch.path()));
        config.setIntervalType(BatchWorkerConfig::SceneChange);
        config.setSkipFront(options.contains(QStringLiteral("--skipfront")) ? 3000 : 0);
        config.setSkipBack(options.contains(QStringLiteral("--skipback")) ? 3000 : 0);
        if (options.contains(QStringLiteral("--scene-threshold")))
            config.setSceneThreshold(50);
        if (options.contains(QStringLiteral("--scene-gap")))
            config.setSceneMinGapMilliseconds(2500);
        config.fileNameProfile()->setFileBaseName(QStringLiteral("{ms}"));
        config.fileNameProfile()->setFileOutputSuffix(QStringLiteral("_"));
        config.fileNameProfile()->setFileOutputType(QStringLiteral("png"));
        BatchWorker worker;
        worker.setConfig(&config);
        worker.run();

        QCOMPARE(imagesIn(batch.path()), imagesIn(console.path()));
        for (const QString &name : files) {
            const QImage fromConsole(QDir(console.path()).filePath(name));
            QVERIFY(!fromConsole.isNull());
            QCOMPARE(QImage(QDir(batch.path()).filePath(name)), fromConsole);
        }
    }

    void atListsTakeExactFramesInTheGivenOrder_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QVector<int>>("frames");
        QTest::addColumn<QStringList>("errors");
        QTest::addColumn<QString>("refusal");
        const QStringList none;
        // Frames 0-99 40 ms apart, then 100-149 80 ms apart from 20 s; ties
        // go to the earlier frame, and the default 2 s skips do not apply.
        QTest::newRow("seconds") << QStringList{"--at", "0.02, 1,20.04"} << QVector<int>{0, 25, 100} << none << "";
        QTest::newRow("clock") << QStringList{"--at", "00:00:20.121, 0:03.96"} << QVector<int>{102, 99} << none << "";
        QTest::newRow("frames") << QStringList{"--at", "f0,f99,f100,f149"} << QVector<int>{0, 99, 100, 149} << none << "";
        QTest::newRow("any order, repeats") << QStringList{"--at", "f120, 1, f120, 0.5, 1, 1.01, 0.54"}
                                            << QVector<int>{120, 25, 120, 12, 25, 25, 13} << none << "";
        QTest::newRow("past the end") << QStringList{"--at", "1, 30, f500, 2"} << QVector<int>{25, 50}
                                      << QStringList{"Position 00:00:30.000 is past the end of the video (00:00:23.880)",
                                                     "Frame 500 is past the end of the video (150 frames)"}
                                      << "";
        for (const QStringList &other : {QStringList{"--count", "3"}, QStringList{"--ms", "500"}, QStringList{"--scenes"}})
            QTest::newRow(qPrintable("with " + other.first())) << QStringList{"--at", "1"} + other << QVector<int>{} << none
                                                               << "Please only set at or " + QString(other.first() == "--ms" ? "milliseconds" : other.first().mid(2));
        QTest::newRow("malformed") << QStringList{"--at", "1, 2x"} << QVector<int>{} << none
                                   << "Invalid time \"2x\": use seconds (83.456), mm:ss.mmm, hh:mm:ss.mmm or a frame number after f (f2000)";
        // Packed B-frames in AVI carry decoding times only: a fresh grabber
        // must not start at the key frame decoded second but shown fourth.
        QTest::newRow("avi, decoding times only") << QStringList{"--at", "0.033,0.067,0.1,0,0.043"}
                                                  << QVector<int>{1, 2, 2, 0, 1} << none << "";
    }

    void atListsTakeExactFramesInTheGivenOrder()
    {
        QFETCH(QStringList, options);
        QFETCH(QVector<int>, frames);
        QFETCH(QStringList, errors);
        QFETCH(QString, refusal);
        const QString video = FixtureVideos::bandIndexedVideo(
            QStringLiteral("at-vfr.mp4"), 160, 120, 25, 6,
            QString("-c:v libx264 -preset veryfast -crf 12 -bf 3 -pix_fmt yuv420p -g 50 -fps_mode passthrough "
                    "-video_track_timescale 1000").split(' '),
            QStringLiteral("settb=1/1000,setpts='if(lt(N,100),N*40,N*80+12000)'"));
        const bool avi = QByteArray(QTest::currentDataTag()).startsWith("avi");
        const QString packed = FixtureVideos::make(
            QStringLiteral("at-bframes.avi"), {"-f", "lavfi", "-i", "color=c=black:s=160x120:r=25:d=3,format=gray,geq=lum='N*4'",
                                               "-c:v", "mpeg4", "-vtag", "xvid", "-q:v", "2", "-bf", "2", "-pix_fmt", "yuv420p"});
        QTemporaryDir folder;
        const CliResult result = runCli(QStringList{avi ? packed : video, folder.path(), "--filetype", "png"} + options);
        QCOMPARE(result.exitCode, !refusal.isEmpty() ? 1 : errors.isEmpty() ? 0 : 2);
        if (!refusal.isEmpty())
            QCOMPARE(result.lines.value(0), refusal);
        QVector<int> got;
        for (const QString &name : savingLines(result.lines))
            got << (avi ? frameIndexOf(folder.filePath(name))
                        : FixtureVideos::frameIndexOfBandImage(QImage(folder.filePath(name))));
        QCOMPARE(got, frames);
        if (refusal.isEmpty())
            QCOMPARE(result.lines.filter(QRegularExpression(QStringLiteral("^(?!Saving: )"))), errors);
    }

    void timeTokensInNames()
    {
        QTemporaryDir folder;
        const QString video = copyInto(folder, threeSeconds(), QStringLiteral("clip.mp4"));
        const CliResult result = runCli({video, folder.path(), "--ms", "400", "--skipfront", "0", "--skipback", "2000",
                                         "--fileprefix", "{video}_", "--filename", "{time}", "--filesuffix", "_{ms}_",
                                         "--filetype", "png"});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(savingLines(result.lines),
                 (QStringList{"clip_00-00-00.000_0_1.png", "clip_00-00-00.400_400_2.png", "clip_00-00-00.800_800_3.png"}));
        QCOMPARE(frameIndexOf(folder.filePath("clip_00-00-00.800_800_3.png")), 8);
    }

    // --json tells the same as the text lines, one object a line, each
    // saved image with its frame's number (the picture carries its index).
    void jsonLinesTellWhatTextLinesTell_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("cut");
        const QString keyed = FixtureVideos::indexedVideo(
            160, 120, 1, 60, QStringLiteral("mp4"),
            {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-qp", "0", "-g", "1000", "-force_key_frames", "0,9,24,33,52"});
        const QStringList series{"--ms", "14000", "--skipback", "0", "--filetype", "png", "--filename", "at{frame}"};
        QTest::newRow("series by frame number") << (QStringList{sixtySeconds()} + series) << false;
        QTest::newRow("key frames, one shared") << (QStringList{keyed, "--fast"} + series) << false;
        QTest::newRow("sheet") << QStringList{sixtySeconds(), "--count", "3", "--sheet", "2x2"} << false;
        QTest::newRow("cut download") << QStringList{"--count", "10", "--filetype", "png"} << true;
        QTest::newRow("refused") << QStringList{sixtySeconds(), "--count", "3", "--ms", "100"} << false;
    }
    void jsonLinesTellWhatTextLinesTell()
    {
        QFETCH(QStringList, options);
        QFETCH(bool, cut);
        QTemporaryDir textFolder;
        QTemporaryDir jsonFolder;
        auto run = [&](const QTemporaryDir &folder, const QStringList &extra) {
            QStringList arguments = options;
            if (cut) {
                const QString whole = FixtureVideos::make(QStringLiteral("sixty-seconds-faststart.mp4"),
                                                          {"-i", sixtySeconds(), "-c", "copy", "-movflags", "+faststart"});
                arguments.prepend(cutBeforePacket(whole, 30, folder.filePath(QStringLiteral("Download.mp4"))));
            } else {
                arguments.insert(1, folder.path());
            }
            return runCli(arguments + extra);
        };
        const CliResult text = run(textFolder, {});
        const CliResult json = run(jsonFolder, {"--json"});
        QCOMPARE(json.exitCode, text.exitCode);
        QStringList told;
        for (const QString &line : json.lines) {
            QJsonParseError error;
            const QJsonObject event = QJsonDocument::fromJson(line.toUtf8(), &error).object();
            QVERIFY2(error.error == QJsonParseError::NoError && event.contains("event"), qPrintable(line));
            const QString kind = event.value("event").toString();
            if (kind == QLatin1String("saved")) {
                const QString path = event.value("path").toString();
                QVERIFY(QFileInfo(path).isAbsolute() && !QImage(path).isNull());
                told << QStringLiteral("Saving: ") + QFileInfo(path).fileName();
                if (event.value("frame").isNull())
                    continue;
                QCOMPARE(event.value("frame").toInt(), frameIndexOf(path));
                QCOMPARE(event.value("time_ms").toInt(), 1000 * frameIndexOf(path));
                QCOMPARE(event.value("keyframe").toBool(), options.contains("--fast") || frameIndexOf(path) == 0);
                if (options.contains("at{frame}"))
                    QVERIFY(path.contains(QStringLiteral("at%1").arg(frameIndexOf(path))));
            } else if (kind == QLatin1String("done")) {
                told << QStringLiteral("Done: %1 images written, %2 errors")
                            .arg(event.value("images").toInt()).arg(event.value("errors").toInt());
            } else {
                QVERIFY(QStringList({"info", "error", "early_end"}).contains(kind));
                told << event.value("message").toString();
            }
        }
        if (text.exitCode == 1)
            QCOMPARE(told, text.lines.mid(0, 1));
        else
            QCOMPARE(told, text.lines + QStringList{text.summary});
    }

    void helpVersionAndParserRefusals()
    {
        CliResult help = runCli({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.lines.join(QLatin1Char('\n')).contains(QStringLiteral("Logs any errors messages to the file specified")));
        // The parser wraps descriptions; the words are what counts.
        QVERIFY(help.lines.join(QLatin1Char(' ')).simplified().contains(QStringLiteral(
            "Specifies the file type of the output image. jpeg, jpg, png, bmp, tiff, tif, webp, avif, jxl.")));
        QVERIFY(help.lines.join(QLatin1Char(' ')).simplified().contains(QStringLiteral(
            "--fast Takes the key frame nearest to each position instead of the exact frame")));
        CliResult version = runCli({QStringLiteral("-v")});
        QCOMPARE(version.exitCode, 0);
        QVERIFY(version.lines.join(QLatin1Char(' ')).contains(QStringLiteral("4.2.0")));
        CliResult unknown = runCli({sixtySeconds(), QStringLiteral("--bogus")});
        QCOMPARE(unknown.exitCode, 1);
        QVERIFY(unknown.errorText.contains(QStringLiteral("bogus")));
    }

    void defaultRunWritesBesideTheVideoWithoutADisplay()
    {
        QTemporaryDir folder;
        const QString video = copyInto(folder, sixtySeconds(), QStringLiteral("MyVideo.mp4"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        const CliResult result = runCli({video}, environment);
        QCOMPARE(result.exitCode, 0);
        QStringList expected;
        for (int i = 1; i <= 12; ++i)
            expected << QStringLiteral("MyVideo-%1.jpeg").arg(i);
        QCOMPARE(savingLines(result.lines), expected);
        QCOMPARE(result.lines.size(), 12);
        QCOMPARE(result.summary, QStringLiteral("Done: 12 images written, 0 errors"));
        QCOMPARE(imagesIn(folder.path(), QStringLiteral("*.jpeg")), expected);
    }

    void capturePositionsPickTheRightFrames_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QVector<int>>("frames");
        QTest::addColumn<QStringList>("names");

        QTest::newRow("every 5000 ms") << QStringList{"--ms", "5000"}
                                       << QVector<int>{2, 7, 12, 17, 22, 27, 32, 37, 42, 47, 52, 57}
                                       << QStringList{};
        // Steps of 11199 ms: 13.199 s and 24.398 s are nearest 13 and 24,
        // 35.597 s and 46.796 s nearest 36 and 47.
        QTest::newRow("five images") << QStringList{"--count", "5"} << QVector<int>{2, 13, 24, 36, 47} << QStringList{};
        QTest::newRow("single shot") << QStringList{"--count", "1"} << QVector<int>{28} << QStringList{"MyVideo.png"};
        QTest::newRow("interval 0 is 1000") << QStringList{"--ms", "0", "--skipfront", "50000", "--skipback", "5000"}
                                            << QVector<int>{50, 51, 52, 53, 54} << QStringList{};
        QTest::newRow("not a number is 1000") << QStringList{"--ms", "abc", "--skipfront", "54000", "--skipback", "4000"}
                                              << QVector<int>{54, 55} << QStringList{};
    }

    void capturePositionsPickTheRightFrames()
    {
        QFETCH(QStringList, options);
        QFETCH(QVector<int>, frames);
        QFETCH(QStringList, names);

        QTemporaryDir folder;
        const QString video = copyInto(folder, sixtySeconds(), QStringLiteral("MyVideo.mp4"));
        const CliResult result = runCli(QStringList{video, folder.path(), "--filetype", "png"} + options);
        QCOMPARE(result.exitCode, 0);
        const QStringList written = imagesIn(folder.path());
        QCOMPARE(savingLines(result.lines), written);
        if (!names.isEmpty())
            QCOMPARE(written, names);
        QVector<int> got;
        for (const QString &name : written)
            got << frameIndexOf(folder.filePath(name));
        QCOMPARE(got, frames);
    }

    void newerTypesAreWrittenAndReadBack_data()
    {
        QTest::addColumn<QString>("type");
        QTest::newRow("webp") << "webp";
        QTest::newRow("avif") << "avif";
        QTest::newRow("jxl") << "jxl";
    }

    void newerTypesAreWrittenAndReadBack()
    {
        QFETCH(QString, type);
        QTemporaryDir folder;
        const QString video = copyInto(folder, sixtySeconds(), QStringLiteral("MyVideo.mp4"));
        const CliResult result = runCli({video, folder.path(), "--count", "1", "--filetype", type});
        QCOMPARE(result.exitCode, 0);
        const QString path = folder.filePath(QStringLiteral("MyVideo.") + type);
        QCOMPARE(savingLines(result.lines), QStringList{QFileInfo(path).fileName()});

        QImageReader reader(path);
        QCOMPARE(reader.format(), type.toLatin1());
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), QSize(160, 120));
        // Lossy, but the middle frame's grey level still names it.
        QCOMPARE(FixtureVideos::frameIndexOfLevel(qGray(image.pixel(80, 60))), 28);
        // A reader other than the writer's own sees the same picture.
        QCOMPARE(probedSize(path), QStringLiteral("160,120"));
    }

    void imagesCarryTheirSourceAndTime_data()
    {
        QTest::addColumn<QString>("type");
        QTest::newRow("png") << "png";
        QTest::newRow("jpeg") << "jpeg";
    }

    void imagesCarryTheirSourceAndTime()
    {
        QFETCH(QString, type);
        QTemporaryDir folder;
        const QString video = copyInto(folder, sixtySeconds(), QStringLiteral("MyVideo.mp4"));
        const CliResult result = runCli({video, folder.path(), "--count", "3", "--filetype", type});
        QCOMPARE(result.exitCode, 0);
        const QStringList written = imagesIn(folder.path(), QStringLiteral("*.") + type);
        QCOMPARE(written.size(), 3);
        for (const QString &name : written) {
            const QString path = folder.filePath(name);
            const QMap<QString, QString> text = ImageText::read(path);
            QCOMPARE(text.value(QStringLiteral("Source")), QStringLiteral("MyVideo.mp4"));
            // One frame a second: the frame's index is its second.
            QCOMPARE(text.value(QStringLiteral("Time")),
                     QStringLiteral("00:00:%1.000").arg(frameIndexOf(path), 2, 10, QLatin1Char('0')));
        }
    }

    // --fast takes the key frame nearest each position and says its real
    // time; a file cut off early is still reported, and without --fast the
    // same job gives the exact frames. Each key frame is written once.
    void fastTakesNearestKeyFramesWithTheirTimes()
    {
        const QString keyed = FixtureVideos::indexedVideo(
            160, 120, 1, 60, QStringLiteral("mp4"),
            {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-qp", "0", "-g", "1000", "-sc_threshold", "0",
             "-force_key_frames", "0,9,24,33,52"});
        QTemporaryDir folder;
        const QString video = copyInto(folder, keyed, QStringLiteral("Keys.mp4"));
        // Positions 2, 16, 30, 44 and 58 s.
        const QStringList job{video, folder.path(), "--ms", "14000", "--skipback", "0", "--filetype", "png"};
        CliResult fast = runCli(QStringList(job) << "--fast");
        QCOMPARE(fast.exitCode, 0);
        QStringList written = imagesIn(folder.path(), QStringLiteral("*.png"));
        QCOMPARE(fast.lines.mid(4), QStringList{"1 positions took the same key frame"});
        QCOMPARE(fast.summary, QStringLiteral("Done: 4 images written, 0 errors"));
        QVector<int> frames;
        for (const QString &name : written) {
            const QString path = folder.filePath(name);
            frames << frameIndexOf(path);
            QCOMPARE(ImageText::read(path).value(QStringLiteral("Time")),
                     QStringLiteral("00:00:%1.000").arg(frames.last(), 2, 10, QLatin1Char('0')));
            QFile::remove(path);
        }
        // 16 s lies 7 from 9 and 8 from 24; 44 s 8 from 52 and 11 from 33.
        QCOMPARE(frames, (QVector<int>{0, 9, 33, 52}));

        CliResult exact = runCli(job);
        QCOMPARE(exact.exitCode, 0);
        frames.clear();
        for (const QString &name : imagesIn(folder.path(), QStringLiteral("*.png")))
            frames << frameIndexOf(folder.filePath(name));
        QCOMPARE(frames, (QVector<int>{2, 16, 30, 44, 58}));

        // Cut off at about a third: the container still claims 60 s.
        QTemporaryDir cutFolder;
        const QString matroska = FixtureVideos::make(
            QStringLiteral("keys-pattern.mkv"),
            {"-f", "lavfi", "-i", "testsrc2=s=320x240:r=5:d=60", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-g", "1000",
             "-sc_threshold", "0", "-force_key_frames", "0,9,24,33,52"});
        QFile whole(matroska);
        QVERIFY(whole.open(QIODevice::ReadOnly));
        const QString cut = cutFolder.filePath(QStringLiteral("cut.mkv"));
        QFile part(cut);
        QVERIFY(part.open(QIODevice::WriteOnly));
        part.write(whole.read(whole.size() / 3));
        part.close();
        CliResult cutRun = runCli({cut, cutFolder.path(), "--ms", "14000", "--skipback", "0", "--fast"});
        QCOMPARE(cutRun.exitCode, 2);
        QVERIFY2(cutRun.lines.filter(QStringLiteral("Video ended early at")).size() == 1,
                 qPrintable(cutRun.lines.join(QLatin1Char('\n'))));
    }

    void extremeNumbersAreHeldInRange_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QVector<int>>("frames");
        QTest::addColumn<QSize>("size");

        const QString max = QStringLiteral("2147483647");
        const QString min = QStringLiteral("-2147483648");
        const QSize video(160, 120);
        // The count is held at 100000: steps of -1 ms walk on frame by frame
        // to the end of the video, which is then reported.
        QTest::newRow("count max") << QStringList{"--count", max, "--skipfront", "58000", "--skipback", "0"} << 2
                                   << QVector<int>{58, 59} << video;
        QTest::newRow("count min is a single shot") << QStringList{"--count", min} << 0 << QVector<int>{28} << video;
        QTest::newRow("interval max") << QStringList{"--ms", max, "--skipfront", "0"} << 0 << QVector<int>{0} << video;
        QTest::newRow("interval min is 1000") << QStringList{"--ms", min, "--skipfront", "57000"} << 0
                                              << QVector<int>{57} << video;
        QTest::newRow("skips min") << QStringList{"--ms", "25000", "--skipfront", min, "--skipback", min} << 0
                                   << QVector<int>{0, 25, 50} << video;
        QTest::newRow("skip beyond 64 bits below") << QStringList{"--ms", "25000", "--skipfront", "-99999999999999999999"}
                                                   << 0 << QVector<int>{0, 25, 50} << video;
        QTest::newRow("skip beyond 64 bits above") << QStringList{"--ms", "1000", "--skipback", "99999999999999999999"}
                                                   << 0 << QVector<int>{} << video;
        QTest::newRow("count beyond 64 bits")
            << QStringList{"--count", "99999999999999999999", "--skipfront", "58000", "--skipback", "0"} << 2
            << QVector<int>{58, 59} << video;
        QTest::newRow("skips max") << QStringList{"--ms", "1000", "--skipfront", "9223372036854775807", "--skipback", max}
                                   << 0 << QVector<int>{} << video;
        // Skips longer than the video leave a single shot at the start.
        QTest::newRow("skips max single shot") << QStringList{"--count", "1", "--skipfront", max, "--skipback", max}
                                               << 0 << QVector<int>{0} << video;
        QTest::newRow("width max fits the height") << QStringList{"--count", "1", "--width", max, "--height", "90"} << 0
                                                   << QVector<int>{28} << QSize(120, 90);
        QTest::newRow("sides max are refused output") << QStringList{"--count", "1", "--width", max, "--height", max}
                                                      << 2 << QVector<int>{} << QSize();
    }

    // The sanitizer build runs this with UBSan, which reports any wrapped
    // arithmetic on its error output and ends the program.
    void extremeNumbersAreHeldInRange()
    {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QVector<int>, frames);
        QFETCH(QSize, size);

        QTemporaryDir folder;
        const QString video = copyInto(folder, sixtySeconds(), QStringLiteral("MyVideo.mp4"));
        const CliResult result = runCli(QStringList{video, folder.path(), "--filetype", "png"} + options);
        QVERIFY(result.finished);
        QVERIFY2(!result.errorText.contains(QLatin1String("runtime error")), qPrintable(result.errorText));
        QCOMPARE(result.exitCode, exitCode);
        QVector<int> got;
        for (const QString &name : imagesIn(folder.path())) {
            got << frameIndexOf(folder.filePath(name));
            QCOMPARE(QImage(folder.filePath(name)).size(), size);
        }
        QCOMPARE(got, frames);
    }

    void shortVideoRules()
    {
        QTemporaryDir folder;
        const QString video = copyInto(folder, threeSeconds(), QStringLiteral("Short.mp4"));
        // 3000 ms with 2000 ms skips at both ends: nothing to capture, silently.
        const CliResult none = runCli({video, QStringLiteral("--filetype"), QStringLiteral("png")});
        QCOMPARE(none.exitCode, 0);
        QVERIFY2(none.lines.isEmpty(), qPrintable(none.lines.join(QLatin1Char('\n'))));
        QVERIFY(imagesIn(folder.path()).isEmpty());

        // Ten images requested backwards from 1000 ms: the grabber never goes
        // back, so they are ten successive frames from 1000 ms on.
        const CliResult ten = runCli({video, QStringLiteral("--count"), QStringLiteral("10"), QStringLiteral("--filetype"),
                                      QStringLiteral("png")});
        QCOMPARE(ten.exitCode, 0);
        const QStringList written = imagesIn(folder.path());
        QCOMPARE(written.size(), 10);
        for (int i = 0; i < written.size(); ++i)
            QCOMPARE(frameIndexOf(folder.filePath(written.at(i))), 10 + i);
    }

    void existingFilesAreNeverOverwritten()
    {
        QTemporaryDir folder;
        const QString video = copyInto(folder, sixtySeconds(), QStringLiteral("MyVideo.mp4"));
        QFile existing(folder.filePath(QStringLiteral("MyVideo-1.png")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("keep me");
        existing.close();
        QFile single(folder.filePath(QStringLiteral("MyVideo.png")));
        QVERIFY(single.open(QIODevice::WriteOnly));
        single.write("keep me too");
        single.close();

        const CliResult series = runCli({video, QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--filetype"),
                                         QStringLiteral("png")});
        QCOMPARE(series.exitCode, 0);
        QCOMPARE(savingLines(series.lines), (QStringList{"MyVideo-2.png", "MyVideo-3.png", "MyVideo-4.png"}));

        // A single shot whose plain name exists falls back to a counter (with
        // count 1 the suffix is empty).
        const CliResult shot = runCli({video, QStringLiteral("--count"), QStringLiteral("1"), QStringLiteral("--filetype"),
                                       QStringLiteral("png")});
        QCOMPARE(shot.exitCode, 0);
        QCOMPARE(savingLines(shot.lines), QStringList{"MyVideo1.png"});

        QVERIFY(existing.open(QIODevice::ReadOnly));
        QCOMPARE(existing.readAll(), QByteArray("keep me"));
        QVERIFY(single.open(QIODevice::ReadOnly));
        QCOMPARE(single.readAll(), QByteArray("keep me too"));
    }

    void namingSizeAndDestinationOptions()
    {
        QTemporaryDir source;
        QTemporaryDir target;
        const QString video = copyInto(source, sixtySeconds(), QStringLiteral("clip.part1.mp4"));
        // A destination that only exists without its trailing double quote.
        const CliResult result = runCli({video, target.path() + QLatin1Char('"'), QStringLiteral("--count"), QStringLiteral("2"),
                                         QStringLiteral("-fileprefix"), QStringLiteral("shot_"), QStringLiteral("--filesuffix"),
                                         QStringLiteral("_"), QStringLiteral("--filetype"), QStringLiteral("bmp"),
                                         QStringLiteral("--width"), QStringLiteral("64"), QStringLiteral("--height"),
                                         QStringLiteral("64"), QStringLiteral("--crop")});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(savingLines(result.lines), (QStringList{"shot_clip.part1_1.bmp", "shot_clip.part1_2.bmp"}));
        const QImage image(target.filePath(QStringLiteral("shot_clip.part1_1.bmp")));
        QCOMPARE(image.size(), QSize(64, 64));
        QVERIFY(imagesIn(source.path(), QStringLiteral("*.bmp")).isEmpty());

        const CliResult named = runCli({video, target.path(), QStringLiteral("--count"), QStringLiteral("1"),
                                        QStringLiteral("--filename"), QStringLiteral("cover"), QStringLiteral("--width"),
                                        QStringLiteral("100"), QStringLiteral("--height"), QStringLiteral("50")});
        QCOMPARE(named.exitCode, 0);
        QCOMPARE(savingLines(named.lines), QStringList{"cover.jpeg"});
        // 160x120 fitted into 100x50 keeps its aspect.
        QCOMPARE(QImage(target.filePath(QStringLiteral("cover.jpeg"))).size(), QSize(66, 50));
    }

    void badInputsReportAndExitWithTwo_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("zero bytes") << "empty";
        QTest::newRow("text named mp4") << "text";
        QTest::newRow("audio only") << "audio";
        QTest::newRow("folder named mp4") << "folder";
    }

    void badInputsReportAndExitWithTwo()
    {
        QFETCH(QString, kind);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("bad.mp4"));
        if (kind == QLatin1String("empty")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (kind == QLatin1String("text")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("this is not a video\n");
        } else if (kind == QLatin1String("audio")) {
            const QString audio = FixtureVideos::make(QStringLiteral("audio-only.m4a"),
                {"-f", "lavfi", "-i", "sine=frequency=440:duration=5", "-c:a", "aac"});
            QVERIFY(QFile::copy(audio, path));
        } else {
            QVERIFY(QDir().mkpath(path));
        }
        const QString log = folder.filePath(QStringLiteral("errors.log"));
        const CliResult result = runCli({path, folder.path(), QStringLiteral("--log"), log});
        QVERIFY(result.finished);
        if (kind == QLatin1String("folder")) {
            QCOMPARE(result.exitCode, 1); // not a file: refused like a missing one
            QCOMPARE(result.lines.first(), QStringLiteral("Not a video file: ") + QDir::toNativeSeparators(path));
            return;
        }
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(result.lines, QStringList{"Could not open file"});
        QCOMPARE(result.summary, QStringLiteral("Done: 0 images written, 1 errors"));
        // The log collects error lines across runs.
        QVERIFY(runCli({path, folder.path(), QStringLiteral("--log"), log}).exitCode == 2);
        QFile logFile(log);
        QVERIFY(logFile.open(QIODevice::ReadOnly));
        QCOMPARE(logFile.readAll(), QByteArray("Could not open file\nCould not open file\n"));
    }

    void truncatedVideoGivesEveryFrameBeforeTheCut()
    {
        const QString whole = FixtureVideos::make(QStringLiteral("sixty-seconds.ts"),
            {"-i", sixtySeconds(), "-c", "copy", "-f", "mpegts"});
        QVERIFY(!whole.isEmpty());
        QTemporaryDir folder;
        const QString cut = folder.filePath(QStringLiteral("Cut.ts"));
        {
            QFile in(whole);
            QVERIFY(in.open(QIODevice::ReadOnly));
            QFile out(cut);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(in.read(in.size() / 2));
        }
        const CliResult result = runCli({cut, QStringLiteral("--ms"), QStringLiteral("5000"), QStringLiteral("--filetype"),
                                         QStringLiteral("png")});
        QVERIFY(result.finished);
        QVERIFY(result.exitCode == 0 || result.exitCode == 2);
        const QStringList written = imagesIn(folder.path());
        QVERIFY2(written.size() >= 3, qPrintable(result.lines.join(QLatin1Char('\n'))));
        QCOMPARE(savingLines(result.lines), written);
        for (int i = 0; i < written.size(); ++i)
            QCOMPARE(frameIndexOf(folder.filePath(written.at(i))), 2 + 5 * i);
    }

    // Files as users bring them: each must give the images a clean file of
    // the same content gives, or say why not.
    void strayTimestampLosesNoImage()
    {
        const QString clean = FixtureVideos::make(QStringLiteral("stray-clean.ts"),
            {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=30:d=40", "-f", "lavfi", "-i", "sine=d=40", "-c:v", "libx264",
             "-preset", "veryfast", "-c:a", "aac", "-f", "mpegts"});
        const QString stray = FixtureVideos::make(QStringLiteral("stray.ts"),
            {"-i", clean, "-c", "copy", "-bsf:v", "setts=pts=if(eq(N\\,700)\\,PTS+40000000\\,PTS)", "-f", "mpegts"});
        QVERIFY(!clean.isEmpty() && !stray.isEmpty());
        QTemporaryDir cleanFolder;
        QTemporaryDir strayFolder;
        const CliResult fromClean = runCli({clean, cleanFolder.path(), "--ms", "2000", "--filetype", "png"});
        const CliResult fromStray = runCli({stray, strayFolder.path(), "--ms", "2000", "--filetype", "png"});
        QCOMPARE(fromClean.exitCode, 0);
        QCOMPARE(fromStray.exitCode, 0);
        QCOMPARE(imagesIn(cleanFolder.path()).size(), 19);
        QCOMPARE(imagesIn(strayFolder.path()).size(), imagesIn(cleanFolder.path()).size());
    }

    void damagedPacketLosesNoIntactCapture()
    {
        // Key frames every second; the packet just before the one at 2 s is
        // wiped, so the decoder rejects it.
        const QString intact = FixtureVideos::bandIndexedVideo(QStringLiteral("keyframe-every-second.avi"), 160, 120,
                                                               25, 6, {"-c:v", "mpeg4", "-q:v", "2", "-g", "25", "-bf", "0"});
        QTemporaryDir folder;
        const QString damaged = copyWithZeroedPacket(intact, 49, folder.filePath(QStringLiteral("Damaged.avi")));
        QVERIFY(!damaged.isEmpty());
        const CliResult result = runCli({damaged, "--ms", "1000", "--skipfront", "0", "--skipback", "0", "--filetype", "png"});
        QCOMPARE(result.exitCode, 0);
        const QStringList written = imagesIn(folder.path());
        QCOMPARE(savingLines(result.lines), written);
        QCOMPARE(written.size(), 6);
        for (int i = 0; i < written.size(); ++i)
            QCOMPARE(bandIndexOf(folder.filePath(written.at(i))), 25 * i);
    }

    void streamsWithoutADurationGiveTheirImages_data()
    {
        QTest::addColumn<QString>("video");
        const QString lossless = FixtureVideos::bandIndexedVideo(QStringLiteral("twelve-seconds.mp4"), 160, 120, 10, 12,
                                                                 {"-c:v", "libx264", "-qp", "0", "-pix_fmt", "yuv420p"});
        QTest::newRow("matroska from a pipe") << pipedMatroska(lossless);
        QTest::newRow("raw h264") << FixtureVideos::make(QStringLiteral("raw.h264"),
                                                         {"-i", lossless, "-c", "copy", "-f", "h264"});
        QTest::newRow("single frame") << FixtureVideos::indexedVideo(160, 120, 10, 0.1);
    }
    void streamsWithoutADurationGiveTheirImages()
    {
        QFETCH(QString, video);
        QVERIFY(!video.isEmpty());
        QTemporaryDir folder;
        const CliResult result = runCli({video, folder.path(), "--ms", "1000", "--filetype", "png"});
        QCOMPARE(result.exitCode, 0);
        const QStringList written = imagesIn(folder.path());
        QCOMPARE(savingLines(result.lines), written);
        if (QString::fromLatin1(QTest::currentDataTag()) == QLatin1String("single frame")) {
            QCOMPARE(written.size(), 1);
            QCOMPARE(bandIndexOf(folder.filePath(written.first())), 0);
            return;
        }
        // 2 s to 9 s: one image a second, each the frame at its position.
        QCOMPARE(written.size(), 8);
        for (int i = 0; i < written.size(); ++i)
            QCOMPARE(bandIndexOf(folder.filePath(written.at(i))), 20 + 10 * i);
    }

    // Cut downloads in every container, told apart from whole files whose
    // picture ends before their sound or their stated length.
    void cutAndWholeFilesAreToldApart_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<QStringList>("rule");
        QTest::addColumn<QString>("report");

        const QString picture = QStringLiteral("testsrc2=size=160x120:rate=10:duration=%1");
        const QString sound = QStringLiteral("sine=duration=%1");
        const QStringList codecs[] = {
            {"mp4", "-c:v libx264 -c:a aac -movflags +faststart"}, {"mkv", "-c:v libx264 -c:a aac"},
            {"webm", "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -c:a libopus"},
            {"ts", "-c:v libx264 -c:a aac"}, {"ogv", "-c:v libtheora -c:a libvorbis"}};
        const QList<QStringList> rules{{"--ms", "300", "--skipback", "0"}, {"--ms", "2000"}, {"--count", "5"},
                                       {"--count", "1"}, {"--scenes"}};
        for (const QStringList &codec : codecs) {
            const QString type = codec.at(0);
            auto make = [&](const QString &name, int pictureSeconds, int soundSeconds) {
                return FixtureVideos::make(name + QLatin1Char('.') + type,
                    QStringList{"-f", "lavfi", "-i", picture.arg(pictureSeconds), "-f", "lavfi", "-i",
                                sound.arg(soundSeconds)} + codec.at(1).split(QLatin1Char(' ')));
            };
            // A third of the file: its length is read from its header
            // (MP4, Matroska), or from its last packets (TS, Ogg).
            const QString whole = make(QStringLiteral("twenty"), 20, 20);
            const QString cut = FixtureVideos::folder() + QStringLiteral("/cut-twenty.") + type;
            QFile in(whole);
            QFile out(cut);
            QVERIFY(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
            out.write(in.read(in.size() / 3 + 77));
            out.close();
            const QString cutReport = type == QLatin1String("ts") || type == QLatin1String("ogv")
                ? QStringLiteral("Video file is cut off after ")
                : QStringLiteral("Video ended early at ");
            const QString longerSound = make(QStringLiteral("ten-of-twenty"), 10, 20);
            for (const QStringList &rule : rules) {
                const QString name = type + QLatin1Char(' ') + rule.join(QLatin1Char(' '));
                QTest::newRow(qPrintable("cut " + name)) << cut << rule << cutReport;
                QTest::newRow(qPrintable("longer sound " + name)) << longerSound << rule << QString();
            }
        }
        // Nothing but the header is left.
        const QString mkv = FixtureVideos::folder() + QStringLiteral("/twenty.mkv");
        QFile head(FixtureVideos::folder() + QStringLiteral("/head-twenty.mkv"));
        QFile source(mkv);
        QVERIFY(source.open(QIODevice::ReadOnly) && head.open(QIODevice::WriteOnly));
        head.write(source.read(5000));
        head.close();
        QTest::newRow("header only") << head.fileName() << QStringList{"--ms", "300"}
                                     << QStringLiteral("Video ended early at ");
    }

    void cutAndWholeFilesAreToldApart()
    {
        QFETCH(QString, video);
        QFETCH(QStringList, rule);
        QFETCH(QString, report);
        QTemporaryDir folder;
        const CliResult result = runCli(QStringList{video, folder.path(), "--filetype", "bmp"} + rule);
        const QStringList errors = result.lines.filter(QRegularExpression(QStringLiteral("^(?!Saving: )")));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), savingLines(result.lines).size());
        if (report.isEmpty()) {
            QCOMPARE(errors, QStringList());
            QCOMPARE(result.exitCode, 0);
            QVERIFY(!savingLines(result.lines).isEmpty());
        } else {
            QCOMPARE(errors.size(), 1);
            QVERIFY2(errors.first().startsWith(report), qPrintable(errors.first()));
            QCOMPARE(result.exitCode, 2);
        }
    }

    void cutDownloadSaysWhereItEnded()
    {
        // Index at the front, as downloads are made: the file promises 60 s
        // and holds the frames of the first 30.
        const QString whole = FixtureVideos::make(QStringLiteral("sixty-seconds-faststart.mp4"),
                                                  {"-i", sixtySeconds(), "-c", "copy", "-movflags", "+faststart"});
        QTemporaryDir folder;
        const QString cut = cutBeforePacket(whole, 30, folder.filePath(QStringLiteral("Download.mp4")));
        QVERIFY(!cut.isEmpty());
        const CliResult result = runCli({cut, "--ms", "5000", "--filetype", "png"});
        QCOMPARE(result.exitCode, 2);
        const QStringList written = imagesIn(folder.path());
        QCOMPARE(savingLines(result.lines), written);
        QCOMPARE(written.size(), 6);
        for (int i = 0; i < written.size(); ++i)
            QCOMPARE(frameIndexOf(folder.filePath(written.at(i))), 2 + 5 * i);
        // Said once, at the end, with the last frame there was.
        QCOMPARE(result.lines.size(), written.size() + 1);
        QCOMPARE(result.lines.last(), QStringLiteral("Video ended early at 29000 ms of 60000 ms"));

        // The same with the count rule.
        QTemporaryDir countFolder;
        const QString countCut = cutBeforePacket(whole, 30, countFolder.filePath(QStringLiteral("Download.mp4")));
        const CliResult counted = runCli({countCut, "--count", "10", "--filetype", "png"});
        QCOMPARE(counted.exitCode, 2);
        QCOMPARE(counted.lines.filter(QStringLiteral("Video ended early at 29000 ms of 60000 ms")).size(), 1);
        QCOMPARE(counted.lines.size(), imagesIn(countFolder.path()).size() + 1);
    }

    // The scene walk meets the end of a cut download like the other rules.
    void cutDownloadEndsTheSceneWalkWithOneError()
    {
        const QString whole = FixtureVideos::make(QStringLiteral("sixty-seconds-faststart.mp4"),
                                                  {"-i", sixtySeconds(), "-c", "copy", "-movflags", "+faststart"});
        QTemporaryDir folder;
        const QString cut = cutBeforePacket(whole, 30, folder.filePath(QStringLiteral("Download.mp4")));
        QVERIFY(!cut.isEmpty());
        const CliResult result = runCli({cut, "--scenes", "--scene-threshold", "100", "--filetype", "png"});
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(imagesIn(folder.path()), QStringList{"Download-1.png"});
        QCOMPARE(frameIndexOf(folder.filePath(QStringLiteral("Download-1.png"))), 2);
        QCOMPARE(result.lines.last(), QStringLiteral("Video ended early at 29000 ms of 60000 ms"));
        QCOMPARE(result.summary, QStringLiteral("Done: 1 images written, 1 errors"));
    }

    void unreachableDisplaysChangeNothing_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("value");
        QTest::newRow("stale X display") << "DISPLAY" << ":987";
        QTest::newRow("missing Wayland socket") << "WAYLAND_DISPLAY" << "nowhere";
    }
    void unreachableDisplaysChangeNothing()
    {
        QFETCH(QString, variable);
        QFETCH(QString, value);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        environment.insert(variable, value);
        const CliResult help = runCli({QStringLiteral("--help")}, environment);
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.errorText.isEmpty());

        QTemporaryDir folder;
        const QString video = copyInto(folder, threeSeconds(), QStringLiteral("Clip.mp4"));
        const CliResult run = runCli({video, "--ms", "500", "--skipfront", "0", "--skipback", "0"}, environment);
        QCOMPARE(run.exitCode, 0);
        // Only the job's own lines: no platform or runtime-folder warnings.
        QVERIFY2(run.errorText.isEmpty(), qPrintable(run.errorText));
        QCOMPARE(savingLines(run.lines).size(), 6);
        QCOMPARE(run.lines.size(), 6);
    }

    // Names are claimed, not checked: runs at once into one folder never
    // take the same name, and nothing already at a name is followed or
    // replaced.
    void concurrentRunsNeverShareAName_data()
    {
        QTest::addColumn<int>("runs");
        QTest::newRow("two") << 2;
        QTest::newRow("four") << 4;
    }
    void concurrentRunsNeverShareAName()
    {
        QFETCH(int, runs);
        QTemporaryDir folder;
        const QString video = copyInto(folder, threeSeconds(), QStringLiteral("Clip.mp4"));
        const QStringList arguments{video, "--ms", "100", "--skipfront", "0", "--skipback", "0", "--filetype", "png"};
        std::vector<std::unique_ptr<QProcess>> processes;
        for (int i = 0; i < runs; ++i) {
            processes.push_back(std::make_unique<QProcess>());
            processes.back()->start(QStringLiteral(VISTALOOM_CLI_EXECUTABLE), arguments);
        }
        QStringList saved;
        for (const auto &process : processes) {
            QVERIFY(process->waitForFinished(120000));
            QCOMPARE(process->exitCode(), 0);
            saved << savingLines(QString::fromUtf8(process->readAllStandardOutput()).split(QLatin1Char('\n')));
        }
        QCOMPARE(saved.size(), 30 * runs);
        QCOMPARE(QSet<QString>(saved.begin(), saved.end()).size(), saved.size());
        const QStringList written = imagesIn(folder.path());
        QCOMPARE(written.size(), saved.size());
        for (const QString &name : written) {
            const QImage image(folder.filePath(name));
            QVERIFY2(image.size() == QSize(160, 120), qPrintable(name));
        }
    }

    void linksAndFoldersAtOutputNamesAreLeftAlone()
    {
        QTemporaryDir folder;
        QTemporaryDir elsewhere;
        const QString video = copyInto(folder, threeSeconds(), QStringLiteral("Clip.mp4"));
        const QString victim = elsewhere.filePath(QStringLiteral("victim.png"));
        const QString existing = elsewhere.filePath(QStringLiteral("existing.png"));
        QFile existingFile(existing);
        QVERIFY(existingFile.open(QIODevice::WriteOnly));
        existingFile.write("keep me");
        existingFile.close();
        QVERIFY(QFile::link(victim, folder.filePath(QStringLiteral("Clip-1.png"))));   // dangling
        QVERIFY(QFile::link(existing, folder.filePath(QStringLiteral("Clip-2.png")))); // to a file
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("Clip-3.png")));              // a folder

        const CliResult result = runCli({video, "--count", "3", "--filetype", "png"});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(savingLines(result.lines), (QStringList{"Clip-4.png", "Clip-5.png", "Clip-6.png"}));
        QVERIFY(!QFileInfo::exists(victim));
        QVERIFY(existingFile.open(QIODevice::ReadOnly));
        QCOMPARE(existingFile.readAll(), QByteArray("keep me"));
        QCOMPARE(QFileInfo(folder.filePath(QStringLiteral("Clip-1.png"))).symLinkTarget(), victim);
        QVERIFY(QFileInfo(folder.filePath(QStringLiteral("Clip-3.png"))).isDir());
    }

    void outputAboveTheLimitSaysWhy()
    {
        QTemporaryDir folder;
        const QString video = copyInto(folder, threeSeconds(), QStringLiteral("Clip.mp4"));
        const CliResult result = runCli({video, "--count", "1", "--width", "30000", "--height", "30000"});
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(result.lines, QStringList{"Output image too large: 30000x22500"});
        QCOMPARE(result.summary, QStringLiteral("Done: 0 images written, 1 errors"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"Clip.mp4"});
    }

    void unwritableOutputIsReportedNotHidden()
    {
        QTemporaryDir folder;
        const QString video = copyInto(folder, sixtySeconds(), QStringLiteral("MyVideo.mp4"));
        // Root may write anywhere; a name longer than the file system allows
        // fails for everyone.
        const QString longPrefix(300, QLatin1Char('x'));
        const CliResult result = runCli({video, QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--fileprefix"),
                                         longPrefix});
        QCOMPARE(result.exitCode, 2);
        // Nothing is said to be saved that cannot even be created.
        QCOMPARE(result.lines.size(), 2);
        QVERIFY(result.lines.at(0).startsWith(QStringLiteral("Could not save image: ")));
        QVERIFY(result.lines.at(0).endsWith(longPrefix + QStringLiteral("MyVideo-1.jpeg")));
        QVERIFY(result.lines.at(1).endsWith(longPrefix + QStringLiteral("MyVideo-2.jpeg")));
        QCOMPARE(result.summary, QStringLiteral("Done: 0 images written, 2 errors"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"MyVideo.mp4"});
    }

    void fullDiskIsReportedAndLeavesOnlyWholeImages_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<qint64>("room"); // -1: all but the image's last block, which fails at the close
        QTest::newRow("last block") << QStringList{"--count", "1", "--width", "1920", "--height", "1440"} << qint64(-1);
        QTest::newRow("series") << QStringList{"--ms", "1000", "--filetype", "bmp"} << qint64(1 << 20);
    }

    void fullDiskIsReportedAndLeavesOnlyWholeImages()
    {
        QFETCH(QStringList, arguments);
        QFETCH(qint64, room);
        QTemporaryDir source, disk, copy, roomy;
        const QString video = copyInto(source, FixtureVideos::make(QStringLiteral("noise-60s.mp4"),
            {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=1:duration=60", "-c:v", "libx264", "-pix_fmt", "yuv420p"}),
            QStringLiteral("Noise.mp4"));
        if (room < 0 && runCli(QStringList{video, roomy.path()} + arguments).exitCode == 0)
            room = (QFileInfo(roomy.filePath("Noise.jpeg")).size() - 1) / 16384 * 16384; // QFile's blocks
        // The tmpfs lives in a mount namespace of the run's own (root, or a
        // user where user namespaces are allowed); its files are copied out.
        const QStringList onSmallDisk{"unshare", geteuid() == 0 ? "-m" : "-rm", "sh", "-c",
            "mount -t tmpfs -o size=$0 tmpfs \"$1\" || exit 99; d=$1 c=$2; shift 2; \"$@\"; e=$?; cp -a \"$d\"/. \"$c\"; exit $e",
            QString::number(room), disk.path(), copy.path()};
        const CliResult result = runCli(QStringList{video, disk.path()} + arguments, QProcessEnvironment::systemEnvironment(), onSmallDisk);
        if (result.exitCode == 99 || result.exitCode == 1)
            QSKIP("Cannot mount a tmpfs: needs root or user namespaces (unshare -rm)");
        QCOMPARE(result.exitCode, 2);
        const QStringList left = QDir(copy.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        int failed = 0;
        for (const QString &line : result.lines) {
            if (!line.startsWith(QStringLiteral("Could not save image: ")))
                continue;
            ++failed;
            QVERIFY2(!left.contains(QFileInfo(line.mid(22)).fileName()), qPrintable(line));
        }
        QVERIFY(failed > 0);
        QCOMPARE(result.summary, QStringLiteral("Done: %1 images written, %2 errors").arg(left.size()).arg(failed));
        for (const QString &name : left)
            QVERIFY2(!name.startsWith(QLatin1Char('.')) && !QImage(copy.filePath(name)).isNull(), qPrintable(name));
    }

    // A stop signal lets the image in hand finish, prints the summary and
    // exits with 128 + the signal; what is left is whole and counted.
    // SIGPIPE: head -n N, the reader of the output, has gone.
    void stopSignalsLeaveOnlyWholeImages_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("afterImages");
        QTest::newRow("SIGINT in the first image") << int(SIGINT) << 1;
        QTest::newRow("SIGINT in the third image") << int(SIGINT) << 3;
        QTest::newRow("SIGTERM in the fourth image") << int(SIGTERM) << 4;
        QTest::newRow("SIGHUP in the second image") << int(SIGHUP) << 2;
        QTest::newRow("output closed after three lines") << int(SIGPIPE) << 3;
    }

    void stopSignalsLeaveOnlyWholeImages()
    {
        QFETCH(int, signal);
        QFETCH(int, afterImages);
        QTemporaryDir folder;
        const QString video = copyInto(folder, FixtureVideos::make(QStringLiteral("testsrc2-1080p.mp4"),
            {"-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=25:duration=10", "-c:v", "libx264", "-pix_fmt", "yuv420p"}),
            QStringLiteral("Big.mp4"));
        QProcess cli, head;
        if (signal == SIGPIPE) {
            cli.setStandardOutputProcess(&head);
            head.start(QStringLiteral("head"), {"-n", QString::number(afterImages)});
        }
        cli.start(QStringLiteral(VISTALOOM_CLI_EXECUTABLE), {video, "--ms", "100", "--skipfront", "0", "--filetype", "png"});
        QByteArray output;
        while (signal != SIGPIPE && output.count("Saving: ") < afterImages) {
            QVERIFY(cli.waitForReadyRead(120000));
            output += cli.readAllStandardOutput();
        }
        QVERIFY(signal == SIGPIPE || ::kill(pid_t(cli.processId()), signal) == 0);
        QVERIFY(cli.waitForFinished(120000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 128 + signal);
        QStringList left = QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        left.removeOne(QStringLiteral("Big.mp4"));
        QVERIFY(left.size() >= afterImages);
        for (const QString &name : left)
            QVERIFY2(!name.startsWith(QLatin1Char('.')) && QImage(folder.filePath(name)).size() == QSize(1920, 1080),
                     qPrintable(name));
        const QStringList lines = QString::fromUtf8(output + cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        if (signal != SIGPIPE)
            QCOMPARE(lines.last(), QStringLiteral("Done: %1 images written, 0 errors").arg(left.size()));
    }
};

VISTALOOM_TEST_MAIN_CORE(TestCommandLine)
#include "tst_commandline.moc"
