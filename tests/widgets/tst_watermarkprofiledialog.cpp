#include "testmain.h"

#include "colorlabel.h"
#include "dialogtestutils.h"
#include "fontlabel.h"
#include "imageprofiledialog.h"
#include "imageview.h"
#include "modalanswer.h"
#include "watermarkprofiledialog.h"

#include "profiles/imageprofile.h"
#include "profiles/watermarkprofile.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextEdit>

using namespace DialogTestUtils;

namespace {

void chooseFile(QWidget *modal, const QString &path)
{
    auto *dialog = qobject_cast<QFileDialog *>(modal);
    QVERIFY(dialog);
    dialog->setDirectory(QFileInfo(path).absolutePath());
    // Typed as a user would, with nothing selected in the views: a selection
    // left over from the last run would win over the typed name.
    const QList<QAbstractItemView *> views = dialog->findChildren<QAbstractItemView *>();
    for (QAbstractItemView *view : views) {
        if (view->selectionModel())
            view->selectionModel()->clearSelection();
    }
    auto *nameEdit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    QVERIFY(nameEdit);
    nameEdit->setText(path);
    static_cast<QDialog *>(dialog)->accept();
}

struct MessageSeen
{
    QString title;
    QString text;
};

ModalAnswer *recordAndCloseMessage(MessageSeen &seen, QWidget *below)
{
    return new ModalAnswer([&seen](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return;
        seen.title = box->windowTitle();
        seen.text = box->text();
        box->accept();
    }, below);
}

QStringList watermarkFolderEntries()
{
    return QDir(QFileInfo(WatermarkProfile::watermarkFilePath(QStringLiteral("x"))).absolutePath())
        .entryList(QDir::Files);
}

// Pixels of the light watermark text on the blue snapshot.
int textPixels(const QImage &image, const QRect &area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qRed(image.pixel(x, y)) > 120)
                ++count;
        }
    }
    return count;
}

bool isSnapshotBlue(QRgb pixel)
{
    return qBlue(pixel) > 200 && qRed(pixel) < 60;
}

} // namespace

class TestWatermarkProfileDialog : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir pictures;

    QString writePicture(const QString &name)
    {
        QImage picture(24, 16, QImage::Format_ARGB32);
        picture.fill(Qt::green);
        const QString path = pictures.filePath(name);
        return picture.save(path, "PNG") ? path : QString();
    }

private slots:
    // Runs first: nothing is stored yet in this process.
    void withNoStoredProfilesTheDefaultsShowAndSaveIsOff()
    {
        QVERIFY(WatermarkProfile::manager()->profiles().isEmpty());
        WatermarkProfileDialog dialog;
        dialog.selectProfile(nullptr);

        QVERIFY(child<QRadioButton>(&dialog, "watermarkTypeTextRadioButton")->isChecked());
        QCOMPARE(child<FontLabel>(&dialog, "textFontLabel")->text(), QStringLiteral("Times, 12pt"));
        QCOMPARE(child<ColorLabel>(&dialog, "textColorLabel")->color(), QColor(255, 255, 255, 225));
        QCOMPARE(child<ColorLabel>(&dialog, "shadowColorLabel")->color(), QColor(0, 0, 0, 175));
        QCOMPARE(child<QComboBox>(&dialog, "alignmentComboBox")->currentText(), QStringLiteral("Bottom Right"));
        QCOMPARE(child<QSpinBox>(&dialog, "xMarginSpinBox")->value(), 15);
        QCOMPARE(child<QSpinBox>(&dialog, "yMarginSpinBox")->value(), 15);
        QCOMPARE(child<QSlider>(&dialog, "alphaSlider")->value(), 255);
        QCOMPARE(child<QTabWidget>(&dialog, "tabWidget")->currentIndex(), 0);
        QVERIFY(!button(&dialog, "saveButton")->isEnabled());

        profileCombo(&dialog)->setEditText(QStringLiteral("Signature"));
        QVERIFY(button(&dialog, "saveButton")->isEnabled());
    }

    void editorRangesAreTheStoredRanges_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::newRow("shadow x") << QByteArray("xOffsetSpinBox") << 0 << 99;
        QTest::newRow("shadow y") << QByteArray("yOffsetSpinBox") << 0 << 99;
        QTest::newRow("margin x") << QByteArray("xMarginSpinBox") << 0 << 10000;
        QTest::newRow("margin y") << QByteArray("yMarginSpinBox") << 0 << 10000;
        QTest::newRow("alpha") << QByteArray("alphaSlider") << 0 << 255;
    }

    void editorRangesAreTheStoredRanges()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        WatermarkProfileDialog dialog;
        auto *range = child<QAbstractSlider>(&dialog, name.constData(), true);
        QCOMPARE(range ? range->minimum() : child<QSpinBox>(&dialog, name.constData())->minimum(), minimum);
        QCOMPARE(range ? range->maximum() : child<QSpinBox>(&dialog, name.constData())->maximum(), maximum);
    }

    void savingATextWatermarkStoresTheEditedValues()
    {
        WatermarkProfileDialog dialog;
        dialog.selectProfile(nullptr);
        child<QTextEdit>(&dialog, "textTextEdit")->setPlainText(QStringLiteral("Line one\nLine two"));
        auto *alignment = child<QComboBox>(&dialog, "alignmentComboBox");
        alignment->setCurrentIndex(alignment->findText(QStringLiteral("Top Left")));
        child<QSpinBox>(&dialog, "xOffsetSpinBox")->setValue(3);
        profileCombo(&dialog)->setEditText(QStringLiteral("Signature"));
        button(&dialog, "saveButton")->click();

        auto *saved = qobject_cast<WatermarkProfile *>(dialog.selectedProfile());
        QVERIFY(saved);
        QCOMPARE(WatermarkProfile::manager()->profiles(), QList<BaseProfile *>{saved});
        QCOMPARE(saved->text(), QStringLiteral("Line one\nLine two"));
        QCOMPARE(saved->alignmentIndex(), 0);
        QCOMPARE(saved->textShadowXOffset(), 3);
        QCOMPARE(saved->watermarkType(), 0);
        QCOMPARE(saved->textFont().family(), QStringLiteral("Times"));
        QVERIFY(iniBytes(WatermarkProfile::manager()).contains("Line one\\nLine two"));
    }

    // Tab out of the name field onto a stored name, then Save: the edited
    // text is what that profile keeps.
    void savingUnderAStoredNameWritesTheTextOnScreen()
    {
        ProfileManager *manager = WatermarkProfile::manager();
        auto *stored = qobject_cast<WatermarkProfile *>(manager->addProfile(manager->createProfile()));
        stored->setName(QStringLiteral("Corner Credit"));
        stored->setText(QStringLiteral("Old credit"));
        manager->save();

        WatermarkProfileDialog dialog;
        dialog.selectProfile(nullptr);
        dialog.show();
        dialog.activateWindow();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        child<QTextEdit>(&dialog, "textTextEdit")->setPlainText(QStringLiteral("New credit"));
        QLineEdit *name = profileCombo(&dialog)->lineEdit();
        name->setFocus();
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("corner credit"));
        QTest::keyClick(name, Qt::Key_Tab);
        QCOMPARE(child<QTextEdit>(&dialog, "textTextEdit")->toPlainText(), QStringLiteral("New credit"));
        button(&dialog, "saveButton")->click();

        QCOMPARE(dialog.selectedProfile(), stored);
        QCOMPARE(stored->text(), QStringLiteral("New credit"));
    }

    void theColourChooserSetsTheLabel()
    {
        WatermarkProfileDialog dialog;
        ModalAnswer answer([](QWidget *modal) {
            auto *chooser = qobject_cast<QColorDialog *>(modal);
            QVERIFY(chooser);
            chooser->setCurrentColor(QColor(10, 200, 30));
            chooser->accept();
        }, &dialog);
        button(&dialog, "textColorButton")->click();
        QVERIFY(answer.answered());
        QCOMPARE(child<ColorLabel>(&dialog, "textColorLabel")->color().rgb(), QColor(10, 200, 30).rgb());

        ModalAnswer cancel([](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); }, &dialog);
        button(&dialog, "shadowColorButton")->click();
        QCOMPARE(child<ColorLabel>(&dialog, "shadowColorLabel")->color(), QColor(0, 0, 0, 175));
    }

    void theFontChooserSetsTheLabelAndTheSavedFont()
    {
        WatermarkProfileDialog dialog;
        dialog.selectProfile(nullptr);
        ModalAnswer answer([](QWidget *modal) {
            auto *chooser = qobject_cast<QFontDialog *>(modal);
            QVERIFY(chooser);
            chooser->setCurrentFont(QFont(QStringLiteral("DejaVu Sans"), 20));
            chooser->accept();
        }, &dialog);
        button(&dialog, "textFontButton")->click();
        QVERIFY(answer.answered());
        auto *label = child<FontLabel>(&dialog, "textFontLabel");
        QCOMPARE(label->text(), QStringLiteral("DejaVu Sans, 20pt"));

        profileCombo(&dialog)->setEditText(QStringLiteral("Sans Mark"));
        button(&dialog, "saveButton")->click();
        auto *saved = qobject_cast<WatermarkProfile *>(dialog.selectedProfile());
        QCOMPARE(saved->textFont().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(saved->textFont().pointSize(), 20);
    }

    void aChosenPictureIsCopiedUnderAnUpperCaseUuidName()
    {
        const QString original = writePicture(QStringLiteral("photo.final.png"));
        QVERIFY(!original.isEmpty());
        WatermarkProfileDialog dialog;
        dialog.selectProfile(nullptr);
        // Switching to a picture with none set opens the file choice at once.
        ModalAnswer answer([&original](QWidget *modal) { chooseFile(modal, original); }, &dialog);
        child<QRadioButton>(&dialog, "watermarkTypeImageRadioButton")->click();
        QVERIFY(answer.answered());

        const QString stored = child<QLineEdit>(&dialog, "imageFileNameLineEdit")->text();
        QVERIFY2(QRegularExpression(QStringLiteral("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\.final\\.png$"))
                     .match(stored).hasMatch(),
                 qPrintable(stored));
        QCOMPARE(fileBytes(WatermarkProfile::watermarkFilePath(stored)), fileBytes(original));

        // The same file again makes a second copy.
        ModalAnswer again([&original](QWidget *modal) { chooseFile(modal, original); }, &dialog);
        button(&dialog, "imageBrowseButton")->click();
        QVERIFY(child<QLineEdit>(&dialog, "imageFileNameLineEdit")->text() != stored);
        QCOMPARE(watermarkFolderEntries().size(), 2);
    }

    void cancellingTheFileChoiceChangesNothing()
    {
        WatermarkProfileDialog dialog;
        dialog.selectProfile(nullptr);
        ModalAnswer cancel([](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); }, &dialog);
        child<QRadioButton>(&dialog, "watermarkTypeImageRadioButton")->click();
        QVERIFY(cancel.answered());
        QCOMPARE(child<QLineEdit>(&dialog, "imageFileNameLineEdit")->text(), QString());
    }

    void anUnreadablePictureIsRefused()
    {
        const QString broken = pictures.filePath(QStringLiteral("broken.png"));
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("this is not a picture");
        file.close();
        const int storedBefore = watermarkFolderEntries().size();

        WatermarkProfileDialog dialog;
        MessageSeen seen;
        std::unique_ptr<ModalAnswer> message;
        ModalAnswer answer([&](QWidget *modal) {
            message.reset(recordAndCloseMessage(seen, modal));
            chooseFile(modal, broken);
        }, &dialog);
        child<QRadioButton>(&dialog, "watermarkTypeImageRadioButton")->click();
        QVERIFY(answer.answered());

        QCOMPARE(seen.title, QStringLiteral("Invalid Image"));
        QCOMPARE(seen.text, QStringLiteral("Could not open image. Please try another."));
        QCOMPARE(child<QLineEdit>(&dialog, "imageFileNameLineEdit")->text(), QString());
        QCOMPARE(watermarkFolderEntries().size(), storedBefore);
    }

    void aPictureThatCannotBeCopiedIsRefused()
    {
        const QString original = writePicture(QStringLiteral("logo.png"));
        // A file where the watermark folder should be: no copy can land there.
        const QString folder = QFileInfo(WatermarkProfile::watermarkFilePath(QStringLiteral("x"))).absolutePath();
        const QString parked = folder + QStringLiteral(".parked");
        QVERIFY(QDir().rename(folder, parked));
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        WatermarkProfileDialog dialog;
        child<QLineEdit>(&dialog, "imageFileNameLineEdit")->setText(QStringLiteral("kept.png"));
        MessageSeen seen;
        std::unique_ptr<ModalAnswer> message;
        ModalAnswer answer([&](QWidget *modal) {
            message.reset(recordAndCloseMessage(seen, modal));
            chooseFile(modal, original);
        }, &dialog);
        child<QRadioButton>(&dialog, "watermarkTypeImageRadioButton")->click();
        button(&dialog, "imageBrowseButton")->click();
        QVERIFY(answer.answered());

        QFile::remove(folder);
        QVERIFY(QDir().rename(parked, folder));
        QCOMPARE(seen.title, QStringLiteral("Invalid Image"));
        QCOMPARE(seen.text, QStringLiteral("Could not copy the image into the watermark folder."));
        QCOMPARE(child<QLineEdit>(&dialog, "imageFileNameLineEdit")->text(), QStringLiteral("kept.png"));
    }

    void thePreviewShowsTheWatermarkAsTheImageProfileWouldSaveIt()
    {
        QImage snapshot(400, 200, QImage::Format_ARGB32);
        snapshot.fill(Qt::blue);
        ImageProfile profile;
        WatermarkProfileDialog dialog;
        dialog.selectProfile(nullptr);
        child<QTextEdit>(&dialog, "textTextEdit")->setPlainText(QStringLiteral("MARK"));
        auto *alignment = child<QComboBox>(&dialog, "alignmentComboBox");
        alignment->setCurrentIndex(alignment->findText(QStringLiteral("Top Left")));
        child<QTabWidget>(&dialog, "tabWidget")->setCurrentIndex(2);
        dialog.setImage(snapshot, &profile);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        auto *positioner = child<QWidget>(&dialog, "watermarkPositioner");
        const QSize drawn = snapshot.size().scaled(positioner->size(), Qt::KeepAspectRatio);
        const QRect picture(QPoint((positioner->width() - drawn.width()) / 2,
                                   (positioner->height() - drawn.height()) / 2), drawn);
        QTRY_VERIFY_WITH_TIMEOUT(isSnapshotBlue(positioner->grab().toImage().pixel(picture.center())), 2000);
        const QImage shown = positioner->grab().toImage();
        const QRect inside = picture.adjusted(1, 1, -1, -1);
        const QRect topLeft(inside.topLeft(), inside.size() / 2);
        const QRect bottomRight(inside.center(), inside.bottomRight());
        QVERIFY(textPixels(shown, topLeft) > 0);
        QCOMPARE(textPixels(shown, bottomRight), 0);
    }

    // Batch Mode opens the image dialog without a snapshot; the watermark
    // preview then shows the bundled background picture instead of nothing.
    void withoutASnapshotThePreviewShowsTheBackgroundPicture()
    {
        const QImage background(QStringLiteral(":/Images/watermarkBackground.jpg"));
        QVERIFY(!background.isNull());
        ImageProfileDialog imageDialog;
        QSize previewSize;
        ModalAnswer answer([&previewSize](QWidget *modal) {
            auto *dialog = qobject_cast<WatermarkProfileDialog *>(modal);
            QVERIFY(dialog);
            auto *view = child<ImageView>(dialog, "watermarkPositioner");
            // The preview refreshes after a short delay; the dialog closes either way.
            if (QTest::qWaitFor([view] { return !view->image().isNull(); }, 2000))
                previewSize = view->image().size();
            dialog->reject();
        }, &imageDialog);
        button(&imageDialog, "watermarkProfileEditButton")->click();

        QVERIFY(answer.answered());
        QCOMPARE(previewSize, background.size());
    }

    void editingFromTheImageDialogSelectsTheSavedWatermark()
    {
        ImageProfileDialog imageDialog;
        auto *watermarks = child<QComboBox>(&imageDialog, "watermarkProfileComboBox");
        QCOMPARE(watermarks->currentIndex(), 0);
        ModalAnswer answer([](QWidget *modal) {
            auto *dialog = qobject_cast<WatermarkProfileDialog *>(modal);
            QVERIFY(dialog);
            child<QTextEdit>(dialog, "textTextEdit")->setPlainText(QStringLiteral("Studio"));
            profileCombo(dialog)->setEditText(QStringLiteral("Studio Mark"));
            button(dialog, "saveButton")->click();
        }, &imageDialog);
        button(&imageDialog, "watermarkProfileEditButton")->click();

        QVERIFY(answer.answered());
        QCOMPARE(watermarks->currentText(), QStringLiteral("Studio Mark"));
        BaseProfile *saved = WatermarkProfile::manager()->profiles().last();
        QCOMPARE(watermarks->currentData().toString(), saved->id());
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestWatermarkProfileDialog)
#include "tst_watermarkprofiledialog.moc"
