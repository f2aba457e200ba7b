#include "dialogwatcher.h"
#include "fixturevideos.h"
#include "mainwindow.h"
#include "mpvplayer.h"
#include "playerwaits.h"
#include "testmain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QSplitter>
#include <QToolButton>

#include <algorithm>
#include <memory>

using namespace PlayerWaits;

// The main window with the real player, on the offscreen platform.
class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> window;

    template <typename T = QWidget>
    T *child(const char *name) const
    {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qWarning() << "no child" << name;
        return found;
    }
    QAction *action(const char *name) const { return child<QAction>(name); }

    bool videoControlsEnabled() const
    {
        return child("videoSlider")->isEnabled() && child("videoControlsFrame")->isEnabled()
            && action("actionTake_Snapshot")->isEnabled() && action("actionStepForward")->isEnabled();
    }
    bool videoControlsDisabled() const
    {
        return !child("videoSlider")->isEnabled() && !child("videoControlsFrame")->isEnabled()
            && !action("actionTake_Snapshot")->isEnabled() && !action("actionPlayPause")->isEnabled()
            && !action("actionSkipForward")->isEnabled();
    }
    bool snapshotControlsDisabled() const
    {
        return !child("snapshotControlsFrame")->isEnabled() && !action("actionSaveSnapshot")->isEnabled()
            && !action("actionCopy_Snapshot")->isEnabled() && !action("actionCopy_Full_Frame")->isEnabled()
            && !child("enableControlsHintLabel")->isHidden();
    }

    static QString indexed() { return FixtureVideos::indexedVideo(320, 240, 10, 5); }

    // A dialog a click opened, at once or through a queued call, has met the
    // watcher once the posted events have run; none may be left open.
    static bool noDialogShows(const DialogWatcher &watcher)
    {
        const int seen = watcher.classNames.size();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        if (watcher.classNames.size() != seen)
            return false;
        const QList<QWidget *> windows = QApplication::topLevelWidgets();
        return std::none_of(windows.begin(), windows.end(),
                            [](QWidget *w) { return qobject_cast<QDialog *>(w) && w->isVisible(); });
    }

    void open(const QString &path)
    {
        window->loadVideo(path);
        QVERIFY(waitForVideo(window->mediaPlayer()));
    }

    void invoke(const char *slot) { QVERIFY(QMetaObject::invokeMethod(window.get(), slot)); }

private slots:
    void init()
    {
        QSettings().clear();
        window = std::make_unique<MainWindow>();
        window->resize(800, 600);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(window->mediaPlayer());
    }

    void cleanup() { window.reset(); }

    void formHasItsObjects_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        const QList<QPair<const char *, const char *>> objects{
            {"centralwidget", "QWidget"}, {"splitter", "QSplitter"}, {"openVideoLabel", "QPushButton"},
            {"videoSlider", "QSlider"}, {"videoControlsFrame", "QFrame"}, {"volumeButton", "QToolButton"},
            {"playButton", "QToolButton"}, {"skipBackwardButton", "QToolButton"},
            {"skipForwardButton", "QToolButton"}, {"stepBackwardButton", "QToolButton"},
            {"stepForwardButton", "QToolButton"}, {"positionLabel", "QLabel"}, {"durationLabel", "QLabel"},
            {"snapshotButton", "QPushButton"}, {"snapshotImageView", "QWidget"},
            {"enableControlsHintLabel", "QLabel"}, {"snapshotControlsFrame", "QFrame"}, {"groupBox", "QGroupBox"},
            {"imageProfileComboBox", "QComboBox"}, {"editImageProfileButton", "QPushButton"},
            {"automaticFileNameGroupBox", "QGroupBox"}, {"filenameProfileComboBox", "QComboBox"},
            {"editFileNameProfileButton", "QPushButton"}, {"outputFolderLineEdit", "QLineEdit"},
            {"selectOutputFolderButton", "QPushButton"}, {"nextFileNameDescriptionLabel", "QLabel"},
            {"nextFileNameLabel", "QLabel"}, {"saveButton", "QPushButton"}, {"menubar", "QMenuBar"},
            {"statusbar", "QStatusBar"}, {"playerLayout", "QVBoxLayout"}, {"videoLayout", "QGridLayout"},
            {"snapshotLayout", "QVBoxLayout"}, {"gridLayout", "QGridLayout"}};
        for (const auto &object : objects)
            QTest::newRow(object.first) << object.first << object.second;
    }

    void formHasItsObjects()
    {
        QFETCH(QString, name);
        QFETCH(QString, className);
        QObject *object = window->findChild<QObject *>(name);
        QVERIFY2(object, qPrintable(name));
        QVERIFY(object->inherits(className.toLatin1().constData()));
    }

    void actionsHaveTheirMenuTextAndShortcut_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shortcut");
        QTest::newRow("open") << "actionOpen" << "File" << "Open" << "Ctrl+O";
        QTest::newRow("exit") << "actionExit" << "File" << "Exit" << "";
        QTest::newRow("take") << "actionTake_Snapshot" << "Edit" << "Take Snapshot" << "Ctrl+A";
        QTest::newRow("save") << "actionSaveSnapshot" << "Edit" << "Save Snapshot" << "Ctrl+S";
        QTest::newRow("copy") << "actionCopy_Snapshot" << "Edit" << "Copy Snapshot" << "Ctrl+C";
        QTest::newRow("copy full") << "actionCopy_Full_Frame" << "Edit" << "Copy Full Frame" << "Ctrl+X";
        QTest::newRow("skip fwd") << "actionSkipForward" << "Video Controls" << "Skip Forward" << "Ctrl+Up";
        QTest::newRow("skip back") << "actionSkipBackward" << "Video Controls" << "Skip Backward" << "Ctrl+Down";
        QTest::newRow("step back") << "actionStepBackward" << "Video Controls" << "Step Backward" << "Ctrl+Left";
        QTest::newRow("step fwd") << "actionStepForward" << "Video Controls" << "Step Forward" << "Ctrl+Right";
        QTest::newRow("play") << "actionPlayPause" << "Video Controls" << "Play / Pause" << "Space";
        QTest::newRow("scenes") << "actionFindScenes" << "Video Controls" << "Find Scenes" << "Ctrl+F";
        QTest::newRow("next scene") << "actionNextScene" << "Video Controls" << "Next Scene" << "PgDown";
        QTest::newRow("prev scene") << "actionPreviousScene" << "Video Controls" << "Previous Scene" << "PgUp";
        QTest::newRow("batch") << "actionBatch_Mode" << "Tools" << "Batch Mode" << "";
        QTest::newRow("docs") << "actionDocumentation" << "Help" << "Documentation && Support" << "";
        QTest::newRow("cli") << "actionCommandLineOptions" << "Help" << "Command Line Options" << "";
        QTest::newRow("about") << "actionAbout" << "Help" << "About" << "";
        QTest::newRow("filters") << "actionImage_Filters_Test" << "" << "Image Filters Test" << "";
    }

    void actionsHaveTheirMenuTextAndShortcut()
    {
        QFETCH(QString, name);
        QFETCH(QString, menu);
        QFETCH(QString, text);
        QFETCH(QString, shortcut);
        auto *found = window->findChild<QAction *>(name);
        QVERIFY(found);
        QCOMPARE(found->text(), text);
        QCOMPARE(found->shortcut(), QKeySequence(shortcut));
        QStringList menus;
        for (QMenu *m : window->findChildren<QMenu *>()) {
            if (m->actions().contains(found))
                menus << m->title();
        }
        QCOMPARE(menus, menu.isEmpty() ? QStringList() : QStringList{menu});
    }

    void menuBarOrder()
    {
        QStringList titles;
        for (QAction *a : child<QMenuBar>("menubar")->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"File", "Edit", "Video Controls", "Tools", "Help"}));
    }

    void toolButtonsHaveTipsAndIcons_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<bool>("repeats");
        QTest::newRow("volume") << "volumeButton" << "Volume Control" << false;
        QTest::newRow("play") << "playButton" << "Play/Pause" << false;
        QTest::newRow("skip back") << "skipBackwardButton" << "Skip back a bit" << true;
        QTest::newRow("skip fwd") << "skipForwardButton" << "Skip forward a bit" << true;
        QTest::newRow("step back") << "stepBackwardButton" << "Step back one frame" << true;
        QTest::newRow("step fwd") << "stepForwardButton" << "Step forward one frame" << true;
    }

    void toolButtonsHaveTipsAndIcons()
    {
        QFETCH(QString, name);
        QFETCH(QString, tip);
        QFETCH(bool, repeats);
        auto *button = window->findChild<QToolButton *>(name);
        QVERIFY(button);
        QCOMPARE(button->toolTip(), tip);
        QCOMPARE(button->autoRepeat(), repeats);
        QCOMPARE(button->iconSize(), QSize(26, 26));
        QVERIFY(!button->icon().pixmap(26, 26).isNull());
    }

    void groupBoxMarginsAreTen()
    {
        for (QGroupBox *box : window->findChildren<QGroupBox *>())
            QCOMPARE(box->layout()->contentsMargins(), QMargins(10, 10, 10, 10));
    }

    void startsWithNoVideo()
    {
        QCOMPARE(window->windowTitle(), QStringLiteral("Vistaloom"));
        QVERIFY(videoControlsDisabled());
        QVERIFY(snapshotControlsDisabled());
        QCOMPARE(child<QLabel>("durationLabel")->text(), QStringLiteral("00:00:00.000"));
        QVERIFY(child("openVideoLabel")->isEnabled());
    }

    void openingSetsTitleControlsAndDuration()
    {
        open(indexed());
        QCOMPARE(window->windowTitle(), QStringLiteral("Vistaloom - ") + QFileInfo(indexed()).fileName());
        QVERIFY(videoControlsEnabled());
        QVERIFY(snapshotControlsDisabled());
        QTRY_COMPARE(child<QLabel>("durationLabel")->text(), QStringLiteral("00:00:05.000"));
        // One slider step per frame of the 10 fps video.
        QTRY_COMPARE(child<QSlider>("videoSlider")->maximum(), 50);
        QCOMPARE(QSettings().value("lastSaveDir").toString(), QFileInfo(indexed()).absolutePath());
    }

    void playPauseToggles()
    {
        open(indexed());
        QVERIFY(waitForState(window->mediaPlayer(), MpvPlayer::PlayingState));
        child<QToolButton>("playButton")->click();
        QVERIFY(waitForState(window->mediaPlayer(), MpvPlayer::PausedState));
        child<QAction>("actionPlayPause")->trigger();
        QVERIFY(waitForState(window->mediaPlayer(), MpvPlayer::PlayingState));
    }

    void stepButtonsMoveOneFrame()
    {
        open(indexed());
        MpvPlayer *player = window->mediaPlayer();
        player->pause(true);
        player->seek(2000);
        QVERIFY(waitForPosition(player, 2000));
        child<QToolButton>("stepForwardButton")->click();
        QVERIFY(waitForPosition(player, 2100));
        QCOMPARE(frameIndex(capture(player)), 21);
        child<QAction>("actionStepBackward")->trigger();
        QVERIFY(waitForPosition(player, 2000));
        QCOMPARE(frameIndex(capture(player)), 20);
        QTRY_COMPARE(child<QLabel>("positionLabel")->text(), QStringLiteral("00:00:02.000 · frame 20"));
    }

    void skipsMoveOneSecondAndPause_data()
    {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("forward") << qint64(1500) << true << qint64(2500);
        QTest::newRow("back") << qint64(2500) << false << qint64(1500);
        QTest::newRow("back from half a second") << qint64(500) << false << qint64(0);
    }

    void skipsMoveOneSecondAndPause()
    {
        QFETCH(qint64, from);
        QFETCH(bool, forward);
        QFETCH(qint64, expected);
        open(indexed());
        MpvPlayer *player = window->mediaPlayer();
        // Land paused on the start: a playing video may move past it before
        // a poll sees it. Resuming and clicking without an event in between
        // skips from exactly there, out of a playing state.
        player->pause(true);
        player->seek(from);
        QVERIFY(waitForPosition(player, from));
        player->pause(false);
        QCOMPARE(player->state(), MpvPlayer::PlayingState);
        child<QToolButton>(forward ? "skipForwardButton" : "skipBackwardButton")->click();
        QVERIFY(waitForPosition(player, expected));
        QVERIFY(waitForState(player, MpvPlayer::PausedState));
        QCOMPARE(frameIndex(capture(player)), static_cast<int>(expected / 100));
    }

    void unplayableFileWarnsAndClosesTheVideo()
    {
        const QString path = FixtureVideos::folder() + QStringLiteral("/not-a-video.mp4");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("plain text\n");
        file.close();
        DialogWatcher watcher;
        window->loadVideo(path);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.texts.size(), 1, timeoutMs);
        QCOMPARE(watcher.titles.first(), QStringLiteral("Vistaloom"));
        QCOMPARE(watcher.texts.first(), QStringLiteral("Cannot open video: ") + path);
        QCOMPARE(window->windowTitle(), QStringLiteral("Vistaloom"));
        QVERIFY(videoControlsDisabled());
        QVERIFY(snapshotControlsDisabled());
        // The window is still usable afterwards.
        open(indexed());
        QVERIFY(videoControlsEnabled());
    }

    void sliderIgnoresPositionWhileHeld()
    {
        open(indexed());
        MpvPlayer *player = window->mediaPlayer();
        auto *slider = child<QSlider>("videoSlider");
        player->pause(true);
        player->seek(1000);
        QVERIFY(waitForPosition(player, 1000));
        QTRY_COMPARE(slider->value(), 10);
        slider->setSliderDown(true);
        player->seek(3000);
        QVERIFY(waitForPosition(player, 3000));
        QVERIFY(QMetaObject::invokeMethod(window.get(), "durationChanged", Q_ARG(qint64, 90000)));
        QCOMPARE(slider->value(), 10);
        QCOMPARE(slider->maximum(), 50);
        slider->setSliderDown(false);
        QVERIFY(QMetaObject::invokeMethod(window.get(), "positionChanged", Q_ARG(qint64, 0)));
        QCOMPARE(slider->value(), 30);
    }

    // A file with sound only is refused; the window stays as without a video.
    void audioOnlyFileIsRefused()
    {
        const QString audio = FixtureVideos::make(
            QStringLiteral("tone.m4a"), {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                         QStringLiteral("sine=frequency=440:duration=3"), QStringLiteral("-c:a"),
                                         QStringLiteral("aac")});
        QVERIFY(!audio.isEmpty());
        DialogWatcher watcher;
        window->loadVideo(audio);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.texts, QStringList{QStringLiteral("No video in: ") + audio}, timeoutMs);
        QVERIFY(videoControlsDisabled());
        QVERIFY(snapshotControlsDisabled());
    }

    // A click on the track jumps the handle there, a drag carries it, keys step it; the
    // video follows exactly (to its last frame from beyond it) and the handle shows it.
    void sliderSeeksWhereTheUserPutsIt_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("key");
        for (const auto &row : QVector<QVector<int>>{{5, 5, 0}, {43, 43, 0}, {20, 35, 0}, {0, 21, Qt::Key_Right}, {0, 49, Qt::Key_End}})
            QTest::addRow("mouse from %d to %d, or key %x", row[0], row[1], row[2]) << row[0] << row[1] << row[2];
    }

    void sliderSeeksWhereTheUserPutsIt()
    {
        QFETCH(int, from);
        QFETCH(int, value);
        QFETCH(int, key);
        open(indexed());
        MpvPlayer *player = window->mediaPlayer();
        player->pause(true);
        player->seek(2000);
        QVERIFY(waitForPosition(player, 2000));
        auto *slider = child<QSlider>("videoSlider");
        const auto handleAt = [slider](int v) { return QPoint(15 / 2 + v * (slider->width() - 15) / 50, slider->height() / 2); };
        if (key) {
            QTest::keyClick(slider, Qt::Key(key));
        } else {
            QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, handleAt(from));
            QMouseEvent move(QEvent::MouseMove, handleAt(value), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(slider, &move);
            QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, handleAt(value));
        }
        QVERIFY(waitForPosition(player, value * 100));
        QCOMPARE(frameIndex(capture(player)), value);
        QTRY_COMPARE(slider->value(), value);
    }

    void readoutsUseTheTimeOfDayFormat_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "00:00:00.000";
        QTest::newRow("minutes") << qint64(83456) << "00:01:23.456";
        QTest::newRow("25 hours wrap") << qint64(25LL * 3600 * 1000) << "01:00:00.000";
    }

    void readoutsUseTheTimeOfDayFormat()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        QVERIFY(QMetaObject::invokeMethod(window.get(), "durationChanged", Q_ARG(qint64, ms)));
        QCOMPARE(child<QLabel>("durationLabel")->text(), text);
    }

    void muteSendsZeroAndUnmuteTheSlider()
    {
        open(indexed());
        MpvPlayer *player = window->mediaPlayer();
        auto *slider = window->findChild<QSlider *>("volumeSlider");
        auto *mute = window->findChild<QCheckBox *>("muteCheckBox");
        QVERIFY(slider && mute);
        slider->setValue(70);
        QTRY_COMPARE_WITH_TIMEOUT(qRound(player->volume() * 100), 70, timeoutMs);
        mute->click();
        QTRY_COMPARE_WITH_TIMEOUT(qRound(player->volume() * 100), 0, timeoutMs);
        mute->click();
        QTRY_COMPARE_WITH_TIMEOUT(qRound(player->volume() * 100), 70, timeoutMs);
        mute->click();

        // A new window reads both back and opens the next video muted.
        window.reset();
        QSettings settings;
        QCOMPARE(settings.value("volume").toInt(), 70);
        QCOMPARE(settings.value("muted").toBool(), true);
        window = std::make_unique<MainWindow>();
        QCOMPARE(window->findChild<QSlider *>("volumeSlider")->value(), 70);
        QVERIFY(window->findChild<QCheckBox *>("muteCheckBox")->isChecked());
        window->mediaPlayer()->setVolume(1.0);
        open(indexed());
        QTRY_COMPARE_WITH_TIMEOUT(qRound(window->mediaPlayer()->volume() * 100), 0, timeoutMs);
    }

    void volumePopupSitsAboveItsButton()
    {
        auto *button = child<QToolButton>("volumeButton");
        child("videoControlsFrame")->setEnabled(true);
        button->click();
        QWidget *popup = window->findChild<QFrame *>("VolumePopup");
        QVERIFY(popup);
        QTRY_VERIFY(popup->isVisible());
        const QPoint corner = button->mapToGlobal(QPoint(0, 0));
        QCOMPARE(popup->pos().x(), corner.x() + (button->width() - popup->width()) / 2);
        QCOMPARE(popup->pos().y(), corner.y() + static_cast<int>(-popup->height() * 1.1));
        popup->hide();
    }

    void clickIntoVideoAreaWaitsForActivation()
    {
        DialogWatcher watcher;
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(window.get(), &activate);
        child<QPushButton>("openVideoLabel")->click();
        QVERIFY(noDialogShows(watcher));
        QCOMPARE(watcher.classNames.size(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!window->isActivationClickGuarded(), 20 * MainWindow::activationClickGuardMs);
        child<QPushButton>("openVideoLabel")->click();
        QTRY_COMPARE(watcher.classNames, QStringList{QStringLiteral("SmartFileDialog")});
        QEvent deactivate(QEvent::WindowDeactivate);
        QApplication::sendEvent(window.get(), &deactivate);
        QVERIFY(window->isActivationClickGuarded());
        child<QPushButton>("openVideoLabel")->click();
        QVERIFY(noDialogShows(watcher));
        QCOMPARE(watcher.classNames.size(), 1);
    }

    void dropOpensTheFirstFileUnlessADialogIsOpen()
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(indexed()), QUrl::fromLocalFile(FixtureVideos::indexedVideo(160, 120, 10, 1))});
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QVERIFY(enter.isAccepted());

        QDialog dialog(window.get());
        dialog.show();
        QDragEnterEvent refused(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        refused.setAccepted(false);
        QApplication::sendEvent(window.get(), &refused);
        QVERIFY(!refused.isAccepted());
        dialog.hide();

        QMimeData text;
        text.setText(QStringLiteral("no urls"));
        QDragEnterEvent noUrls(QPoint(100, 100), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        noUrls.setAccepted(false);
        QApplication::sendEvent(window.get(), &noUrls);
        QVERIFY(!noUrls.isAccepted());

        // A web address is no file to open: nothing changes.
        QMimeData web;
        web.setUrls({QUrl(QStringLiteral("https://example.org/video.mp4"))});
        QDragEnterEvent webEnter(QPoint(100, 100), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &webEnter);
        QDropEvent webDrop(QPointF(100, 100), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &webDrop);
        QCOMPARE(window->windowTitle(), QStringLiteral("Vistaloom"));
        QVERIFY(videoControlsDisabled());

        QDragEnterEvent again(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &again);
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        QVERIFY(drop.isAccepted());
        QVERIFY(waitForVideo(window->mediaPlayer()));
        QCOMPARE(window->mediaPlayer()->file(), indexed());
        QCOMPARE(window->mediaPlayer()->duration(), qint64(5000));
    }

    void captureAnswersWithTheFrameAtVideoSize()
    {
        open(FixtureVideos::indexedVideo(640, 360, 10, 2));
        MpvPlayer *player = window->mediaPlayer();
        player->pause(true);
        player->seek(700);
        QVERIFY(waitForPosition(player, 700));
        const QImage image = capture(player);
        QCOMPARE(image.size(), QSize(640, 360));
        QCOMPARE(frameIndex(image), 7);
    }

    void captureFailureIsReported()
    {
        DialogWatcher watcher;
        invoke("snapshotButtonPressed");
        QTRY_COMPARE_WITH_TIMEOUT(watcher.texts.size(), 1, timeoutMs);
        QCOMPARE(watcher.titles.first(), QStringLiteral("Vistaloom video capture"));
        QCOMPARE(watcher.texts.first(), QStringLiteral("Failed to capture video frame"));
    }

    void aboutShowsVersionAndLinks()
    {
        DialogWatcher watcher;
        child<QAction>("actionAbout")->trigger();
        QCOMPARE(watcher.titles, QStringList{QStringLiteral("About Vistaloom")});
    }

    void exitAndCloseEndTheEventLoop_data()
    {
        QTest::addColumn<bool>("viaClose");
        QTest::newRow("exit") << false;
        QTest::newRow("closing the window") << true;
    }

    void exitAndCloseEndTheEventLoop()
    {
        QFETCH(bool, viaClose);
        open(indexed());
        if (viaClose)
            QTimer::singleShot(0, window.get(), &QWidget::close);
        else
            QTimer::singleShot(0, child<QAction>("actionExit"), &QAction::trigger);
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        guard.start(timeoutMs);
        QCOMPARE(QCoreApplication::exec(), 0);
        // The video widget went ahead of the window; the window copes.
        QTRY_VERIFY(!window->videoOutputWidget());
        window->closeVideo();
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestMainWindow)
#include "tst_mainwindow.moc"
