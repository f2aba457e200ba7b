#include "outputfile.h"

#include <QFile>
#include <QFileInfo>
#include <QtDebug>

OutputFile::Claim OutputFile::claim(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return Claim::Claimed;
    const QFileInfo existing(path);
    if (existing.exists() || existing.isSymLink())
        return Claim::Taken;
    qWarning() << "OutputFile - cannot create" << path << file.errorString();
    return Claim::Failed;
}

OutputFile::FreeName OutputFile::claimFirstFree(const QDir &folder, int &counter,
                                                const std::function<QString(int)> &nameAt)
{
    FreeName name;
    for (;; ++counter) {
        name.fileName = nameAt(counter);
        name.path = folder.filePath(name.fileName);
        name.claim = claim(name.path);
        if (name.claim != Claim::Taken)
            return name;
    }
}

void OutputFile::release(const QString &path)
{
    const QFileInfo claimed(path);
    if (claimed.isFile() && !claimed.isSymLink())
        QFile::remove(path);
}
