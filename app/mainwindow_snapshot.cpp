// Taking a snapshot: the frame the player shows arrives as an image.
#include "mainwindow.h"

#include "mpvplayer.h"
#include "videocapture.h"

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
}

void MainWindow::onCaptureError()
{
    QMessageBox::warning(nullptr, tr("Vistaloom video capture"), tr("Failed to capture video frame"), QMessageBox::Ok);
}
