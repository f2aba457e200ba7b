// Where Batch Mode writes: the output folder field, the folder remembered
// for every job, and the check before a batch that every folder exists.
#include "batchmodedialog.h"
#include "ui_batchmodedialog.h"

#include "batchmodelistmodel.h"
#include "outputfolderprompt.h"
#include "smartfiledialog.h"

#include "profiles/batchworkerconfig.h"
#include "profiles/outputfolder.h"

#include <QStandardPaths>

QDir BatchModeDialog::getRememberedOutputDir()
{
    return OutputFolder::remembered();
}

void BatchModeDialog::saveRememberedOutputDir()
{
    const QDir dir(ui->fileOutputFolderTextEdit->text());
    const QList<BatchWorkerConfig *> configs = model->configs();
    for (BatchWorkerConfig *config : configs) {
        config->setFileOutputDir(dir);
        model->configChanged(config);
    }
    OutputFolder::remember(dir);
}

void BatchModeDialog::on_fileOutputFolderRememberCheckbox_stateChanged(int state)
{
    if (state != Qt::Checked) {
        OutputFolder::forget();
        return;
    }
    if (OutputFolderPrompt::existsOrCreate(this, ui->fileOutputFolderTextEdit->text())) {
        saveRememberedOutputDir();
        return;
    }
    ui->fileOutputFolderTextEdit->setFocus();
    ui->fileOutputFolderRememberCheckbox->setChecked(false);
}

void BatchModeDialog::on_fileOutputFolderSelectButton_clicked()
{
    SmartFileDialog dialog(this, QStringLiteral("batchOutputFolder"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    const QString current = ui->fileOutputFolderTextEdit->text();
    if (OutputFolder::exists(current))
        dialog.setDirectory(QDir(current));
    else
        dialog.setDirectory(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString chosen = QDir(dialog.selectedFiles().first()).absolutePath();
    ui->fileOutputFolderTextEdit->setText(QDir::toNativeSeparators(chosen));
    if (ui->fileOutputFolderRememberCheckbox->isChecked())
        saveRememberedOutputDir();
}

void BatchModeDialog::on_fileOutputFolderTextEdit_editingFinished()
{
    QLineEdit *edit = ui->fileOutputFolderTextEdit;
    // Only an edit of the user's is checked, and only once.
    if (checkingFolder || !edit->isModified())
        return;
    checkingFolder = true;
    const QString text = edit->text();
    if (OutputFolderPrompt::existsOrCreate(this, text)) {
        edit->setText(text);
        if (ui->fileOutputFolderRememberCheckbox->isChecked())
            saveRememberedOutputDir();
    } else {
        edit->undo();
        edit->setModified(false);
        if (OutputFolder::exists(edit->text()))
            edit->setFocus();
        else
            on_fileOutputFolderSelectButton_clicked();
    }
    edit->setModified(false);
    checkingFolder = false;
}

bool BatchModeDialog::validateOutputDirs()
{
    bool selectedARow = false;
    for (int row = 0; row < model->rowCount(); ++row) {
        BatchWorkerConfig *config = model->configAt(row);
        if (config->fileOutputDir().exists())
            continue;
        selectRows(row, row);
        selectedARow = true;
        ui->fileOutputFolderTextEdit->setFocus();
        const bool wasChecking = checkingFolder;
        checkingFolder = true;
        const bool created = OutputFolderPrompt::offerToCreate(this, config->fileOutputDir());
        checkingFolder = wasChecking;
        if (!created)
            return false;
    }
    if (selectedARow)
        ui->filesTableView->clearSelection();
    return true;
}
