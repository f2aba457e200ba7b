#include "testmain.h"

#include "profiles/baseprofile.h"
#include "profiles/field.h"

#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

namespace {

// A kind with one property of each type the loader must convert from text.
class SampleProfile : public BaseProfile
{
    Q_OBJECT
    Q_PROPERTY(bool flag READ flag WRITE setFlag)
    Q_PROPERTY(int number READ number WRITE setNumber)
    Q_PROPERTY(QString readOnly READ readOnly)

public:
    bool flag() const { return m_flag; }
    void setFlag(bool value) { m_flag = value; }
    int number() const { return m_number; }
    void setNumber(int value) { m_number = value; }
    QString readOnly() const { return QStringLiteral("never stored"); }

private:
    bool m_flag = false;
    int m_number = 7;
};

QStringList writtenKeys(const QString &iniText)
{
    QStringList keys;
    const QStringList lines = iniText.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals > 0)
            keys << line.left(equals);
    }
    return keys;
}

} // namespace

class TestBaseProfile : public QObject
{
    Q_OBJECT

private slots:
    void identifiersAreUpperCaseUuidsWithoutBraces()
    {
        BaseProfile first;
        BaseProfile second;
        QVERIFY(first.id() != second.id());
        const QRegularExpression format(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$"));
        QVERIFY2(format.match(first.id()).hasMatch(), qPrintable(first.id()));
        QVERIFY(format.match(second.id()).hasMatch());
        QVERIFY(first.name().isEmpty());
        QObject owner;
        BaseProfile withParent(&owner);
        QCOMPARE(withParent.parent(), nullptr);
    }

    void saveWritesObjectNameNameIdAndEveryWritableProperty()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("p.ini"));
        SampleProfile profile;
        profile.setName(QStringLiteral("Mine"));
        profile.setFlag(true);
        profile.setNumber(42);
        {
            QSettings settings(path, QSettings::IniFormat);
            settings.beginGroup(QStringLiteral("g"));
            profile.saveToSettings(settings);
            settings.endGroup();
            settings.sync();
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QStringList keys = writtenKeys(text);
        keys.sort();
        QCOMPARE(keys, (QStringList{QStringLiteral("flag"), QStringLiteral("id"), QStringLiteral("name"),
                                    QStringLiteral("number"), QStringLiteral("objectName")}));
        QVERIFY(text.contains(QStringLiteral("flag=true")));
        QVERIFY(text.contains(QStringLiteral("number=42")));
        QVERIFY(text.contains(QStringLiteral("id=") + profile.id()));
        QVERIFY(!text.contains(QStringLiteral("readOnly")));
    }

    void loadConvertsTextAndKeepsWhatIsMissingOrUnconvertible()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("p.ini"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[empty]\nunrelated=1\n\n"
                       "[full]\nname=Loaded\nid=ABC-FROM-KEY\nflag=true\nnumber=640\nnoSuchProperty=5\n\n"
                       "[broken]\nnumber=abc\n");
        }
        QSettings settings(path, QSettings::IniFormat);

        SampleProfile untouched;
        const QString constructedId = untouched.id();
        settings.beginGroup(QStringLiteral("empty"));
        untouched.loadFromSettings(settings);
        settings.endGroup();
        QCOMPARE(untouched.id(), constructedId);
        QCOMPARE(untouched.number(), 7);

        SampleProfile loaded;
        settings.beginGroup(QStringLiteral("full"));
        loaded.loadFromSettings(settings);
        settings.endGroup();
        QCOMPARE(loaded.name(), QStringLiteral("Loaded"));
        QCOMPARE(loaded.id(), QStringLiteral("ABC-FROM-KEY"));
        QCOMPARE(loaded.flag(), true);
        QCOMPARE(loaded.number(), 640);

        SampleProfile broken;
        settings.beginGroup(QStringLiteral("broken"));
        broken.loadFromSettings(settings);
        settings.endGroup();
        QCOMPARE(broken.number(), 7);
    }

    void fieldsCarryTheirRadioValue()
    {
        QObject dialog;
        auto *plain = new Field(&dialog);
        QCOMPARE(plain->value, -1);
        QCOMPARE(plain->parent(), &dialog);
        auto *front = new Field(&dialog);
        front->propertyName = "cropImage";
        front->value = 0;
        auto *back = new Field(&dialog);
        back->propertyName = "cropImage";
        back->value = 1;
        QCOMPARE(qstrcmp(front->propertyName, back->propertyName), 0);
        QVERIFY(front->value != back->value);
        QCOMPARE(dialog.children().size(), 3);
    }
};

VISTALOOM_TEST_MAIN_CORE(TestBaseProfile)
#include "tst_baseprofile.moc"
