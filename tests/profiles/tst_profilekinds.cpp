#include "testmain.h"

#include "profiles/filenameprofile.h"
#include "profiles/imageprofile.h"
#include "profiles/profilemanager.h"
#include "profiles/watermarkprofile.h"

#include <QDir>
#include <QMetaProperty>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>

#include <limits>
#include <memory>

namespace {

// The stored keys of a profile in the order storage walks them.
QStringList storedKeys(const QObject &profile)
{
    QStringList keys;
    const QMetaObject *meta = profile.metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (property.isStored(&profile) && property.isWritable())
            keys << QString::fromLatin1(property.name());
    }
    return keys;
}

// key -> value text of the lines of one profile group in the INI file text.
QMap<QString, QString> groupLines(const QString &iniText, const QString &id)
{
    QMap<QString, QString> lines;
    const QString prefix = id + QLatin1Char('\\');
    for (const QString &line : iniText.split(QLatin1Char('\n'))) {
        if (!line.startsWith(prefix))
            continue;
        const int equals = line.indexOf(QLatin1Char('='));
        lines.insert(line.mid(prefix.size(), equals - prefix.size()), line.mid(equals + 1));
    }
    return lines;
}

QString savedText(BaseProfile &profile)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("kind.ini"));
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("profiles"));
        settings.beginGroup(profile.id());
        profile.saveToSettings(settings);
        settings.endGroup();
        settings.endGroup();
    }
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

// The one profile of a manager whose INI file holds one profile group
// with the given keys, written as text the way a hand edit leaves it.
BaseProfile *loadedFromFile(ProfileManager *&manager, const QString &fileName, ProfileFactory factory,
                            const QMap<QString, QVariant> &values)
{
    const QString path = ProfileManager::settingsFilePath(fileName);
    QFile::remove(path);
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("profiles/H-1"));
        settings.setValue(QStringLiteral("name"), QStringLiteral("Hostile"));
        settings.setValue(QStringLiteral("id"), QStringLiteral("H-1"));
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            settings.setValue(it.key(), it.value());
        settings.endGroup();
    }
    manager = new ProfileManager(fileName, std::move(factory), false);
    return manager->profileById(QStringLiteral("H-1"));
}

void writePicture(const QString &fileName, const QColor &colour)
{
    QImage picture(8, 4, QImage::Format_ARGB32);
    picture.fill(colour);
    QVERIFY(picture.save(WatermarkProfile::watermarkFilePath(fileName)));
}

} // namespace

class TestProfileKinds : public QObject
{
    Q_OBJECT

private slots:
    void defaultsAreWrittenInPropertyOrder_data()
    {
        QTest::addColumn<QSharedPointer<BaseProfile>>("profile");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QStringList>("values");

        const QStringList base{"objectName", "name", "id"};
        QTest::newRow("image") << QSharedPointer<BaseProfile>(new ImageProfile)
            << base + QStringList{"sameSizeAsVideo", "imageWidth", "imageHeight", "cropImage", "imageContrast",
                                  "imageBrightness", "imageQuality", "watermarkProfileId"}
            << QStringList{"", "Image Profile", "", "true", "640", "480", "false", "0", "0", "90", ""};
        QTest::newRow("file name") << QSharedPointer<BaseProfile>(new FileNameProfile)
            << base + QStringList{"fileOutputPrefix", "fileBaseName", "fileOutputSuffix", "fileOutputType",
                                  "fileOutputCounterPadZeros"}
            << QStringList{"", "", "", "", "", "-", "jpeg", "0"};
        QTest::newRow("watermark") << QSharedPointer<BaseProfile>(new WatermarkProfile)
            << base + QStringList{"watermarkType", "alignmentIndex", "xMargin", "yMargin", "alpha", "text",
                                  "textFont", "textColor", "textShadowColor", "textShadowXOffset",
                                  "textShadowYOffset", "imageFile"}
            << QStringList{"", "", "", "0", "8", "15", "15", "255", "",
                           "@Variant(\\0\\0\\0@\\0\\0\\0\\n\\0T\\0i\\0m\\0\\x65\\0s@(\\0\\0\\0\\0\\0\\0\\xff\\xff\\xff\\xff\\x5\\x1\\0\\x32\\x10)",
                           "@Variant(\\0\\0\\0\\x43\\x1\\xe1\\xe1\\xff\\xff\\xff\\xff\\xff\\xff\\0\\0)",
                           "@Variant(\\0\\0\\0\\x43\\x1\\xaf\\xaf\\0\\0\\0\\0\\0\\0\\0\\0)", "0", "0", ""};
    }

    void defaultsAreWrittenInPropertyOrder()
    {
        QFETCH(QSharedPointer<BaseProfile>, profile);
        QFETCH(QStringList, keys);
        QFETCH(QStringList, values);

        QCOMPARE(storedKeys(*profile), keys);
        const QMap<QString, QString> lines = groupLines(savedText(*profile), profile->id());
        QCOMPARE(lines.size(), keys.size());
        for (int i = 0; i < keys.size(); ++i) {
            const QString expected = keys.at(i) == QLatin1String("id") ? profile->id() : values.at(i);
            QCOMPARE(lines.value(keys.at(i)), expected);
        }
        QVERIFY(!lines.contains(QStringLiteral("image")));
    }

    void handWrittenFileLoadsEveryKey()
    {
        // The layout and encodings a Qt 5 build of the program writes.
        const QString path = TestEnvironment::configFolder() + QStringLiteral("/Vistaloom/Vistaloom/Legacy.ini");
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "[General]\n"
            "lastUsedPofileId=W-2\n\n"
            "[profiles]\n"
            "I-1\\objectName=\n"
            "I-1\\name=Thumbs\n"
            "I-1\\id=I-1\n"
            "I-1\\sameSizeAsVideo=false\n"
            "I-1\\imageWidth=320\n"
            "I-1\\imageHeight=200\n"
            "I-1\\cropImage=true\n"
            "I-1\\imageContrast=-40\n"
            "I-1\\imageBrightness=25\n"
            "I-1\\imageQuality=55\n"
            "I-1\\watermarkProfileId=W-2\n"
            "I-1\\sortOrder=0\n"
            "F-1\\name=Shots\n"
            "F-1\\id=F-1\n"
            "F-1\\fileOutputPrefix=shot_\n"
            "F-1\\fileBaseName=clip\n"
            "F-1\\fileOutputSuffix=_\n"
            "F-1\\fileOutputType=png\n"
            "F-1\\fileOutputCounterPadZeros=3\n"
            "W-2\\name=Logo\n"
            "W-2\\id=W-2\n"
            "W-2\\watermarkType=1\n"
            "W-2\\alignmentIndex=4\n"
            "W-2\\xMargin=7\n"
            "W-2\\yMargin=9\n"
            "W-2\\alpha=128\n"
            "W-2\\text=\"Line one\\nLine two\"\n"
            "W-2\\textFont=@Variant(\\0\\0\\0@\\0\\0\\0\\x16\\0\\x44\\0\\x65\\0j\\0\\x61\\0V\\0u\\0 \\0S\\0\\x61\\0n\\0s@8\\0\\0\\0\\0\\0\\0\\xff\\xff\\xff\\xff\\x5\\x1\\0K\\x11)\n"
            "W-2\\textColor=@Variant(\\0\\0\\0\\x43\\x1((\\n\\n\\x14\\x14\\x1e\\x1e\\0\\0)\n"
            "W-2\\textShadowColor=@Variant(\\0\\0\\0\\x43\\x1\\xaf\\xaf\\0\\0\\0\\0\\0\\0\\0\\0)\n"
            "W-2\\textShadowXOffset=2\n"
            "W-2\\textShadowYOffset=-3\n"
            "W-2\\imageFile=logo.png\n");
        file.close();

        QSettings settings(path, QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("profiles"));

        ImageProfile image;
        settings.beginGroup(QStringLiteral("I-1"));
        image.loadFromSettings(settings);
        settings.endGroup();
        QCOMPARE(image.name(), QStringLiteral("Thumbs"));
        QCOMPARE(image.sameSizeAsVideo(), false);
        QCOMPARE(image.imageWidth(), 320);
        QCOMPARE(image.imageHeight(), 200);
        QCOMPARE(image.cropImage(), true);
        QCOMPARE(image.imageContrast(), -40);
        QCOMPARE(image.imageBrightness(), 25);
        QCOMPARE(image.imageQuality(), 55);
        QCOMPARE(image.watermarkProfileId(), QStringLiteral("W-2"));

        FileNameProfile names;
        settings.beginGroup(QStringLiteral("F-1"));
        names.loadFromSettings(settings);
        settings.endGroup();
        QCOMPARE(names.generateFileName(QStringLiteral("ignored"), 12, 0), QStringLiteral("shot_clip_012.png"));

        WatermarkProfile watermark;
        settings.beginGroup(QStringLiteral("W-2"));
        watermark.loadFromSettings(settings);
        settings.endGroup();
        QCOMPARE(watermark.watermarkType(), 1);
        QCOMPARE(watermark.alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
        QCOMPARE(watermark.xMargin(), 7);
        QCOMPARE(watermark.yMargin(), 9);
        QCOMPARE(watermark.alpha(), 128);
        QCOMPARE(watermark.text(), QStringLiteral("Line one\nLine two"));
        QCOMPARE(watermark.textFont().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(watermark.textFont().pointSize(), 24);
        QVERIFY(watermark.textFont().bold());
        QVERIFY(watermark.textFont().italic());
        QCOMPARE(watermark.textColor(), QColor(10, 20, 30, 40));
        QCOMPARE(watermark.textShadowColor(), QColor(0, 0, 0, 175));
        QCOMPARE(watermark.textShadowOffset(), QPoint(2, -3));
        QCOMPARE(watermark.imageFile(), QStringLiteral("logo.png"));
    }

    void missingKeysKeepDefaults()
    {
        QTemporaryDir folder;
        QSettings settings(folder.filePath(QStringLiteral("p.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("g/name"), QStringLiteral("Sparse"));
        settings.setValue(QStringLiteral("g/id"), QStringLiteral("S-1"));
        settings.beginGroup(QStringLiteral("g"));
        ImageProfile image;
        image.loadFromSettings(settings);
        WatermarkProfile watermark;
        watermark.loadFromSettings(settings);
        QCOMPARE(image.name(), QStringLiteral("Sparse"));
        QCOMPARE(image.imageWidth(), 640);
        QCOMPARE(image.imageQuality(), 90);
        QCOMPARE(image.sameSizeAsVideo(), true);
        QCOMPARE(watermark.textFont().family(), QStringLiteral("Times"));
        QCOMPARE(watermark.textFont().pointSize(), 12);
        QCOMPARE(watermark.textColor(), QColor(255, 255, 255, 225));
        QCOMPARE(watermark.alignmentIndex(), 8);
    }

    void generateFileName_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("baseName");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("padZeros");
        QTest::addColumn<int>("counter");
        QTest::addColumn<int>("imageCount");
        QTest::addColumn<QString>("expected");

        QTest::newRow("default") << "" << "" << "-" << "jpeg" << 0 << 1 << 0 << "MyVideo-1.jpeg";
        QTest::newRow("single image") << "" << "" << "-" << "jpeg" << 0 << -1 << 0 << "MyVideo.jpeg";
        QTest::newRow("auto 150") << "" << "" << "-" << "jpeg" << -1 << 7 << 150 << "MyVideo-007.jpeg";
        QTest::newRow("auto 9") << "" << "" << "-" << "jpeg" << -1 << 7 << 9 << "MyVideo-7.jpeg";
        QTest::newRow("auto 10") << "" << "" << "-" << "jpeg" << -1 << 7 << 10 << "MyVideo-07.jpeg";
        QTest::newRow("auto 1000") << "" << "" << "-" << "jpeg" << -1 << 7 << 1000 << "MyVideo-0007.jpeg";
        QTest::newRow("auto 0") << "" << "" << "-" << "jpeg" << -1 << 7 << 0 << "MyVideo-7.jpeg";
        QTest::newRow("two digits") << "" << "" << "-" << "jpeg" << 2 << 3 << 0 << "MyVideo-03.jpeg";
        QTest::newRow("never cut") << "" << "" << "-" << "jpeg" << 2 << 123 << 0 << "MyVideo-123.jpeg";
        QTest::newRow("no zeros") << "" << "" << "-" << "jpeg" << 0 << 3 << 0 << "MyVideo-3.jpeg";
        QTest::newRow("everything") << "shot_" << "clip" << "_" << "png" << 3 << 12 << 0 << "shot_clip_012.png";
        QTest::newRow("fixed name single") << "shot_" << "clip" << "_" << "png" << 3 << -1 << 0 << "shot_clip.png";
        QTest::newRow("empty suffix") << "" << "" << "" << "jpeg" << 0 << 1 << 0 << "MyVideo1.jpeg";
        QTest::newRow("counter zero") << "" << "" << "-" << "jpeg" << 0 << 0 << 0 << "MyVideo-0.jpeg";
    }

    void generateFileName()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, baseName);
        QFETCH(QString, suffix);
        QFETCH(QString, type);
        QFETCH(int, padZeros);
        QFETCH(int, counter);
        QFETCH(int, imageCount);
        QFETCH(QString, expected);

        FileNameProfile profile;
        profile.setFileOutputPrefix(prefix);
        profile.setFileBaseName(baseName);
        profile.setFileOutputSuffix(suffix);
        profile.setFileOutputType(type);
        profile.setFileOutputCounterPadZeros(padZeros);
        QCOMPARE(profile.generateFileName(QStringLiteral("MyVideo"), counter, imageCount), expected);
        if (counter == -1)
            QCOMPARE(profile.generateFileName(QStringLiteral("MyVideo")), expected);
    }

    void timeTokens_data()
    {
        QTest::addColumn<QString>("baseName");
        QTest::addColumn<qlonglong>("frameMs");
        QTest::addColumn<int>("counter");
        QTest::addColumn<QString>("expected");

        QTest::newRow("all three") << "{video}_{time}_{ms}" << 83456LL << 2 << "p_MyVideo_MyVideo_00-01-23.456_83456_2.jpeg";
        QTest::newRow("hours") << "{time}" << 36000000LL + 59 * 60000 + 7005 << 1 << "p_MyVideo_10-59-07.005_1.jpeg";
        QTest::newRow("beyond a day") << "{time}" << 100LL * 3600000 << 1 << "p_MyVideo_100-00-00.000_1.jpeg";
        QTest::newRow("twice") << "{ms}{ms}" << 5LL << 1 << "p_MyVideo_55_1.jpeg";
        QTest::newRow("single image") << "at{ms}" << 1500LL << -1 << "p_MyVideo_at1500.jpeg";
        QTest::newRow("unknown and unclosed stay") << "{fps}{ms" << 1LL << 1 << "p_MyVideo_{fps}{ms_1.jpeg";
        QTest::newRow("case matters") << "{MS}" << 1LL << 1 << "p_MyVideo_{MS}_1.jpeg";
    }

    // Prefix and suffix resolve the same tokens as the base name.
    void timeTokens()
    {
        QFETCH(QString, baseName);
        QFETCH(qlonglong, frameMs);
        QFETCH(int, counter);
        QFETCH(QString, expected);

        FileNameProfile profile;
        profile.setFileOutputPrefix(QStringLiteral("p_{video}_"));
        profile.setFileBaseName(baseName);
        profile.setFileOutputSuffix(counter == -1 ? QStringLiteral("{never}") : QStringLiteral("_"));
        QCOMPARE(profile.generateFileName(QStringLiteral("MyVideo"), counter, 0, frameMs), expected);
    }

    void storedNumbersAreHeldInTheEditorsRanges_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");

        const QString max = QString::number(std::numeric_limits<int>::max());
        const QString min = QString::number(std::numeric_limits<int>::min());
        QTest::newRow("width huge") << "image" << "imageWidth" << max << 32767;
        QTest::newRow("width negative") << "image" << "imageWidth" << "-5" << 0;
        QTest::newRow("width at the top") << "image" << "imageWidth" << "32767" << 32767;
        QTest::newRow("height huge") << "image" << "imageHeight" << "1000000" << 32767;
        QTest::newRow("height lowest") << "image" << "imageHeight" << min << 0;
        QTest::newRow("contrast huge") << "image" << "imageContrast" << "500" << 100;
        QTest::newRow("contrast lowest") << "image" << "imageContrast" << min << -100;
        QTest::newRow("contrast at the bottom") << "image" << "imageContrast" << "-100" << -100;
        QTest::newRow("brightness huge") << "image" << "imageBrightness" << max << 100;
        QTest::newRow("brightness negative") << "image" << "imageBrightness" << "-101" << -100;
        QTest::newRow("quality huge") << "image" << "imageQuality" << "1000" << 100;
        QTest::newRow("quality negative") << "image" << "imageQuality" << "-1" << 0;
        QTest::newRow("quality 0 stays") << "image" << "imageQuality" << "0" << 0;
        QTest::newRow("padding huge") << "file name" << "fileOutputCounterPadZeros" << "1000000" << 11;
        QTest::newRow("padding lowest") << "file name" << "fileOutputCounterPadZeros" << min << -1;
        QTest::newRow("padding automatic stays") << "file name" << "fileOutputCounterPadZeros" << "-1" << -1;
        QTest::newRow("padding ten zeros stays") << "file name" << "fileOutputCounterPadZeros" << "11" << 11;
        QTest::newRow("margin x huge") << "watermark" << "xMargin" << max << 10000;
        QTest::newRow("margin x lowest") << "watermark" << "xMargin" << min << 0;
        QTest::newRow("margin y huge") << "watermark" << "yMargin" << "10001" << 10000;
        QTest::newRow("margin y negative") << "watermark" << "yMargin" << "-1" << 0;
        QTest::newRow("shadow x huge") << "watermark" << "textShadowXOffset" << max << 99;
        QTest::newRow("shadow x lowest") << "watermark" << "textShadowXOffset" << min << -99;
        QTest::newRow("shadow y huge") << "watermark" << "textShadowYOffset" << "100" << 99;
        QTest::newRow("shadow y up stays") << "watermark" << "textShadowYOffset" << "-3" << -3;
        QTest::newRow("opacity huge") << "watermark" << "alpha" << "256" << 255;
        QTest::newRow("opacity negative") << "watermark" << "alpha" << min << 0;
    }

    void storedNumbersAreHeldInTheEditorsRanges()
    {
        QFETCH(QString, kind);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(int, expected);

        ProfileFactory factory = kind == QLatin1String("image") ? ImageProfile::factory()
            : kind == QLatin1String("file name")                ? FileNameProfile::factory()
                                                                : WatermarkProfile::factory();
        ProfileManager *manager = nullptr;
        BaseProfile *profile = loadedFromFile(manager, QStringLiteral("Hostile.ini"), factory, {{key, stored}});
        const std::unique_ptr<ProfileManager> owner(manager);
        QVERIFY(profile);
        QCOMPARE(profile->property(key.toLatin1().constData()).toInt(), expected);

        // The held value is what goes back into the file.
        QSettings settings(ProfileManager::settingsFilePath(QStringLiteral("Hostile.ini")), QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("profiles/H-1/") + key).toInt(), expected);
    }

    void storedFontSizesAreHeldInTheEditorsRange_data()
    {
        QTest::addColumn<qreal>("pointSize");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<qreal>("expectedPointSize");
        QTest::addColumn<int>("expectedPixelSize");

        QTest::newRow("huge points") << qreal(100000) << 0 << qreal(512) << -1;
        QTest::newRow("tiny points") << qreal(0.25) << 0 << qreal(1) << -1;
        QTest::newRow("fractional points stay") << qreal(10.5) << 0 << qreal(10.5) << -1;
        QTest::newRow("largest points stay") << qreal(512) << 0 << qreal(512) << -1;
        QTest::newRow("huge pixels") << qreal(-1) << 2000000 << qreal(-1) << 1024;
        QTest::newRow("pixels stay") << qreal(-1) << 40 << qreal(-1) << 40;
    }

    void storedFontSizesAreHeldInTheEditorsRange()
    {
        QFETCH(qreal, pointSize);
        QFETCH(int, pixelSize);
        QFETCH(qreal, expectedPointSize);
        QFETCH(int, expectedPixelSize);

        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        if (pixelSize > 0)
            font.setPixelSize(pixelSize);
        else
            font.setPointSizeF(pointSize);
        ProfileManager *manager = nullptr;
        auto *profile = qobject_cast<WatermarkProfile *>(loadedFromFile(
            manager, QStringLiteral("HostileFont.ini"), WatermarkProfile::factory(), {{"textFont", font}}));
        const std::unique_ptr<ProfileManager> owner(manager);
        QVERIFY(profile);
        QCOMPARE(profile->textFont().pointSizeF(), expectedPointSize);
        QCOMPARE(profile->textFont().pixelSize(), expectedPixelSize);
        QCOMPARE(profile->textFont().family(), QStringLiteral("DejaVu Sans"));
        QVERIFY(profile->textFont().bold());
        if (expectedPointSize == pointSize && expectedPixelSize == (pixelSize > 0 ? pixelSize : -1))
            QCOMPARE(profile->textFont(), font);
    }

    void hugeCounterPaddingIsBounded()
    {
        ProfileManager *manager = nullptr;
        auto *names = qobject_cast<FileNameProfile *>(
            loadedFromFile(manager, QStringLiteral("HostileNames.ini"), FileNameProfile::factory(),
                           {{"fileOutputCounterPadZeros", "1000000"}, {"fileOutputType", "png"}}));
        const std::unique_ptr<ProfileManager> owner(manager);
        QVERIFY(names);
        QCOMPARE(names->generateFileName(QStringLiteral("MyVideo"), 1000, 1000),
                 QStringLiteral("MyVideo-00000001000.png"));
    }

    void watermarkAlignmentAndShadowOffset()
    {
        const QVector<int> flags{0x21, 0x24, 0x22, 0x81, 0x84, 0x82, 0x41, 0x44, 0x42};
        WatermarkProfile profile;
        for (int index = 0; index < flags.size(); ++index) {
            profile.setAlignmentIndex(index);
            QCOMPARE(int(profile.alignment()), flags.at(index));
        }
        for (int outOfRange : {9, -1, 100}) {
            profile.setAlignmentIndex(outOfRange);
            QCOMPARE(profile.alignment(), Qt::AlignRight | Qt::AlignBottom);
        }
        profile.setTextShadowXOffset(2);
        profile.setTextShadowYOffset(3);
        QCOMPARE(profile.textShadowOffset(), QPoint(2, 3));
    }

    void watermarkPicturesAreCachedByName()
    {
        const QString folder = TestEnvironment::dataFolder() + QStringLiteral("/Vistaloom/Vistaloom/watermarks");
        QCOMPARE(QFileInfo(WatermarkProfile::watermarkFilePath(QStringLiteral("a.png"))).absolutePath(), folder);
        QVERIFY(QFileInfo(folder).isDir());

        writePicture(QStringLiteral("a.png"), Qt::red);
        writePicture(QStringLiteral("b.png"), Qt::blue);
        WatermarkProfile first;
        WatermarkProfile second;
        first.setImageFile(QStringLiteral("a.png"));
        second.setImageFile(QStringLiteral("a.png"));
        QCOMPARE(first.image().pixelColor(0, 0), QColor(Qt::red));

        // Replacing the file under the same name is not noticed: the second
        // profile gets the picture read once for the first.
        writePicture(QStringLiteral("a.png"), Qt::green);
        QCOMPARE(second.image().pixelColor(0, 0), QColor(Qt::red));

        // Switching names reloads every time.
        second.setImageFile(QStringLiteral("b.png"));
        QCOMPARE(second.image().pixelColor(0, 0), QColor(Qt::blue));
        QCOMPARE(first.image().pixelColor(0, 0), QColor(Qt::green));
        writePicture(QStringLiteral("b.png"), Qt::yellow);
        QCOMPARE(second.image().pixelColor(0, 0), QColor(Qt::yellow));

        WatermarkProfile missing;
        missing.setImageFile(QStringLiteral("missing.png"));
        QVERIFY(missing.image().isNull());
    }

    void newProfilesHaveTheirKindsNames()
    {
        QCOMPARE(ImageProfile().name(), QStringLiteral("Image Profile"));
        QVERIFY(FileNameProfile().name().isEmpty());
        QVERIFY(WatermarkProfile().name().isEmpty());
        std::unique_ptr<BaseProfile> made(ImageProfile::factory()());
        QVERIFY(qobject_cast<ImageProfile *>(made.get()));
        QCOMPARE(made->parent(), nullptr);
    }
};

VISTALOOM_TEST_MAIN_GUI(TestProfileKinds)
#include "tst_profilekinds.moc"
