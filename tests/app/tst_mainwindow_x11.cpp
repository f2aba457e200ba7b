#include "fixturevideos.h"
#include "mainwindow.h"
#include "modalanswer.h"
#include "mpvplayer.h"
#include "playerwaits.h"
#include "startup.h"
#include "testmain.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QOpenGLWidget>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <memory>

using namespace PlayerWaits;

// The window on a real X server, with both video renderers, checked from
// what actually reaches the screen.
class TestMainWindowX11 : public QObject
{
    Q_OBJECT

private:
    static QString screenshotPath(const QString &name)
    {
        QDir().mkpath(QStringLiteral(VISTALOOM_SCREENSHOT_DIR));
        return QStringLiteral(VISTALOOM_SCREENSHOT_DIR "/") + name + QStringLiteral(".png");
    }

    // What the X server shows of a widget, the OpenGL part included.
    static QImage onScreen(QWidget *widget)
    {
        const QPoint corner = widget->mapToGlobal(QPoint(0, 0));
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, corner.x(), corner.y(), widget->width(), widget->height())
            .toImage();
    }

    // The bounding box of the pixels brighter than black.
    static QRect litArea(const QImage &image)
    {
        QRect box;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (qGray(image.pixel(x, y)) > 40)
                    box |= QRect(x, y, 1, 1);
            }
        }
        return box;
    }

    static int distinctColours(const QImage &image)
    {
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 4) {
            for (int x = 0; x < image.width(); x += 4)
                colours.insert(image.pixel(x, y) & 0xf0f0f0);
        }
        return colours.size();
    }

    static std::unique_ptr<MainWindow> shownWindow()
    {
        auto window = std::make_unique<MainWindow>();
        Startup::placeWindow(*window);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return nullptr;
        return window;
    }

    static bool waitForFirstFrame(QSignalSpy &firstFrame)
    {
        return firstFrame.count() > 0 || firstFrame.wait(timeoutMs);
    }

    // How many of the player's frames had been drawn when the video widget
    // last reached the screen: its buffer swap (OpenGL) or its paint
    // (software, flushed to the X server right after). A grab then shows
    // at least that frame.
    class ScreenFrames : public QObject
    {
    public:
        ScreenFrames(QWidget *video, MpvPlayer *player)
            : m_player(player)
        {
            if (auto *gl = qobject_cast<QOpenGLWidget *>(video))
                connect(gl, &QOpenGLWidget::frameSwapped, this, [this] { m_onScreen = m_player->framesShown(); });
            else
                video->installEventFilter(this);
        }

        qint64 onScreen() const { return m_onScreen; }

        bool waitFor(qint64 frames)
        {
            return QTest::qWaitFor([&] { return m_onScreen >= frames; }, timeoutMs);
        }

    protected:
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                m_onScreen = m_player->framesShown();
            return false;
        }

    private:
        MpvPlayer *m_player;
        qint64 m_onScreen = 0;
    };

    // Where the X server sends a key: an open popup list takes them all.
    static QWidget *keyTarget(QWidget *fallback = nullptr)
    {
        if (QWidget *popup = QApplication::activePopupWidget())
            return popup->focusWidget() ? popup->focusWidget() : popup;
        if (QWidget *focus = QApplication::focusWidget())
            return focus;
        return QApplication::activeWindow() ? QApplication::activeWindow() : fallback;
    }

    static QImage grabScreen(const QRect &area)
    {
        return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QGuiApplication::platformName() == QLatin1String("xcb"));
        Startup::applyStyleSheet(*qApp);
    }

    void cleanup() { qunsetenv("VISTALOOM_VIDEO_OUTPUT"); }

    void renderers_data()
    {
        QTest::addColumn<QByteArray>("renderer");
        QTest::newRow("opengl") << QByteArray("opengl");
        QTest::newRow("software") << QByteArray("software");
    }

    void playsTheSampleWithControlsAndDisabledSnapshotPane_data() { renderers_data(); }

    void playsTheSampleWithControlsAndDisabledSnapshotPane()
    {
        QFETCH(QByteArray, renderer);
        qputenv("VISTALOOM_VIDEO_OUTPUT", renderer);
        auto window = shownWindow();
        QVERIFY(window);
        QSignalSpy firstFrame(window->mediaPlayer(), &MpvPlayer::firstFrameShown);
        QWidget *video = window->videoOutputWidget();
        ScreenFrames screen(video, window->mediaPlayer());
        window->loadVideo(QStringLiteral(VISTALOOM_SAMPLE_VIDEO));
        QVERIFY(waitForFirstFrame(firstFrame));
        QTRY_VERIFY_WITH_TIMEOUT(window->mediaPlayer()->position() > 1000, timeoutMs);
        QVERIFY(screen.waitFor(window->mediaPlayer()->framesShown()));
        const QImage before = onScreen(video);
        // Every frame of the sample differs from the one before.
        QVERIFY(screen.waitFor(screen.onScreen() + 3));
        const QImage after = onScreen(video);
        QVERIFY2(before != after, "the picture does not move");
        QVERIFY(distinctColours(after) > 20);
        QVERIFY(window->mediaPlayer()->position() > 1000);
        QVERIFY(window->findChild<QSlider *>("videoSlider")->value() > 0);

        const QImage shot = onScreen(window.get());
        QVERIFY(shot.save(screenshotPath(QStringLiteral("main-window-") + QString::fromLatin1(renderer))));
        // The disabled snapshot pane is white with its hint, not video.
        QWidget *pane = window->findChild<QWidget *>("snapshotImageView");
        QVERIFY(!window->findChild<QWidget *>("snapshotControlsFrame")->isEnabled());
        const QImage paneShot = onScreen(pane);
        QCOMPARE(QColor(paneShot.pixel(5, 5)), QColor(Qt::white));
    }

    void rotatedVideoPlaysUpright_data() { renderers_data(); }

    // The stored picture is 320 x 120 with a white bar along its top; the
    // tag turns it a quarter clockwise, so upright it is tall, bar at the left.
    void rotatedVideoPlaysUpright()
    {
        QFETCH(QByteArray, renderer);
        qputenv("VISTALOOM_VIDEO_OUTPUT", renderer);
        const QString plain = FixtureVideos::make(
            QStringLiteral("topbar-x11.mp4"),
            {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
             QStringLiteral("color=c=gray:s=320x120:r=10:d=3,drawbox=x=0:y=0:w=320:h=20:color=white:t=fill"),
             QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")});
        const QString rotated = FixtureVideos::withRotation(plain, 90);
        QVERIFY(!rotated.isEmpty());
        auto window = shownWindow();
        QVERIFY(window);
        QSignalSpy firstFrame(window->mediaPlayer(), &MpvPlayer::firstFrameShown);
        ScreenFrames screen(window->videoOutputWidget(), window->mediaPlayer());
        window->loadVideo(rotated);
        QVERIFY(waitForFirstFrame(firstFrame));
        window->mediaPlayer()->pause(true);
        QVERIFY(screen.waitFor(window->mediaPlayer()->framesShown()));
        const QImage shot = onScreen(window->videoOutputWidget());
        shot.save(screenshotPath(QStringLiteral("rotated-") + QString::fromLatin1(renderer)));
        const QRect lit = litArea(shot);
        QVERIFY2(lit.height() > lit.width() * 2, qPrintable(QStringLiteral("lit area %1x%2").arg(lit.width()).arg(lit.height())));
        const QPoint leftEdge(lit.left() + 2, lit.center().y());
        const QPoint rightEdge(lit.right() - 2, lit.center().y());
        QVERIFY(qGray(shot.pixel(leftEdge)) > 200);
        QVERIFY(qGray(shot.pixel(rightEdge)) < 180);
        QCOMPARE(capture(window->mediaPlayer()).size(), QSize(120, 320));
    }

    // OpenGL makes mpv's renderer only when the widget first shows; a video
    // opened before that waits for it instead of failing.
    void videoOpenedBeforeTheWindowShowsPlays_data() { renderers_data(); }

    void videoOpenedBeforeTheWindowShowsPlays()
    {
        QFETCH(QByteArray, renderer);
        qputenv("VISTALOOM_VIDEO_OUTPUT", renderer);
        MainWindow window;
        QSignalSpy failed(window.mediaPlayer(), &MpvPlayer::loadFailed);
        window.loadVideo(FixtureVideos::indexedVideo(320, 240, 10, 2));
        if (renderer == "opengl") {
            // Without its renderer mpv would fail the file: the load must
            // not have reached mpv at all yet.
            QVERIFY(mpvIsIdle(window.mediaPlayer()));
            QCOMPARE(window.mediaPlayer()->mediaStatus(), MpvPlayer::LoadingMedia);
        } else {
            // The software renderer exists from the start: the video opens
            // while the window is still hidden.
            QVERIFY(waitForVideo(window.mediaPlayer()));
        }
        Startup::placeWindow(window);
        window.show();
        QVERIFY(waitForVideo(window.mediaPlayer()));
        QCOMPARE(failed.count(), 0);
    }

    // Typing a name into the Open dialog and pressing Enter, as a user does:
    // afterwards the keys reach the window again, not a leftover list. A
    // full path into a folder the dialog has not listed yet is the hard
    // case: the folder's listing arrives after Enter, and a dialog still
    // alive then opens its completion list over the window.
    void enterInTheOpenDialogLeavesTheKeysToTheWindow_data()
    {
        QTest::addColumn<bool>("fullPathToUnlistedFolder");
        QTest::newRow("name in the listed folder") << false;
        QTest::newRow("full path into a folder not listed yet") << true;
    }

    void enterInTheOpenDialogLeavesTheKeysToTheWindow()
    {
        QFETCH(bool, fullPathToUnlistedFolder);
        auto window = shownWindow();
        QVERIFY(window);
        QTemporaryDir folder;
        QString video = FixtureVideos::indexedVideo(320, 240, 10, 2);
        if (fullPathToUnlistedFolder) {
            const QString unlisted = folder.path() + QStringLiteral("/unlisted");
            QVERIFY(QDir().mkpath(unlisted));
            // Enough neighbours that listing the folder takes a moment.
            for (int i = 0; i < 200; ++i) {
                QFile neighbour(unlisted + QStringLiteral("/clip-%1.mp4").arg(i, 3, 10, QLatin1Char('0')));
                QVERIFY(neighbour.open(QIODevice::WriteOnly));
            }
            QVERIFY(QFile::copy(video, unlisted + QStringLiteral("/typed.mp4")));
            video = unlisted + QStringLiteral("/typed.mp4");
        }
        const QString typed = fullPathToUnlistedFolder ? video : QFileInfo(video).fileName();
        bool wasTyped = false;
        bool closed = false;
        // The dialog's folder listing, watched from before the typing.
        QPointer<QFileSystemModel> listing;
        std::unique_ptr<QSignalSpy> listed;
        ModalAnswer answer([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            auto *name = dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr;
            if (!name) {
                static_cast<QDialog *>(modal)->reject();
                return;
            }
            listing = dialog->findChild<QFileSystemModel *>();
            if (listing)
                listed = std::make_unique<QSignalSpy>(listing.data(), &QFileSystemModel::directoryLoaded);
            if (!fullPathToUnlistedFolder)
                dialog->setDirectory(QFileInfo(video).absolutePath());
            name->setFocus();
            // The folder part at a typist's pace, so the dialog follows it;
            // the name and Enter at once, before the folder is listed.
            const int folderPart = typed.lastIndexOf(QLatin1Char('/')) + 1;
            QTest::keyClicks(name, typed.left(folderPart), Qt::NoModifier, 20);
            QTest::keyClicks(name, typed.mid(folderPart));
            // Typing the folder part moves the dialog into that folder,
            // which leaves the file name in the field.
            wasTyped = typed.endsWith(name->text()) && name->text().endsWith(QFileInfo(video).fileName());
            // Enter, and again while the first one only took a completion.
            closed = QTest::qWaitFor([&] {
                if (dialog->isVisible())
                    QTest::keyClick(keyTarget(name), Qt::Key_Return);
                return !dialog->isVisible();
            }, timeoutMs);
            if (!closed)
                dialog->reject();
        });
        window->findChild<QAction *>(QStringLiteral("actionOpen"))->trigger();
        QVERIFY(answer.answered());
        QVERIFY(wasTyped);
        QVERIFY(closed);
        MpvPlayer *player = window->mediaPlayer();
        QVERIFY(waitForVideo(player));
        QCOMPARE(player->file(), video);
        player->pause(true);
        player->seek(500);
        QVERIFY(waitForPosition(player, 500));
        // A late folder listing opens its completion list the moment it
        // arrives: wait until it has, or until the dialog and its listing
        // are gone.
        const QString typedFolder = QDir::cleanPath(QFileInfo(video).absolutePath());
        QVERIFY2(QTest::qWaitFor([&] {
            return !fullPathToUnlistedFolder || !listing
                || (listed && std::any_of(listed->cbegin(), listed->cend(), [&](const QList<QVariant> &loaded) {
                        return QDir::cleanPath(loaded.value(0).toString()) == typedFolder;
                    }));
        }, timeoutMs), "the dialog lives on and never listed the typed folder");
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activePopupWidget(), static_cast<QWidget *>(nullptr), timeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), static_cast<QWidget *>(window.get()), timeoutMs);
        QVERIFY(QApplication::focusWidget() && QApplication::focusWidget()->window() == window.get());
        // The window's Step Forward shortcut.
        QWidget *target = keyTarget();
        QVERIFY(target);
        QTest::keyClick(target, Qt::Key_Right, Qt::ControlModifier);
        QVERIFY2(waitForPosition(player, 600), qPrintable(QStringLiteral("position %1").arg(player->position())));
    }

    // After a failed open and after Batch Mode closed the video, the video
    // area is black with its "Click to open video" again, the old frame gone.
    void theNoVideoStateReturns_data()
    {
        QTest::addColumn<QByteArray>("renderer");
        QTest::addColumn<QString>("closedBy");
        for (const char *renderer : {"opengl", "software"}) {
            for (const char *closedBy : {"failed open", "batch mode"}) {
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(QLatin1String(renderer), QLatin1String(closedBy))))
                    << QByteArray(renderer) << QString::fromLatin1(closedBy);
            }
        }
    }

    void theNoVideoStateReturns()
    {
        QFETCH(QByteArray, renderer);
        QFETCH(QString, closedBy);
        qputenv("VISTALOOM_VIDEO_OUTPUT", renderer);
        const QString red = FixtureVideos::make(
            QStringLiteral("red-x11.mp4"),
            {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("color=c=red:s=320x240:r=10:d=3"),
             QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")});
        const QString broken = FixtureVideos::folder() + QStringLiteral("/broken.mp4");
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();

        auto window = shownWindow();
        QVERIFY(window);
        QWidget *label = window->findChild<QWidget *>(QStringLiteral("openVideoLabel"));
        const auto redPixels = [](const QImage &image) {
            int count = 0;
            for (int y = 0; y < image.height(); y += 2) {
                for (int x = 0; x < image.width(); x += 2) {
                    const QColor c = image.pixelColor(x, y);
                    count += c.red() > 150 && c.green() < 90 && c.blue() < 90;
                }
            }
            return count;
        };
        const auto whitePixels = [](const QImage &image) {
            int count = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x)
                    count += qGray(image.pixel(x, y)) > 200;
            }
            return count;
        };
        // The state the window starts in: the hint shows, on black.
        QTRY_VERIFY_WITH_TIMEOUT(whitePixels(onScreen(label)) > 30, timeoutMs);

        QSignalSpy firstFrame(window->mediaPlayer(), &MpvPlayer::firstFrameShown);
        ScreenFrames screen(window->videoOutputWidget(), window->mediaPlayer());
        window->loadVideo(red);
        QVERIFY(waitForFirstFrame(firstFrame));
        window->mediaPlayer()->pause(true);
        QVERIFY(screen.waitFor(window->mediaPlayer()->framesShown()));
        QTRY_VERIFY_WITH_TIMEOUT(redPixels(onScreen(label)) > 1000, timeoutMs);
        QCOMPARE(whitePixels(onScreen(label)), 0);

        QString seen;
        ModalAnswer answer([&seen](QWidget *modal) {
            if (auto *box = qobject_cast<QMessageBox *>(modal))
                seen = box->text();
            static_cast<QDialog *>(modal)->reject();
        });
        if (closedBy == QLatin1String("failed open")) {
            window->loadVideo(broken);
            QTRY_VERIFY_WITH_TIMEOUT(answer.answered(), timeoutMs);
            QCOMPARE(seen, QStringLiteral("Cannot open video: ") + broken);
        } else {
            window->findChild<QAction *>(QStringLiteral("actionBatch_Mode"))->trigger();
            QVERIFY(answer.answered());
        }
        QCOMPARE(window->mediaPlayer()->mediaStatus(), MpvPlayer::NoMedia);
        QTRY_VERIFY_WITH_TIMEOUT(redPixels(onScreen(label)) == 0, timeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(whitePixels(onScreen(label)) > 30, timeoutMs);
        if (closedBy == QLatin1String("failed open"))
            QVERIFY(onScreen(window.get()).save(screenshotPath(QStringLiteral("no-video-after-failed-open-") + QString::fromLatin1(renderer))));
    }

    void dropOpensTheFile()
    {
        auto window = shownWindow();
        QVERIFY(window);
        const QString video = FixtureVideos::indexedVideo(320, 240, 10, 2);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(video)});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        QVERIFY(waitForVideo(window->mediaPlayer()));
        QCOMPARE(window->windowTitle(), QStringLiteral("Vistaloom - ") + QFileInfo(video).fileName());
    }

    void missingFileArgumentLeavesEverythingDisabled()
    {
        auto window = shownWindow();
        QVERIFY(window);
        QVERIFY(!Startup::openArgument(*window, {QStringLiteral("vistaloom"), QStringLiteral("/no/such/video.mp4")}));
        // Whatever the refusal set off has run, and mpv was asked for nothing.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QVERIFY(mpvIsIdle(window->mediaPlayer()));
        QCOMPARE(window->windowTitle(), QStringLiteral("Vistaloom"));
        QVERIFY(!window->findChild<QWidget *>("videoControlsFrame")->isEnabled());
        QVERIFY(!window->findChild<QWidget *>("videoSlider")->isEnabled());
        QVERIFY(!window->findChild<QWidget *>("snapshotControlsFrame")->isEnabled());
        QVERIFY(window->isVisible());
    }

    // The program itself, started as a user starts it.
    void programStartsWith_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<bool>("plays");
        QTest::newRow("the sample") << QStringLiteral(VISTALOOM_SAMPLE_VIDEO) << true;
        QTest::newRow("a missing file") << QStringLiteral("/no/such/video.mp4") << false;
    }

    void programStartsWith()
    {
        QFETCH(QString, argument);
        QFETCH(bool, plays);
        // The window sits centred, 800 x 600; no window manager moves it.
        const QSize screen = QGuiApplication::primaryScreen()->size();
        const QRect windowArea((screen.width() - 800) / 2, (screen.height() - 600) / 2, 800, 600);
        const QRect videoArea(windowArea.topLeft() + QPoint(20, 60), QSize(250, 250));
        const QImage bare = grabScreen(windowArea);
        QTemporaryDir logFolder;
        QProcess program;
        // mpv's own account of a start that never moves.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("VISTALOOM_MPV_LOG"), logFolder.filePath(QStringLiteral("mpv.log")));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(VISTALOOM_APP_EXECUTABLE), {argument});
        QVERIFY(program.waitForStarted());
        // A slow start (sanitizers, a busy machine) only delays the window.
        QVERIFY(QTest::qWaitFor([&] { return grabScreen(windowArea) != bare; }, 3 * timeoutMs));
        if (!plays) {
            // Let the window finish drawing itself: settled once it has
            // looked the same for a while.
            QImage last = grabScreen(windowArea);
            QElapsedTimer unchanged;
            unchanged.start();
            QVERIFY(QTest::qWaitFor([&] {
                const QImage current = grabScreen(windowArea);
                if (current != last) {
                    last = current;
                    unchanged.restart();
                }
                return unchanged.elapsed() >= 600;
            }, timeoutMs));
        }
        // Moving: two grabs in a row differ, and show a picture. Stillness
        // can only be seen over time: a still window is watched for 1.2 s.
        QImage previous = grabScreen(videoArea);
        const bool moving = QTest::qWaitFor([&] {
            const QImage current = grabScreen(videoArea);
            const bool changed = current != previous && distinctColours(current) > 20;
            previous = current;
            return changed;
        }, plays ? 3 * timeoutMs : 1200);
        QGuiApplication::primaryScreen()->grabWindow(0).save(
            screenshotPath(plays ? QStringLiteral("program-sample") : QStringLiteral("program-missing")));
        if (moving != plays) {
            QFile log(logFolder.filePath(QStringLiteral("mpv.log.%1").arg(program.processId())));
            if (log.open(QIODevice::ReadOnly))
                qWarning().noquote() << "mpv's log, last part:\n" << log.readAll().right(6000);
        }
        QCOMPARE(moving, plays);
        QCOMPARE(program.state(), QProcess::Running);
        program.terminate();
        QVERIFY(program.waitForFinished(timeoutMs));
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestMainWindowX11)
#include "tst_mainwindow_x11.moc"
