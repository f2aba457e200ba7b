#include "filenameprofiledialog.h"
#include "fixturevideos.h"
#include "imageprofiledialog.h"
#include "imageview.h"
#include "mainwindow.h"
#include "paintcounter.h"
#include "snapshottestsupport.h"
#include "testmain.h"
#include "watermarkprofiledialog.h"

#include "profiles/filenameprofile.h"
#include "profiles/imageprofile.h"
#include "profiles/profilemanager.h"
#include "profiles/watermarkprofile.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>

#include <memory>

using namespace SnapshotTestSupport;

// Pictures of the snapshot pane and the profile dialogs on a real X server,
// for people to look at; the checks only make sure there is something to see.
class TestSnapshotScreenshots : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> window;

    static QString shotPath(const QString &name)
    {
        QDir().mkpath(QStringLiteral(VISTALOOM_SCREENSHOT_DIR));
        return QStringLiteral(VISTALOOM_SCREENSHOT_DIR "/") + name + QStringLiteral(".png");
    }

    // ready: what the picture must show first (a delayed preview).
    static void shoot(QWidget *widget, const QString &name, const std::function<bool()> &ready = [] { return true; })
    {
        PaintCounter painted(widget);
        widget->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget));
        QVERIFY(waitFor(ready));
        QVERIFY(painted.waitForRepaint(TimeoutMs));
        const QImage shot = widget->grab().toImage();
        QVERIFY(!shot.isNull());
        QVERIFY(shot.save(shotPath(name)));
        qInfo().noquote() << "screenshot:" << shotPath(name);
    }

private slots:
    void initTestCase()
    {
        ProfileManager *watermarks = WatermarkProfile::manager();
        auto *mark = qobject_cast<WatermarkProfile *>(watermarks->addProfile(watermarks->createProfile()));
        mark->setName(QStringLiteral("Corner Mark"));
        mark->setText(QStringLiteral("Vistaloom"));
        mark->setTextFont(QFont(QStringLiteral("DejaVu Sans"), 28));
        mark->setTextShadowXOffset(2);
        mark->setTextShadowYOffset(2);
        watermarks->save();

        ProfileManager *images = ImageProfile::manager();
        auto *profile = qobject_cast<ImageProfile *>(images->addProfile(images->createProfile()));
        profile->setName(QStringLiteral("Crop 640x480 with mark"));
        profile->setSameSizeAsVideo(false);
        profile->setCropImage(true);
        profile->setImageBrightness(10);
        profile->setWatermarkProfileId(mark->id());
        images->setLastUsedProfile(profile);

        ProfileManager *names = FileNameProfile::manager();
        auto *longNames = qobject_cast<FileNameProfile *>(names->addProfile(names->createProfile()));
        longNames->setName(QStringLiteral("Long prefix"));
        longNames->setFileOutputPrefix(QStringLiteral("holiday-in-the-mountains-with-the-whole-family_"));
        FileNameProfile::manager()->setLastUsedProfile(longNames);
        QSettings().setValue(QStringLiteral("automaticFileName"), true);
        window = std::make_unique<MainWindow>();
        window->resize(1100, 650);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QString video = FixtureVideos::make(
            QStringLiteral("testsrc-1280x720.mp4"),
            {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
             QStringLiteral("testsrc2=size=1280x720:rate=25:duration=3"), QStringLiteral("-pix_fmt"),
             QStringLiteral("yuv420p")});
        QVERIFY(!video.isEmpty());
        window->loadVideo(video);
        QVERIFY(waitForVideo(window->mediaPlayer()));
        window->mediaPlayer()->pause(true);
        window->mediaPlayer()->seek(1000);
        // seek() sets the position at once; the seek is over when mpv shows the frame.
        QVERIFY(waitFor([this] {
            return !window->mediaPlayer()->isSeeking() && window->mediaPlayer()->position() == 1000;
        }));
        ImageView *view = child<ImageView>(window.get(), "snapshotImageView");
        child<QPushButton>(window.get(), "snapshotButton")->click();
        QVERIFY(waitFor([view] { return !view->image().isNull(); }));
    }

    void mainWindowWithAProcessedSnapshot()
    {
        QCOMPARE(child<ImageView>(window.get(), "snapshotImageView")->image().size(), QSize(640, 480));
        shoot(window.get(), QStringLiteral("mainwindow-snapshot"));
        shoot(child<QWidget>(window.get(), "snapshotControlsFrame"), QStringLiteral("mainwindow-next-long-name"));
    }

    void imageProfileDialog()
    {
        ImageProfileDialog dialog(window.get());
        dialog.selectProfile(ImageProfile::manager()->lastUsedProfile());
        dialog.setVideoSize(1280, 720);
        shoot(&dialog, QStringLiteral("imageprofiledialog"));
    }

    void fileNameProfileDialog()
    {
        FileNameProfileDialog dialog(window.get());
        dialog.setExampleVideoName(QStringLiteral("testsrc-1280x720.mp4"));
        shoot(&dialog, QStringLiteral("filenameprofiledialog"));
    }

    void watermarkProfileDialog_data()
    {
        QTest::addColumn<int>("tab");
        QTest::newRow("type") << 0;
        QTest::newRow("effects") << 1;
        QTest::newRow("position") << 2;
    }

    void watermarkProfileDialog()
    {
        QFETCH(int, tab);
        WatermarkProfileDialog dialog(window.get());
        dialog.selectProfile(WatermarkProfile::manager()->profiles().first());
        ImageProfile preview;
        dialog.setImage(child<ImageView>(window.get(), "snapshotImageView")->image(), &preview);
        child<QTabWidget>(&dialog, "tabWidget")->setCurrentIndex(tab);
        // The preview is drawn a moment after the last change.
        ImageView *positioner = child<ImageView>(&dialog, "watermarkPositioner");
        shoot(&dialog, QStringLiteral("watermarkprofiledialog-") + QString::fromLatin1(QTest::currentDataTag()),
              [positioner] { return !positioner->image().isNull(); });
    }

    void cleanupTestCase() { window.reset(); }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestSnapshotScreenshots)
#include "tst_snapshot_screenshots.moc"
