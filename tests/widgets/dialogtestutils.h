#ifndef VISTALOOM_DIALOGTESTUTILS_H
#define VISTALOOM_DIALOGTESTUTILS_H

#include "profiles/profilemanager.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QWidget>

namespace DialogTestUtils {

inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QByteArray iniBytes(ProfileManager *manager)
{
    return fileBytes(ProfileManager::settingsFilePath(manager->fileName()));
}

template<typename T>
T *child(QWidget *dialog, const char *name, bool optional = false)
{
    T *found = dialog->findChild<T *>(QString::fromLatin1(name));
    if (!found && !optional)
        qFatal("No child named %s", name);
    return found;
}

inline QComboBox *profileCombo(QWidget *dialog)
{
    return child<QComboBox>(dialog, "profileComboBox");
}

inline QPushButton *button(QWidget *dialog, const char *name)
{
    return child<QPushButton>(dialog, name);
}

} // namespace DialogTestUtils

#endif
