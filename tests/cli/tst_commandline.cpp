#include "testmain.h"

#include "fixturevideos.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <unistd.h>

namespace {

struct CliResult
{
    int exitCode = -1;
    QStringList lines;
    QString errorText;
    bool finished = false;
};

CliResult runCli(const QStringList &arguments, const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VISTALOOM_CLI_EXECUTABLE), arguments);
    CliResult result;
    result.finished = process.waitForFinished(120000);
    if (!result.finished)
        process.kill();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
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

    void helpVersionAndParserRefusals()
    {
        CliResult help = runCli({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.lines.join(QLatin1Char('\n')).contains(QStringLiteral("Logs any errors messages to the file specified")));
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
            QCOMPARE(result.lines.first(), QStringLiteral("File not found: ") + QDir::toNativeSeparators(path));
            return;
        }
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(result.lines, QStringList{"Could not open file"});
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
        QCOMPARE(result.lines.size(), 4);
        QVERIFY(result.lines.at(0).startsWith(QStringLiteral("Saving: ") + longPrefix));
        QVERIFY(result.lines.at(1).startsWith(QStringLiteral("Could not save image: ")));
        QVERIFY(result.lines.at(1).endsWith(QStringLiteral("MyVideo-1.jpeg")));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"MyVideo.mp4"});
    }

    void fullDiskIsReportedAndLeavesOnlyWholeImages()
    {
        if (geteuid() != 0)
            QSKIP("Mounting a small tmpfs needs root");
        QTemporaryDir mountPoint;
        if (::mount("tmpfs", QFile::encodeName(mountPoint.path()).constData(), "tmpfs", 0, "size=1m") != 0)
            QSKIP("Cannot mount a small tmpfs here");
        struct Unmount {
            QString path;
            ~Unmount() { ::umount(QFile::encodeName(path).constData()); }
        } unmount{mountPoint.path()};

        QTemporaryDir source;
        const QString video = copyInto(source, FixtureVideos::make(QStringLiteral("noise-60s.mp4"),
            {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=1:duration=60", "-c:v", "libx264", "-pix_fmt", "yuv420p"}),
            QStringLiteral("Noise.mp4"));
        const CliResult result = runCli({video, mountPoint.path(), QStringLiteral("--ms"), QStringLiteral("1000"),
                                         QStringLiteral("--filetype"), QStringLiteral("bmp")});
        QVERIFY(result.finished);
        QCOMPARE(result.exitCode, 2);
        bool reported = false;
        for (const QString &line : result.lines)
            reported = reported || line.startsWith(QStringLiteral("Could not save image: "));
        QVERIFY(reported);
        const QStringList written = QDir(mountPoint.path()).entryList(QDir::Files);
        QVERIFY(!written.isEmpty());
        for (const QString &name : written)
            QVERIFY2(!QImage(mountPoint.path() + QLatin1Char('/') + name).isNull(), qPrintable(name));
    }
};

VISTALOOM_TEST_MAIN_CORE(TestCommandLine)
#include "tst_commandline.moc"
