// The profile choice in the main window: the image and file-name profile
// combo boxes and the dialogs behind their edit buttons.
#include "mainwindow.h"

#include "filenameprofiledialog.h"
#include "imageprofiledialog.h"
#include "imageview.h"
#include "mpvplayer.h"
#include "ui_mainwindow.h"

#include "imaging/imageprocessingmanager.h"
#include "profiles/filenameprofile.h"
#include "profiles/imageprofile.h"
#include "profiles/profilemanager.h"

#include <QFileInfo>

namespace {

// Fills the combo box from the manager and selects the profile of that id
// (exact match); no item is selected when none matches.
void fillProfileComboBox(QComboBox *combo, ProfileManager *manager, const QString &currentId)
{
    combo->clear();
    const QList<BaseProfile *> profiles = manager->profiles();
    for (BaseProfile *profile : profiles)
        combo->addItem(profile->name(), profile->id());
    int current = -1;
    for (int i = 0; i < combo->count() && current < 0; ++i) {
        if (combo->itemData(i).toString() == currentId)
            current = i;
    }
    combo->setCurrentIndex(current);
}

} // namespace

void MainWindow::loadImageProfileComboBox()
{
    ProfileManager *manager = ImageProfile::manager();
    if (!imageProfile)
        imageProfile = qobject_cast<ImageProfile *>(manager->lastUsedProfile());
    fillProfileComboBox(ui->imageProfileComboBox, manager, imageProfile ? imageProfile->id() : QString());
}

void MainWindow::loadFileNameProfileComboBox()
{
    ProfileManager *manager = FileNameProfile::manager();
    if (!fileNameProfile)
        fileNameProfile = qobject_cast<FileNameProfile *>(manager->lastUsedProfile());
    fillProfileComboBox(ui->filenameProfileComboBox, manager, fileNameProfile ? fileNameProfile->id() : QString());
}

void MainWindow::on_imageProfileComboBox_activated(int)
{
    ProfileManager *manager = ImageProfile::manager();
    auto *chosen = qobject_cast<ImageProfile *>(
        manager->profileById(ui->imageProfileComboBox->currentData().toString()));
    if (!chosen)
        return;
    manager->setLastUsedProfile(chosen);
    // The snapshot on show stays as it is; the next capture uses the new profile.
    imageProfile = chosen;
}

void MainWindow::on_filenameProfileComboBox_activated(int)
{
    ProfileManager *manager = FileNameProfile::manager();
    auto *chosen = qobject_cast<FileNameProfile *>(
        manager->profileById(ui->filenameProfileComboBox->currentData().toString()));
    if (!chosen)
        return;
    manager->setLastUsedProfile(chosen);
    fileNameProfile = chosen;
    updateAutomaticFileNameDisplay();
}

void MainWindow::on_editImageProfileButton_clicked()
{
    if (player)
        player->pause(true);
    ImageProfileDialog dialog(this);
    connect(&dialog, &ImageProfileDialog::previewRequested, this, &MainWindow::processFullFrameImage);
    dialog.selectProfile(imageProfile);
    const QSize videoSize = player ? player->videoSize() : QSize();
    dialog.setVideoSize(videoSize.width(), videoSize.height());
    dialog.setImage(fullFrameImage);
    dialog.exec();
    // Also replaces a live preview left by a cancelled dialog.
    if (auto *chosen = qobject_cast<ImageProfile *>(dialog.selectedProfile())) {
        imageProfile = chosen;
        processFullFrameImage(imageProfile);
    }
    loadImageProfileComboBox();
    retakeFocusAfterDialog();
}

void MainWindow::on_editFileNameProfileButton_clicked()
{
    if (player)
        player->pause(true);
    FileNameProfileDialog dialog(this);
    dialog.selectProfile(fileNameProfile);
    dialog.setExampleVideoName(QFileInfo(videoPath).fileName());
    dialog.exec();
    if (auto *chosen = qobject_cast<FileNameProfile *>(dialog.selectedProfile()))
        fileNameProfile = chosen;
    loadFileNameProfileComboBox();
    updateAutomaticFileNameDisplay();
    retakeFocusAfterDialog();
}
