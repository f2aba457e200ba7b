#include "fixturevideos.h"
#include "fontlabel.h"
#include "imagetext.h"
#include "imageview.h"
#include "mainwindow.h"
#include "snapshottestsupport.h"
#include "testmain.h"

#include "profiles/filenameprofile.h"
#include "profiles/imageprofile.h"
#include "profiles/profilemanager.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTextEdit>
#include <QTemporaryDir>

#include <memory>

#include <unistd.h>

using namespace SnapshotTestSupport;

namespace {

struct Message
{
    QString title;
    QString text;
};

// Records and answers a message box with the given button.
ModalAnswer *answerMessage(Message &seen, QMessageBox::StandardButton reply = QMessageBox::Ok)
{
    return new ModalAnswer([&seen, reply](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return;
        seen.title = box->windowTitle();
        seen.text = box->text();
        QAbstractButton *button = box->button(reply);
        if (button)
            button->click();
        else
            box->reject();
    });
}

ImageProfile *cropProfile()
{
    static ImageProfile *profile = nullptr;
    if (!profile) {
        ProfileManager *manager = ImageProfile::manager();
        profile = qobject_cast<ImageProfile *>(manager->addProfile(manager->createProfile()));
        profile->setName(QStringLiteral("Crop 640x480"));
        profile->setSameSizeAsVideo(false);
        profile->setImageWidth(640);
        profile->setImageHeight(480);
        profile->setCropImage(true);
        manager->save();
    }
    return profile;
}

FileNameProfile *pngNameProfile()
{
    static FileNameProfile *profile = nullptr;
    if (!profile) {
        ProfileManager *manager = FileNameProfile::manager();
        profile = qobject_cast<FileNameProfile *>(manager->addProfile(manager->createProfile()));
        profile->setName(QStringLiteral("PNG names"));
        profile->setFileOutputType(QStringLiteral("png"));
        manager->save();
    }
    return profile;
}

// Names that tell the snapshot's frame time.
FileNameProfile *timeNameProfile()
{
    static FileNameProfile *profile = nullptr;
    if (!profile) {
        ProfileManager *manager = FileNameProfile::manager();
        profile = qobject_cast<FileNameProfile *>(manager->addProfile(manager->createProfile()));
        profile->setName(QStringLiteral("Time names"));
        profile->setFileBaseName(QStringLiteral("{video}@{time}"));
        profile->setFileOutputSuffix(QStringLiteral("_{ms}_"));
        profile->setFileOutputType(QStringLiteral("png"));
        manager->save();
    }
    return profile;
}

} // namespace

// The snapshot pane of the main window with the real player and real files.
class TestMainWindowSnapshot : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> window;
    QTemporaryDir folders;
    int folderCount = 0;

    template<typename T = QWidget>
    T *ui(const char *name) const { return child<T>(window.get(), name); }

    // A fresh folder holding the fixture video under the given name.
    QString videoNamed(const QString &fileName, int width = 960, int height = 540)
    {
        const QString folder = folders.filePath(QString::number(++folderCount));
        QDir().mkpath(folder);
        const QString source = FixtureVideos::indexedVideo(width, height, 10, 3);
        const QString target = folder + QLatin1Char('/') + fileName;
        if (source.isEmpty() || !QFile::copy(source, target))
            return QString();
        return target;
    }

    void open(const QString &path)
    {
        QVERIFY(!path.isEmpty());
        window->loadVideo(path);
        QVERIFY(waitForVideo(window->mediaPlayer()));
    }

    void snapshotAt(qint64 position)
    {
        MpvPlayer *player = window->mediaPlayer();
        player->pause(true);
        player->seek(position);
        QVERIFY(waitFor([player, position] { return player->position() == position && player->isPaused(); }));
        // The position is reported before the frame is on show; capture until
        // the frame of that position (10 per second) comes back.
        const int wanted = static_cast<int>(position / 100);
        QSignalSpy captured(player->videoCapture(), &VideoCapture::imageCaptured);
        const auto frameOf = [&captured] {
            const QImage image = captured.last().first().value<QImage>();
            return FixtureVideos::frameIndexOfLevel(qGray(image.pixel(image.width() / 2, image.height() / 2)));
        };
        QVERIFY(waitFor([&] {
            if (!captured.isEmpty() && frameOf() == wanted)
                return true;
            const int before = captured.count();
            ui<QPushButton>("snapshotButton")->click();
            return waitFor([&] { return captured.count() > before; }) && frameOf() == wanted;
        }));
        // The window takes the capture through a queued call, posted when the
        // spy saw it: let it arrive before the test goes on with the window.
        QCoreApplication::sendPostedEvents();
    }

    QImage shownSnapshot() const { return ui<ImageView>("snapshotImageView")->image(); }

    void choose(const char *comboName, BaseProfile *profile)
    {
        auto *combo = ui<QComboBox>(comboName);
        const int index = combo->findData(profile->id());
        QVERIFY(index >= 0);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    void setAutomatic(bool on, const QString &folder = QString())
    {
        ui<QGroupBox>("automaticFileNameGroupBox")->setChecked(on);
        if (!folder.isNull())
            ui<QLineEdit>("outputFolderLineEdit")->setText(folder);
    }

    QString nextName() const
    {
        auto *label = ui<QLabel>("nextFileNameLabel");
        return label->isVisibleTo(window.get()) ? label->toolTip() : QString();
    }

    void save() { ui<QPushButton>("saveButton")->click(); }

private slots:
    void initTestCase()
    {
        // Profiles exist before any window fills its combo boxes.
        QVERIFY(cropProfile());
        QVERIFY(pngNameProfile());
        QVERIFY(timeNameProfile());
    }

    void init()
    {
        QSettings().clear();
        window = std::make_unique<MainWindow>();
        window->resize(900, 600);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(window->mediaPlayer());
    }

    void cleanup()
    {
        window.reset();
        ImageProfile::manager()->setLastUsedProfile(ImageProfile::manager()->profiles().first());
        FileNameProfile::manager()->setLastUsedProfile(FileNameProfile::manager()->profiles().first());
    }

    void aPausedFrameArrivesAtVideoSizeAndShowsProcessed()
    {
        open(videoNamed(QStringLiteral("frames.mp4")));
        choose("imageProfileComboBox", cropProfile());
        QVERIFY(ui("enableControlsHintLabel")->isVisibleTo(window.get()));
        snapshotAt(1500);

        const QImage shown = shownSnapshot();
        QCOMPARE(shown.size(), QSize(640, 480));
        QCOMPARE(FixtureVideos::frameIndexOfLevel(qGray(shown.pixel(320, 240))), 15);
        QVERIFY(ui<QAction>("actionSaveSnapshot")->isEnabled());
        QVERIFY(ui("snapshotControlsFrame")->isEnabled());
        QVERIFY(!ui("enableControlsHintLabel")->isVisibleTo(window.get()));

        // Both copies read back from the clipboard.
        ui<QAction>("actionCopy_Snapshot")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(640, 480));
        ui<QAction>("actionCopy_Full_Frame")->trigger();
        const QImage frame = QGuiApplication::clipboard()->image();
        QCOMPARE(frame.size(), QSize(960, 540));
        QCOMPARE(FixtureVideos::frameIndexOfLevel(qGray(frame.pixel(480, 270))), 15);
    }

    void copyWithoutASnapshotLeavesTheClipboardAlone()
    {
        QImage marker(3, 3, QImage::Format_ARGB32);
        marker.fill(Qt::red);
        QGuiApplication::clipboard()->setImage(marker);
        QVERIFY(QMetaObject::invokeMethod(window.get(), "on_actionCopy_Snapshot_triggered"));
        QVERIFY(QMetaObject::invokeMethod(window.get(), "on_actionCopy_Full_Frame_triggered"));
        QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(3, 3));
    }

    void anotherImageProfileAppliesFromTheNextCapture()
    {
        open(videoNamed(QStringLiteral("frames.mp4")));
        choose("imageProfileComboBox", ImageProfile::manager()->profiles().first());
        snapshotAt(1000);
        QCOMPARE(shownSnapshot().size(), QSize(960, 540));

        choose("imageProfileComboBox", cropProfile());
        QCOMPARE(shownSnapshot().size(), QSize(960, 540));
        QCOMPARE(ImageProfile::manager()->lastUsedProfile(), cropProfile());
        snapshotAt(1000);
        QCOMPARE(shownSnapshot().size(), QSize(640, 480));
    }

    void automaticNamesSkipTakenNamesAndAdvanceAfterASave()
    {
        const QString video = videoNamed(QStringLiteral("MyVideo.mp4"));
        const QDir folder = QFileInfo(video).absoluteDir();
        for (int i = 1; i <= 3; ++i) {
            QFile taken(folder.filePath(QStringLiteral("MyVideo-%1.jpeg").arg(i)));
            QVERIFY(taken.open(QIODevice::WriteOnly));
        }
        setAutomatic(true);
        QCOMPARE(QSettings().value(QStringLiteral("automaticFileName")).toBool(), true);
        QCOMPARE(nextName(), QString());
        open(video);
        QCOMPARE(ui<QLineEdit>("outputFolderLineEdit")->text(), QDir::toNativeSeparators(folder.absolutePath()));
        QCOMPARE(nextName(), QStringLiteral("MyVideo-4.jpeg"));

        snapshotAt(500);
        save();
        const QImage written(folder.filePath(QStringLiteral("MyVideo-4.jpeg")));
        QCOMPARE(written.size(), QSize(960, 540));
        QCOMPARE(FixtureVideos::frameIndexOfLevel(qGray(written.pixel(480, 270))), 5);
        QCOMPARE(ImageText::jpegComments(folder.filePath(QStringLiteral("MyVideo-4.jpeg"))),
                 QStringList{"Source: MyVideo.mp4, Time: 00:00:00.500"});
        QCOMPARE(nextName(), QStringLiteral("MyVideo-5.jpeg"));
        QCOMPARE(QSettings().value(QStringLiteral("lastSaveDir")).toString(), folder.absolutePath());

        // A link placed at the next name after it was shown is neither
        // followed nor replaced: the snapshot takes the name after it.
        const QString victim = folder.filePath(QStringLiteral("elsewhere.jpeg"));
        QVERIFY(QFile::link(victim, folder.filePath(QStringLiteral("MyVideo-5.jpeg"))));
        save();
        QVERIFY(!QFileInfo::exists(victim));
        QCOMPARE(QImage(folder.filePath(QStringLiteral("MyVideo-6.jpeg"))).size(), QSize(960, 540));
        QCOMPARE(nextName(), QStringLiteral("MyVideo-7.jpeg"));

        setAutomatic(false);
        QCOMPARE(nextName(), QString());
    }

    // The same frame saved twice under a time name keeps both files.
    void automaticNamesCarryTheSnapshotsFrameTime()
    {
        const QString video = videoNamed(QStringLiteral("MyVideo.mp4"));
        const QDir folder = QFileInfo(video).absoluteDir();
        setAutomatic(true);
        open(video);
        choose("filenameProfileComboBox", timeNameProfile());
        snapshotAt(1200);
        QCOMPARE(nextName(), QStringLiteral("MyVideo@00-00-01.200_1200_1.png"));
        // Too long for its row: shortened in the middle, counter and type in sight.
        auto *label = ui<QLabel>("nextFileNameLabel");
        QTRY_VERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width()
                    && label->text().endsWith(QStringLiteral("_1.png")));
        save();
        save();
        const QImage first(folder.filePath(QStringLiteral("MyVideo@00-00-01.200_1200_1.png")));
        QCOMPARE(FixtureVideos::frameIndexOfLevel(qGray(first.pixel(480, 270))), 12);
        QVERIFY(QFileInfo::exists(folder.filePath(QStringLiteral("MyVideo@00-00-01.200_1200_2.png"))));
        snapshotAt(2300);
        QCOMPARE(nextName(), QStringLiteral("MyVideo@00-00-02.300_2300_3.png"));
    }

    // Each saved file names the video and the time of the frame its
    // snapshot was taken of, not of the frame on show when saving.
    void savedSnapshotsCarryTheirVideoAndTime()
    {
        const QString video = videoNamed(QStringLiteral("Talk été.mp4"));
        const QString out = folders.filePath(QStringLiteral("times"));
        QVERIFY(QDir().mkpath(out));
        open(video);
        choose("filenameProfileComboBox", pngNameProfile());
        setAutomatic(true, out);

        snapshotAt(1200);
        window->mediaPlayer()->seek(2000);
        QVERIFY(waitFor([this] { return window->mediaPlayer()->position() == 2000; }));
        save();
        snapshotAt(2300);
        save();

        QStringList times;
        for (const QString &name : {QStringLiteral("Talk été-1.png"), QStringLiteral("Talk été-2.png")}) {
            const QMap<QString, QString> text = ImageText::read(out + QLatin1Char('/') + name);
            QCOMPARE(text.value(QStringLiteral("Source")), QStringLiteral("Talk été.mp4"));
            times << text.value(QStringLiteral("Time"));
        }
        QCOMPARE(times, (QStringList{"00:00:01.200", "00:00:02.300"}));
    }

    void theAutomaticNameStopsAtTheFirstDotTheDialogAtTheLast()
    {
        setAutomatic(true);
        open(videoNamed(QStringLiteral("clip.part1.mp4")));
        QCOMPARE(nextName(), QStringLiteral("clip-1.jpeg"));
        snapshotAt(500);

        setAutomatic(false);
        QString proposed;
        ModalAnswer answer([&proposed](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            if (auto *name = dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr)
                proposed = name->text();
            static_cast<QDialog *>(modal)->reject();
        });
        save();
        QVERIFY(answer.answered());
        QCOMPARE(proposed, QStringLiteral("clip.part1.jpg"));
    }

    // The first dialog proposes the snapshot's name with the selected
    // filter's suffix, and the name follows the filter the user picks.
    void theSaveDialogNameCarriesTheSuffixOfItsFilter()
    {
        const QString video = videoNamed(QStringLiteral("MyVideo.mp4"));
        const QDir folder = QFileInfo(video).absoluteDir();
        open(video);
        snapshotAt(500);
        Message seen;
        std::unique_ptr<ModalAnswer> warn;
        QStringList proposals;
        const auto acceptAsProposed = [&](bool pickNextFilter) {
            return [&, pickNextFilter](QWidget *modal) {
                auto *dialog = qobject_cast<QFileDialog *>(modal);
                auto *name = dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr;
                auto *types = dialog ? dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo")) : nullptr;
                if (!name || !types) {
                    static_cast<QDialog *>(modal)->reject();
                    return;
                }
                proposals << name->text();
                if (pickNextFilter) {
                    // As the user picks it: the key moves to the next filter.
                    QTest::keyClick(types, Qt::Key_Down);
                    proposals << name->text();
                }
                warn.reset(answerMessage(seen));
                static_cast<QDialog *>(dialog)->accept();
            };
        };
        ModalAnswer first(acceptAsProposed(false));
        save();
        QVERIFY(first.answered());
        QCOMPARE(seen.text, QString());
        QCOMPARE(proposals, QStringList{QStringLiteral("MyVideo.jpg")});
        QCOMPARE(QImageReader(folder.filePath(QStringLiteral("MyVideo.jpg"))).format(), QByteArray("jpeg"));

        ModalAnswer second(acceptAsProposed(true));
        save();
        QVERIFY(second.answered());
        QCOMPARE(seen.text, QString());
        QCOMPARE(proposals.mid(1), (QStringList{QStringLiteral("MyVideo.jpg"), QStringLiteral("MyVideo.png")}));
        QImageReader png(folder.filePath(QStringLiteral("MyVideo.png")));
        QCOMPARE(png.format(), QByteArray("png"));
        QCOMPARE(png.size(), QSize(960, 540));

        // The filter saved with last is the one proposed next time.
        ModalAnswer third([&proposals](QWidget *modal) {
            if (auto *name = modal->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                proposals << name->text();
            static_cast<QDialog *>(modal)->reject();
        });
        ui<QAction>("actionSaveSnapshot")->trigger();
        QVERIFY(third.answered());
        QCOMPARE(proposals.last(), QStringLiteral("MyVideo.png"));
    }

    // A PNG snapshot is compressed whichever way it is saved, and a portrait
    // video's snapshot is upright at the video's size.
    void pngSnapshotsAreCompressedOnEverySavePath_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<QSize>("size");
        QTest::newRow("landscape") << videoNamed(QStringLiteral("Landscape.mp4")) << QSize(960, 540);
        QTest::newRow("portrait 1080x1920")
            << FixtureVideos::make(QStringLiteral("Portrait.mp4"),
                                   {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                    QStringLiteral("testsrc2=s=1080x1920:r=25:d=1"), QStringLiteral("-c:v"),
                                    QStringLiteral("libx264"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")})
            << QSize(1080, 1920);
    }

    void pngSnapshotsAreCompressedOnEverySavePath()
    {
        QFETCH(QString, video);
        QFETCH(QSize, size);
        open(video);
        window->mediaPlayer()->pause(true);
        QVERIFY(waitFor([this] { return window->mediaPlayer()->isPaused(); }));
        ui<QPushButton>("snapshotButton")->click();
        QVERIFY(waitFor([&] { return shownSnapshot().size() == size; }));
        const QString out = folders.filePath(QStringLiteral("png-") + QFileInfo(video).completeBaseName());
        QVERIFY(QDir().mkpath(out));
        const qint64 raw = qint64(size.width()) * size.height() * 4;

        // Through the dialog, under the default file-name profile (JPEG).
        const QString chosen = out + QStringLiteral("/chosen.png");
        ModalAnswer answer([&chosen](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(chosen);
            static_cast<QDialog *>(dialog)->accept();
        });
        save();
        QVERIFY(answer.answered());

        // Under an automatic PNG name.
        choose("filenameProfileComboBox", pngNameProfile());
        setAutomatic(true, out);
        save();
        const QString automatic = out + QLatin1Char('/') + QFileInfo(video).completeBaseName() + QStringLiteral("-1.png");

        for (const QString &path : {chosen, automatic}) {
            QImageReader reader(path);
            QCOMPARE(reader.format(), QByteArray("png"));
            QCOMPARE(reader.size(), size);
            const qint64 bytes = QFileInfo(path).size();
            qInfo("%s: %lld bytes, raw %lld", qPrintable(QFileInfo(path).fileName()), bytes, raw);
            QVERIFY2(bytes * 3 < raw, qPrintable(QStringLiteral("%1: %2 bytes").arg(path).arg(bytes)));
        }
    }

    void aRelativeOrEmptyFolderIsRefused_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("empty") << QString();
        QTest::newRow("relative") << QStringLiteral("shots/today");
    }

    void aRelativeOrEmptyFolderIsRefused()
    {
        QFETCH(QString, folder);
        const QString video = videoNamed(QStringLiteral("MyVideo.mp4"));
        open(video);
        snapshotAt(500);
        setAutomatic(true);
        ui<QLineEdit>("outputFolderLineEdit")->setText(folder);
        Message seen;
        std::unique_ptr<ModalAnswer> answer(answerMessage(seen));
        save();
        QCOMPARE(seen.title, QStringLiteral("Unknown Folder"));
        QCOMPARE(seen.text, QStringLiteral("Please enter a valid output folder in the Automatic FileName section."));
        QCOMPARE(window->focusWidget(), ui("outputFolderLineEdit"));
        QVERIFY(!QFileInfo::exists(QStringLiteral("shots")));
        QCOMPARE(QDir(QFileInfo(video).absolutePath()).entryList(QDir::Files).size(), 1);
    }

    void aMissingFolderIsMadeOnlyWhenTheUserAgrees()
    {
        open(videoNamed(QStringLiteral("MyVideo.mp4")));
        snapshotAt(500);
        const QString missing = folders.filePath(QStringLiteral("new/deeper"));
        setAutomatic(true, missing);

        Message refused;
        std::unique_ptr<ModalAnswer> no(answerMessage(refused, QMessageBox::No));
        save();
        QCOMPARE(refused.title, QStringLiteral("Folder does not exist"));
        QCOMPARE(refused.text, QStringLiteral("Create folder?\r\n") + QDir::toNativeSeparators(missing));
        QVERIFY(!QFileInfo::exists(missing));

        Message agreed;
        std::unique_ptr<ModalAnswer> yes(answerMessage(agreed, QMessageBox::Yes));
        save();
        QCOMPARE(agreed.title, QStringLiteral("Folder does not exist"));
        QVERIFY(!QImage(missing + QStringLiteral("/MyVideo-1.jpeg")).isNull());
        QCOMPARE(nextName(), QStringLiteral("MyVideo-2.jpeg"));
    }

    void aFolderThatCannotBeMadeIsReportedAndNothingIsWritten()
    {
        open(videoNamed(QStringLiteral("MyVideo.mp4")));
        snapshotAt(500);
        // A regular file in the way stops the folder being made, root or not.
        const QString blocker = folders.filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString impossible = blocker + QStringLiteral("/shots");
        setAutomatic(true, impossible);
        const QString before = nextName();

        Message question;
        Message warning;
        std::unique_ptr<ModalAnswer> warn;
        ModalAnswer yes([&](QWidget *modal) {
            warn.reset(answerMessage(warning));
            auto *box = qobject_cast<QMessageBox *>(modal);
            question.title = box->windowTitle();
            box->button(QMessageBox::Yes)->click();
        });
        save();

        QCOMPARE(question.title, QStringLiteral("Folder does not exist"));
        QCOMPARE(warning.title, QStringLiteral("Unable to make path"));
        QCOMPARE(warning.text, QDir::toNativeSeparators(impossible));
        QCOMPARE(nextName(), before);
    }

    void choosingAnOutputFolderRestartsTheCounter()
    {
        const QString video = videoNamed(QStringLiteral("MyVideo.mp4"));
        setAutomatic(true);
        open(video);
        snapshotAt(500);
        save();
        save();
        QCOMPARE(nextName(), QStringLiteral("MyVideo-3.jpeg"));
        const QString chosen = folders.filePath(QStringLiteral("chosen"));
        QDir().mkpath(chosen);
        ModalAnswer answer([&chosen](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Open Directory"));
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(chosen);
            static_cast<QDialog *>(dialog)->accept();
        });
        ui<QPushButton>("selectOutputFolderButton")->click();

        QVERIFY(answer.answered());
        QCOMPARE(ui<QLineEdit>("outputFolderLineEdit")->text(), QDir::toNativeSeparators(chosen));
        QCOMPARE(nextName(), QStringLiteral("MyVideo-1.jpeg"));
        QCOMPARE(QSettings().value(QStringLiteral("lastSaveDir")).toString(), QFileInfo(video).absolutePath());
    }

    void aSaveThatCannotBeWrittenWarnsAndMovesNoCounter()
    {
        const QString video = videoNamed(QStringLiteral("MyVideo.mp4"));
        const QString folder = QFileInfo(video).absolutePath();
        open(video);
        snapshotAt(500);
        setAutomatic(true, folder);

        FileNameProfile *tooLong = nullptr;
        if (geteuid() == 0) {
            // Permissions do not stop root; a name beyond the file system's limit does.
            ProfileManager *manager = FileNameProfile::manager();
            tooLong = qobject_cast<FileNameProfile *>(manager->addProfile(manager->createProfile()));
            tooLong->setName(QStringLiteral("Too long"));
            tooLong->setFileOutputPrefix(QString(300, QLatin1Char('x')));
            QVERIFY(QMetaObject::invokeMethod(window.get(), "loadFileNameProfileComboBox"));
            choose("filenameProfileComboBox", tooLong);
        } else {
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        }
        const QString before = nextName();
        const QString lastSaveDir = QSettings().value(QStringLiteral("lastSaveDir")).toString();

        Message seen;
        std::unique_ptr<ModalAnswer> answer(answerMessage(seen));
        save();
        if (!tooLong)
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QCOMPARE(seen.title, QStringLiteral("Vistaloom"));
        QCOMPARE(seen.text, QStringLiteral("Could not save the snapshot to: ") + QDir(folder).filePath(before));
        QCOMPARE(nextName(), before);
        QCOMPARE(QSettings().value(QStringLiteral("lastSaveDir")).toString(), lastSaveDir);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("MyVideo.mp4")});
    }

    void cancellingTheSaveDialogChangesNothing()
    {
        const QString video = videoNamed(QStringLiteral("MyVideo.mp4"));
        open(video);
        snapshotAt(500);
        const QString lastSaveDir = QSettings().value(QStringLiteral("lastSaveDir")).toString();
        QStringList proposals;
        const auto cancelNoting = [&proposals](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->nameFilters(),
                     (QStringList{QStringLiteral("JPEG (*.jpg *.jpeg)"), QStringLiteral("PNG (*.png)"),
                                  QStringLiteral("BMP (*.bmp)"), QStringLiteral("TIFF (*.tif *.tiff)"),
                                  QStringLiteral("WebP (*.webp)"), QStringLiteral("AVIF (*.avif)"),
                                  QStringLiteral("JPEG XL (*.jxl)")}));
            proposals << dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text()
                      << dialog->directory().absolutePath();
            dialog->reject();
        };
        ModalAnswer first(cancelNoting);
        ui<QAction>("actionSaveSnapshot")->trigger();
        ModalAnswer second(cancelNoting);
        save();

        QVERIFY(first.answered() && second.answered());
        QCOMPARE(proposals.size(), 4);
        QCOMPARE(proposals.mid(2), proposals.mid(0, 2));
        QCOMPARE(proposals.at(1), QFileInfo(video).absolutePath());
        QCOMPARE(QDir(QFileInfo(video).absolutePath()).entryList(QDir::Files).size(), 1);
        QCOMPARE(QSettings().value(QStringLiteral("lastSaveDir")).toString(), lastSaveDir);
    }

    void savingThroughTheDialogMovesTheSaveFolder()
    {
        open(videoNamed(QStringLiteral("MyVideo.mp4")));
        choose("imageProfileComboBox", cropProfile());
        snapshotAt(500);
        const QString elsewhere = folders.filePath(QStringLiteral("elsewhere"));
        QDir().mkpath(elsewhere);
        const QString target = elsewhere + QStringLiteral("/chosen.png");
        ModalAnswer answer([&target](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(target);
            static_cast<QDialog *>(dialog)->accept();
        });
        save();

        QVERIFY(answer.answered());
        QImageReader reader(target);
        QCOMPARE(reader.format(), QByteArray("png"));
        QCOMPARE(reader.size(), QSize(640, 480));
        QCOMPARE(QSettings().value(QStringLiteral("lastSaveDir")).toString(), elsewhere);

        // The next video of another folder still opens the dialog there.
        open(videoNamed(QStringLiteral("Other.mp4")));
        QCOMPARE(ui<QLineEdit>("outputFolderLineEdit")->text(), QDir::toNativeSeparators(elsewhere));
    }

    void theImageDialogPreviewsInTheWindowAndCancelRestores()
    {
        open(videoNamed(QStringLiteral("frames.mp4")));
        choose("imageProfileComboBox", ImageProfile::manager()->profiles().first());
        snapshotAt(1000);
        const int plain = qGray(shownSnapshot().pixel(10, 10));
        int previewed = -1;
        QStringList sizeShown;
        ModalAnswer answer([&](QWidget *modal) {
            auto *slider = child<QSlider>(modal, "brightnessSlider");
            slider->setValue(10);
            slider->setValue(30);
            slider->setValue(60);
            if (waitFor([&] { return qGray(shownSnapshot().pixel(10, 10)) > plain + 30; }))
                previewed = qGray(shownSnapshot().pixel(10, 10));
            QWidget *sizeGroup = child<QWidget>(modal, "imageSizeGroupBox");
            for (QLineEdit *edit : modal->findChildren<QLineEdit *>()) {
                if (edit->isReadOnly() && edit->isVisibleTo(modal) && sizeGroup->isAncestorOf(edit))
                    sizeShown << edit->text();
            }
            child<QPushButton>(modal, "cancelButton")->click();
        });
        ui<QPushButton>("editImageProfileButton")->click();

        QVERIFY(answer.answered());
        QVERIFY2(previewed > plain + 30, "the preview did not show the edited brightness");
        QCOMPARE(sizeShown, (QStringList{QStringLiteral("960"), QStringLiteral("540")}));
        QVERIFY(window->mediaPlayer()->isPaused());
        QCOMPARE(qGray(shownSnapshot().pixel(10, 10)), plain);
        QCOMPARE(ui<QComboBox>("imageProfileComboBox")->currentData().toString(),
                 ImageProfile::manager()->profiles().first()->id());
    }

    void aSavedTextWatermarkAppearsInTheSnapshotWhereItWasPlaced()
    {
        open(videoNamed(QStringLiteral("frames.mp4")));
        choose("imageProfileComboBox", ImageProfile::manager()->profiles().first());
        snapshotAt(0);
        std::unique_ptr<ModalAnswer> inner;
        ModalAnswer answer([&inner](QWidget *imageDialog) {
            inner = std::make_unique<ModalAnswer>([](QWidget *watermarkDialog) {
                child<QTextEdit>(watermarkDialog, "textTextEdit")->setPlainText(QStringLiteral("MARK"));
                child<FontLabel>(watermarkDialog, "textFontLabel")->setFont(QFont(QStringLiteral("DejaVu Sans"), 40));
                auto *alignment = child<QComboBox>(watermarkDialog, "alignmentComboBox");
                alignment->setCurrentIndex(alignment->findText(QStringLiteral("Top Left")));
                child<QComboBox>(watermarkDialog, "profileComboBox")->setEditText(QStringLiteral("Top Left Mark"));
                child<QPushButton>(watermarkDialog, "saveButton")->click();
            }, imageDialog);
            child<QPushButton>(imageDialog, "watermarkProfileEditButton")->click();
            QCOMPARE(child<QComboBox>(imageDialog, "watermarkProfileComboBox")->currentText(),
                     QStringLiteral("Top Left Mark"));
            child<QComboBox>(imageDialog, "profileComboBox")->setEditText(QStringLiteral("Watermarked"));
            child<QPushButton>(imageDialog, "saveButton")->click();
        });
        ui<QPushButton>("editImageProfileButton")->click();

        QVERIFY(answer.answered() && inner && inner->answered());
        QCOMPARE(ui<QComboBox>("imageProfileComboBox")->currentText(), QStringLiteral("Watermarked"));
        const QImage shown = shownSnapshot();
        QCOMPARE(shown.size(), QSize(960, 540));
        QVERIFY(brightShare(shown, QRect(0, 0, 480, 270)) > 0.005);
        QCOMPARE(brightShare(shown, QRect(480, 270, 480, 270)), 0.0);

        // The saved file carries it too.
        const QString target = folders.filePath(QStringLiteral("marked.png"));
        bool saved = false;
        QVERIFY(QMetaObject::invokeMethod(window.get(), "saveSnapshot", Q_RETURN_ARG(bool, saved),
                                          Q_ARG(QString, target)));
        QVERIFY(saved);
        const QImage written(target);
        QVERIFY(brightShare(written, QRect(0, 0, 480, 270)) > 0.005);
        QCOMPARE(brightShare(written, QRect(480, 270, 480, 270)), 0.0);
    }

    void theFileNameDialogNamesTheNextAutomaticFile()
    {
        setAutomatic(true);
        open(videoNamed(QStringLiteral("MyVideo.mp4")));
        snapshotAt(500);
        QString example;
        ModalAnswer answer([&example](QWidget *modal) {
            example = child<QLabel>(modal, "outputExampleVideoLabel")->text();
            child<QLineEdit>(modal, "formatSuffixLineEdit")->setText(QStringLiteral("_"));
            child<QComboBox>(modal, "profileComboBox")->setEditText(QStringLiteral("Underscore"));
            child<QPushButton>(modal, "saveButton")->click();
        });
        ui<QPushButton>("editFileNameProfileButton")->click();

        QVERIFY(answer.answered());
        QCOMPARE(example, QStringLiteral("MyVideo.mp4"));
        QCOMPARE(ui<QComboBox>("filenameProfileComboBox")->currentText(), QStringLiteral("Underscore"));
        QCOMPARE(nextName(), QStringLiteral("MyVideo_1.jpeg"));
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestMainWindowSnapshot)
#include "tst_mainwindow_snapshot.moc"
