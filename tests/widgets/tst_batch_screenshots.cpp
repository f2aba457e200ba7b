// Pictures of the batch dialogs on a real X server, for a person to look at.
#include "testmain.h"

#include "batchmodedialog.h"
#include "batchmodelistmodel.h"
#include "batchprocessingdialog.h"
#include "batchtestsupport.h"
#include "dialogtestutils.h"
#include "filenameprofiledialog.h"
#include "imagefiltersdialog.h"
#include "imageprofiledialog.h"
#include "imageview.h"
#include "paintcounter.h"
#include "stepdriver.h"
#include "watermarkprofiledialog.h"

#include "profiles/batchworkerconfig.h"
#include "profiles/filenameprofile.h"
#include "profiles/watermarkprofile.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

using namespace BatchTestSupport;
using namespace DialogTestUtils;

namespace {

QString shotPath(const QString &name)
{
    QDir().mkpath(QStringLiteral(VISTALOOM_SCREENSHOT_DIR));
    return QStringLiteral(VISTALOOM_SCREENSHOT_DIR "/") + name + QStringLiteral(".png");
}

bool saveShot(QWidget *widget, const QString &name)
{
    const QImage shot = widget->grab().toImage();
    return !shot.isNull() && shot.save(shotPath(name));
}

// After the picture: Done asks to cancel the run, Yes cancels it, and Done
// closes the finished dialog.
void cancelAndCloseTheRun(StepDriver &driver)
{
    driver.then([](QWidget *modal) {
        return StepDriver::messageBox(modal, QStringLiteral("Cancel Batch Processing"));
    }, [](QWidget *modal) {
        StepDriver::press(modal, QMessageBox::Yes);
    }).then([](QWidget *modal) {
        auto *run = qobject_cast<BatchProcessingDialog *>(modal);
        return run && run->isBatchFinished();
    }, [](QWidget *modal) {
        button(modal, "doneButton")->click();
    });
}

} // namespace

class TestBatchScreenshots : public QObject
{
    Q_OBJECT

private slots:
    void batchDialogs()
    {
        QStringList clips;
        for (const char *name : {"harbour", "meadow", "station", "workshop"}) {
            clips << video(QString::fromLatin1(name), 30, QStringLiteral("640x360"));
            QVERIFY(!clips.last().isEmpty());
        }
        QTemporaryDir output;
        BatchModeDialog dialog;
        QVERIFY(showWithFiles(&dialog, clips));
        auto *table = child<QTableView>(&dialog, "filesTableView");
        for (BatchWorkerConfig *job : dialog.listModel()->configs())
            job->setFileOutputPath(output.path());
        table->clearSelection();
        table->selectionModel()->select(QItemSelection(table->model()->index(1, 0), table->model()->index(2, 3)),
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        // The table lays out its new rows late; once it has repainted they are in place.
        PaintCounter tablePainted(table->viewport());
        QVERIFY(tablePainted.waitForRepaint());
        QVERIFY(saveShot(&dialog, QStringLiteral("batch_mode_dialog")));

        bool shotTaken = false;
        StepDriver driver;
        driver.then([&](QWidget *modal) {
            return qobject_cast<BatchProcessingDialog *>(modal) && imagesIn(output.path()).size() >= 8;
        }, [&](QWidget *modal) {
            shotTaken = saveShot(modal, QStringLiteral("batch_processing_dialog"));
            button(modal, "doneButton")->click();
        });
        cancelAndCloseTheRun(driver);
        driver.start();
        button(&dialog, "startButton")->click();
        QVERIFY(driver.finished());
        QVERIFY(shotTaken);
    }

    void batchModeDialogWithSceneChanges()
    {
        const QString shots = FixtureVideos::fiveShots();
        QVERIFY(!shots.isEmpty());
        BatchModeDialog dialog;
        QVERIFY(showWithFiles(&dialog, {shots}));
        child<QRadioButton>(&dialog, "intervalSceneChangeRadioButton")->click();
        child<QLineEdit>(&dialog, "sceneThresholdTextEdit")->setText(QStringLiteral("20"));
        QCOMPARE(dialog.listModel()->configAt(0)->sceneThreshold(), 20);
        QCOMPARE(child<QLineEdit>(&dialog, "intervalImagesTextEdit")->placeholderText(), QStringLiteral("?"));
        auto *table = child<QTableView>(&dialog, "filesTableView");
        PaintCounter tablePainted(table->viewport());
        QVERIFY(tablePainted.waitForRepaint());
        QVERIFY(saveShot(&dialog, QStringLiteral("batch_mode_dialog_scenes")));
    }

    void batchModeDialogWithSmartPickAndContactSheet()
    {
        const QString shots = FixtureVideos::fiveShots();
        QVERIFY(!shots.isEmpty());
        BatchModeDialog dialog;
        QVERIFY(showWithFiles(&dialog, {shots}));
        child<QCheckBox>(&dialog, "smartPickCheckBox")->click();
        child<QCheckBox>(&dialog, "contactSheetCheckBox")->click();
        child<QLineEdit>(&dialog, "contactSheetColumnsTextEdit")->setText(QStringLiteral("5"));
        QVERIFY(dialog.listModel()->configAt(0)->smartPick());
        QVERIFY(dialog.listModel()->configAt(0)->contactSheet());
        QCOMPARE(dialog.listModel()->configAt(0)->contactSheetColumns(), 5);
        auto *table = child<QTableView>(&dialog, "filesTableView");
        PaintCounter tablePainted(table->viewport());
        QVERIFY(tablePainted.waitForRepaint());
        QVERIFY(saveShot(&dialog, QStringLiteral("batch_mode_dialog_smart_sheet")));
    }

    void batchProcessingDialogWithALongPath()
    {
        const QString clip = video(QStringLiteral("harbour"), 30, QStringLiteral("640x360"));
        const QString path = clipAtPathOfLength(clip, 140);
        QCOMPARE(path.size(), 140);
        QTemporaryDir output;
        BatchWorkerConfig job;
        job.setSource(path);
        job.setFileOutputPath(output.path());
        job.setIntervalMilliseconds(1000);
        job.loadVideoInfo();
        BatchProcessingDialog dialog;
        dialog.addJob(&job);

        bool shotTaken = false;
        StepDriver driver;
        driver.then([&](QWidget *modal) {
            return qobject_cast<BatchProcessingDialog *>(modal) && imagesIn(output.path()).size() >= 3
                && child<QLabel>(modal, "currentVideoLabel")->toolTip() == path;
        }, [&](QWidget *modal) {
            shotTaken = saveShot(modal, QStringLiteral("batch_processing_dialog_long_path"));
            button(modal, "doneButton")->click();
        });
        cancelAndCloseTheRun(driver);
        driver.start();
        dialog.exec();
        QVERIFY(driver.finished());
        QVERIFY(shotTaken);
    }

    // Batch Mode has no snapshot: the preview shows the selected job's
    // first frame instead of staying blank.
    void watermarkDialogFromBatchMode()
    {
        const QString clip = video(QStringLiteral("harbour"), 30, QStringLiteral("640x360"));
        QVERIFY(!clip.isEmpty());
        BatchModeDialog dialog;
        QVERIFY(showWithFiles(&dialog, {clip}));
        auto *table = child<QTableView>(&dialog, "filesTableView");
        table->selectRow(0);
        bool shotTaken = false;
        StepDriver driver(20000);
        driver.then([](QWidget *modal) { return qobject_cast<ImageProfileDialog *>(modal); },
                    [](QWidget *modal) { button(modal, "watermarkProfileEditButton")->click(); })
            .then([](QWidget *modal) {
                      auto *watermark = qobject_cast<WatermarkProfileDialog *>(modal);
                      return watermark && !child<ImageView>(watermark, "watermarkPositioner")->image().isNull();
                  },
                  [&shotTaken](QWidget *modal) {
                      // The preview is on the last page.
                      if (auto *pages = modal->findChild<QTabWidget *>())
                          pages->setCurrentIndex(pages->count() - 1);
                      PaintCounter painted(modal);
                      shotTaken = painted.waitForRepaint()
                          && saveShot(modal, QStringLiteral("watermark_dialog_from_batch_mode"));
                      qobject_cast<QDialog *>(modal)->reject();
                  })
            .then([](QWidget *modal) { return qobject_cast<ImageProfileDialog *>(modal); },
                  [](QWidget *modal) { button(modal, "cancelButton")->click(); });
        driver.start();
        QVERIFY(QMetaObject::invokeMethod(&dialog, "on_imageProfileEditButton_clicked"));
        QVERIFY(driver.finished());
        QVERIFY(shotTaken);
    }

    void imageFiltersDialog()
    {
        ImageFiltersDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        PaintCounter painted(&dialog);
        QVERIFY(painted.waitForRepaint());
        QVERIFY(saveShot(&dialog, QStringLiteral("image_filters_dialog")));
    }
    // Long names and widths kept from a wide dialog leave each at its size. Last: its profiles stay.
    void dialogsKeepTheirSize()
    {
        const QString clip = video(QStringLiteral("harbour"), 30, QStringLiteral("640x360"));
        BatchModeDialog wide;
        wide.resize(1500, wide.height());
        QVERIFY(showWithFiles(&wide, {clip}));
        for (ProfileManager *manager : {FileNameProfile::manager(), WatermarkProfile::manager()}) {
            manager->addProfile(manager->createProfile());
            manager->profiles().last()->setName(QString(300, QLatin1Char('x')));
        }
        const QString folder = FixtureVideos::folder() + QLatin1Char('/');
        const QString path = folder.leftJustified(253, QLatin1Char('x')) + QStringLiteral(".mp4");
        QVERIFY(QFile::copy(clip, path));
        BatchModeDialog batchMode;
        dropFiles(&batchMode, {path});
        FileNameProfileDialog fileName;
        fileName.setExampleVideoName(QString(246, QLatin1Char('x')) + QStringLiteral(".mp4"));
        ImageProfileDialog image;
        for (QDialog *dialog : QList<QDialog *>{&batchMode, &fileName, &image}) {
            const int width = dialog->width();
            QVERIFY(showWithFiles(dialog, {}));
            QCOMPARE(dialog->width(), width);
        }
        QHeaderView *header = child<QTableView>(&batchMode, "filesTableView")->horizontalHeader();
        QVERIFY(header->length() <= header->width());
        QCOMPARE(child<QLabel>(&batchMode, "selectedVideoFileNameLabel")->toolTip(), path);
        QVERIFY(child<QLineEdit>(&fileName, "formatBasenameLineEdit")->placeholderText().contains(QChar(0x2026)));
        QVERIFY(saveShot(&batchMode, QStringLiteral("batch_mode_dialog_long_path")));
        QVERIFY(saveShot(&fileName, QStringLiteral("filename_profile_dialog_long_name")));
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestBatchScreenshots)
#include "tst_batch_screenshots.moc"
