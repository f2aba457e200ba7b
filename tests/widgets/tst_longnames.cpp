// Long paths and names on a real X server: the dialogs keep their size,
// shorten in the middle what does not fit and give the whole text in the
// tool tip.
#include "testmain.h"

#include "batchmodedialog.h"
#include "batchmodelistmodel.h"
#include "batchtestsupport.h"
#include "dialogtestutils.h"
#include "filenameprofiledialog.h"
#include "imageprofiledialog.h"
#include "paintcounter.h"
#include "watermarkprofiledialog.h"

#include "profiles/filenameprofile.h"
#include "profiles/imageprofile.h"
#include "profiles/profilemanager.h"
#include "profiles/watermarkprofile.h"

#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTableView>

#include <memory>

using namespace BatchTestSupport;
using namespace DialogTestUtils;

namespace {

const QChar ellipsis(0x2026);

// Shows the dialog and gives its width once it is on screen.
int showAndMeasure(QWidget *dialog)
{
    dialog->show();
    return QTest::qWaitForWindowExposed(dialog) ? dialog->width() : -1;
}

// Waits until the changes made so far are laid out and drawn.
void settle(QWidget *dialog)
{
    PaintCounter painted(dialog);
    QVERIFY(painted.waitForRepaint());
    // A window its layout makes larger takes the new size a moment later.
    QTRY_VERIFY(dialog->width() >= dialog->minimumSizeHint().width());
}

void verifyOnScreen(QWidget *dialog, const QList<const char *> &buttons)
{
    const QRect screen = dialog->screen()->availableGeometry();
    QVERIFY2(dialog->frameGeometry().width() <= screen.width(), qPrintable(QString::number(dialog->width())));
    for (const char *name : buttons) {
        QPushButton *shown = button(dialog, name);
        QVERIFY2(screen.contains(QRect(shown->mapToGlobal(QPoint(0, 0)), shown->size())), name);
    }
}

// The label shows its text within its width, or both ends of it, and all
// of it in the tool tip.
void verifyShown(const QLabel *label, const QString &full)
{
    const QString shown = label->text();
    QCOMPARE(label->toolTip(), full);
    QVERIFY2(shown == full || (shown.contains(ellipsis) && shown.endsWith(full.right(5))), qPrintable(shown));
    QVERIFY(label->fontMetrics().horizontalAdvance(shown) <= label->contentsRect().width());
}

QString nameOfLength(int length, const QString &extension)
{
    QString name;
    while (name.size() < length - extension.size())
        name += QStringLiteral("ALongEveningByTheLake");
    name.truncate(length - extension.size());
    return name + extension;
}

} // namespace

class TestLongNames : public QObject
{
    Q_OBJECT

    QString clip;

private slots:
    void initTestCase()
    {
        clip = video(QStringLiteral("harbour"), 4);
        QVERIFY(!clip.isEmpty());
    }

    void init() { QSettings().clear(); }

    void batchModeDialogKeepsItsWidth_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("longFileName");
        QTest::newRow("144 characters, file name") << 144 << true;
        QTest::newRow("257 characters, file name") << 257 << true;
        QTest::newRow("257 characters, folder") << 257 << false;
    }

    // The selected video's path neither widens the dialog nor keeps it wide.
    void batchModeDialogKeepsItsWidth()
    {
        QFETCH(int, length);
        QFETCH(bool, longFileName);
        const QString path = longFileName ? clipNamedToLength(clip, length) : clipAtPathOfLength(clip, length);
        QCOMPARE(path.size(), length);
        BatchModeDialog dialog;
        const int width = showAndMeasure(&dialog);
        dropFiles(&dialog, {path});
        settle(&dialog);
        QCOMPARE(dialog.width(), width);
        verifyOnScreen(&dialog, {"startButton", "cancelButton"});
        verifyShown(child<QLabel>(&dialog, "selectedVideoFileNameLabel"), path);
        verifyShown(child<QLabel>(&dialog, "filenameOutputExampleLabel"),
                    QFileInfo(path).completeBaseName() + QStringLiteral("-1.jpeg"));
    }

    void fileNameDialogKeepsItsWidth_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("196 characters") << 196;
        QTest::newRow("251 characters") << 251;
    }

    void fileNameDialogKeepsItsWidth()
    {
        QFETCH(int, length);
        const QString name = nameOfLength(length, QStringLiteral(".mp4"));
        const QString base = name.chopped(4);
        FileNameProfileDialog dialog;
        const int width = showAndMeasure(&dialog);
        dialog.setExampleVideoName(name);
        settle(&dialog);
        QCOMPARE(dialog.width(), width);
        verifyOnScreen(&dialog, {"saveButton", "cancelButton"});
        verifyShown(child<QLabel>(&dialog, "outputExampleVideoLabel"), name);
        verifyShown(child<QLabel>(&dialog, "outputExampleLabel"), base + QStringLiteral("-1.jpeg"));
        verifyShown(child<QLabel>(&dialog, "outputExampleWithoutCounterLabel"), base + QStringLiteral(".jpeg"));
        // The base name proposed as the placeholder shows both its ends too.
        QLineEdit *edit = child<QLineEdit>(&dialog, "formatBasenameLineEdit");
        const QString placeholder = edit->placeholderText();
        QVERIFY2(placeholder.contains(ellipsis) && placeholder.endsWith(base.right(5)), qPrintable(placeholder));
        QVERIFY(edit->fontMetrics().horizontalAdvance(placeholder) < edit->width());
    }

    // Widths kept from a widened dialog still fit a dialog of the usual size:
    // no scroll bar, and the last column keeps room for its title.
    void columnWidthsOfAWideDialogFitANormalOne()
    {
        {
            BatchModeDialog wide;
            wide.resize(1500, wide.height());
            showAndMeasure(&wide);
            dropFiles(&wide, {clip});
            settle(&wide);
            QHeaderView *header = child<QTableView>(&wide, "filesTableView")->horizontalHeader();
            header->resizeSection(BatchModeListModel::DestinationColumn,
                                  header->sectionSize(BatchModeListModel::DestinationColumn) + 100);
        }
        BatchModeDialog dialog;
        showAndMeasure(&dialog);
        dropFiles(&dialog, {clip});
        settle(&dialog);
        auto *table = child<QTableView>(&dialog, "filesTableView");
        QHeaderView *header = table->horizontalHeader();
        QVERIFY(!table->horizontalScrollBar()->isVisible());
        QVERIFY2(header->length() <= table->viewport()->width(),
                 qPrintable(QStringLiteral("%1 of %2").arg(header->length()).arg(table->viewport()->width())));
        const int last = BatchModeListModel::OutputExampleColumn;
        QVERIFY(header->sectionSize(last) >= header->sectionSizeHint(last));
    }

    void longProfileNamesKeepTheDialogsOnScreen_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("batch mode") << QStringLiteral("batch");
        QTest::newRow("image profile") << QStringLiteral("image");
        QTest::newRow("file-name profile") << QStringLiteral("fileName");
        QTest::newRow("watermark profile") << QStringLiteral("watermark");
    }

    // Profiles are named by the user, at any length. Last here: the
    // profiles it adds stay.
    void longProfileNamesKeepTheDialogsOnScreen()
    {
        QFETCH(QString, kind);
        static const bool added = [] {
            for (ProfileManager *manager :
                 {ImageProfile::manager(), FileNameProfile::manager(), WatermarkProfile::manager()}) {
                BaseProfile *profile = manager->createProfile();
                profile->setName(nameOfLength(300, QString()));
                manager->addProfile(profile);
            }
            return true;
        }();
        QVERIFY(added);
        std::unique_ptr<QDialog> dialog;
        if (kind == QLatin1String("batch"))
            dialog = std::make_unique<BatchModeDialog>();
        else if (kind == QLatin1String("image"))
            dialog = std::make_unique<ImageProfileDialog>();
        else if (kind == QLatin1String("fileName"))
            dialog = std::make_unique<FileNameProfileDialog>();
        else
            dialog = std::make_unique<WatermarkProfileDialog>();
        showAndMeasure(dialog.get());
        settle(dialog.get());
        verifyOnScreen(dialog.get(), {"cancelButton"});
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestLongNames)
#include "tst_longnames.moc"
