#include "testmain.h"

#include "batchmodedialog.h"
#include "batchmodelistmodel.h"
#include "batchprocessingdialog.h"
#include "batchtestsupport.h"
#include "dialogtestutils.h"
#include "stepdriver.h"

#include "imageprofiledialog.h"
#include "imageview.h"
#include "watermarkprofiledialog.h"

#include "batch/batchworker.h"
#include "media/backgroundvideoreader.h"
#include "profiles/batchworkerconfig.h"
#include "profiles/imageprofile.h"
#include "profiles/profilemanager.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextEdit>

using namespace BatchTestSupport;
using namespace DialogTestUtils;

namespace {

const QString multiple = QStringLiteral("[Multiple]");

QLineEdit *edit(QWidget *dialog, const char *name)
{
    return child<QLineEdit>(dialog, name);
}

QTableView *table(QWidget *dialog)
{
    return child<QTableView>(dialog, "filesTableView");
}

QList<int> selectedRows(QWidget *dialog)
{
    QList<int> rows;
    for (const QModelIndex &index : table(dialog)->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void selectOnly(QWidget *dialog, QList<int> rows)
{
    QTableView *view = table(dialog);
    view->clearSelection();
    for (int row : rows)
        view->selectionModel()->select(view->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// Replaces the field's text as a user would: select all, type, press Return.
void retype(QLineEdit *field, const QString &text)
{
    field->setFocus();
    field->selectAll();
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    else
        QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

void showActive(QWidget *dialog)
{
    dialog->show();
    QApplication::setActiveWindow(dialog);
    QVERIFY(QTest::qWaitForWindowActive(dialog));
}

} // namespace

class TestBatchModeDialog : public QObject
{
    Q_OBJECT

    QString clipA, clipB, clipC, clipOther;

private slots:
    void initTestCase()
    {
        clipA = video(QStringLiteral("alpha"), 8);
        clipB = video(QStringLiteral("bravo"), 8);
        clipC = video(QStringLiteral("charlie"), 12);
        QVERIFY(!clipA.isEmpty() && !clipB.isEmpty() && !clipC.isEmpty());
        // A clip in another folder, so that destinations differ.
        QDir(FixtureVideos::folder()).mkpath(QStringLiteral("elsewhere"));
        clipOther = FixtureVideos::folder() + QStringLiteral("/elsewhere/delta.mp4");
        QVERIFY(QFile::copy(clipA, clipOther));
    }

    void init()
    {
        QSettings().remove(QStringLiteral("rememberedFileOutputDir"));
        QSettings().remove(QStringLiteral("batchModeDialog_tableHeader"));
        QFile::remove(ProfileManager::settingsFilePath(BatchWorkerConfig::defaultsFileName()));
    }

    void droppedFilesAreSelectedAndShowTheirCommonValues()
    {
        BatchModeDialog dialog;
        dropFiles(&dialog, {clipC});
        dropFiles(&dialog, {clipA, clipB, clipOther});

        BatchModeListModel *model = dialog.listModel();
        QCOMPARE(model->rowCount(), 4);
        QCOMPARE(selectedRows(&dialog), (QList<int>{1, 2, 3}));
        QCOMPARE(model->data(model->index(1, 0)).toString(), QStringLiteral("alpha"));
        QCOMPARE(model->data(model->index(3, 1)).toString(),
                 QDir::toNativeSeparators(QFileInfo(clipOther).absolutePath()));
        QCOMPARE(model->data(model->index(2, 2)).toString(), QStringLiteral("Every 5000ms"));
        QCOMPARE(model->data(model->index(2, 3)).toString(), QStringLiteral("bravo-1.jpeg"));
        QCOMPARE(model->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Output Example"));

        // Different sources and folders, common interval and profiles.
        QCOMPARE(child<QLabel>(&dialog, "selectedVideoFileNameLabel")->text(), multiple);
        QLineEdit *folder = edit(&dialog, "fileOutputFolderTextEdit");
        QCOMPARE(folder->text(), QString());
        QCOMPARE(folder->placeholderText(), multiple);
        QCOMPARE(edit(&dialog, "intervalMillisecondsTextEdit")->text(), QStringLiteral("5000"));
        QCOMPARE(edit(&dialog, "intervalImagesTextEdit")->text(), QString());
        QCOMPARE(edit(&dialog, "skipFrontTextEdit")->text(), QStringLiteral("2000"));
        QVERIFY(child<QRadioButton>(&dialog, "intervalMillisecondsRadioButton")->isChecked());
        auto *imageProfiles = child<QComboBox>(&dialog, "imageProfileComboBox");
        QVERIFY(imageProfiles->currentIndex() > 0);
        QCOMPARE(imageProfiles->itemText(0), QStringLiteral("-"));
        QCOMPARE(child<QLabel>(&dialog, "filenameOutputExampleLabel")->text(), multiple);

        // Two from the same folder share it.
        selectOnly(&dialog, {1, 2});
        QCOMPARE(folder->text(), QDir::toNativeSeparators(QFileInfo(clipA).absolutePath()));
        QCOMPARE(folder->placeholderText(), QString());
    }

    void differingIntervalsShowTheMarkerAndAnEditReachesEverySelectedJob()
    {
        BatchModeDialog dialog;
        showActive(&dialog);
        dropFiles(&dialog, {clipA, clipB, clipC});
        QList<BatchWorkerConfig *> jobs = dialog.listModel()->configs();
        QLineEdit *ms = edit(&dialog, "intervalMillisecondsTextEdit");

        selectOnly(&dialog, {0});
        retype(ms, QStringLiteral("3000"));
        QCOMPARE(jobs[0]->intervalMilliseconds(), 3000);
        QCOMPARE(jobs[1]->intervalMilliseconds(), 5000);

        selectOnly(&dialog, {0, 1});
        QCOMPARE(ms->text(), QString());
        QCOMPARE(ms->placeholderText(), multiple);

        retype(ms, QStringLiteral("7000"));
        QCOMPARE(jobs[0]->intervalMilliseconds(), 7000);
        QCOMPARE(jobs[1]->intervalMilliseconds(), 7000);
        QCOMPARE(jobs[2]->intervalMilliseconds(), 5000);
        QCOMPARE(dialog.listModel()->data(dialog.listModel()->index(1, 2)).toString(), QStringLiteral("Every 7000ms"));

        // A combo box edit goes the same way.
        auto *shot = child<QComboBox>(&dialog, "intervalSingleShotComboBox");
        child<QRadioButton>(&dialog, "intervalSingleShotRadioButton")->click();
        shot->setCurrentIndex(shot->findText(QStringLiteral("back")));
        for (int i : {0, 1}) {
            QCOMPARE(jobs[i]->intervalType(), int(BatchWorkerConfig::SingleShot));
            QCOMPARE(jobs[i]->intervalSingleShot(), int(BatchWorkerConfig::Back));
        }
        QCOMPARE(jobs[2]->intervalType(), int(BatchWorkerConfig::EveryMilliseconds));

        // Mixed rules: no radio button is checked, the interval fields are empty.
        selectOnly(&dialog, {0, 1, 2});
        for (const char *name : {"intervalMillisecondsRadioButton", "intervalImagesRadioButton",
                                 "intervalSingleShotRadioButton"})
            QVERIFY(!child<QRadioButton>(&dialog, name)->isChecked());
        QCOMPARE(ms->placeholderText(), multiple);
    }

    // The fast check box: half checked over jobs that differ, and after a
    // click one plain value for all of them, two states again.
    void theFastCheckBoxReachesTheSelectedJobs()
    {
        BatchModeDialog dialog;
        showActive(&dialog);
        dropFiles(&dialog, {clipA, clipB});
        QList<BatchWorkerConfig *> jobs = dialog.listModel()->configs();
        auto *fast = child<QCheckBox>(&dialog, "fastSeekCheckBox");
        QCOMPARE(fast->text(), QStringLiteral("Fast: nearest key frame"));

        selectOnly(&dialog, {0});
        QVERIFY(!fast->isChecked());
        fast->click();
        QVERIFY(jobs[0]->fastSeek());
        QVERIFY(!jobs[1]->fastSeek());

        selectOnly(&dialog, {0, 1});
        QCOMPARE(fast->checkState(), Qt::PartiallyChecked);
        fast->click();
        QVERIFY(jobs[0]->fastSeek() && jobs[1]->fastSeek());
        fast->click();
        QCOMPARE(fast->checkState(), Qt::Unchecked);
        QVERIFY(!jobs[0]->fastSeek() && !jobs[1]->fastSeek());

        // One job again: a click checks it, never half.
        selectOnly(&dialog, {1});
        fast->click();
        QCOMPARE(fast->checkState(), Qt::Checked);
        QVERIFY(jobs[1]->fastSeek());
        QVERIFY(!jobs[0]->fastSeek());
    }

    // The smart pick and contact sheet fields follow the same rules: a
    // marker over jobs that differ, and a change reaches every selected job
    // and no other.
    void theSmartAndSheetFieldsReachTheSelectedJobs()
    {
        BatchModeDialog dialog;
        showActive(&dialog);
        dropFiles(&dialog, {clipA, clipB});
        QList<BatchWorkerConfig *> jobs = dialog.listModel()->configs();
        auto *smart = child<QCheckBox>(&dialog, "smartPickCheckBox");
        auto *sheet = child<QCheckBox>(&dialog, "contactSheetCheckBox");
        QLineEdit *columns = edit(&dialog, "contactSheetColumnsTextEdit");
        QLineEdit *rows = edit(&dialog, "contactSheetRowsTextEdit");
        QCOMPARE(smart->text(), QStringLiteral("Avoid black and blurred frames"));

        selectOnly(&dialog, {0});
        QCOMPARE(columns->text(), QStringLiteral("4"));
        QCOMPARE(rows->text(), QStringLiteral("3"));
        smart->click();
        sheet->click();
        retype(columns, QStringLiteral("6"));
        QVERIFY(jobs[0]->smartPick() && jobs[0]->contactSheet());
        QCOMPARE(jobs[0]->contactSheetColumns(), 6);
        QVERIFY(!jobs[1]->smartPick() && !jobs[1]->contactSheet());
        QCOMPARE(jobs[1]->contactSheetColumns(), 4);

        selectOnly(&dialog, {0, 1});
        QCOMPARE(smart->checkState(), Qt::PartiallyChecked);
        QCOMPARE(sheet->checkState(), Qt::PartiallyChecked);
        QCOMPARE(columns->text(), QString());
        QCOMPARE(columns->placeholderText(), multiple);
        QCOMPARE(rows->text(), QStringLiteral("3"));
        smart->click();
        QVERIFY(jobs[0]->smartPick() && jobs[1]->smartPick());
        // 35 rows are held at 20, in every selected job.
        rows->setFocus();
        rows->end(false);
        QTest::keyClicks(rows, QStringLiteral("5"));
        QCOMPARE(jobs[0]->contactSheetRows(), BatchWorkerConfig::MaxContactSheetCells);
        QCOMPARE(jobs[1]->contactSheetRows(), BatchWorkerConfig::MaxContactSheetCells);
        retype(rows, QStringLiteral("2"));
        QCOMPARE(jobs[0]->contactSheetRows(), 2);
        QCOMPARE(jobs[1]->contactSheetRows(), 2);
        // The columns were not touched: each job keeps its own.
        QCOMPARE(jobs[0]->contactSheetColumns(), 6);
        QCOMPARE(jobs[1]->contactSheetColumns(), 4);
    }

    void typingIntoARuleFieldSelectsItAndTheOtherShowsTheEstimate()
    {
        BatchModeDialog dialog;
        showActive(&dialog);
        dropFiles(&dialog, {clipC});
        BatchWorkerConfig *job = dialog.listModel()->configAt(0);
        QLineEdit *ms = edit(&dialog, "intervalMillisecondsTextEdit");
        QLineEdit *images = edit(&dialog, "intervalImagesTextEdit");
        // 12 s less 2 s at each end: 8000 ms; every 5000 ms makes 2 images.
        QTRY_COMPARE(images->placeholderText(), QStringLiteral("2"));

        images->setFocus();
        QTest::keyClicks(images, QStringLiteral("4"));
        QCOMPARE(job->intervalType(), int(BatchWorkerConfig::ImageCount));
        QCOMPARE(job->intervalImages(), 4);
        QVERIFY(child<QRadioButton>(&dialog, "intervalImagesRadioButton")->isChecked());
        QCOMPARE(images->text(), QStringLiteral("4"));
        QCOMPARE(ms->text(), QString());
        QCOMPARE(ms->placeholderText(), QStringLiteral("2000"));
        QCOMPARE(dialog.listModel()->data(dialog.listModel()->index(0, 2)).toString(), QStringLiteral("4 images"));
    }

    // The scene fields follow the rules of the other interval fields, and
    // the job they make runs like any other scene job.
    void sceneChangesFromTheDialog()
    {
        const QString shots = FixtureVideos::fiveShots();
        QVERIFY(!shots.isEmpty());
        BatchModeDialog dialog;
        showActive(&dialog);
        dropFiles(&dialog, {shots, clipA});
        QList<BatchWorkerConfig *> jobs = dialog.listModel()->configs();
        QLineEdit *threshold = edit(&dialog, "sceneThresholdTextEdit");
        QLineEdit *gap = edit(&dialog, "sceneMinGapTextEdit");
        auto *sceneRadio = child<QRadioButton>(&dialog, "intervalSceneChangeRadioButton");
        QCOMPARE(sceneRadio->text(), QStringLiteral("Scene changes"));

        selectOnly(&dialog, {0});
        QCOMPARE(threshold->text(), QString());
        threshold->setFocus();
        QTest::keyClicks(threshold, QStringLiteral("20"));
        QCOMPARE(jobs[0]->intervalType(), int(BatchWorkerConfig::SceneChange));
        QCOMPARE(jobs[0]->sceneThreshold(), 20);
        QVERIFY(sceneRadio->isChecked());
        QCOMPARE(edit(&dialog, "intervalImagesTextEdit")->placeholderText(), QStringLiteral("?"));
        QCOMPARE(dialog.listModel()->data(dialog.listModel()->index(0, 2)).toString(), QStringLiteral("Scene changes"));
        QCOMPARE(gap->text(), QStringLiteral("1000"));
        retype(threshold, QStringLiteral("150"));
        QCOMPARE(threshold->text(), QStringLiteral("20"));
        QCOMPARE(jobs[0]->sceneThreshold(), 20);
        QCOMPARE(jobs[1]->intervalType(), int(BatchWorkerConfig::EveryMilliseconds));

        // A job of another rule shows no scene values: the two differ.
        selectOnly(&dialog, {0, 1});
        QCOMPARE(threshold->text(), QString());
        QCOMPARE(threshold->placeholderText(), multiple);
        QVERIFY(!sceneRadio->isChecked());
        retype(gap, QStringLiteral("2500"));
        for (BatchWorkerConfig *job : jobs) {
            QCOMPARE(job->intervalType(), int(BatchWorkerConfig::SceneChange));
            QCOMPARE(job->sceneMinGapMilliseconds(), 2500);
        }
        QCOMPARE(jobs[1]->sceneThreshold(), BatchWorkerConfig::DefaultSceneThreshold);

        selectOnly(&dialog, {0});
        retype(threshold, QStringLiteral("12"));
        retype(edit(&dialog, "skipFrontTextEdit"), QStringLiteral("0"));
        retype(edit(&dialog, "skipBackTextEdit"), QStringLiteral("0"));
        QTemporaryDir output;
        jobs[0]->setFileOutputPath(output.path());
        BatchWorker worker;
        worker.setConfig(jobs[0]);
        QVector<int> taken;
        connect(&worker, &BatchWorker::imageReady,
                [&](BatchWorker *, QImage &image) { taken << FixtureVideos::shotOfImage(image); });
        worker.run();
        QCOMPARE(taken, (QVector<int>{0, 2, 4}));
        QCOMPARE(imagesIn(output.path()).size(), 3);
    }

    // The list field follows the other rules' fields; text that is no list
    // of times is marked and stops Start with a message.
    void atTimesFromTheDialog()
    {
        BatchModeDialog dialog;
        showActive(&dialog);
        dropFiles(&dialog, {clipA, clipB});
        const QList<BatchWorkerConfig *> jobs = dialog.listModel()->configs();
        QLineEdit *times = edit(&dialog, "intervalAtTimesLineEdit");
        auto *radio = child<QRadioButton>(&dialog, "intervalAtTimesRadioButton");
        QCOMPARE(radio->text(), QStringLiteral("At times"));
        QCOMPARE(times->placeholderText(), QStringLiteral("1:23.456, 95, f2000"));

        selectOnly(&dialog, {0});
        times->setFocus();
        QTest::keyClicks(times, QStringLiteral("1.5, f3"));
        QVERIFY(radio->isChecked());
        QCOMPARE(jobs[0]->intervalType(), int(BatchWorkerConfig::AtTimes));
        QCOMPARE(jobs[0]->atTimes(), QStringLiteral("1.5, f3"));
        QCOMPARE(edit(&dialog, "intervalImagesTextEdit")->placeholderText(), QStringLiteral("2"));
        QCOMPARE(dialog.listModel()->data(dialog.listModel()->index(0, 2)).toString(), QStringLiteral("At 1.5, f3"));

        selectOnly(&dialog, {0, 1});
        QCOMPARE(times->text(), QString());
        QCOMPARE(times->placeholderText(), multiple);
        retype(times, QStringLiteral("2, 1:x"));
        for (BatchWorkerConfig *job : jobs)
            QCOMPARE(job->atTimes(), QStringLiteral("2, 1:x"));
        QCOMPARE(jobs[1]->intervalType(), int(BatchWorkerConfig::AtTimes));
        QCOMPARE(times->palette().color(QPalette::Text), QColor(Qt::red));

        QString message;
        StepDriver driver(10000);
        driver.then([](QWidget *modal) { return StepDriver::messageBox(modal, QStringLiteral("Vistaloom")); },
                    [&](QWidget *modal) {
                        message = qobject_cast<QMessageBox *>(modal)->text();
                        StepDriver::press(modal, QMessageBox::Ok);
                    });
        driver.start();
        button(&dialog, "startButton")->click();
        QTRY_VERIFY(driver.finished());
        QCOMPARE(message, QStringLiteral("The times of %1 cannot be used.\n\nInvalid time \"1:x\": use seconds (83.456), "
                                         "mm:ss.mmm, hh:mm:ss.mmm or a frame number after f (f2000)")
                              .arg(QFileInfo(clipA).fileName()));
        QCOMPARE(selectedRows(&dialog), (QList<int>{0}));
    }

    void nonPositiveNumbersAreRepaired_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<bool>("differing");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("type");

        QTest::newRow("zero milliseconds undone")
            << QByteArray("intervalMillisecondsTextEdit") << false << "0" << "5000" << QByteArray("intervalMilliseconds") << 5000 << 0;
        QTest::newRow("negative milliseconds undone")
            << QByteArray("intervalMillisecondsTextEdit") << false << "-20" << "5000" << QByteArray("intervalMilliseconds") << 5000 << 0;
        QTest::newRow("cleared milliseconds undone")
            << QByteArray("intervalMillisecondsTextEdit") << false << "" << "5000" << QByteArray("intervalMilliseconds") << 5000 << 0;
        QTest::newRow("zero over multiple becomes 100")
            << QByteArray("intervalMillisecondsTextEdit") << true << "0" << "100" << QByteArray("intervalMilliseconds") << 100 << 0;
        QTest::newRow("zero images becomes 10")
            << QByteArray("intervalImagesTextEdit") << false << "0" << "10" << QByteArray("intervalImages") << 10 << 1;
        QTest::newRow("letters as images become 10")
            << QByteArray("intervalImagesTextEdit") << false << "x" << "10" << QByteArray("intervalImages") << 10 << 1;
        QTest::newRow("negative skip undone")
            << QByteArray("skipFrontTextEdit") << false << "-5" << "2000" << QByteArray("skipFront") << 2000 << 0;
        QTest::newRow("zero skip kept")
            << QByteArray("skipBackTextEdit") << false << "0" << "0" << QByteArray("skipBack") << 0 << 0;
    }

    void nonPositiveNumbersAreRepaired()
    {
        QFETCH(QByteArray, field);
        QFETCH(bool, differing);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QByteArray, property);
        QFETCH(int, stored);
        QFETCH(int, type);

        BatchModeDialog dialog;
        showActive(&dialog);
        dropFiles(&dialog, {clipA, clipB});
        const QList<BatchWorkerConfig *> jobs = dialog.listModel()->configs();
        if (differing) {
            jobs[0]->setIntervalMilliseconds(1234);
            selectOnly(&dialog, {});
            selectOnly(&dialog, {0, 1});
        }
        QLineEdit *target = edit(&dialog, field.constData());
        retype(target, typed);

        QCOMPARE(target->text(), shown);
        for (BatchWorkerConfig *job : jobs) {
            QCOMPARE(job->property(property.constData()).toInt(), stored);
            QCOMPARE(job->intervalType(), type);
        }
    }

    void passingThroughAnEmptyFieldChangesNothing()
    {
        BatchModeDialog dialog;
        showActive(&dialog);
        dropFiles(&dialog, {clipA, clipB});
        const QList<BatchWorkerConfig *> jobs = dialog.listModel()->configs();
        jobs[0]->setIntervalMilliseconds(1234);
        selectOnly(&dialog, {});
        selectOnly(&dialog, {0, 1});

        // The milliseconds field shows "[Multiple]", the images field belongs
        // to a rule not in use; leaving either must not rewrite the jobs.
        for (const char *name : {"intervalMillisecondsTextEdit", "intervalImagesTextEdit"}) {
            QLineEdit *field = edit(&dialog, name);
            field->setFocus();
            QTest::keyClick(field, Qt::Key_Return);
            QCOMPARE(field->text(), QString());
        }
        QCOMPARE(jobs[0]->intervalMilliseconds(), 1234);
        QCOMPARE(jobs[1]->intervalMilliseconds(), 5000);
        QCOMPARE(jobs[0]->intervalType(), int(BatchWorkerConfig::EveryMilliseconds));
    }

    void profileChoicesReachTheSelectedJobs()
    {
        ProfileManager *manager = ImageProfile::manager();
        BaseProfile *sharp = manager->addProfile(manager->createProfile());
        sharp->setName(QStringLiteral("Sharp"));

        BatchModeDialog dialog;
        showActive(&dialog);
        dropFiles(&dialog, {clipA, clipB, clipC});
        const QList<BatchWorkerConfig *> jobs = dialog.listModel()->configs();
        BaseProfile *standard = jobs[2]->imageProfile();
        QVERIFY(standard != sharp);

        selectOnly(&dialog, {0, 1});
        auto *combo = child<QComboBox>(&dialog, "imageProfileComboBox");
        combo->setCurrentIndex(combo->findText(QStringLiteral("Sharp")));
        QCOMPARE(jobs[0]->imageProfile(), sharp);
        QCOMPARE(jobs[1]->imageProfile(), sharp);
        QCOMPARE(jobs[2]->imageProfile(), standard);
        QCOMPARE(manager->lastUsedProfile(), sharp);

        // Different profiles show the marker; Edit cancelled without a
        // common profile leaves each job with its own.
        selectOnly(&dialog, {1, 2});
        QCOMPARE(combo->currentIndex(), 0);
        QCOMPARE(combo->itemText(0), multiple);
        bool edited = false;
        StepDriver driver(20000);
        driver.then([](QWidget *modal) { return qobject_cast<ImageProfileDialog *>(modal); },
                    [&](QWidget *modal) {
                        edited = true;
                        button(modal, "cancelButton")->click();
                    });
        driver.start();
        QVERIFY(QMetaObject::invokeMethod(&dialog, "on_imageProfileEditButton_clicked"));
        QVERIFY(edited);
        QCOMPARE(jobs[1]->imageProfile(), sharp);
        QCOMPARE(jobs[2]->imageProfile(), standard);
        QCOMPARE(combo->itemText(0), multiple);
    }

    // Batch Mode has no snapshot: the watermark preview shows the first
    // frame of the selected job's video instead.
    void theWatermarkPreviewShowsTheSelectedJobsFirstFrame()
    {
        BatchModeDialog dialog;
        showActive(&dialog);
        dropFiles(&dialog, {clipA});
        selectOnly(&dialog, {0});
        QSize previewSize;
        StepDriver driver(20000);
        driver.then([](QWidget *modal) { return qobject_cast<ImageProfileDialog *>(modal); },
                    [](QWidget *modal) { button(modal, "watermarkProfileEditButton")->click(); })
            .then([](QWidget *modal) {
                      auto *watermark = qobject_cast<WatermarkProfileDialog *>(modal);
                      return watermark && !child<ImageView>(watermark, "watermarkPositioner")->image().isNull();
                  },
                  [&previewSize](QWidget *modal) {
                      previewSize = child<ImageView>(modal, "watermarkPositioner")->image().size();
                      qobject_cast<QDialog *>(modal)->reject();
                  })
            .then([](QWidget *modal) { return qobject_cast<ImageProfileDialog *>(modal); },
                  [](QWidget *modal) { button(modal, "cancelButton")->click(); });
        driver.start();
        QVERIFY(QMetaObject::invokeMethod(&dialog, "on_imageProfileEditButton_clicked"));
        // The default image profile keeps the frame's size.
        QCOMPARE(previewSize, QSize(160, 120));
    }

    void withoutSelectionTheSettingsAreDisabledAndWithoutRowsStartIs()
    {
        BatchModeDialog dialog;
        QVERIFY(!button(&dialog, "startButton")->isEnabled());
        dropFiles(&dialog, {clipA, clipB});
        QVERIFY(button(&dialog, "startButton")->isEnabled());

        table(&dialog)->clearSelection();
        QCOMPARE(child<QLabel>(&dialog, "selectedVideoFileNameLabel")->text(), QStringLiteral("[No Video Selected]"));
        for (const char *group : {"selectedVideoGroupBox", "imageProfileGroupBox", "intervalGroupBox",
                                  "skipGroupBox", "fileOutputGroupBox"})
            QVERIFY2(!child<QGroupBox>(&dialog, group)->isEnabled(), group);
        QVERIFY(!button(&dialog, "removeVideoButton")->isEnabled());
        QCOMPARE(edit(&dialog, "intervalMillisecondsTextEdit")->text(), QString());
        QCOMPARE(child<QComboBox>(&dialog, "imageProfileComboBox")->currentIndex(), 0);
        QVERIFY(button(&dialog, "startButton")->isEnabled());

        button(&dialog, "selectAllVideoButton")->click();
        QCOMPARE(selectedRows(&dialog), (QList<int>{0, 1}));
        QVERIFY(child<QGroupBox>(&dialog, "intervalGroupBox")->isEnabled());
        button(&dialog, "removeVideoButton")->click();
        QCOMPARE(dialog.listModel()->rowCount(), 0);
        QVERIFY(!button(&dialog, "startButton")->isEnabled());
        QVERIFY(!child<QGroupBox>(&dialog, "intervalGroupBox")->isEnabled());
    }

    // The destination gets a fair part of the table at any dialog width, and
    // widths set by hand come back in the next dialog.
    void tableColumns_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("default width") << 0;
        QTest::newRow("wide") << 1100;
    }

    void tableColumns()
    {
        QFETCH(int, width);
        {
            BatchModeDialog dialog;
            if (width > 0)
                dialog.resize(width, dialog.height());
            showActive(&dialog);
            dropFiles(&dialog, {clipA, clipOther});
            QHeaderView *header = table(&dialog)->horizontalHeader();
            const int viewport = table(&dialog)->viewport()->width();
            QTRY_VERIFY2(header->sectionSize(BatchModeListModel::DestinationColumn) >= viewport / 4,
                         qPrintable(QStringLiteral("%1 of %2")
                                        .arg(header->sectionSize(BatchModeListModel::DestinationColumn))
                                        .arg(viewport)));
            QVERIFY(header->sectionSize(BatchModeListModel::DestinationColumn)
                    >= header->sectionSize(BatchModeListModel::OutputExampleColumn) / 2);

            header->resizeSection(BatchModeListModel::FileNameColumn, 123);
            header->resizeSection(BatchModeListModel::DestinationColumn, 234);
            header->resizeSection(BatchModeListModel::IntervalColumn, 77);
        }
        BatchModeDialog again;
        showActive(&again);
        QHeaderView *header = table(&again)->horizontalHeader();
        QCOMPARE(header->sectionSize(BatchModeListModel::FileNameColumn), 123);
        QCOMPARE(header->sectionSize(BatchModeListModel::DestinationColumn), 234);
        QCOMPARE(header->sectionSize(BatchModeListModel::IntervalColumn), 77);
    }

    // Adding returns before any video is read: the rows are there at once
    // and the estimates come with each length, also where it must be found
    // from the last timestamp. A job removed while it loads is gone without
    // harm.
    void addedFilesFillInTheirRowsLater_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("length stated") << QStringLiteral("mp4");
        QTest::newRow("length from the timestamps") << QStringLiteral("ts");
    }

    void addedFilesFillInTheirRowsLater()
    {
        QFETCH(QString, suffix);
        // 56 s between the skips: every 5000 ms gives 12 images.
        const QString minute = FixtureVideos::indexedVideo(160, 120, 1, 60, suffix);
        QVERIFY(!minute.isEmpty());
        BatchModeDialog dialog;
        int delivered = 0;
        connect(dialog.findChild<BackgroundVideoReader *>(), &BackgroundVideoReader::infoLoaded, &dialog,
                [&delivered] { ++delivered; });
        dropFiles(&dialog, {minute, clipA, minute});
        BatchModeListModel *model = dialog.listModel();
        QCOMPARE(model->rowCount(), 3);
        selectOnly(&dialog, {0});
        button(&dialog, "removeVideoButton")->click();
        selectOnly(&dialog, {1});
        QLineEdit *images = edit(&dialog, "intervalImagesTextEdit");
        QCOMPARE(images->placeholderText(), QString());
        QTRY_COMPARE(delivered, 3);
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(images->placeholderText(), QStringLiteral("12"));
    }

    void removingRowsKeepsTheOthers()
    {
        BatchModeDialog dialog;
        dropFiles(&dialog, {clipA, clipB, clipC});
        selectOnly(&dialog, {0, 2});
        button(&dialog, "removeVideoButton")->click();
        QCOMPARE(dialog.listModel()->rowCount(), 1);
        QCOMPARE(dialog.listModel()->configAt(0)->sourceBaseName(), QStringLiteral("bravo"));
    }

    void rememberingAnEmptyFolderIsRefused()
    {
        BatchModeDialog dialog;
        showActive(&dialog);
        dropFiles(&dialog, {clipA, clipOther});
        QLineEdit *folder = edit(&dialog, "fileOutputFolderTextEdit");
        QCOMPARE(folder->text(), QString());
        auto *remember = child<QCheckBox>(&dialog, "fileOutputFolderRememberCheckbox");
        remember->click();
        QVERIFY(!remember->isChecked());
        QVERIFY(folder->hasFocus());
        QVERIFY(!QSettings().contains(QStringLiteral("rememberedFileOutputDir")));
    }

    void aRememberedFolderGoesToEveryJobAndToLaterDialogs()
    {
        QTemporaryDir output;
        const QString outputPath = QDir::toNativeSeparators(output.path());
        {
            BatchModeDialog dialog;
            showActive(&dialog);
            dropFiles(&dialog, {clipA, clipB, clipOther});
            selectOnly(&dialog, {2});
            edit(&dialog, "fileOutputFolderTextEdit")->setText(outputPath);
            child<QCheckBox>(&dialog, "fileOutputFolderRememberCheckbox")->click();
            for (BatchWorkerConfig *job : dialog.listModel()->configs())
                QCOMPARE(job->fileOutputPath(), outputPath);
            QCOMPARE(QSettings().value(QStringLiteral("rememberedFileOutputDir")).toString(), output.path());
        }
        BatchModeDialog later;
        dropFiles(&later, {clipC});
        QCOMPARE(later.listModel()->configAt(0)->fileOutputPath(), outputPath);
        QVERIFY(child<QCheckBox>(&later, "fileOutputFolderRememberCheckbox")->isChecked());

        // Unchecking forgets it.
        child<QCheckBox>(&later, "fileOutputFolderRememberCheckbox")->click();
        QVERIFY(!QSettings().contains(QStringLiteral("rememberedFileOutputDir")));
    }

    void loadingStartsFromTheSavedDefaults()
    {
        {
            BatchModeDialog dialog;
            showActive(&dialog);
            dropFiles(&dialog, {clipA});
            retype(edit(&dialog, "intervalMillisecondsTextEdit"), QStringLiteral("2500"));
            retype(edit(&dialog, "skipBackTextEdit"), QStringLiteral("100"));
            QVERIFY(QMetaObject::invokeMethod(&dialog, "saveBatchWorkerConfigDefault"));
        }
        BatchModeDialog later;
        dropFiles(&later, {clipB});
        BatchWorkerConfig *job = later.listModel()->configAt(0);
        QCOMPARE(job->intervalMilliseconds(), 2500);
        QCOMPARE(job->skipBack(), 100);
        QCOMPARE(job->skipFront(), 2000);
    }

    void startRunsTheBatchOfEveryRowToTheEnd()
    {
        QTemporaryDir output;
        QTemporaryDir brokenFolder;
        const QString broken = brokenVideo(brokenFolder.path());
        BatchModeDialog dialog;
        showActive(&dialog);
        dropFiles(&dialog, {clipA, broken, clipB});
        button(&dialog, "selectAllVideoButton")->click();
        retype(edit(&dialog, "intervalMillisecondsTextEdit"), QStringLiteral("1000"));
        edit(&dialog, "fileOutputFolderTextEdit")->setText(QDir::toNativeSeparators(output.path()));

        QString log;
        int total = -1;
        QString doneText;
        QStringList imagesAtDone;
        StepDriver driver;
        auto processing = [](QWidget *modal) { return qobject_cast<BatchProcessingDialog *>(modal); };
        driver.then([&](QWidget *modal) { return processing(modal) && processing(modal)->isBatchFinished(); },
                    [&](QWidget *modal) {
                        log = child<QTextEdit>(modal, "logTextEdit")->toPlainText();
                        total = child<QProgressBar>(modal, "progressBarTotal")->value();
                        doneText = button(modal, "doneButton")->text();
                        imagesAtDone = imagesIn(output.path());
                        button(modal, "doneButton")->click();
                    });
        driver.start();
        button(&dialog, "startButton")->click();

        QVERIFY(driver.finished());
        QCOMPARE(doneText, QStringLiteral("Done"));
        QCOMPARE(total, 100);
        // 8 s less the skips: 2, 3, 4 and 5 s, each video.
        QCOMPARE(imagesAtDone, (QStringList{"alpha-1.jpeg", "alpha-2.jpeg", "alpha-3.jpeg", "alpha-4.jpeg",
                                            "bravo-1.jpeg", "bravo-2.jpeg", "bravo-3.jpeg", "bravo-4.jpeg"}));
        QVERIFY2(log.contains(broken + QStringLiteral(": Could not open file\n")), qPrintable(log));
        QVERIFY(!log.contains(QStringLiteral("Saving: ")));
        QVERIFY(log.endsWith(QStringLiteral("Processing Complete\n")));
        // The rows outlive the run, the defaults came from the last row.
        QCOMPARE(dialog.listModel()->rowCount(), 3);
        QVERIFY(QFile::exists(ProfileManager::settingsFilePath(BatchWorkerConfig::defaultsFileName())));
    }

    void startOffersToCreateMissingFolders_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("started");
        QTest::newRow("create") << int(QMessageBox::Yes) << true;
        QTest::newRow("refuse") << int(QMessageBox::Cancel) << false;
    }

    void startOffersToCreateMissingFolders()
    {
        QFETCH(int, answer);
        QFETCH(bool, started);
        QTemporaryDir output;
        const QString missing = output.path() + QStringLiteral("/new/deeper");
        BatchModeDialog dialog;
        showActive(&dialog);
        dropFiles(&dialog, {clipA, clipB});
        selectOnly(&dialog, {1});
        dialog.listModel()->configAt(0)->setFileOutputPath(output.path());
        dialog.listModel()->configAt(1)->setFileOutputPath(missing);
        table(&dialog)->clearSelection();

        QString question;
        QList<int> selectedWhileAsking;
        bool ran = false;
        StepDriver driver(10000);
        driver.then([](QWidget *modal) { return StepDriver::messageBox(modal, QStringLiteral("Output Folder Not Found")); },
                    [&](QWidget *modal) {
                        question = qobject_cast<QMessageBox *>(modal)->text();
                        selectedWhileAsking = selectedRows(&dialog);
                        StepDriver::press(modal, QMessageBox::StandardButton(answer));
                    });
        if (started) {
            driver.then([](QWidget *modal) {
                auto *run = qobject_cast<BatchProcessingDialog *>(modal);
                return run && run->isBatchFinished();
            }, [&](QWidget *modal) {
                ran = true;
                button(modal, "doneButton")->click();
            });
        }
        driver.start();
        button(&dialog, "startButton")->click();
        QTRY_VERIFY(driver.finished());

        QCOMPARE(question, QStringLiteral("This folder does not exist. It must be created to continue. "
                                          "Create output folder?\n\n")
                               + QDir::toNativeSeparators(missing));
        QCOMPARE(selectedWhileAsking, (QList<int>{1}));
        QCOMPARE(QDir(missing).exists(), started);
        QCOMPARE(ran, started);
        if (!started)
            QCOMPARE(selectedRows(&dialog), (QList<int>{1}));
        else
            QCOMPARE(imagesIn(missing).size(), 1);
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestBatchModeDialog)
#include "tst_batchmodedialog.moc"
