#include "fixturevideos.h"
#include "mainwindow.h"
#include "playerwaits.h"
#include "previewslider.h"
#include "startup.h"
#include "testmain.h"

#include <QApplication>
#include <QScreen>

#include <memory>

using namespace PlayerWaits;

// Finding a frame from the position slider: pictures while hovering over
// it, and the cuts between shots as marks to go from one to the next.
class TestSliderMarks : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> window;
    PreviewSlider *slider = nullptr;

    bool open(const QString &video)
    {
        if (window->mediaPlayer()->file() != video)
            window->loadVideo(video);
        MpvPlayer *player = window->mediaPlayer();
        return waitForVideo(player) && QTest::qWaitFor([player] { return player->notifyInterval() > 0; }, timeoutMs);
    }

    static void saveScreenshot(const QString &name, const QRect &area)
    {
        QDir().mkpath(QStringLiteral(VISTALOOM_SCREENSHOT_DIR));
        QGuiApplication::primaryScreen()
            ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
            .save(QStringLiteral(VISTALOOM_SCREENSHOT_DIR "/") + name + QStringLiteral(".png"));
    }

    QRect sliderArea(int above) const
    {
        return QRect(slider->mapToGlobal(QPoint(0, -above)), QSize(slider->width(), slider->height() + above));
    }

private slots:
    void initTestCase()
    {
        Startup::applyStyleSheet(*qApp);
        window = std::make_unique<MainWindow>();
        Startup::placeWindow(*window);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        slider = window->findChild<PreviewSlider *>(QStringLiteral("videoSlider"));
        QVERIFY(slider);
    }

    void cleanupTestCase() { window.reset(); }

    // Rows run in turn on one open video, each nearest to another key frame
    // than the row before, forward and back.
    void hoverShowsTheNearestKeyFrame_data()
    {
        QTest::addColumn<double>("across");
        for (double across : {0.3, 0.55, 0.9, 0.05, 0.45, 0.2})
            QTest::newRow(qPrintable(QString::number(across))) << across;
    }

    void hoverShowsTheNearestKeyFrame()
    {
        QFETCH(double, across);
        const QList<qint64> keyFrames{0, 1500, 3000, 4500};
        QVERIFY(open(FixtureVideos::indexedVideo(
            320, 240, 10, 6, QStringLiteral("mp4"),
            {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-g", "1000", "-sc_threshold", "0", "-force_key_frames",
             "0,1.5,3,4.5"})));
        window->mediaPlayer()->pause(true);
        const QPoint point(int(slider->width() * across), slider->height() / 2);
        const qint64 hovered = slider->millisecondsAt(point.x());
        qint64 nearest = keyFrames.first();
        for (qint64 key : keyFrames)
            nearest = std::abs(key - hovered) < std::abs(nearest - hovered) ? key : nearest;

        QMouseEvent move(QEvent::MouseMove, point, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(slider, &move);
        // The hover returns before any decoding: the answer comes while the
        // window goes on handling events.
        QVERIFY(slider->previewMilliseconds() != nearest);
        QTRY_COMPARE_WITH_TIMEOUT(slider->previewMilliseconds(), nearest, timeoutMs);
        QVERIFY(slider->previewBox()->isVisible());
        const QImage picture = slider->previewImage();
        QCOMPARE(picture.size(), QSize(160, 120));
        QCOMPARE(frameIndex(picture), int(nearest / 100));

        // A click there seeks to the very time the hover stood for.
        QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, point);
        QVERIFY(waitForPosition(window->mediaPlayer(), hovered));
    }

    void sceneMarksLeadToEachShot_data()
    {
        QTest::addColumn<bool>("cutsOnBFrames");
        QTest::addColumn<qint64>("firstCut");
        QTest::newRow("cuts on key frames") << false << qint64(2000);
        QTest::newRow("cuts on B-frames") << true << qint64(1900);
    }

    void sceneMarksLeadToEachShot()
    {
        QFETCH(bool, cutsOnBFrames);
        QFETCH(qint64, firstCut);
        QVERIFY(open(FixtureVideos::fiveShots(cutsOnBFrames)));
        MpvPlayer *player = window->mediaPlayer();
        player->pause(true);
        player->seek(0);
        QVERIFY(waitForPosition(player, 0));
        // Without marks the keys page the focused slider, as they always did.
        slider->setFocus();
        QTest::keyClick(window.get(), Qt::Key_PageUp);
        QVERIFY(waitForPosition(player, slider->pageStep() * slider->stepMilliseconds()));
        QAction *find = window->findChild<QAction *>(QStringLiteral("actionFindScenes"));
        find->trigger();
        QCOMPARE(find->text(), QStringLiteral("Stop Finding Scenes"));
        QTRY_COMPARE_WITH_TIMEOUT(find->text(), QStringLiteral("Find Scenes"), timeoutMs);
        const QVector<qint64> cuts{firstCut, firstCut + 2000, firstCut + 4000, firstCut + 6000};
        QCOMPARE(slider->marks(), cuts);
        if (!cutsOnBFrames) {
            saveScreenshot(QStringLiteral("slider-scene-marks"), sliderArea(0));
            QMouseEvent move(QEvent::MouseMove, QPoint(slider->width() * 45 / 100, 5), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QApplication::sendEvent(slider, &move);
            QTRY_VERIFY_WITH_TIMEOUT(slider->previewBox()->isVisible(), timeoutMs);
            saveScreenshot(QStringLiteral("slider-preview"), sliderArea(slider->previewBox()->height() + 8));
        }

        // Page Down to each cut and Page Up back, each on the shot's first frame.
        for (int shot = 1; shot <= 4; ++shot) {
            QTest::keyClick(window.get(), Qt::Key_PageDown);
            QVERIFY(waitForPosition(player, cuts.at(shot - 1)));
            QCOMPARE(FixtureVideos::shotOfImage(capture(player)), shot);
        }
        QTest::keyClick(window.get(), Qt::Key_PageDown);
        QCOMPARE(player->position(), cuts.last());
        for (int shot = 3; shot >= 0; --shot) {
            QTest::keyClick(window.get(), Qt::Key_PageUp);
            QVERIFY(waitForPosition(player, shot ? cuts.at(shot - 1) : 0));
            QCOMPARE(FixtureVideos::shotOfImage(capture(player)), shot);
        }
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestSliderMarks)
#include "tst_slidermarks.moc"
