#include "profilemanager.h"

#include <QDebug>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

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
    if (createDefaultIfEmpty && m_profiles.empty()) {
        std::unique_ptr<BaseProfile> profile = m_profileFactory();
        profile->setName(QStringLiteral("[") + tr("Unnamed Settings") + QStringLiteral("]"));
        m_profiles.push_back(std::move(profile));
    }
    if (!m_lastUsedProfile && !m_profiles.empty())
        m_lastUsedProfile = m_profiles.front().get();
    save();
}

ProfileManager::~ProfileManager() = default;

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

    std::vector<std::pair<int, std::unique_ptr<BaseProfile>>> ordered;
    settings.beginGroup(ProfilesGroup);
    const QStringList groups = settings.childGroups();
    for (const QString &group : groups) {
        std::unique_ptr<BaseProfile> profile = m_profileFactory();
        settings.beginGroup(group);
        profile->loadFromSettings(settings);
        const int sortOrder = settings.value(SortOrderKey, 0).toInt(); // 0 when not a number
        ordered.emplace_back(sortOrder, std::move(profile));
        settings.endGroup();
    }
    settings.endGroup();

    std::sort(ordered.begin(), ordered.end(), [](const auto &a, const auto &b) { return a.first < b.first; });

    // load() is only called on an empty manager; nothing is dropped here.
    m_profiles.clear();
    for (auto &entry : ordered)
        m_profiles.push_back(std::move(entry.second));

    const QString lastUsedId = settings.value(LastUsedKey).toString();
    if (!lastUsedId.isEmpty())
        m_lastUsedProfile = profileById(lastUsedId);
}

void ProfileManager::save()
{
    QSettings settings(settingsFilePath(m_fileName), QSettings::IniFormat);
    settings.beginGroup(ProfilesGroup);
    for (int i = 0; i < int(m_profiles.size()); ++i) {
        const BaseProfile *profile = m_profiles[size_t(i)].get();
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
    QList<BaseProfile *> result;
    result.reserve(int(m_profiles.size()));
    for (const auto &profile : m_profiles)
        result.append(profile.get());
    return result;
}

BaseProfile *ProfileManager::profileById(const QString &id) const
{
    for (const auto &profile : m_profiles) {
        if (profile->id().compare(id, Qt::CaseInsensitive) == 0)
            return profile.get();
    }
    return nullptr;
}

std::unique_ptr<BaseProfile> ProfileManager::createProfile() const
{
    return m_profileFactory();
}

BaseProfile *ProfileManager::addProfile(std::unique_ptr<BaseProfile> profile)
{
    m_profiles.push_back(std::move(profile));
    return m_profiles.back().get();
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
