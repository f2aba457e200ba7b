#ifndef VISTALOOM_PROFILEMANAGER_H
#define VISTALOOM_PROFILEMANAGER_H

#include "baseprofile.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

// Owns every profile of one kind and stores them in one INI file.
// Profiles live until the process ends; the list only grows.
class ProfileManager : public QObject
{
    Q_OBJECT

public:
    ProfileManager(const QString &fileName, ProfileFactory profileFactory, bool createDefaultIfEmpty);
    ~ProfileManager() override;

    // Where a settings file of that name lives: the writable configuration
    // folder, or the bare name when that folder cannot be created.
    static QString settingsFilePath(const QString &fileName);

    void load();
    void save();

    // The profiles held, in their order; the manager keeps owning them.
    QList<BaseProfile *> profiles() const;
    BaseProfile *profileById(const QString &id) const;
    // A new profile with the kind's defaults, not yet held.
    std::unique_ptr<BaseProfile> createProfile() const;
    // Takes the profile over and returns it, now held at the end of the list.
    BaseProfile *addProfile(std::unique_ptr<BaseProfile> profile);

    BaseProfile *lastUsedProfile() const;
    void setLastUsedProfile(BaseProfile *profile);

    QString fileName() const;

private:
    std::vector<std::unique_ptr<BaseProfile>> m_profiles;
    BaseProfile *m_lastUsedProfile = nullptr;
    ProfileFactory m_profileFactory;
    QString m_fileName;
};

#endif
