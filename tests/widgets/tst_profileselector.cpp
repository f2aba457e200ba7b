#include "testmain.h"

#include "colorlabel.h"
#include "fontlabel.h"
#include "profileselector.h"

#include "profiles/field.h"
#include "profiles/imageprofile.h"
#include "profiles/profilemanager.h"
#include "profiles/watermarkprofile.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

QComboBox *comboOf(ProfileSelector &selector)
{
    return selector.findChild<QComboBox *>(QStringLiteral("profileComboBox"));
}

Field *bind(QWidget *owner, const char *property, QWidget *widget, int value = -1)
{
    auto *field = new Field(owner);
    field->propertyName = property;
    field->widget = widget;
    field->value = value;
    return field;
}

QWidget *makeWidget(const QString &kind, QWidget *parent)
{
    if (kind == QLatin1String("ColorLabel"))
        return new ColorLabel(parent);
    if (kind == QLatin1String("FontLabel"))
        return new FontLabel(parent);
    if (kind == QLatin1String("QLabel"))
        return new QLabel(parent);
    if (kind == QLatin1String("QLineEdit"))
        return new QLineEdit(parent);
    if (kind == QLatin1String("QTextEdit"))
        return new QTextEdit(parent);
    if (kind == QLatin1String("QComboBox")) {
        auto *combo = new QComboBox(parent);
        combo->addItem(QStringLiteral("first"), QStringLiteral("a"));
        combo->addItem(QStringLiteral("second"), QStringLiteral("B"));
        return combo;
    }
    if (kind == QLatin1String("QCheckBox"))
        return new QCheckBox(parent);
    if (kind == QLatin1String("QSlider"))
        return new QSlider(parent);
    if (kind == QLatin1String("QSpinBox"))
        return new QSpinBox(parent);
    if (kind == QLatin1String("QRadioButton"))
        return new QRadioButton(parent);
    return new QWidget(parent);
}

QStringList iniGroupsBySortOrder(const QString &fileName)
{
    QSettings file(ProfileManager::settingsFilePath(fileName), QSettings::IniFormat);
    file.beginGroup(QStringLiteral("profiles"));
    QMap<int, QString> byOrder;
    const QStringList groups = file.childGroups();
    for (const QString &group : groups)
        byOrder.insert(file.value(group + QStringLiteral("/sortOrder")).toInt(), group);
    return byOrder.values();
}

} // namespace

class TestProfileSelector : public QObject
{
    Q_OBJECT

private slots:
    // Runs first: the watermark manager is still empty in this process.
    void firstSaveIntoAnEmptyListKeepsTheEditedValues()
    {
        QWidget host;
        ProfileSelector selector(&host);
        auto *margin = new QSpinBox(&host);
        margin->setRange(0, 10000);
        selector.addField(bind(&host, "xMargin", margin));
        selector.setProfileManager(WatermarkProfile::manager());
        QCOMPARE(comboOf(selector)->count(), 0);
        QSignalSpy selected(&selector, &ProfileSelector::profileSelected);

        margin->setValue(321);
        comboOf(selector)->setEditText(QStringLiteral("First Mark"));
        auto *saved = qobject_cast<WatermarkProfile *>(selector.saveProfile());

        QVERIFY(saved);
        QCOMPARE(saved->name(), QStringLiteral("First Mark"));
        QCOMPARE(saved->xMargin(), 321);
        QCOMPARE(margin->value(), 321);
        QCOMPARE(selected.count(), 0);
        QCOMPARE(comboOf(selector)->currentIndex(), 0);
        QCOMPARE(WatermarkProfile::manager()->profiles(), QList<BaseProfile *>{saved});
    }

    void showsAndReadsEveryWidgetKind_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("fieldValue");
        QTest::addColumn<QVariant>("read");

        const QColor teal(0, 128, 128, 200);
        const QFont font(QStringLiteral("Courier"), 9);
        QTest::newRow("colour label") << "ColorLabel" << QByteArray("textColor") << QVariant(teal) << -1 << QVariant(teal);
        QTest::newRow("colour label from text")
            << "ColorLabel" << QByteArray("text") << QVariant(QStringLiteral("#102030")) << -1
            << QVariant(QColor(0x10, 0x20, 0x30));
        QTest::newRow("colour label from garbage")
            << "ColorLabel" << QByteArray("text") << QVariant(QStringLiteral("no colour")) << -1 << QVariant(QColor());
        QTest::newRow("font label") << "FontLabel" << QByteArray("textFont") << QVariant(font) << -1 << QVariant(font);
        QTest::newRow("plain label reads nothing")
            << "QLabel" << QByteArray("text") << QVariant(QStringLiteral("shown")) << -1 << QVariant();
        QTest::newRow("line edit") << "QLineEdit" << QByteArray("text") << QVariant(QStringLiteral("a<b>c")) << -1
                                   << QVariant(QStringLiteral("a<b>c"));
        QTest::newRow("text edit keeps markup as text")
            << "QTextEdit" << QByteArray("text") << QVariant(QStringLiteral("<b>bold</b>\nnext line")) << -1
            << QVariant(QStringLiteral("<b>bold</b>\nnext line"));
        QTest::newRow("combo box by data") << "QComboBox" << QByteArray("text") << QVariant(QStringLiteral("B")) << -1
                                           << QVariant(QStringLiteral("B"));
        QTest::newRow("combo box matches case exactly")
            << "QComboBox" << QByteArray("text") << QVariant(QStringLiteral("b")) << -1 << QVariant();
        QTest::newRow("check box") << "QCheckBox" << QByteArray("cropImage") << QVariant(true) << -1 << QVariant(true);
        QTest::newRow("slider") << "QSlider" << QByteArray("alpha") << QVariant(77) << -1 << QVariant(77);
        QTest::newRow("spin box") << "QSpinBox" << QByteArray("xMargin") << QVariant(12) << -1 << QVariant(12);
        QTest::newRow("radio button for the stored value")
            << "QRadioButton" << QByteArray("watermarkType") << QVariant(1) << 1 << QVariant(1);
        QTest::newRow("radio button for another value")
            << "QRadioButton" << QByteArray("watermarkType") << QVariant(0) << 1 << QVariant(-1);
        QTest::newRow("unknown widget") << "QWidget" << QByteArray("alpha") << QVariant(5) << -1 << QVariant();
    }

    void showsAndReadsEveryWidgetKind()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, property);
        QFETCH(QVariant, stored);
        QFETCH(int, fieldValue);
        QFETCH(QVariant, read);

        QWidget host;
        ProfileSelector selector(&host);
        QWidget *widget = makeWidget(kind, &host);
        Field *field = bind(&host, property.constData(), widget, fieldValue);
        selector.addField(field);
        QObject source;
        source.setProperty(property.constData(), stored);

        selector.loadFieldsFromProfile(&source);

        QCOMPARE(selector.fieldValue(field), read);
        if (kind == QLatin1String("QLabel"))
            QCOMPARE(static_cast<QLabel *>(widget)->text(), stored.toString());
    }

    void reportsUserEditsButNotLoading()
    {
        QWidget host;
        ProfileSelector selector(&host);
        auto *edit = new QLineEdit(&host);
        auto *check = new QCheckBox(&host);
        auto *slider = new QSlider(&host);
        auto *combo = qobject_cast<QComboBox *>(makeWidget(QStringLiteral("QComboBox"), &host));
        auto *colour = new ColorLabel(&host);
        const QList<Field *> fields{bind(&host, "text", edit), bind(&host, "cropImage", check),
                                    bind(&host, "alpha", slider), bind(&host, "fileOutputType", combo),
                                    bind(&host, "textColor", colour)};
        for (Field *field : fields)
            selector.addField(field);
        QList<Field *> changes;
        connect(&selector, &ProfileSelector::fieldChanged, this, [&changes](Field *field) { changes << field; });

        QObject source;
        source.setProperty("text", QStringLiteral("loaded"));
        source.setProperty("cropImage", true);
        source.setProperty("alpha", 42);
        source.setProperty("fileOutputType", QStringLiteral("B"));
        source.setProperty("textColor", QColor(Qt::red));
        selector.loadFieldsFromProfile(&source);
        QCOMPARE(changes.count(), 0);

        edit->setText(QStringLiteral("typed"));
        check->setChecked(false);
        slider->setValue(7);
        combo->setCurrentIndex(0);
        colour->setColor(Qt::blue);
        QCOMPARE(changes, fields.mid(0, 4));
    }

    void savingANewNameAppendsToComboManagerAndFileEnd()
    {
        QWidget host;
        ProfileSelector selector(&host);
        auto *width = new QLineEdit(&host);
        selector.addField(bind(&host, "imageWidth", width));
        ProfileManager *manager = ImageProfile::manager();
        selector.setProfileManager(manager);
        const int before = manager->profiles().size();

        width->setText(QStringLiteral("1234"));
        comboOf(selector)->setEditText(QStringLiteral("Wide Frames"));
        auto *saved = qobject_cast<ImageProfile *>(selector.saveProfile());

        QVERIFY(saved);
        QCOMPARE(saved->imageWidth(), 1234);
        QCOMPARE(saved->name(), QStringLiteral("Wide Frames"));
        QCOMPARE(manager->profiles().size(), before + 1);
        QCOMPARE(manager->profiles().last(), saved);
        QCOMPARE(comboOf(selector)->count(), before + 1);
        QCOMPARE(comboOf(selector)->currentIndex(), before);
        QCOMPARE(iniGroupsBySortOrder(manager->fileName()).last(), saved->id());
        QVERIFY(manager->lastUsedProfile() != saved);
    }

    void savingAKnownNameInOtherCaseOverwritesThatProfile()
    {
        ProfileManager *manager = ImageProfile::manager();
        auto *existing = qobject_cast<ImageProfile *>(manager->addProfile(manager->createProfile()));
        existing->setName(QStringLiteral("My Settings"));
        manager->save();

        QWidget host;
        ProfileSelector selector(&host);
        auto *height = new QLineEdit(&host);
        selector.addField(bind(&host, "imageHeight", height));
        selector.setProfileManager(manager);
        const int count = manager->profiles().size();

        height->setText(QStringLiteral("99"));
        comboOf(selector)->setEditText(QStringLiteral("my settings"));
        QCOMPARE(selector.saveProfile(), existing);

        QCOMPARE(existing->imageHeight(), 99);
        QCOMPARE(existing->name(), QStringLiteral("My Settings"));
        QCOMPARE(manager->profiles().size(), count);
        QSettings file(ProfileManager::settingsFilePath(manager->fileName()), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("profiles/") + existing->id() + QStringLiteral("/imageHeight")).toInt(), 99);
    }

    // Ending the name edit (Tab, Enter) on the name of a stored profile
    // makes the combo box select it; the values on screen must stay, so
    // Save writes them over that profile.
    void endingANameEditOnAStoredNameKeepsTheValuesOnScreen_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("tab") << int(Qt::Key_Tab);
        QTest::newRow("enter") << int(Qt::Key_Return);
    }

    void endingANameEditOnAStoredNameKeepsTheValuesOnScreen()
    {
        QFETCH(int, key);
        ProfileManager *manager = ImageProfile::manager();
        auto *stored = qobject_cast<ImageProfile *>(manager->addProfile(manager->createProfile()));
        stored->setName(QStringLiteral("Kept Look ") + QString::fromLatin1(QTest::currentDataTag()));
        stored->setImageQuality(40);
        manager->save();

        QWidget host;
        auto *layout = new QVBoxLayout(&host);
        auto *selector = new ProfileSelector(&host);
        auto *quality = new QSpinBox(&host);
        quality->setRange(0, 100);
        layout->addWidget(selector);
        layout->addWidget(quality);
        selector->addField(bind(&host, "imageQuality", quality));
        selector->setProfileManager(manager);
        QSignalSpy selected(selector, &ProfileSelector::profileSelected);
        host.show();
        host.activateWindow();
        QApplication::setActiveWindow(&host);
        QVERIFY(QTest::qWaitForWindowActive(&host));

        quality->setValue(75);
        QLineEdit *name = comboOf(*selector)->lineEdit();
        name->setFocus();
        QTRY_VERIFY(name->hasFocus() || comboOf(*selector)->hasFocus());
        name->selectAll();
        QTest::keyClicks(name, stored->name().toLower());
        QTest::keyClick(name, Qt::Key(key));

        QCOMPARE(quality->value(), 75);
        QCOMPARE(selected.count(), 0);
        QCOMPARE(selector->saveProfile(), stored);
        QCOMPARE(stored->imageQuality(), 75);
        QSettings file(ProfileManager::settingsFilePath(manager->fileName()), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("profiles/") + stored->id() + QStringLiteral("/imageQuality")).toInt(), 75);

        // Picking from the list afterwards still shows the picked profile.
        comboOf(*selector)->setCurrentIndex(0);
        QCOMPARE(quality->value(), qobject_cast<ImageProfile *>(manager->profiles().first())->imageQuality());
    }

    void onlyTheCheckedRadioButtonWrites()
    {
        QWidget host;
        ProfileSelector selector(&host);
        auto *text = new QRadioButton(&host);
        auto *picture = new QRadioButton(&host);
        selector.addField(bind(&host, "watermarkType", text, 0));
        selector.addField(bind(&host, "watermarkType", picture, 1));

        WatermarkProfile target;
        target.setWatermarkType(5);
        selector.saveFieldsToProfile(&target);
        QCOMPARE(target.watermarkType(), 5);

        picture->setChecked(true);
        selector.saveFieldsToProfile(&target);
        QCOMPARE(target.watermarkType(), 1);
        text->setChecked(true);
        selector.saveFieldsToProfile(&target);
        QCOMPARE(target.watermarkType(), 0);
    }

    void selectingShowsTheProfileAndAnnouncesOnlyRealChanges()
    {
        ProfileManager *manager = ImageProfile::manager();
        QVERIFY(manager->profiles().size() >= 2);
        auto *first = qobject_cast<ImageProfile *>(manager->profiles().at(0));
        auto *second = qobject_cast<ImageProfile *>(manager->profiles().at(1));
        second->setImageQuality(33);

        QWidget host;
        ProfileSelector selector(&host);
        auto *quality = new QSpinBox(&host);
        selector.addField(bind(&host, "imageQuality", quality));
        QSignalSpy selected(&selector, &ProfileSelector::profileSelected);
        QSignalSpy names(&selector, &ProfileSelector::profileNameTextChanged);
        selector.setProfileManager(manager);
        QCOMPARE(selected.count(), 1);
        QCOMPARE(selected.at(0).at(0).value<BaseProfile *>(), first);
        QCOMPARE(quality->value(), first->imageQuality());

        selector.selectProfile(second);
        QCOMPARE(selected.count(), 2);
        QCOMPARE(quality->value(), 33);
        QCOMPARE(names.last().at(0).toString(), second->name());

        quality->setValue(50);
        selector.selectProfile(second);
        QCOMPARE(selected.count(), 2);
        QCOMPARE(quality->value(), 33);

        // A profile the list does not hold leaves the widgets alone.
        ImageProfile stranger;
        stranger.setImageQuality(1);
        selector.selectProfile(nullptr);
        QCOMPARE(comboOf(selector)->currentIndex(), -1);
        QCOMPARE(quality->value(), 33);
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestProfileSelector)
#include "tst_profileselector.moc"
