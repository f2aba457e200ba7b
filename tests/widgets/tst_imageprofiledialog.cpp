#include "testmain.h"

#include "dialogtestutils.h"
#include "imageprofiledialog.h"

#include "profiles/imageprofile.h"
#include "profiles/watermarkprofile.h"

#include <QApplication>
#include <QCheckBox>
#include <QScreen>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>

using namespace DialogTestUtils;

// A window showing the dialog's preview; it records what each refresh was
// asked to show.
class PreviewWindow : public QWidget
{
public:
    QList<int> brightnessShown;

    void follow(ImageProfileDialog *dialog)
    {
        connect(dialog, &ImageProfileDialog::previewRequested, this, [this](ImageProfile *imageProfile) {
            brightnessShown << (imageProfile ? imageProfile->imageBrightness() : -999);
        });
    }
};

namespace {

// Read-only line edits the dialog creates itself; the named ones are the editable ones.
QList<QLineEdit *> visibleSizeEdits(QWidget *dialog)
{
    QList<QLineEdit *> edits;
    QWidget *group = child<QWidget>(dialog, "imageSizeGroupBox");
    const QList<QLineEdit *> all = dialog->findChildren<QLineEdit *>();
    for (QLineEdit *edit : all) {
        if (edit->isVisibleTo(dialog) && group->isAncestorOf(edit))
            edits << edit;
    }
    return edits;
}

} // namespace

class TestImageProfileDialog : public QObject
{
    Q_OBJECT

private slots:
    void aBurstOfBrightnessChangesGivesOnePreviewRefresh()
    {
        PreviewWindow window;
        ImageProfileDialog dialog(&window);
        window.follow(&dialog);
        auto *slider = child<QSlider>(&dialog, "brightnessSlider");
        // No events run between the changes, so the delay cannot end among them.
        slider->setValue(10);
        slider->setValue(20);
        slider->setValue(30);
        QVERIFY(window.brightnessShown.isEmpty());

        QTRY_COMPARE(window.brightnessShown, QList<int>{30});
        // No second refresh is waiting, nor queued.
        QVERIFY(!dialog.isPreviewRefreshPending());
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCOMPARE(window.brightnessShown, QList<int>{30});
    }

    void choosingAProfileDoesNotRefreshThePreview()
    {
        ProfileManager *manager = ImageProfile::manager();
        auto *second = qobject_cast<ImageProfile *>(manager->addProfile(manager->createProfile()));
        second->setName(QStringLiteral("Bright"));
        second->setImageBrightness(55);

        PreviewWindow window;
        ImageProfileDialog dialog(&window);
        window.follow(&dialog);
        profileCombo(&dialog)->setCurrentIndex(1);
        QCOMPARE(child<QSpinBox>(&dialog, "brightnessSpinBox")->value(), 55);
        // Neither a refresh waiting out its delay nor a queued one.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QVERIFY(!dialog.isPreviewRefreshPending());
        QVERIFY(window.brightnessShown.isEmpty());
    }

    // Clicking Save takes the focus from the name field, which makes the
    // combo box select the stored profile of that name first.
    void savingUnderAStoredNameWritesTheValuesOnScreen()
    {
        ProfileManager *manager = ImageProfile::manager();
        auto *stored = qobject_cast<ImageProfile *>(manager->addProfile(manager->createProfile()));
        stored->setName(QStringLiteral("Evening Stills"));
        stored->setImageBrightness(-20);
        stored->setImageQuality(40);
        manager->save();
        const int count = manager->profiles().size();

        ImageProfileDialog dialog;
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        child<QSpinBox>(&dialog, "brightnessSpinBox")->setValue(55);
        child<QSpinBox>(&dialog, "jpegQualitySpinBox")->setValue(75);
        QLineEdit *name = profileCombo(&dialog)->lineEdit();
        name->setFocus();
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Evening Stills"));
        QTest::mouseClick(button(&dialog, "saveButton"), Qt::LeftButton);

        QCOMPARE(dialog.selectedProfile(), stored);
        QCOMPARE(manager->profiles().size(), count);
        QCOMPARE(stored->imageBrightness(), 55);
        QCOMPARE(stored->imageQuality(), 75);
        QVERIFY(iniBytes(manager).contains("imageBrightness=55"));
    }

    // The dialog drives the live preview in the main window's snapshot
    // pane, so it must not open on top of it when the screen has room.
    void opensBesideTheWindowWhenThereIsRoom_data()
    {
        QTest::addColumn<QString>("room");
        QTest::newRow("right") << "right";
        QTest::newRow("left") << "left";
        QTest::newRow("none") << "none";
    }

    void opensBesideTheWindowWhenThereIsRoom()
    {
        QFETCH(QString, room);
        QWidget window;
        ImageProfileDialog dialog(&window);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const int dialogWidth = qMax(dialog.width(), dialog.minimumSizeHint().width());
        QVERIFY2(dialogWidth + 40 < screen.width(), "the screen is too small for this test");
        const int gap = screen.width() - dialogWidth - 20;
        if (room == QLatin1String("right"))
            window.setGeometry(screen.left(), screen.top() + 30, gap, 200);
        else if (room == QLatin1String("left"))
            window.setGeometry(screen.right() - gap + 1, screen.top() + 30, gap, 200);
        else
            window.setGeometry(screen.left() + 10, screen.top() + 30, screen.width() - 20, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect windowFrame = window.frameGeometry();

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QRect dialogFrame = dialog.frameGeometry();
        if (room == QLatin1String("right")) {
            QCOMPARE(dialogFrame.left(), windowFrame.right() + 1);
        } else if (room == QLatin1String("left")) {
            QCOMPARE(dialogFrame.right(), windowFrame.left() - 1);
        } else {
            // Left where the dialog normally opens: over its window.
            QVERIFY(dialogFrame.intersects(windowFrame));
            return;
        }
        // Wholly on the screen across; the dialog may be taller than this screen.
        QVERIFY(dialogFrame.left() >= screen.left() && dialogFrame.right() <= screen.right());
        QVERIFY(dialogFrame.top() >= screen.top());
    }

    void slidersAndSpinBoxesAgree()
    {
        ImageProfileDialog dialog;
        auto *slider = child<QSlider>(&dialog, "contrastSlider");
        auto *spin = child<QSpinBox>(&dialog, "contrastSpinBox");
        QCOMPARE(slider->minimum(), -100);
        QCOMPARE(spin->maximum(), 100);
        slider->setValue(-25);
        QCOMPARE(spin->value(), -25);
        spin->setValue(60);
        QCOMPARE(slider->value(), 60);
        spin->setValue(500);
        QCOMPARE(slider->value(), 100);
    }

    void sameSizeAsVideoSwapsInTheVideoSize()
    {
        ImageProfileDialog dialog;
        auto *same = child<QCheckBox>(&dialog, "sameSizeAsVideoCheckbox");
        auto *width = child<QLineEdit>(&dialog, "imageWidthLineEdit");
        auto *height = child<QLineEdit>(&dialog, "imageHeightLineEdit");
        auto *crop = child<QCheckBox>(&dialog, "cropImageCheckbox");
        // The default profile keeps the video's size.
        QVERIFY(same->isChecked());
        QList<QLineEdit *> shown = visibleSizeEdits(&dialog);
        QCOMPARE(shown.size(), 2);
        QVERIFY(!shown.contains(width) && !shown.contains(height));
        QCOMPARE(shown.at(0)->text(), QString());
        QVERIFY(!crop->isEnabled());

        dialog.setVideoSize(1920, 1080);
        QStringList texts{shown.at(0)->text(), shown.at(1)->text()};
        texts.sort();
        QCOMPARE(texts, (QStringList{QStringLiteral("1080"), QStringLiteral("1920")}));
        for (QLineEdit *display : shown)
            QVERIFY(display->isReadOnly() && !display->isEnabled());

        same->setChecked(false);
        QCOMPARE(visibleSizeEdits(&dialog).size(), 2);
        QVERIFY(visibleSizeEdits(&dialog).contains(width));
        QCOMPARE(width->text(), QStringLiteral("640"));
        QCOMPARE(height->text(), QStringLiteral("480"));
        QVERIFY(crop->isEnabled());
    }

    void savingKeepsTheHiddenSizeAndIgnoresTextThatIsNoNumber()
    {
        ImageProfileDialog dialog;
        auto *same = child<QCheckBox>(&dialog, "sameSizeAsVideoCheckbox");
        same->setChecked(false);
        child<QLineEdit>(&dialog, "imageWidthLineEdit")->setText(QStringLiteral("800"));
        child<QLineEdit>(&dialog, "imageHeightLineEdit")->setText(QStringLiteral("tall"));
        same->setChecked(true);
        child<QSpinBox>(&dialog, "jpegQualitySpinBox")->setValue(70);
        profileCombo(&dialog)->setEditText(QStringLiteral("Sized"));
        button(&dialog, "saveButton")->click();

        auto *saved = qobject_cast<ImageProfile *>(dialog.selectedProfile());
        QVERIFY(saved);
        QCOMPARE(saved->imageWidth(), 800);
        QCOMPARE(saved->imageHeight(), 480);
        QCOMPARE(saved->sameSizeAsVideo(), true);
        QCOMPARE(saved->imageQuality(), 70);
    }

    void watermarkChoicesListEveryStoredWatermark()
    {
        ProfileManager *watermarks = WatermarkProfile::manager();
        BaseProfile *mark = watermarks->addProfile(watermarks->createProfile());
        mark->setName(QStringLiteral("Corner Mark"));

        ImageProfileDialog dialog;
        auto *combo = child<QComboBox>(&dialog, "watermarkProfileComboBox");
        QCOMPARE(combo->count(), 1 + watermarks->profiles().size());
        QCOMPARE(combo->itemText(0), QStringLiteral("[No Watermark]"));
        QCOMPARE(combo->currentIndex(), 0);
        QCOMPARE(combo->itemText(combo->count() - 1), QStringLiteral("Corner Mark"));

        combo->setCurrentIndex(combo->count() - 1);
        profileCombo(&dialog)->setEditText(QStringLiteral("Marked"));
        button(&dialog, "saveButton")->click();
        QCOMPARE(qobject_cast<ImageProfile *>(dialog.selectedProfile())->watermarkProfileId(), mark->id());
    }

    void resetToDefaultsThenCancelLeavesTheFileAsItWas()
    {
        ProfileManager *manager = ImageProfile::manager();
        manager->save();
        const QByteArray before = iniBytes(manager);
        const int count = manager->profiles().size();
        BaseProfile *marked = manager->profiles().last();

        ImageProfileDialog dialog;
        dialog.selectProfile(marked);
        button(&dialog, "resetToDefaultsButton")->click();
        QCOMPARE(child<QComboBox>(&dialog, "watermarkProfileComboBox")->currentIndex(), 0);
        QCOMPARE(child<QSpinBox>(&dialog, "jpegQualitySpinBox")->value(), 90);
        button(&dialog, "cancelButton")->click();

        QCOMPARE(dialog.selectedProfile(), marked);
        QCOMPARE(iniBytes(manager), before);
        QCOMPARE(manager->profiles().size(), count);
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestImageProfileDialog)
#include "tst_imageprofiledialog.moc"
