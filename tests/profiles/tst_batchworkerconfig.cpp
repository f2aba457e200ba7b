#include "testmain.h"

#include "fixturevideos.h"
#include "media/videoinfo.h"
#include "profiles/batchworkerconfig.h"
#include "profiles/filenameprofile.h"
#include "profiles/imageprofile.h"
#include "profiles/profilemanager.h"
#include "profiles/timelist.h"

#include <QDir>
#include <QSettings>

class TestBatchWorkerConfig : public QObject
{
    Q_OBJECT

private slots:
    void newConfigDefaults()
    {
        BatchWorkerConfig config;
        QCOMPARE(config.skipFront(), 2000);
        QCOMPARE(config.skipBack(), 2000);
        QCOMPARE(config.intervalType(), 0);
        QCOMPARE(config.intervalMilliseconds(), 5000);
        QCOMPARE(config.intervalImages(), 10);
        QCOMPARE(config.intervalSingleShot(), 1);
        QCOMPARE(config.intervalDescription(), QStringLiteral("Every 5000ms"));
        QVERIFY(config.imageProfile());
        QVERIFY(config.fileNameProfile());
        QCOMPARE(config.parent(), nullptr);
    }

    void sourceSetsNativePathAndOutputFolder()
    {
        BatchWorkerConfig config;
        const QString folder = TestEnvironment::root() + QStringLiteral("/videos");
        config.setSource(folder + QStringLiteral("/My.Video.mp4"));
        QCOMPARE(config.source(), QDir::toNativeSeparators(folder + QStringLiteral("/My.Video.mp4")));
        QCOMPARE(config.fileOutputPath(), QDir::toNativeSeparators(folder));
        QCOMPARE(config.sourceBaseName(), QStringLiteral("My.Video"));
        config.setFileOutputPath(TestEnvironment::root());
        QCOMPARE(config.fileOutputDir().absolutePath(), TestEnvironment::root());
        config.setSource(folder + QStringLiteral("/Other.mkv"));
        QCOMPARE(config.fileOutputPath(), QDir::toNativeSeparators(folder));
    }

    void expectedCountFollowsTheRule_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("interval");
        QTest::addColumn<qlonglong>("skip");
        QTest::addColumn<QString>("example");

        QTest::newRow("every 5000 over 56 s") << 0 << 5000 << 2000LL << "clip-01.jpeg";
        QTest::newRow("interval 0") << 0 << 0 << 2000LL << "clip-1.jpeg";
        // 60000 - 2 x 31500 = -3000: truncates toward zero, plus one.
        QTest::newRow("negative span") << 0 << 5000 << 31500LL << "clip-1.jpeg";
        QTest::newRow("image count") << 1 << 150 << 2000LL << "clip-001.jpeg";
        QTest::newRow("single shot") << 2 << 0 << 2000LL << "clip-1.jpeg";
    }

    void expectedCountFollowsTheRule()
    {
        QFETCH(int, type);
        QFETCH(int, interval);
        QFETCH(qlonglong, skip);
        QFETCH(QString, example);

        const QString video = FixtureVideos::indexedVideo(160, 120, 1, 60);
        const QString named = TestEnvironment::root() + QStringLiteral("/clip.mp4");
        if (!QFile::exists(named))
            QVERIFY(QFile::copy(video, named));
        BatchWorkerConfig config;
        config.setSource(named);
        config.loadVideoInfo();
        QCOMPARE(config.videoInfo()->duration(), 60000);
        config.fileNameProfile()->setFileOutputCounterPadZeros(-1);
        config.setIntervalType(type);
        config.setSkipFront(skip);
        config.setSkipBack(skip);
        if (type == 0)
            config.setIntervalMilliseconds(interval);
        else
            config.setIntervalImages(interval);
        QCOMPARE(config.filenameExample(), example);
        QCOMPARE(config.fileNameFor(-1), QStringLiteral("clip.jpeg"));
    }

    void intervalDescriptions_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("singleShot");
        QTest::addColumn<QString>("text");
        QTest::newRow("images") << 1 << 1 << "10 images";
        QTest::newRow("front") << 2 << 0 << "Single front";
        QTest::newRow("middle") << 2 << 1 << "Single middle";
        QTest::newRow("back") << 2 << 2 << "Single back";
        QTest::newRow("unknown position") << 2 << 5 << "Single ";
        QTest::newRow("unknown type") << 7 << 1 << "placeholder";
    }

    void intervalDescriptions()
    {
        QFETCH(int, type);
        QFETCH(int, singleShot);
        QFETCH(QString, text);
        BatchWorkerConfig config;
        config.setIntervalType(type);
        config.setIntervalSingleShot(singleShot);
        QCOMPARE(config.intervalDescription(), text);
    }

    void timeLists_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("entries"); // ms, or f and the frame number
        QTest::addColumn<QString>("error");
        const QString use = QStringLiteral(": use seconds (83.456), mm:ss.mmm, hh:mm:ss.mmm or a frame number after f (f2000)");
        QTest::newRow("seconds") << "83.456, 5,0.5" << "83456 5000 500" << "";
        QTest::newRow("rounded to ms") << "1.0004,1.0005, 2.9999" << "1000 1001 3000" << "";
        QTest::newRow("clock") << "1:23.456, 01:02:03.5, 0:07, 90:00" << "83456 3723500 7000 5400000" << "";
        QTest::newRow("frames and order kept") << "f2000, 3, F0, 3" << "f2000 3000 f0 3000" << "";
        QTest::newRow("empty") << "  " << "" << "No times given";
        QTest::newRow("empty entry") << "1,,2" << "" << "Invalid time \"\"" + use;
        QTest::newRow("seconds over 59") << "1:75" << "" << "Invalid time \"1:75\"" + use;
        QTest::newRow("minutes over 59") << "1:60:00" << "" << "Invalid time \"1:60:00\"" + use;
        QTest::newRow("negative") << "1, -2" << "" << "Invalid time \"-2\"" + use;
        QTest::newRow("fraction of a frame") << "f1.5" << "" << "Invalid time \"f1.5\"" + use;
        QTest::newRow("beyond a year") << "99999999999999" << "" << "Invalid time \"99999999999999\"" + use;
    }

    // The list both Batch Mode and the console take, and the count a job
    // of it expects.
    void timeLists()
    {
        QFETCH(QString, text);
        QFETCH(QString, entries);
        QFETCH(QString, error);
        QString message = QStringLiteral("unset");
        QStringList parsed;
        for (const TimeList::Entry &entry : TimeList::parse(text, &message))
            parsed << (entry.isFrame() ? QStringLiteral("f%1").arg(entry.frame) : QString::number(entry.ms));
        QCOMPARE(parsed.join(QLatin1Char(' ')), entries);
        QCOMPARE(message, error);
        BatchWorkerConfig config;
        config.setIntervalType(BatchWorkerConfig::AtTimes);
        config.setAtTimes(text);
        QCOMPARE(config.expectedImageCount(), parsed.size());
    }

    void hostileDefaultsAreHeldInRange_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<qlonglong>("expected");

        QTest::newRow("interval huge") << "intervalMilliseconds" << "2147483647" << 86400000LL;
        QTest::newRow("interval a day stays") << "intervalMilliseconds" << "86400000" << 86400000LL;
        QTest::newRow("interval negative is repaired later") << "intervalMilliseconds" << "-2147483648" << 0LL;
        QTest::newRow("count huge") << "intervalImages" << "2147483647" << 100000LL;
        QTest::newRow("count 100000 stays") << "intervalImages" << "100000" << 100000LL;
        QTest::newRow("count negative") << "intervalImages" << "-7" << 0LL;
        QTest::newRow("skip front huge") << "skipFront" << "9223372036854775807" << 31536000000LL;
        QTest::newRow("skip front lowest") << "skipFront" << "-9223372036854775808" << 0LL;
        QTest::newRow("skip back a year stays") << "skipBack" << "31536000000" << 31536000000LL;
        QTest::newRow("skip back negative") << "skipBack" << "-1" << 0LL;
    }

    void hostileDefaultsAreHeldInRange()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(qlonglong, expected);

        const QString path = TestEnvironment::configFolder() + QStringLiteral("/Vistaloom/Vistaloom/batchModeDefaults.ini");
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[General]\n" + key.toLatin1() + '=' + stored.toLatin1() + '\n');
        file.close();

        BatchWorkerConfig config;
        config.loadDefaults();
        QCOMPARE(config.property(key.toLatin1().constData()).toLongLong(), expected);
        QFile::remove(path);
    }

    void sceneRule()
    {
        BatchWorkerConfig config;
        QCOMPARE(config.sceneThreshold(), 12);
        QCOMPARE(config.sceneMinGapMilliseconds(), 1000);
        QCOMPARE(config.expectedImageCountText(), QStringLiteral("1"));
        config.setIntervalType(BatchWorkerConfig::SceneChange);
        QCOMPARE(config.intervalDescription(), QStringLiteral("Scene changes"));
        QCOMPARE(config.expectedImageCount(), 0);
        QCOMPARE(config.expectedImageCountText(), QStringLiteral("?"));
    }

    // The scene keys are written only once the rule is used.
    void sceneSettingsInTheDefaultsFile()
    {
        const QString path = TestEnvironment::configFolder() + QStringLiteral("/Vistaloom/Vistaloom/batchModeDefaults.ini");
        QFile::remove(path);
        BatchWorkerConfig unused;
        unused.saveDefaults();
        QVERIFY(!QSettings(path, QSettings::IniFormat).contains(QStringLiteral("sceneThreshold")));

        BatchWorkerConfig saved;
        saved.setIntervalType(BatchWorkerConfig::SceneChange);
        saved.setSceneThreshold(30);
        saved.setSceneMinGapMilliseconds(2500);
        saved.saveDefaults();
        QSettings file(path, QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("sceneThreshold")).toInt(), 30);
        QCOMPARE(file.value(QStringLiteral("sceneMinGapMilliseconds")).toInt(), 2500);

        BatchWorkerConfig loaded;
        loaded.loadDefaults();
        QCOMPARE(loaded.intervalType(), int(BatchWorkerConfig::SceneChange));
        QCOMPARE(loaded.sceneThreshold(), 30);
        QCOMPARE(loaded.sceneMinGapMilliseconds(), 2500);

        // Back to the defaults and another rule: the stored values follow.
        loaded.setIntervalType(BatchWorkerConfig::ImageCount);
        loaded.setSceneThreshold(BatchWorkerConfig::DefaultSceneThreshold);
        loaded.saveDefaults();
        BatchWorkerConfig again;
        again.loadDefaults();
        QCOMPARE(again.sceneThreshold(), BatchWorkerConfig::DefaultSceneThreshold);

        QSettings hostile(path, QSettings::IniFormat);
        hostile.setValue(QStringLiteral("sceneThreshold"), QStringLiteral("2147483647"));
        hostile.setValue(QStringLiteral("sceneMinGapMilliseconds"), QStringLiteral("-9"));
        hostile.sync();
        BatchWorkerConfig clamped;
        clamped.loadDefaults();
        QCOMPARE(clamped.sceneThreshold(), 100);
        QCOMPARE(clamped.sceneMinGapMilliseconds(), 0);
        QFile::remove(path);
    }

    // Fast extraction, smart pick and the contact sheet join the defaults file only once
    // they differ from their defaults.
    void smartAndSheetSettingsInTheDefaultsFile()
    {
        const QString path = TestEnvironment::configFolder() + QStringLiteral("/Vistaloom/Vistaloom/batchModeDefaults.ini");
        QFile::remove(path);
        BatchWorkerConfig unused;
        unused.saveDefaults();
        QStringList untouched = QSettings(path, QSettings::IniFormat).allKeys();
        for (const char *key : {"fastSeek", "smartPick", "contactSheet", "contactSheetColumns", "contactSheetRows"})
            QVERIFY2(!untouched.contains(QLatin1String(key)), key);

        BatchWorkerConfig saved;
        saved.setSmartPick(true);
        saved.setContactSheet(true);
        saved.setContactSheetColumns(6);
        saved.setContactSheetRows(2);
        saved.saveDefaults();
        {
            QSettings file(path, QSettings::IniFormat);
            QCOMPARE(file.value(QStringLiteral("smartPick")).toBool(), true);
            QCOMPARE(file.value(QStringLiteral("contactSheet")).toBool(), true);
            QCOMPARE(file.value(QStringLiteral("contactSheetColumns")).toInt(), 6);
            QCOMPARE(file.value(QStringLiteral("contactSheetRows")).toInt(), 2);
        }

        BatchWorkerConfig loaded;
        loaded.loadDefaults();
        QVERIFY(loaded.smartPick());
        QVERIFY(loaded.contactSheet());
        QCOMPARE(loaded.contactSheetColumns(), 6);
        QCOMPARE(loaded.contactSheetRows(), 2);

        // Turned off again: the stored values follow.
        loaded.setSmartPick(false);
        loaded.setContactSheet(false);
        loaded.saveDefaults();
        BatchWorkerConfig again;
        again.loadDefaults();
        QVERIFY(!again.smartPick());
        QVERIFY(!again.contactSheet());

        {
            QSettings hostile(path, QSettings::IniFormat);
            hostile.setValue(QStringLiteral("contactSheetColumns"), QStringLiteral("2147483647"));
            hostile.setValue(QStringLiteral("contactSheetRows"), QStringLiteral("-9"));
        }
        BatchWorkerConfig clamped;
        clamped.loadDefaults();
        QCOMPARE(clamped.contactSheetColumns(), BatchWorkerConfig::MaxContactSheetCells);
        QCOMPARE(clamped.contactSheetRows(), 1);
        QFile::remove(path);
    }

    void defaultsFileRoundTrip()
    {
        ProfileManager *images = ImageProfile::manager();
        ProfileManager *names = FileNameProfile::manager();
        auto *chosenImage = qobject_cast<ImageProfile *>(images->addProfile(images->createProfile()));
        auto *chosenNames = qobject_cast<FileNameProfile *>(names->addProfile(names->createProfile()));

        BatchWorkerConfig saved;
        saved.setSource(TestEnvironment::root() + QStringLiteral("/a/video.mp4"));
        saved.setImageProfileId(chosenImage->id().toLower());
        saved.setFileNameProfileId(chosenNames->id());
        QCOMPARE(saved.imageProfile(), chosenImage);
        saved.setSkipFront(1234);
        saved.setSkipBack(4321);
        saved.setIntervalType(1);
        saved.setIntervalMilliseconds(777);
        saved.setIntervalImages(33);
        saved.setIntervalSingleShot(2);
        saved.setFastSeek(true);
        saved.saveDefaults();

        const QString path = TestEnvironment::configFolder() + QStringLiteral("/Vistaloom/Vistaloom/batchModeDefaults.ini");
        QSettings file(path, QSettings::IniFormat);
        QStringList keys = file.allKeys();
        keys.sort();
        QCOMPARE(keys, (QStringList{"fastSeek", "filenameProfileId", "imageProfileId", "intervalImages",
                                    "intervalMilliseconds", "intervalSingleShot", "intervalType", "objectName",
                                    "skipBack", "skipFront"}));

        BatchWorkerConfig loaded;
        loaded.setSource(TestEnvironment::root() + QStringLiteral("/b/other.mp4"));
        loaded.loadDefaults();
        QCOMPARE(loaded.imageProfile(), chosenImage);
        QCOMPARE(loaded.fileNameProfile(), chosenNames);
        QCOMPARE(loaded.skipFront(), 1234);
        QCOMPARE(loaded.skipBack(), 4321);
        QCOMPARE(loaded.intervalType(), 1);
        QCOMPARE(loaded.intervalMilliseconds(), 777);
        QCOMPARE(loaded.intervalImages(), 33);
        QCOMPARE(loaded.intervalSingleShot(), 2);
        QCOMPARE(loaded.fastSeek(), true);
        QCOMPARE(loaded.source(), QDir::toNativeSeparators(TestEnvironment::root() + QStringLiteral("/b/other.mp4")));
        QCOMPARE(loaded.fileOutputPath(), QDir::toNativeSeparators(TestEnvironment::root() + QStringLiteral("/b")));

        // A stored id that no longer exists falls back to the last-used profile.
        file.setValue(QStringLiteral("imageProfileId"), QStringLiteral("GONE"));
        file.sync();
        // A file from before fast extraction existed leaves it off.
        file.remove(QStringLiteral("fastSeek"));
        file.sync();
        BatchWorkerConfig fallback;
        fallback.loadDefaults();
        QCOMPARE(fallback.imageProfile(), qobject_cast<ImageProfile *>(images->lastUsedProfile()));
        QCOMPARE(fallback.fastSeek(), false);
    }
};

VISTALOOM_TEST_MAIN_GUI(TestBatchWorkerConfig)
#include "tst_batchworkerconfig.moc"
