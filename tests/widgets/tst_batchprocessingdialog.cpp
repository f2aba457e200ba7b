#include "testmain.h"

#include "batchprocessingdialog.h"
#include "batchtestsupport.h"
#include "dialogtestutils.h"
#include "fixturevideos.h"
#include "imageview.h"
#include "stepdriver.h"

#include "batch/batchthread.h"
#include "profiles/batchworkerconfig.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextEdit>

#include <memory>
#include <vector>

using namespace BatchTestSupport;
using namespace DialogTestUtils;

namespace {

const QString confirmTitle = QStringLiteral("Cancel Batch Processing");

// What the driver saw of the dialog at the moment the batch was over.
struct Outcome {
    QString log;
    QString status;
    QString button;
    int total = -1;
    QStringList images;
    bool previewShown = false;
};

bool isRunDialog(QWidget *modal)
{
    return qobject_cast<BatchProcessingDialog *>(modal) != nullptr;
}

bool batchOver(QWidget *modal)
{
    auto *dialog = qobject_cast<BatchProcessingDialog *>(modal);
    return dialog && dialog->isBatchFinished();
}

bool imagesSaved(QWidget *modal, const QString &folder, int count)
{
    return isRunDialog(modal) && imagesIn(folder).size() >= count;
}

} // namespace

class TestBatchProcessingDialog : public QObject
{
    Q_OBJECT

    QString longClip;
    QString shortClip;
    std::vector<std::unique_ptr<BatchWorkerConfig>> jobs;
    std::unique_ptr<QTemporaryDir> output;

    BatchWorkerConfig *job(const QString &source, int intervalMs)
    {
        auto config = std::make_unique<BatchWorkerConfig>();
        config->setSource(source);
        config->setFileOutputPath(output->path());
        config->setIntervalMilliseconds(intervalMs);
        config->loadVideoInfo();
        jobs.push_back(std::move(config));
        return jobs.back().get();
    }

    Outcome record(QWidget *modal)
    {
        Outcome seen;
        seen.log = child<QTextEdit>(modal, "logTextEdit")->toPlainText();
        seen.status = child<QLabel>(modal, "statusLabel")->text();
        seen.button = button(modal, "doneButton")->text();
        seen.total = child<QProgressBar>(modal, "progressBarTotal")->value();
        seen.images = imagesIn(output->path());
        seen.previewShown = !static_cast<ImageView *>(modal->findChild<QWidget *>("previewImageView"))->image().isNull();
        return seen;
    }

    // Runs the dialog's batch and closes it when it is over.
    Outcome runToTheEnd(BatchProcessingDialog &dialog)
    {
        Outcome seen;
        StepDriver driver;
        driver.then(batchOver, [&](QWidget *modal) {
            seen = record(modal);
            button(modal, "doneButton")->click();
        });
        driver.start();
        dialog.exec();
        if (!driver.finished())
            qWarning("The batch never came to its end");
        return seen;
    }

private slots:
    void initTestCase()
    {
        longClip = video(QStringLiteral("long"), 40);
        shortClip = video(QStringLiteral("short"), 6);
        QVERIFY(!longClip.isEmpty() && !shortClip.isEmpty());
    }

    void init()
    {
        output = std::make_unique<QTemporaryDir>();
        jobs.clear();
    }

    void startsInTheRunningState()
    {
        BatchProcessingDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Batch Processing"));
        QCOMPARE(child<QLabel>(&dialog, "currentVideoLabel")->text(), QStringLiteral("Loading..."));
        QCOMPARE(child<QLabel>(&dialog, "statusLabel")->text(), QString());
        QCOMPARE(button(&dialog, "doneButton")->text(), QStringLiteral("Cancel"));
        QVERIFY(dialog.isModal());
    }

    void aBrokenVideoIsLoggedAndTheBatchGoesOn()
    {
        QTemporaryDir brokenFolder;
        const QString broken = brokenVideo(brokenFolder.path());
        BatchProcessingDialog dialog;
        dialog.addJob(job(broken, 1000));
        dialog.addJob(job(shortClip, 1000));
        const Outcome seen = runToTheEnd(dialog);
        QCOMPARE(seen.log, broken + QStringLiteral(": Could not open file\nProcessing Complete\n"));
        QCOMPARE(seen.status, QStringLiteral("Processing Complete"));
        QCOMPARE(seen.button, QStringLiteral("Done"));
        QCOMPARE(seen.total, 100);
        // 6 s less the skips: 2 and 3 s.
        QCOMPARE(seen.images, (QStringList{"short-1.jpeg", "short-2.jpeg"}));
        QVERIFY(seen.previewShown);
        QVERIFY(dialog.isHidden());
    }

    // The scene rule hands its frames over like the other rules: saved,
    // previewed and counted on the dialog's thread.
    void sceneJobsShowTheirImages()
    {
        BatchWorkerConfig *scenes = job(FixtureVideos::fiveShots(), 1000);
        scenes->setIntervalType(BatchWorkerConfig::SceneChange);
        BatchProcessingDialog dialog;
        dialog.addJob(scenes);
        const Outcome seen = runToTheEnd(dialog);
        QCOMPARE(seen.log, QStringLiteral("Processing Complete\n"));
        QVERIFY(seen.previewShown);
        QCOMPARE(scenes->expectedImageCount(), seen.images.size());
    }

    void cancelling_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("yes");
        QTest::newRow("button, yes") << "button" << true;
        QTest::newRow("button, no") << "button" << false;
        QTest::newRow("window close, yes") << "close" << true;
        QTest::newRow("escape, yes") << "escape" << true;
        QTest::newRow("escape, no") << "escape" << false;
    }

    void cancelling()
    {
        QFETCH(QString, how);
        QFETCH(bool, yes);
        BatchProcessingDialog dialog;
        // 40 s less the skips, every 500 ms: 72 images.
        dialog.addJob(job(longClip, 500));
        const int fullCount = 72;

        QString question;
        QString buttonAfterAnswer;
        int imagesAtAnswer = -1;
        Outcome seen;
        StepDriver driver;
        driver.then([&](QWidget *modal) { return imagesSaved(modal, output->path(), 3); },
                    [&](QWidget *modal) {
                        if (how == QLatin1String("button"))
                            button(modal, "doneButton")->click();
                        else if (how == QLatin1String("close"))
                            modal->close();
                        else
                            QTest::keyClick(modal, Qt::Key_Escape);
                    })
            .then([](QWidget *modal) { return StepDriver::messageBox(modal, confirmTitle); },
                  [&](QWidget *modal) {
                      question = qobject_cast<QMessageBox *>(modal)->text();
                      StepDriver::press(modal, yes ? QMessageBox::Yes : QMessageBox::No);
                  })
            .then(isRunDialog, [&](QWidget *modal) {
                buttonAfterAnswer = button(modal, "doneButton")->text();
                imagesAtAnswer = imagesIn(output->path()).size();
            })
            .then(batchOver, [&](QWidget *modal) {
                seen = record(modal);
                modal->close();
            });
        driver.start();
        dialog.exec();

        QVERIFY(driver.finished());
        QCOMPARE(question, QStringLiteral("Are you sure you want to cancel batch processing?\n"));
        // The dialog stayed open through the question in every case; a
        // refused cancellation leaves the batch running.
        QVERIFY(!buttonAfterAnswer.isEmpty());
        if (!yes)
            QCOMPARE(buttonAfterAnswer, QStringLiteral("Cancel"));
        QCOMPARE(seen.button, QStringLiteral("Done"));
        QVERIFY(seen.log.endsWith(QStringLiteral("Processing Complete\n")));
        if (yes) {
            QVERIFY2(seen.images.size() <= imagesAtAnswer + 1, qPrintable(QString::number(seen.images.size())));
            QVERIFY(seen.images.size() < fullCount);
            QVERIFY(seen.total < 100);
            // Nothing arrives after the end either: once the batch thread
            // has ended and what it queued has run, no image can come.
            auto *thread = dialog.findChild<BatchThread *>();
            QVERIFY(thread);
            QTRY_VERIFY_WITH_TIMEOUT(thread->isFinished(), 20000);
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            QCOMPARE(imagesIn(output->path()).size(), seen.images.size());
        } else {
            QCOMPARE(seen.images.size(), fullCount);
            QCOMPARE(seen.total, 100);
        }
    }

    // A long video path is shortened in its middle instead of widening the
    // dialog, and the whole path is in the tool tip; the dialog stays on the
    // screen with its bars and button, while the job runs and after it.
    void aLongPathKeepsTheDialogOnTheScreen()
    {
        const QString path = clipAtPathOfLength(shortClip, 140);
        QCOMPARE(path.size(), 140);
        BatchProcessingDialog dialog;
        dialog.addJob(job(path, 1000));
        const QRect screen = dialog.screen()->availableGeometry();

        struct Seen {
            QString text;
            QString toolTip;
            QRect frame;
            QRect doneButton;
            QRect total;
            QRect dialog;
        };
        auto look = [](QWidget *modal) {
            Seen seen;
            auto *label = child<QLabel>(modal, "currentVideoLabel");
            seen.text = label->text();
            seen.toolTip = label->toolTip();
            seen.frame = modal->frameGeometry();
            seen.doneButton = button(modal, "doneButton")->geometry();
            seen.total = child<QProgressBar>(modal, "progressBarTotal")->geometry();
            seen.dialog = modal->rect();
            return seen;
        };
        Seen running;
        Seen finished;
        StepDriver driver;
        driver.then([&](QWidget *modal) {
                        auto *label = isRunDialog(modal) ? child<QLabel>(modal, "currentVideoLabel") : nullptr;
                        return label && (label->text() == path || label->toolTip() == path);
                    },
                    [&](QWidget *modal) { running = look(modal); })
            .then(batchOver, [&](QWidget *modal) {
                finished = look(modal);
                button(modal, "doneButton")->click();
            });
        driver.start();
        dialog.exec();
        QVERIFY(driver.finished());

        for (const Seen &seen : {running, finished}) {
            QVERIFY2(seen.frame.width() <= screen.width(), qPrintable(QString::number(seen.frame.width())));
            QVERIFY(seen.dialog.contains(seen.doneButton));
            QVERIFY(seen.dialog.contains(seen.total));
        }
        QCOMPARE(running.toolTip, path);
        QVERIFY2(running.text != path && running.text.contains(QChar(0x2026)), qPrintable(running.text));
        QVERIFY(running.text.startsWith(path.left(8)));
        QVERIFY(running.text.endsWith(QStringLiteral(".mp4")));
    }

    void closingAFinishedBatchNeedsNoAnswer()
    {
        BatchProcessingDialog dialog;
        dialog.addJob(job(shortClip, 1000));
        bool asked = false;
        StepDriver driver;
        driver.then(batchOver, [&](QWidget *modal) {
            QTimer::singleShot(0, modal, [modal] { modal->close(); });
        });
        driver.start();
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (StepDriver::messageBox(QApplication::activeModalWidget(), confirmTitle)) {
                asked = true;
                StepDriver::press(QApplication::activeModalWidget(), QMessageBox::No);
            }
        });
        watch.start(10);
        dialog.exec();
        QVERIFY(driver.finished());
        QVERIFY(!asked);
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestBatchProcessingDialog)
#include "tst_batchprocessingdialog.moc"
