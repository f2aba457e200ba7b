#include "outputfolder.h"

#include <QSettings>

namespace {

const QString rememberedDirKey = QStringLiteral("rememberedFileOutputDir");

} // namespace

bool OutputFolder::exists(const QString &path)
{
    return !path.isEmpty() && QDir(path).exists();
}

bool OutputFolder::create(const QDir &dir)
{
    return QDir().mkpath(dir.absolutePath());
}

QString OutputFolder::noRememberedPath()
{
    return QStringLiteral("/SOME_GARBAGE_PATH_THAT_DOESNT_EXIST-IDKAKZJKEJREJQJQIJKK");
}

QDir OutputFolder::remembered()
{
    const QSettings settings;
    if (settings.contains(rememberedDirKey))
        return QDir(settings.value(rememberedDirKey).toString());
    return QDir(noRememberedPath());
}

void OutputFolder::remember(const QDir &dir)
{
    QSettings().setValue(rememberedDirKey, dir.absolutePath());
}

void OutputFolder::forget()
{
    QSettings().remove(rememberedDirKey);
}
