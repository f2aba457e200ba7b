#include "testmain.h"

#include "dialogtestutils.h"
#include "filenameprofiledialog.h"

#include "profiles/filenameprofile.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

using namespace DialogTestUtils;

class TestFileNameProfileDialog : public QObject
{
    Q_OBJECT

private slots:
    void showsExamplesOfTheDefaultProfile()
    {
        FileNameProfileDialog dialog;
        QCOMPARE(child<QLabel>(&dialog, "outputExampleVideoLabel")->text(), QStringLiteral("MyVideo.mpeg"));
        QCOMPARE(child<QLabel>(&dialog, "outputExampleLabel")->text(), QStringLiteral("MyVideo-1.jpeg"));
        QCOMPARE(child<QLabel>(&dialog, "outputExampleWithoutCounterLabel")->text(), QStringLiteral("MyVideo.jpeg"));
        QCOMPARE(child<QLineEdit>(&dialog, "formatBasenameLineEdit")->placeholderText(), QStringLiteral("MyVideo"));
        QVERIFY(button(&dialog, "saveButton")->isEnabled());
    }

    void examplesFollowTheEditedValues_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<QString>("leadingZeros");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("example");
        QTest::addColumn<QString>("singleShot");

        QTest::newRow("two leading zeros") << "" << "2" << ".jpeg" << "" << "MyVideo-001.jpeg" << "MyVideo.jpeg";
        QTest::newRow("automatic") << "" << "Automatic" << ".jpeg" << "" << "MyVideo-1.jpeg" << "MyVideo.jpeg";
        QTest::newRow("ten leading zeros") << "" << "10" << ".png" << "" << "MyVideo-00000000001.png" << "MyVideo.png";
        QTest::newRow("base name up to the first dot")
            << "clip.part1.mp4" << "None" << ".tif" << "shot_" << "shot_clip-1.tif" << "shot_clip.tif";
        QTest::newRow("jpeg xl") << "" << "Automatic" << ".jxl" << "" << "MyVideo-1.jxl" << "MyVideo.jxl";
    }

    // The newer types follow the long-standing ones, and the type stored is
    // the item's data, without the dot.
    void typeChoicesInOrder()
    {
        FileNameProfileDialog dialog;
        auto *types = child<QComboBox>(&dialog, "formatFileExtensionComboBox");
        QStringList texts;
        QStringList stored;
        for (int i = 0; i < types->count(); ++i) {
            texts << types->itemText(i);
            stored << types->itemData(i).toString();
        }
        QCOMPARE(texts, (QStringList{".jpg", ".jpeg", ".png", ".bmp", ".tif", ".tiff", ".webp", ".avif", ".jxl"}));
        QCOMPARE(stored, (QStringList{"jpg", "jpeg", "png", "bmp", "tif", "tiff", "webp", "avif", "jxl"}));
    }

    void examplesFollowTheEditedValues()
    {
        QFETCH(QString, video);
        QFETCH(QString, leadingZeros);
        QFETCH(QString, type);
        QFETCH(QString, prefix);
        QFETCH(QString, example);
        QFETCH(QString, singleShot);

        FileNameProfileDialog dialog;
        if (!video.isEmpty())
            dialog.setExampleVideoName(video);
        auto *zeros = child<QComboBox>(&dialog, "fileCounterLeadingZerosComboBox");
        zeros->setCurrentIndex(zeros->findText(leadingZeros));
        auto *types = child<QComboBox>(&dialog, "formatFileExtensionComboBox");
        types->setCurrentIndex(types->findText(type));
        child<QLineEdit>(&dialog, "formatPrefixLineEdit")->setText(prefix);

        QCOMPARE(child<QLabel>(&dialog, "outputExampleLabel")->text(), example);
        QCOMPARE(child<QLabel>(&dialog, "outputExampleWithoutCounterLabel")->text(), singleShot);
    }

    // The examples resolve the tokens for a frame at 1 min 23.456 s, and
    // every field that takes them says so.
    void examplesResolveTheTimeTokens()
    {
        FileNameProfileDialog dialog;
        dialog.setExampleVideoName(QStringLiteral("talk.mp4"));
        child<QLineEdit>(&dialog, "formatPrefixLineEdit")->setText(QStringLiteral("{video}_"));
        child<QLineEdit>(&dialog, "formatBasenameLineEdit")->setText(QStringLiteral("{time}"));
        child<QLineEdit>(&dialog, "formatSuffixLineEdit")->setText(QStringLiteral("_{ms}_"));
        QCOMPARE(child<QLabel>(&dialog, "outputExampleLabel")->text(), QStringLiteral("talk_00-01-23.456_83456_1.jpeg"));
        QCOMPARE(child<QLabel>(&dialog, "outputExampleWithoutCounterLabel")->text(),
                 QStringLiteral("talk_00-01-23.456.jpeg"));
        for (const char *name : {"formatPrefixLineEdit", "formatBasenameLineEdit", "formatSuffixLineEdit"}) {
            const QString tip = child<QLineEdit>(&dialog, name)->toolTip();
            for (const char *token : {"{video}", "{time}", "{ms}"})
                QVERIFY2(tip.contains(QLatin1String(token)), name);
        }
    }

    void leadingZerosAreStoredAsDigitCounts()
    {
        FileNameProfileDialog dialog;
        auto *zeros = child<QComboBox>(&dialog, "fileCounterLeadingZerosComboBox");
        QCOMPARE(zeros->count(), 12);
        zeros->setCurrentIndex(zeros->findText(QStringLiteral("2")));
        profileCombo(&dialog)->setEditText(QStringLiteral("Padded"));
        button(&dialog, "saveButton")->click();

        auto *saved = qobject_cast<FileNameProfile *>(dialog.selectedProfile());
        QVERIFY(saved);
        QCOMPARE(saved->name(), QStringLiteral("Padded"));
        QCOMPARE(saved->fileOutputCounterPadZeros(), 3);
        QCOMPARE(FileNameProfile::manager()->profiles().last(), saved);
    }

    void choosingAnotherProfileUpdatesTheExamplesAtOnce()
    {
        FileNameProfileDialog dialog;
        QComboBox *combo = profileCombo(&dialog);
        const int padded = combo->findText(QStringLiteral("Padded"));
        QVERIFY(padded > 0);
        combo->setCurrentIndex(padded);
        QCOMPARE(child<QLabel>(&dialog, "outputExampleLabel")->text(), QStringLiteral("MyVideo-001.jpeg"));
        combo->setCurrentIndex(0);
        QCOMPARE(child<QLabel>(&dialog, "outputExampleLabel")->text(), QStringLiteral("MyVideo-1.jpeg"));
    }

    void selectProfileShowsTheCallersProfileAndCancelReturnsIt()
    {
        ProfileManager *manager = FileNameProfile::manager();
        BaseProfile *padded = manager->profiles().last();
        FileNameProfileDialog dialog;
        QCOMPARE(dialog.selectedProfile(), nullptr);
        dialog.selectProfile(padded);
        QCOMPARE(profileCombo(&dialog)->currentText(), QStringLiteral("Padded"));
        QCOMPARE(child<QLabel>(&dialog, "outputExampleLabel")->text(), QStringLiteral("MyVideo-001.jpeg"));

        child<QLineEdit>(&dialog, "formatSuffixLineEdit")->setText(QStringLiteral("_"));
        button(&dialog, "cancelButton")->click();
        QCOMPARE(dialog.selectedProfile(), padded);
        QCOMPARE(qobject_cast<FileNameProfile *>(padded)->fileOutputSuffix(), QStringLiteral("-"));
    }

    void clearingTheNameDisablesSave()
    {
        FileNameProfileDialog dialog;
        QPushButton *save = button(&dialog, "saveButton");
        profileCombo(&dialog)->setEditText(QString());
        QVERIFY(!save->isEnabled());
        profileCombo(&dialog)->setCurrentIndex(1);
        QVERIFY(save->isEnabled());
    }

    void resetToDefaultsThenCancelLeavesTheFileAsItWas()
    {
        ProfileManager *manager = FileNameProfile::manager();
        const QByteArray before = iniBytes(manager);
        QVERIFY(!before.isEmpty());

        FileNameProfileDialog dialog;
        dialog.selectProfile(manager->profiles().last());
        auto *zeros = child<QComboBox>(&dialog, "fileCounterLeadingZerosComboBox");
        button(&dialog, "resetToDefaultsButton")->click();
        QCOMPARE(zeros->currentData().toInt(), 0);
        // No change is reported, so the example still shows the profile's values.
        QCOMPARE(child<QLabel>(&dialog, "outputExampleLabel")->text(), QStringLiteral("MyVideo-001.jpeg"));
        button(&dialog, "cancelButton")->click();

        QCOMPARE(iniBytes(manager), before);
        QCOMPARE(manager->profiles().size(), 2);
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestFileNameProfileDialog)
#include "tst_filenameprofiledialog.moc"
