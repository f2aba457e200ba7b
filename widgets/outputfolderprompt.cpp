#include "outputfolderprompt.h"

#include "profiles/outputfolder.h"

#include <QMessageBox>

bool OutputFolderPrompt::offerToCreate(QWidget *parent, const QDir &dir)
{
    const QString path = QDir::toNativeSeparators(dir.absolutePath());
    const QMessageBox::StandardButton answer = QMessageBox::question(
        parent, QStringLiteral("Output Folder Not Found"),
        QStringLiteral("This folder does not exist. It must be created to continue. Create output folder?\n\n") + path,
        QMessageBox::Yes | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel)
        return false;
    if (OutputFolder::create(dir))
        return true;
    QMessageBox::warning(parent, QStringLiteral("Output Folder Problem"),
                         QStringLiteral("Unable to create output folder. Please validate your path.\n\n") + path,
                         QMessageBox::Ok);
    return false;
}

bool OutputFolderPrompt::existsOrCreate(QWidget *parent, const QString &path)
{
    return !path.isEmpty() && (OutputFolder::exists(path) || offerToCreate(parent, QDir(path)));
}
