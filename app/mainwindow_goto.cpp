// Going to a time or frame number, and the frame number in the position
// readout.
#include "mainwindow.h"

#include "framenumberlookup.h"
#include "gotodialog.h"
#include "mpvplayer.h"
#include "ui_mainwindow.h"

#include "media/frameindex.h"

FrameIndex &MainWindow::videoFrameIndex()
{
    // Kept per video, so each part of the file is read once.
    if (!snapshotFrameIndex) {
        snapshotFrameIndex = std::make_unique<FrameIndex>(frameIndexNeverAborts);
        snapshotFrameIndex->open(videoPath);
    }
    return *snapshotFrameIndex;
}

void MainWindow::on_actionGoTo_triggered()
{
    if (!player || videoPath.isEmpty())
        return;
    GotoDialog dialog(videoPath, player->duration(), this);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    retakeFocusAfterDialog();
    if (!accepted)
        return;
    player->pause(true);
    player->seekToSeconds(dialog.seconds());
}

void MainWindow::requestFrameNumber(qint64 position)
{
    if (!frameNumbers) {
        frameNumbers = new FrameNumberLookup(this);
        connect(frameNumbers, &FrameNumberLookup::found, this, [this](qint64 ms, qint64 number) {
            // Only while the readout still shows that time.
            if (player && !videoPath.isEmpty() && player->displayPosition() == ms)
                ui->positionLabel->setText(tr("%1 · frame %2").arg(formatTime(ms)).arg(number));
        });
    }
    frameNumbers->setVideo(videoPath);
    frameNumbers->request(position);
}
