#ifndef VISTALOOM_MAINWINDOW_H
#define VISTALOOM_MAINWINDOW_H

#include "imaging/imagemetadata.h"

#include <QDir>
#include <QIcon>
#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QSettings>

#include <atomic>
#include <memory>

namespace Ui {
class MainWindow;
}
class FileNameProfile;
class FrameIndex;
class FrameNumberLookup;
class ImageProfile;
class MpvPlayer;
class PreviewSource;
class QFileDialog;
class SceneFinder;
class VolumePopup;

// The only window of the windowed program: the player on the left, the
// snapshot pane on the right.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    enum SeekDirection { SeekBackward = 0, SeekForward = 1 };
    Q_ENUM(SeekDirection)

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    void loadVideo(QString path);
    void closeVideo();
    void updateWindowTitle();

    // Null when the player could not be created.
    MpvPlayer *mediaPlayer() const { return player; }
    QWidget *videoOutputWidget() const { return videoOutput; }

    // Milliseconds during which a click into the video area after the
    // window came to the front opens nothing.
    static constexpr qint64 activationClickGuardMs = 200;
    // True while a click into the video area opens nothing: the window is
    // inactive, or came to the front too recently.
    bool isActivationClickGuarded() const;

public slots:
    // Shows the kept frame as the given profile (or the current one) makes it;
    // the image profile dialog previews its edits through this.
    void processFullFrameImage(ImageProfile *imageProfile = nullptr);

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

protected slots:
    void volumeChanged(int volume);

private slots:
    void openVideoLabelClicked();
    void showSelectVideoDialog();
    void setSnapshotControlsEnabled(bool enabled);
    void setVideoControlsEnabled(bool enabled);
    void updatePlayButton();
    void seekBySlider(int value);
    void seekBySlider();
    void playPause();
    void skipBackward();
    void skipForward();
    void seekRelative(qint64 val);
    void stepBackward();
    void stepForward();
    void step(MainWindow::SeekDirection direction);
    void snapshotButtonPressed();
    void onCaptureError();
    void snapshotCaptured(QImage image);
    void setupVolumePopup();
    void durationChanged(qint64 value);
    void positionChanged(qint64 value);
    void updateSlider(qint64 value);
    void updateSlider();
    void updateSliderUnit();
    void confirmQuit();
    void retakeFocusAfterDialog();
    void on_actionOpen_triggered();
    void on_actionExit_triggered();
    void on_actionTake_Snapshot_triggered();
    void on_volumeButton_clicked();
    void on_actionDocumentation_triggered();
    void on_actionAbout_triggered();
    void on_actionCommandLineOptions_triggered();
    void on_actionBatch_Mode_triggered();
    void on_actionImage_Filters_Test_triggered();
    void videoLoadFailed(const QString &path);
    void videoMissing(const QString &path);
    void setLastSaveDir(QDir dir);
    void on_actionCopy_Snapshot_triggered();
    void on_actionCopy_Full_Frame_triggered();
    void saveButtonPressed();
    void on_actionSaveSnapshot_triggered();
    void showSaveDialog();
    void saveWithAutomaticFileName();
    QString automaticFileName(QDir saveDir);
    void updateAutomaticFileNameDisplay();
    bool saveSnapshot(QString savePath);
    void loadImageProfileComboBox();
    void loadFileNameProfileComboBox();
    void on_imageProfileComboBox_activated(int index);
    void on_filenameProfileComboBox_activated(int index);
    void on_editImageProfileButton_clicked();
    void on_editFileNameProfileButton_clicked();
    void on_selectOutputFolderButton_clicked();
    void on_automaticFileNameGroupBox_toggled(bool checked);
    // Scene marks and slider previews (mainwindow_scenes.cpp).
    void on_actionFindScenes_triggered();
    void on_actionNextScene_triggered();
    void on_actionPreviousScene_triggered();
    void sceneSearchProgress(int percent);
    void sceneSearchFinished(bool completed);
    void on_actionGoTo_triggered();

private:
    void wirePlayer();
    void setupPositionSlider();
    // Closes the video that could not be shown and tells the user why.
    void reportOpenError(const QString &path, const QString &message);
    void setupSaveDialog();
    static QString formatTime(qint64 ms);
    // sliderUnit as the slider arithmetic may use it: never below 1.
    int effectiveSliderUnit() const;
    void setupSceneMarksAndPreviews();
    // Stops a scene search and drops the marks and previews of the video.
    void forgetSceneMarks();
    void showSceneSearchRunning(bool running);
    void goToCut(bool forward);
    // The open video's pictures, numbered on the GUI thread as far as asked.
    FrameIndex &videoFrameIndex();
    // Adds the number of the picture at position to the readout once known.
    void requestFrameNumber(qint64 position);

    std::unique_ptr<Ui::MainWindow> ui;
    // Guarded: quitting deletes it ahead of the window.
    QPointer<QWidget> videoOutput;
    MpvPlayer *player = nullptr;
    qint64 activatedAt = 0;
    QSettings settings;
    QImage snapshotImage;
    QImage fullFrameImage;
    // The video and time of the frame the snapshot shows, written into the saved file.
    ImageMetadata snapshotMetadata;
    QString videoPath;
    // Numbers snapshot frames for names that hold {frame}; kept per video,
    // so it reads each part of the file once.
    std::unique_ptr<FrameIndex> snapshotFrameIndex;
    const std::atomic<bool> frameIndexNeverAborts{false};
    FrameNumberLookup *frameNumbers = nullptr;
    ImageProfile *imageProfile = nullptr;
    FileNameProfile *fileNameProfile = nullptr;
    int fileCounter = 1;
    QDir videoDir{QString()};
    QDir lastSaveDir{QString()};
    QString lastSaveFileName;
    QString lastNameFilter;
    QFileDialog *saveDialog = nullptr;
    VolumePopup *volumePopup = nullptr;
    int sliderUnit = 1000;
    QIcon playIcon;
    QIcon pauseIcon;
    PreviewSource *previewSource = nullptr;
    SceneFinder *sceneFinder = nullptr;
};

#endif
