// The Tools commands that open the batch and filter dialogs.
#include "mainwindow.h"

#include "batchmodedialog.h"
#include "imagefiltersdialog.h"
#include "mpvplayer.h"

void MainWindow::on_actionBatch_Mode_triggered()
{
    // The batch works on files, not on the open video.
    closeVideo();
    BatchModeDialog dialog(this);
    dialog.exec();
    retakeFocusAfterDialog();
}

void MainWindow::on_actionImage_Filters_Test_triggered()
{
    if (player)
        player->pause(true);
    ImageFiltersDialog dialog(this);
    dialog.exec();
    retakeFocusAfterDialog();
}
