#include "testmain.h"

#include "profiles/filenameprofile.h"
#include "profiles/imageprofile.h"
#include "profiles/profilemanager.h"
#include "profiles/watermarkprofile.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace {

QString configPath(const QString &fileName)
{
    return TestEnvironment::configFolder() + QStringLiteral("/Vistaloom/Vistaloom/") + fileName;
}

void writeFile(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QStringList names(const QList<BaseProfile *> &profiles)
{
    QStringList result;
    for (const BaseProfile *profile : profiles)
        result << profile->name();
    return result;
}

// Restores an environment variable when the test ends, pass or fail.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char *name, const QByteArray &value)
        : m_name(name), m_old(qgetenv(name)) { qputenv(name, value); }
    ~ScopedEnvironment() { qputenv(m_name, m_old); }

private:
    const char *m_name;
    QByteArray m_old;
};

} // namespace

class TestProfileManager : public QObject
{
    Q_OBJECT

private slots:
    void firstRunWritesDefaultsForImageAndFileNameKindsOnly()
    {
        QVERIFY(!QFile::exists(configPath(QStringLiteral("ImageProfiles.ini"))));
        ProfileManager *images = ImageProfile::manager();
        ProfileManager *fileNames = FileNameProfile::manager();
        ProfileManager *watermarks = WatermarkProfile::manager();
        QCOMPARE(ImageProfile::manager(), images);

        for (ProfileManager *manager : {images, fileNames}) {
            QCOMPARE(manager->profiles().size(), 1);
            BaseProfile *profile = manager->profiles().first();
            QCOMPARE(profile->name(), QStringLiteral("[Unnamed Settings]"));
            QCOMPARE(manager->lastUsedProfile(), profile);
            QSettings file(configPath(manager->fileName()), QSettings::IniFormat);
            QCOMPARE(file.value(QStringLiteral("lastUsedPofileId")).toString(), profile->id());
            QCOMPARE(file.value(QStringLiteral("profiles/") + profile->id() + QStringLiteral("/sortOrder")).toInt(), 0);
            QCOMPARE(file.value(QStringLiteral("profiles/") + profile->id() + QStringLiteral("/name")).toString(),
                     QStringLiteral("[Unnamed Settings]"));
        }
        QSettings imageFile(configPath(QStringLiteral("ImageProfiles.ini")), QSettings::IniFormat);
        const QString imageId = images->profiles().first()->id();
        QCOMPARE(imageFile.value(QStringLiteral("profiles/%1/imageQuality").arg(imageId)).toInt(), 90);
        QCOMPARE(imageFile.value(QStringLiteral("profiles/%1/sameSizeAsVideo").arg(imageId)).toBool(), true);

        QVERIFY(watermarks->profiles().isEmpty());
        QCOMPARE(watermarks->lastUsedProfile(), nullptr);
        const QByteArray watermarkText = readFile(configPath(QStringLiteral("WatermarkProfiles.ini")));
        QVERIFY(!watermarkText.contains("lastUsedPofileId"));
        QVERIFY(!watermarkText.contains("profiles"));
    }

    void sortOrderIsNormalisedOnLoadAndRewrite()
    {
        writeFile(configPath(QStringLiteral("Sorted.ini")),
                  "[profiles]\n"
                  "C-ID\\name=Third\nC-ID\\id=C-ID\nC-ID\\sortOrder=2\n"
                  "A-ID\\name=First\nA-ID\\id=A-ID\nA-ID\\sortOrder=0\n"
                  "B-ID\\name=Second\nB-ID\\id=B-ID\nB-ID\\sortOrder=1\n");
        ProfileManager manager(QStringLiteral("Sorted.ini"), ImageProfile::factory(), true);
        QCOMPARE(names(manager.profiles()), (QStringList{"First", "Second", "Third"}));
        // No last-used key: the first after sorting is chosen and recorded.
        QCOMPARE(manager.lastUsedProfile()->id(), QStringLiteral("A-ID"));

        QSettings file(configPath(QStringLiteral("Sorted.ini")), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("profiles/A-ID/sortOrder")).toInt(), 0);
        QCOMPARE(file.value(QStringLiteral("profiles/B-ID/sortOrder")).toInt(), 1);
        QCOMPARE(file.value(QStringLiteral("profiles/C-ID/sortOrder")).toInt(), 2);
        QCOMPARE(file.value(QStringLiteral("lastUsedPofileId")).toString(), QStringLiteral("A-ID"));
    }

    void missingOrBrokenSortOrderCountsAsZero()
    {
        writeFile(configPath(QStringLiteral("Broken.ini")),
                  "[profiles]\n"
                  "X\\name=Later\nX\\id=X\nX\\sortOrder=5\n"
                  "Y\\name=Garbage\nY\\id=Y\nY\\sortOrder=abc\n");
        ProfileManager manager(QStringLiteral("Broken.ini"), FileNameProfile::factory(), true);
        QCOMPARE(names(manager.profiles()), (QStringList{"Garbage", "Later"}));
    }

    void lastUsedIdIsMatchedWithoutRegardToCase()
    {
        writeFile(configPath(QStringLiteral("Case.ini")),
                  "[General]\nlastUsedPofileId=abcd-ef\n"
                  "[profiles]\n"
                  "OTHER\\name=Other\nOTHER\\id=OTHER\nOTHER\\sortOrder=0\n"
                  "ABCD-EF\\name=Wanted\nABCD-EF\\id=ABCD-EF\nABCD-EF\\sortOrder=1\n");
        ProfileManager manager(QStringLiteral("Case.ini"), ImageProfile::factory(), true);
        QCOMPARE(manager.lastUsedProfile()->name(), QStringLiteral("Wanted"));
        QCOMPARE(manager.profileById(QStringLiteral("other")), manager.profiles().first());
        QCOMPARE(manager.profileById(QStringLiteral("missing")), nullptr);
    }

    void unknownLastUsedIdFallsBackToTheFirstProfile()
    {
        writeFile(configPath(QStringLiteral("Unknown.ini")),
                  "[General]\nlastUsedPofileId=GONE\n"
                  "[profiles]\nP\\name=Only\nP\\id=P\nP\\sortOrder=0\n");
        ProfileManager manager(QStringLiteral("Unknown.ini"), ImageProfile::factory(), true);
        QCOMPARE(manager.lastUsedProfile()->id(), QStringLiteral("P"));
    }

    void setLastUsedProfileWritesOnlyOnChange()
    {
        ProfileManager manager(QStringLiteral("LastUsed.ini"), ImageProfile::factory(), true);
        BaseProfile *first = manager.lastUsedProfile();
        std::unique_ptr<BaseProfile> created = manager.createProfile();
        created->setName(QStringLiteral("Added"));
        QVERIFY(manager.profiles().size() == 1); // createProfile does not add
        BaseProfile *added = manager.addProfile(std::move(created));
        QVERIFY(!readFile(configPath(QStringLiteral("LastUsed.ini"))).contains(added->id().toLatin1()));

        QVERIFY(QFile::remove(configPath(QStringLiteral("LastUsed.ini"))));
        manager.setLastUsedProfile(first);
        QVERIFY2(!QFile::exists(configPath(QStringLiteral("LastUsed.ini"))), "an unchanged last-used profile must not save");

        manager.setLastUsedProfile(added);
        QSettings file(configPath(QStringLiteral("LastUsed.ini")), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("lastUsedPofileId")).toString(), added->id());
        QCOMPARE(file.value(QStringLiteral("profiles/%1/sortOrder").arg(added->id())).toInt(), 1);
    }

    void savingKeepsGroupsItNoLongerKnows()
    {
        writeFile(configPath(QStringLiteral("Keep.ini")),
                  "[profiles]\nP\\name=Kept\nP\\id=P\nP\\sortOrder=0\nP\\retiredKey=old\n");
        {
            ProfileManager manager(QStringLiteral("Keep.ini"), ImageProfile::factory(), true);
            manager.profiles().first()->setName(QStringLiteral("Renamed"));
            manager.save();
        }
        QSettings file(configPath(QStringLiteral("Keep.ini")), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("profiles/P/retiredKey")).toString(), QStringLiteral("old"));
        QCOMPARE(file.value(QStringLiteral("profiles/P/name")).toString(), QStringLiteral("Renamed"));
    }

    void uncreatableConfigFolderFallsBackToTheBareFileName()
    {
        // A regular file where a parent folder should be: even root cannot
        // create the folder, so the managers work from the bare name.
        const QString blocker = TestEnvironment::root() + QStringLiteral("/blocker");
        writeFile(blocker, "not a folder");
        QTemporaryDir workingDir;
        const QString previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(workingDir.path()));
        {
            ScopedEnvironment config("XDG_CONFIG_HOME", QFile::encodeName(blocker + QStringLiteral("/config")));
            ScopedEnvironment data("XDG_DATA_HOME", QFile::encodeName(blocker + QStringLiteral("/data")));
            QCOMPARE(ProfileManager::settingsFilePath(QStringLiteral("Bare.ini")), QStringLiteral("Bare.ini"));
            ProfileManager manager(QStringLiteral("Bare.ini"), ImageProfile::factory(), true);
            QCOMPARE(manager.profiles().size(), 1);
            QVERIFY(QFile::exists(workingDir.filePath(QStringLiteral("Bare.ini"))));

            WatermarkProfile picture;
            picture.setWatermarkType(1);
            picture.setImageFile(QStringLiteral("nowhere.png"));
            QVERIFY(picture.image().isNull());
        }
        QVERIFY(QDir::setCurrent(previousDir));
    }
};

VISTALOOM_TEST_MAIN_GUI(TestProfileManager)
#include "tst_profilemanager.moc"
