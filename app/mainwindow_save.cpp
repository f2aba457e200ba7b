// Saving the snapshot: through the save dialog or under the next automatic
// file name in the output folder, and the "Next:" row that shows that name.
#include "mainwindow.h"

#include "ui_mainwindow.h"

#include "imaging/imageprocessingmanager.h"
#include "imaging/outputfile.h"
#include "imaging/outputimagetype.h"
#include "profiles/filenameprofile.h"
#include "profiles/imageprofile.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QtDebug>

namespace {

// The suffixes a name filter such as "JPEG (*.jpg *.jpeg)" writes, first
// the one proposed.
QStringList suffixesOf(const QString &filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    QStringList suffixes;
    for (auto match = pattern.globalMatch(filter); match.hasNext();)
        suffixes << match.next().captured(1);
    return suffixes;
}

// name (with or without a folder) as the selected filter writes it: an
// image suffix of any filter gives way to the filter's own, any other
// suffix (clip.part1) is part of the name.
QString nameForFilter(const QString &name, const QString &filter, const QStringList &filters)
{
    const QStringList wanted = suffixesOf(filter);
    const QFileInfo info(name);
    QString file = info.fileName();
    if (wanted.isEmpty() || file.isEmpty())
        return name;
    const QString suffix = info.suffix();
    if (wanted.contains(suffix, Qt::CaseInsensitive))
        return name;
    if (!suffix.isEmpty() && suffixesOf(filters.join(QLatin1Char(' '))).contains(suffix, Qt::CaseInsensitive))
        file.chop(suffix.size() + 1);
    file += QLatin1Char('.') + wanted.first();
    return name.contains(QLatin1Char('/')) ? info.dir().filePath(file) : file;
}

} // namespace

void MainWindow::setupSaveDialog()
{
    if (settings.contains(QStringLiteral("lastSaveDir")))
        lastSaveDir = QDir(settings.value(QStringLiteral("lastSaveDir")).toString());
    saveDialog = new QFileDialog(this, QString(), QString(), QString());
    saveDialog->setDirectory(lastSaveDir);
    QStringList filters;
    for (const OutputImageType &type : OutputImageType::all())
        filters.append(type.nameFilter());
    saveDialog->setNameFilters(filters);
    // No default suffix: the suffix of the name given decides the format.
    saveDialog->setAcceptMode(QFileDialog::AcceptSave);
    // The name typed so far follows the filter the user picks.
    connect(saveDialog, &QFileDialog::filterSelected, this, [this](const QString &filter) {
        const QString typed = saveDialog->selectedFiles().value(0);
        if (!typed.isEmpty() && !QFileInfo(typed).isDir())
            saveDialog->selectFile(QFileInfo(nameForFilter(typed, filter, saveDialog->nameFilters())).fileName());
    });
}

void MainWindow::on_automaticFileNameGroupBox_toggled(bool checked)
{
    settings.setValue(QStringLiteral("automaticFileName"), checked);
    updateAutomaticFileNameDisplay();
}

void MainWindow::on_selectOutputFolderButton_clicked()
{
    const QString typed = ui->outputFolderLineEdit->text();
    const QString start = QDir(typed).exists() ? typed : QString();
    const QString chosen = QFileDialog::getExistingDirectory(
        this, tr("Open Directory"), start, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (chosen.isEmpty() || !QDir(chosen).exists())
        return;
    ui->outputFolderLineEdit->setText(QDir::toNativeSeparators(chosen));
    fileCounter = 1;
    updateAutomaticFileNameDisplay();
}

QString MainWindow::automaticFileName(QDir saveDir)
{
    if (!fileNameProfile)
        return QString();
    const QString baseName = QFileInfo(videoPath).baseName();
    QString name = fileNameProfile->generateFileName(baseName, fileCounter, 0, snapshotMetadata.timeMs, snapshotMetadata.frame);
    // The counter found stays, so refreshing the display moves it past taken names.
    while (QFileInfo::exists(saveDir.absoluteFilePath(name))) {
        ++fileCounter;
        name = fileNameProfile->generateFileName(baseName, fileCounter, 0, snapshotMetadata.timeMs, snapshotMetadata.frame);
    }
    return name;
}

void MainWindow::updateAutomaticFileNameDisplay()
{
    const bool visible = !videoPath.isEmpty() && ui->automaticFileNameGroupBox->isChecked();
    ui->nextFileNameDescriptionLabel->setVisible(visible);
    ui->nextFileNameLabel->setVisible(visible);
    if (visible)
        ui->nextFileNameLabel->setFullText(automaticFileName(QDir(ui->outputFolderLineEdit->text())));
}

void MainWindow::saveButtonPressed()
{
    if (ui->automaticFileNameGroupBox->isChecked())
        saveWithAutomaticFileName();
    else
        showSaveDialog();
}

void MainWindow::on_actionSaveSnapshot_triggered()
{
    saveButtonPressed();
}

void MainWindow::showSaveDialog()
{
    saveDialog->setDirectory(lastSaveDir);
    if (!lastNameFilter.isEmpty())
        saveDialog->selectNameFilter(lastNameFilter);
    // Proposed with the selected filter's suffix: a bare name has no format.
    saveDialog->selectFile(nameForFilter(lastSaveFileName, saveDialog->selectedNameFilter(), saveDialog->nameFilters()));
    if (saveDialog->exec() == QDialog::Accepted) {
        const QString path = saveDialog->selectedFiles().value(0);
        if (!path.isEmpty() && saveSnapshot(path)) {
            lastSaveFileName = path;
            lastNameFilter = saveDialog->selectedNameFilter();
        }
    }
    retakeFocusAfterDialog();
}

void MainWindow::saveWithAutomaticFileName()
{
    const QString typed = ui->outputFolderLineEdit->text();
    const QDir folder(typed);
    // QDir("") is the working folder, so an empty field counts as relative.
    if (typed.isEmpty() || folder.isRelative()) {
        QMessageBox::warning(this, tr("Unknown Folder"),
                             tr("Please enter a valid output folder in the Automatic FileName section."),
                             QMessageBox::Ok);
        ui->outputFolderLineEdit->setFocus();
        return;
    }
    const QString folderPath = QDir::toNativeSeparators(folder.absolutePath());
    if (!folder.exists()) {
        const QMessageBox::StandardButton answer = QMessageBox::question(
            this, tr("Folder does not exist"), tr("Create folder?") + QStringLiteral("\r\n") + folderPath,
            QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
        if (!QDir().mkpath(folder.absolutePath())) {
            QMessageBox::warning(this, tr("Unable to make path"), folderPath, QMessageBox::Ok);
            // Nothing can be written there; one message is enough.
            updateAutomaticFileNameDisplay();
            return;
        }
    }
    // The name is claimed before writing, so another program saving into
    // the same folder (or a link placed there) never loses or redirects it.
    const QString baseName = QFileInfo(videoPath).baseName();
    const OutputFile::FreeName name = OutputFile::claimFirstFree(folder, fileCounter, [&](int counter) {
        return folder.absoluteFilePath(
            fileNameProfile ? fileNameProfile->generateFileName(baseName, counter, 0, snapshotMetadata.timeMs, snapshotMetadata.frame)
                            : QString());
    });
    if (saveSnapshot(name.path))
        ++fileCounter;
    else if (name.claim == OutputFile::Claim::Claimed)
        OutputFile::release(name.path);
    updateAutomaticFileNameDisplay();
}

bool MainWindow::saveSnapshot(QString savePath)
{
    if (ImageProcessingManager::instance()->saveImage(savePath, snapshotImage, imageProfile, snapshotMetadata)) {
        qDebug() << "Save success" << savePath;
        setLastSaveDir(QFileInfo(savePath).absoluteDir());
        return true;
    }
    qDebug() << "Save failure" << savePath;
    // A snapshot the user believes saved must not be lost silently.
    QMessageBox::warning(this, tr("Vistaloom"), tr("Could not save the snapshot to: ") + savePath, QMessageBox::Ok);
    return false;
}
