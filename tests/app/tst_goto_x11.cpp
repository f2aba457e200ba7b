#include "fixturevideos.h"
#include "gotodialog.h"
#include "mainwindow.h"
#include "modalanswer.h"
#include "playerwaits.h"
#include "startup.h"
#include "testmain.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

using namespace PlayerWaits;

// Go to (Ctrl+G) on a real X server: the frame the player then shows, read
// back from its picture, and the readout's frame number.
class TestGotoX11 : public QObject
{
    Q_OBJECT

    static QString video(const QString &suffix)
    {
        const QString codec = suffix == QLatin1String("mp4")
            ? QStringLiteral("-c:v libx264 -preset veryfast -crf 12 -bf 3 -g 50 -pix_fmt yuv420p")
            : QStringLiteral("-c:v mpeg4 -vtag xvid -bf 2 -q:v 2 -g 50");
        return FixtureVideos::bandIndexedVideo(QStringLiteral("goto.") + suffix, 320, 240, 30, 4,
                                               codec.split(QLatin1Char(' ')));
    }

private slots:
    void initTestCase() { Startup::applyStyleSheet(*qApp); }

    void goesToTheFrameTyped_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("typed");
        // The frame shown, or -1 when the input is refused with the message.
        QTest::addColumn<int>("frame");
        QTest::addColumn<QString>("message");
        // At 30 fps most frames start between two milliseconds.
        for (const char *name : {"mp4", "avi"}) {
            const QString suffix = QString::fromLatin1(name);
            QTest::addRow("%s frame", name) << suffix << "f70" << 70 << QString();
            // 2.07 s is 62.1 frames, 1.519 s is 45.57.
            QTest::addRow("%s seconds", name) << suffix << "2.07" << 62 << QString();
            QTest::addRow("%s clock", name) << suffix << "00:00:01.519" << 46 << QString();
        }
        QTest::newRow("text") << "mp4" << "1:2x" << -1 << "Not a time or frame number: 1:2x";
        QTest::newRow("frame past the end") << "avi" << "f9000" << -1 << "Frame 9000 is past the end (120 frames)";
        QTest::newRow("time past the end") << "mp4" << "0:05" << -1 << "Past the end of the video (%1)";
    }

    void goesToTheFrameTyped()
    {
        QFETCH(QString, suffix);
        QFETCH(QString, typed);
        QFETCH(int, frame);
        QFETCH(QString, message);
        MainWindow window;
        Startup::placeWindow(window);
        window.show();
        // No window manager: the window comes to the front when asked.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.loadVideo(video(suffix));
        MpvPlayer *player = window.mediaPlayer();
        QVERIFY(waitForVideo(player));
        // Playing: going to a frame pauses there.
        auto *readout = window.findChild<QLabel *>(QStringLiteral("positionLabel"));
        QTRY_VERIFY_WITH_TIMEOUT(readout->text().contains(QStringLiteral(" · frame ")), timeoutMs);
        if (message.contains(QLatin1String("%1")))
            message = message.arg(window.findChild<QLabel *>(QStringLiteral("durationLabel"))->text());

        QString refusal;
        bool stayedOpen = false;
        ModalAnswer answer([&](QWidget *modal) {
            auto *dialog = static_cast<QDialog *>(modal);
            QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("positionLineEdit")), typed);
            if (QTest::currentDataTag() == QLatin1String("mp4 frame") && QTest::qWaitForWindowExposed(dialog)) {
                dialog->repaint();
                QDir().mkpath(QStringLiteral(VISTALOOM_SCREENSHOT_DIR));
                const QRect area = window.frameGeometry() | dialog->frameGeometry();
                QGuiApplication::primaryScreen()
                    ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                    .save(QStringLiteral(VISTALOOM_SCREENSHOT_DIR "/goto-dialog.png"));
            }
            QTest::keyClick(dialog, Qt::Key_Return);
            // The pictures are counted on a thread of their own.
            const bool counted = QTest::qWaitFor(
                [&] { return !dialog->isVisible() || !static_cast<GotoDialog *>(dialog)->isCounting(); }, timeoutMs);
            stayedOpen = dialog->isVisible();
            refusal = counted ? dialog->findChild<QLabel *>(QStringLiteral("errorLabel"))->text()
                              : QStringLiteral("still counting");
            if (stayedOpen)
                dialog->reject();
        });
        QTest::keyClick(&window, Qt::Key_G, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(answer.answered(), timeoutMs);
        QCOMPARE(refusal, message);
        QCOMPARE(stayedOpen, frame < 0);
        if (frame < 0)
            return;
        QVERIFY(QTest::qWaitFor([&] { return !player->isSeeking() && player->isPaused(); }, timeoutMs));
        QCOMPARE(FixtureVideos::frameIndexOfBandImage(capture(player)), frame);
        QTRY_COMPARE_WITH_TIMEOUT(readout->text().section(QStringLiteral(" · frame "), 1), QString::number(frame),
                                  timeoutMs);
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestGotoX11)
#include "tst_goto_x11.moc"
