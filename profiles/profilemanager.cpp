#include "profilemanager.h"

#include <QDebug>
#include <QDir>
#include <QPair>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString ProfilesGroup = QStringLiteral("profiles");
const QString SortOrderKey = QStringLiteral("sortOrder");
// The misspelling is what existing files carry; keep it.
const QString LastUsedKey = QStringLiteral("lastUsedPofileId");

} // namespace

ProfileManager::ProfileManager(const QString &fileName, ProfileFactory profileFactory, bool createDefaultIfEmpty)
    : QObject(nullptr)
    , m_profileFactory(std::move(profileFactory))
    , m_fileName(fileName)
{
    load();
    if (createDefaultIfEmpty && m_profiles.isEmpty()) {
        BaseProfile *profile = m_profileFactory();
        profile->setName(QStringLiteral("[") + tr("Unnamed Settings") + QStringLiteral("]"));
        m_profiles.append(profile);
    }
    if (!m_lastUsedProfile && !m_profiles.isEmpty())
        m_lastUsedProfile = m_profiles.first();
    save();
}

ProfileManager::~ProfileManager()
{
    qDeleteAll(m_profiles);
}

QString ProfileManager::settingsFilePath(const QString &fileName)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (!folder.isEmpty() && QDir().mkpath(folder))
        return QDir(folder).absoluteFilePath(fileName);
    return fileName;
}

void ProfileManager::load()
{
    QSettings settings(settingsFilePath(m_fileName), QSettings::IniFormat);

    QList<QPair<int, BaseProfile *>> ordered;
    settings.beginGroup(ProfilesGroup);
    const QStringList groups = settings.childGroups();
    for (const QString &group : groups) {
        BaseProfile *profile = m_profileFactory();
        settings.beginGroup(group);
        profile->loadFromSettings(settings);
        const int sortOrder = settings.value(SortOrderKey, 0).toInt(); // 0 when not a number
        ordered.append(qMakePair(sortOrder, profile));
        settings.endGroup();
    }
    settings.endGroup();

    std::sort(ordered.begin(), ordered.end(),
              [](const QPair<int, BaseProfile *> &a, const QPair<int, BaseProfile *> &b) { return a.first < b.first; });

    // load() is only called on an empty manager; nothing is dropped here.
    m_profiles.clear();
    for (const auto &entry : qAsConst(ordered))
        m_profiles.append(entry.second);

    const QString lastUsedId = settings.value(LastUsedKey).toString();
    if (!lastUsedId.isEmpty())
        m_lastUsedProfile = profileById(lastUsedId);
}

void ProfileManager::save()
{
    QSettings settings(settingsFilePath(m_fileName), QSettings::IniFormat);
    settings.beginGroup(ProfilesGroup);
    for (int i = 0; i < m_profiles.size(); ++i) {
        BaseProfile *profile = m_profiles.at(i);
        settings.beginGroup(profile->id());
        profile->saveToSettings(settings);
        settings.setValue(SortOrderKey, i);
        settings.endGroup();
    }
    settings.endGroup();
    if (m_lastUsedProfile)
        settings.setValue(LastUsedKey, m_lastUsedProfile->id());
    settings.sync();
    if (settings.status() != QSettings::NoError)
        qWarning() << "Could not write profile file" << settings.fileName();
}

QList<BaseProfile *> ProfileManager::profiles() const
{
    return m_profiles;
}

BaseProfile *ProfileManager::profileById(const QString &id) const
{
    for (BaseProfile *profile : m_profiles) {
        if (profile->id().compare(id, Qt::CaseInsensitive) == 0)
            return profile;
    }
    return nullptr;
}

BaseProfile *ProfileManager::createProfile() const
{
    return m_profileFactory();
}

void ProfileManager::addProfile(BaseProfile *profile)
{
    m_profiles.append(profile);
}

BaseProfile *ProfileManager::lastUsedProfile() const
{
    return m_lastUsedProfile;
}

void ProfileManager::setLastUsedProfile(BaseProfile *profile)
{
    if (profile == m_lastUsedProfile)
        return;
    m_lastUsedProfile = profile;
    save();
}

QString ProfileManager::fileName() const
{
    return m_fileName;
}
