// Taking a snapshot: the frame the player shows arrives as an image, is
// kept unprocessed, and is shown as the current image profile makes it.
#include "mainwindow.h"

#include "imageview.h"
#include "mpvplayer.h"
#include "ui_mainwindow.h"
#include "videocapture.h"

#include "media/frameindex.h"
#include "imaging/imageprocessingmanager.h"
#include "profiles/filenameprofile.h"
#include "profiles/imageprofile.h"

#include <QMessageBox>

void MainWindow::snapshotButtonPressed()
{
    if (player)
        player->videoCapture()->capture();
}

void MainWindow::on_actionTake_Snapshot_triggered()
{
    snapshotButtonPressed();
}

void MainWindow::snapshotCaptured(QImage image)
{
    fullFrameImage = image.copy();
    // The time of the frame captured: the player may have moved on since.
    snapshotMetadata = ImageMetadata::of(videoPath, player ? player->videoCapture()->capturedTime() : -1);
    if (fileNameProfile && fileNameProfile->namesByFrameNumber() && snapshotMetadata.timeMs >= 0)
        snapshotMetadata.frame = videoFrameIndex().numberAt(snapshotMetadata.timeMs / 1000.0);
    // The next automatic name may carry the new frame's time.
    if (fileNameProfile && fileNameProfile->namesByTime())
        updateAutomaticFileNameDisplay();
    snapshotImage = ImageProcessingManager::instance()->processImage(fullFrameImage, imageProfile);
    ui->snapshotImageView->setImage(snapshotImage);
    setSnapshotControlsEnabled(true);
}

void MainWindow::onCaptureError()
{
    QMessageBox::warning(nullptr, tr("Vistaloom video capture"), tr("Failed to capture video frame"), QMessageBox::Ok);
}

void MainWindow::processFullFrameImage(ImageProfile *profile)
{
    snapshotImage = ImageProcessingManager::instance()->processImage(fullFrameImage, profile ? profile : imageProfile);
    ui->snapshotImageView->setImage(snapshotImage);
}

void MainWindow::on_actionCopy_Snapshot_triggered()
{
    if (!snapshotImage.isNull())
        ImageProcessingManager::instance()->copyToClipboard(snapshotImage);
}

void MainWindow::on_actionCopy_Full_Frame_triggered()
{
    if (!fullFrameImage.isNull())
        ImageProcessingManager::instance()->copyToClipboard(fullFrameImage);
}
