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

void OutputFile::release(const QString &path)
{
    const QFileInfo claimed(path);
    if (claimed.isFile() && !claimed.isSymLink())
        QFile::remove(path);
}
