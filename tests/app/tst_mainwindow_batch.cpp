#include "fixturevideos.h"
#include "mainwindow.h"
#include "mpvplayer.h"
#include "playerwaits.h"
#include "testmain.h"

#include "batchmodedialog.h"
#include "imagefiltersdialog.h"
#include "stepdriver.h"

#include <QAction>
#include <QApplication>

using namespace PlayerWaits;

class TestMainWindowBatch : public QObject
{
    Q_OBJECT

    QAction *action(MainWindow &window, const char *name)
    {
        auto *found = window.findChild<QAction *>(QString::fromLatin1(name));
        if (!found)
            qFatal("No action %s", name);
        return found;
    }

private slots:
    void batchModeClosesTheVideoAndRunsTheDialog()
    {
        MainWindow window;
        window.show();
        window.loadVideo(FixtureVideos::indexedVideo(320, 240, 10, 5));
        QVERIFY(waitForVideo(window.mediaPlayer()));

        QString title;
        bool playerStoppedMeanwhile = false;
        StepDriver driver(20000);
        driver.then([](QWidget *modal) { return qobject_cast<BatchModeDialog *>(modal); },
                    [&](QWidget *modal) {
                        title = modal->windowTitle();
                        playerStoppedMeanwhile = !window.mediaPlayer()->isPlaying();
                        modal->close();
                    });
        driver.start();
        QAction *batch = action(window, "actionBatch_Mode");
        QVERIFY(batch->isEnabled());
        batch->trigger();

        QVERIFY(driver.finished());
        QCOMPARE(title, QStringLiteral("Vistaloom Batch Mode"));
        QVERIFY(playerStoppedMeanwhile);
        QCOMPARE(window.windowTitle(), QStringLiteral("Vistaloom"));
    }

    void imageFiltersPausesThePlayerAndRunsTheDialog()
    {
        MainWindow window;
        window.show();
        window.loadVideo(FixtureVideos::indexedVideo(320, 240, 10, 5));
        QVERIFY(waitForVideo(window.mediaPlayer()));
        window.mediaPlayer()->pause(false);
        QVERIFY(waitForState(window.mediaPlayer(), MpvPlayer::PlayingState));

        bool opened = false;
        StepDriver driver(20000);
        driver.then([](QWidget *modal) { return qobject_cast<ImageFiltersDialog *>(modal); },
                    [&](QWidget *modal) {
                        opened = true;
                        modal->close();
                    });
        driver.start();
        action(window, "actionImage_Filters_Test")->trigger();

        QVERIFY(driver.finished());
        QVERIFY(opened);
        QVERIFY(waitForState(window.mediaPlayer(), MpvPlayer::PausedState));
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestMainWindowBatch)
#include "tst_mainwindow_batch.moc"
