#include "mainwindow.h"

#include "aboutdialog.h"
#include "imageview.h"
#include "mpvplayer.h"
#include "productlinks.h"
#include "ui_mainwindow.h"
#include "videocapture.h"
#include "videooutput.h"
#include "volumepopup.h"

#include "media/frameindex.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLayout>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    for (QGroupBox *box : findChildren<QGroupBox *>()) {
        if (box->layout())
            box->layout()->setContentsMargins(10, 10, 10, 10);
    }
    updateWindowTitle();

    player = new MpvPlayer(this);
    videoOutput = VideoOutput::create(player, this);
    if (!videoOutput) {
        QMessageBox::warning(nullptr, tr("Vistaloom error"), tr("Can not create video renderer"), QMessageBox::Ok);
        // Without a player nothing that needs one may be reached.
        setVideoControlsEnabled(false);
        setSnapshotControlsEnabled(false);
        ui->actionOpen->setEnabled(false);
        ui->openVideoLabel->setEnabled(false);
        ui->volumeButton->setEnabled(false);
        return;
    }
    videoOutput->setAttribute(Qt::WA_TransparentForMouseEvents);
    ui->videoLayout->addWidget(videoOutput, 0, 0);
    ui->openVideoLabel->raise();

    wirePlayer();

    ui->splitter->setChildrenCollapsible(false);
    ui->playerLayout->setAlignment(ui->videoControlsFrame, Qt::AlignHCenter);
    ui->snapshotLayout->setAlignment(ui->snapshotControlsFrame, Qt::AlignHCenter);

    loadImageProfileComboBox();
    loadFileNameProfileComboBox();
    setupSaveDialog();
    connect(ui->saveButton, &QPushButton::clicked, this, &MainWindow::saveButtonPressed);
    setVideoControlsEnabled(false);
    setSnapshotControlsEnabled(false);
    ui->automaticFileNameGroupBox->setChecked(settings.value(QStringLiteral("automaticFileName"), false).toBool());
    updateAutomaticFileNameDisplay();

    setupVolumePopup();
    updatePlayButton();
    setAcceptDrops(true);
}

MainWindow::~MainWindow() = default;

void MainWindow::wirePlayer()
{
    connect(ui->openVideoLabel, &QPushButton::clicked, this, &MainWindow::openVideoLabelClicked);
    connect(player, &MpvPlayer::started, this, qOverload<>(&MainWindow::updateSlider));
    connect(player, &MpvPlayer::durationChanged, this, &MainWindow::durationChanged);
    connect(player, &MpvPlayer::positionChanged, this, &MainWindow::positionChanged);
    connect(player, &MpvPlayer::notifyIntervalChanged, this, &MainWindow::updateSliderUnit);
    connect(player, &MpvPlayer::stateChanged, this, &MainWindow::updatePlayButton);
    connect(player, &MpvPlayer::mediaStatusChanged, this, &MainWindow::updatePlayButton);
    // Queued: the warning box must not run inside the player's event handling.
    connect(player, &MpvPlayer::loadFailed, this, &MainWindow::videoLoadFailed, Qt::QueuedConnection);
    connect(player, &MpvPlayer::noVideo, this, &MainWindow::videoMissing, Qt::QueuedConnection);
    setupPositionSlider();
    connect(ui->playButton, &QToolButton::clicked, this, &MainWindow::playPause);
    connect(ui->stepBackwardButton, &QToolButton::clicked, this, &MainWindow::stepBackward);
    connect(ui->stepForwardButton, &QToolButton::clicked, this, &MainWindow::stepForward);
    connect(ui->skipBackwardButton, &QToolButton::clicked, this, &MainWindow::skipBackward);
    connect(ui->skipForwardButton, &QToolButton::clicked, this, &MainWindow::skipForward);
    connect(ui->actionPlayPause, &QAction::triggered, this, &MainWindow::playPause);
    connect(ui->actionSkipBackward, &QAction::triggered, this, &MainWindow::skipBackward);
    connect(ui->actionSkipForward, &QAction::triggered, this, &MainWindow::skipForward);
    connect(ui->actionStepBackward, &QAction::triggered, this, &MainWindow::stepBackward);
    connect(ui->actionStepForward, &QAction::triggered, this, &MainWindow::stepForward);
    connect(ui->snapshotButton, &QPushButton::clicked, this, &MainWindow::snapshotButtonPressed);
    // Queued: a warning box must not run inside the player's event handling.
    connect(player->videoCapture(), &VideoCapture::imageCaptured, this, &MainWindow::snapshotCaptured,
            Qt::QueuedConnection);
    connect(player->videoCapture(), &VideoCapture::failed, this, &MainWindow::onCaptureError, Qt::QueuedConnection);
    setupSceneMarksAndPreviews();
}

void MainWindow::updateWindowTitle()
{
    QString title = QStringLiteral("Vistaloom");
    if (!videoPath.isEmpty())
        title += QStringLiteral(" - ") + QFileInfo(videoPath).fileName();
    setWindowTitle(title);
}

void MainWindow::setVideoControlsEnabled(bool enabled)
{
    ui->actionTake_Snapshot->setEnabled(enabled);
    ui->videoSlider->setEnabled(enabled);
    ui->videoControlsFrame->setEnabled(enabled);
    for (QAction *action : ui->menuVideoControls->actions())
        action->setEnabled(enabled);
    if (!enabled) {
        durationChanged(0);
        positionChanged(0);
    }
}

void MainWindow::setSnapshotControlsEnabled(bool enabled)
{
    ui->actionCopy_Full_Frame->setEnabled(enabled);
    ui->actionCopy_Snapshot->setEnabled(enabled);
    ui->actionSaveSnapshot->setEnabled(enabled);
    ui->snapshotControlsFrame->setEnabled(enabled);
    updateAutomaticFileNameDisplay();
    ui->enableControlsHintLabel->setVisible(!enabled);
    if (!enabled)
        ui->outputFolderLineEdit->clear();
}

void MainWindow::closeVideo()
{
    if (player) {
        player->stop();
        player->setFile(QString());
    }
    videoPath.clear();
    forgetSceneMarks();
    setWindowTitle(QStringLiteral("Vistaloom"));
    setVideoControlsEnabled(false);
    setSnapshotControlsEnabled(false);
    snapshotImage = QImage();
    fullFrameImage = QImage();
    snapshotMetadata = ImageMetadata();
    ui->snapshotImageView->setImage(QImage());
    // Back to the no-video state: the hint over the (now black) video area.
    ui->openVideoLabel->raise();
    updatePlayButton();
}

bool MainWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        activatedAt = QDateTime::currentMSecsSinceEpoch();
    else if (event->type() == QEvent::WindowDeactivate)
        activatedAt = 0;
    return QMainWindow::event(event);
}

bool MainWindow::isActivationClickGuarded() const
{
    return activatedAt == 0 || QDateTime::currentMSecsSinceEpoch() <= activatedAt + activationClickGuardMs;
}

void MainWindow::openVideoLabelClicked()
{
    // The click that brings the window to the front opens nothing.
    if (isActivationClickGuarded())
        return;
    showSelectVideoDialog();
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!event->mimeData()->hasUrls())
        return;
    for (QDialog *dialog : findChildren<QDialog *>()) {
        if (dialog->isVisible())
            return;
    }
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasUrls())
        return;
    const QList<QUrl> urls = event->mimeData()->urls();
    // A link that is no local file (a web address) has no path to open.
    const QString path = urls.isEmpty() ? QString() : urls.first().toLocalFile();
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    loadVideo(path);
}

void MainWindow::confirmQuit()
{
    if (videoOutput)
        videoOutput->deleteLater();
    QApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    confirmQuit();
}

void MainWindow::retakeFocusAfterDialog()
{
    raise();
    activateWindow();
}

void MainWindow::on_actionExit_triggered()
{
    confirmQuit();
}

void MainWindow::on_actionAbout_triggered()
{
    AboutDialog about(this);
    about.exec();
    retakeFocusAfterDialog();
}

void MainWindow::on_actionDocumentation_triggered()
{
    QDesktopServices::openUrl(QUrl(ProductLinks::supportPage()));
}

void MainWindow::on_actionCommandLineOptions_triggered()
{
    QDesktopServices::openUrl(QUrl(ProductLinks::commandLinePage()));
}
