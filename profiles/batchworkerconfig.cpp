#include "batchworkerconfig.h"

#include "filenameprofile.h"
#include "imageprofile.h"
#include "media/videoinfo.h"
#include "profilemanager.h"
#include "timelist.h"

#include <QFileInfo>
#include <QMetaProperty>
#include <QSettings>

#include <limits>

namespace {

// The candidate when it is a profile of the kind, else the manager's
// last-used one, else the current profile stays.
template <typename Kind>
void takeProfileOrLastUsed(Kind *&current, BaseProfile *candidate, ProfileManager *manager)
{
    if (auto *profile = qobject_cast<Kind *>(candidate))
        current = profile;
    else if (auto *lastUsed = qobject_cast<Kind *>(manager->lastUsedProfile()))
        current = lastUsed;
}

} // namespace

BatchWorkerConfig::BatchWorkerConfig()
    : QObject(nullptr)
    , m_ownImageProfile(std::make_unique<ImageProfile>())
    , m_ownFileNameProfile(std::make_unique<FileNameProfile>())
{
    m_imageProfile = m_ownImageProfile.get();
    m_fileNameProfile = m_ownFileNameProfile.get();
}

BatchWorkerConfig::~BatchWorkerConfig() = default;

QString BatchWorkerConfig::source() const
{
    return m_source;
}

void BatchWorkerConfig::setSource(const QString &path)
{
    m_source = QDir::toNativeSeparators(path);
    m_fileOutputDir = std::make_unique<QDir>(QFileInfo(path).absoluteDir());
}

QString BatchWorkerConfig::imageProfileId() const
{
    return m_imageProfile->id();
}

void BatchWorkerConfig::setImageProfileId(const QString &id)
{
    ProfileManager *manager = ImageProfile::manager();
    takeProfileOrLastUsed(m_imageProfile, manager->profileById(id), manager);
}

QString BatchWorkerConfig::filenameProfileId() const
{
    return m_fileNameProfile->id();
}

void BatchWorkerConfig::setFileNameProfileId(const QString &id)
{
    ProfileManager *manager = FileNameProfile::manager();
    takeProfileOrLastUsed(m_fileNameProfile, manager->profileById(id), manager);
}

QString BatchWorkerConfig::filenameExample() const
{
    return fileNameFor(1);
}

QString BatchWorkerConfig::fileOutputPath() const
{
    return m_fileOutputDir ? QDir::toNativeSeparators(m_fileOutputDir->absolutePath()) : QString();
}

void BatchWorkerConfig::setFileOutputPath(const QString &path)
{
    m_fileOutputDir = std::make_unique<QDir>(path);
}

QDir BatchWorkerConfig::fileOutputDir() const
{
    return m_fileOutputDir ? *m_fileOutputDir : QDir();
}

void BatchWorkerConfig::setFileOutputDir(const QDir &dir)
{
    m_fileOutputDir = std::make_unique<QDir>(dir);
}

ImageProfile *BatchWorkerConfig::imageProfile() const
{
    return m_imageProfile;
}

void BatchWorkerConfig::setImageProfile(ImageProfile *profile)
{
    takeProfileOrLastUsed(m_imageProfile, profile, ImageProfile::manager());
}

FileNameProfile *BatchWorkerConfig::fileNameProfile() const
{
    return m_fileNameProfile;
}

void BatchWorkerConfig::setFileNameProfile(FileNameProfile *profile)
{
    takeProfileOrLastUsed(m_fileNameProfile, profile, FileNameProfile::manager());
}

QString BatchWorkerConfig::sourceBaseName() const
{
    return QFileInfo(m_source).completeBaseName();
}

VideoInfo *BatchWorkerConfig::videoInfo() const
{
    return m_videoInfo.get();
}

void BatchWorkerConfig::loadVideoInfo()
{
    m_videoInfo = std::make_shared<VideoInfo>();
    m_videoInfo->load(m_source);
}

void BatchWorkerConfig::setVideoInfo(std::shared_ptr<VideoInfo> info)
{
    m_videoInfo = std::move(info);
}

int BatchWorkerConfig::expectedImageCount() const
{
    return expectedImageCount(m_intervalType, m_intervalMilliseconds, m_intervalImages);
}

int BatchWorkerConfig::expectedImageCount(int intervalType, int intervalMilliseconds, int intervalImages) const
{
    switch (intervalType) {
    case ImageCount:
        return intervalImages;
    case EveryMilliseconds: {
        // Without video information the duration counts as 0, so the
        // example still has a count instead of crashing.
        const qint64 duration = m_videoInfo ? m_videoInfo->duration() : 0;
        const qint64 span = duration - m_skipBack - m_skipFront;
        if (intervalMilliseconds == 0)
            return 1;
        // A stream claiming an endless duration still gives a count.
        return static_cast<int>(qBound<qint64>(std::numeric_limits<int>::min(), span / intervalMilliseconds + 1,
                                               std::numeric_limits<int>::max()));
    }
    case SceneChange:
        return m_sceneImageCount >= 0 && m_sceneCountKey == sceneCountKey() ? m_sceneImageCount : 0;
    case AtTimes:
        return TimeList::parse(m_atTimes).size();
    default:
        return 0;
    }
}

QString BatchWorkerConfig::expectedImageCountText() const
{
    if (m_intervalType == SceneChange && (m_sceneImageCount < 0 || m_sceneCountKey != sceneCountKey()))
        return QStringLiteral("?");
    return QString::number(expectedImageCount());
}

void BatchWorkerConfig::setSceneImageCount(int count)
{
    m_sceneImageCount = count;
    m_sceneCountKey = sceneCountKey();
}

QString BatchWorkerConfig::sceneCountKey() const
{
    return QStringLiteral("%1|%2|%3|%4|%5")
        .arg(m_source)
        .arg(m_skipFront)
        .arg(m_skipBack)
        .arg(m_sceneThreshold)
        .arg(m_sceneMinGapMilliseconds);
}

QString BatchWorkerConfig::fileNameFor(int counter, qint64 frameMs) const
{
    // An example only: the job counts the frames themselves.
    const double rate = m_videoInfo ? m_videoInfo->frameRate() : 0.0;
    const qint64 frameNumber = rate > 0 ? qint64(double(frameMs) * rate / 1000.0) : 0;
    return m_fileNameProfile->generateFileName(sourceBaseName(), counter, expectedImageCount(), frameMs,
                                               frameNumber);
}

QString BatchWorkerConfig::fileNameFor(int counter) const
{
    return fileNameFor(counter, m_skipFront);
}

QString BatchWorkerConfig::intervalDescription() const
{
    switch (m_intervalType) {
    case EveryMilliseconds:
        return tr("Every %1ms").arg(m_intervalMilliseconds);
    case ImageCount:
        return tr("%1 images").arg(m_intervalImages);
    case SingleShot: {
        QString text = tr("Single ");
        switch (m_intervalSingleShot) {
        case Front: text += tr("front"); break;
        case Middle: text += tr("middle"); break;
        case Back: text += tr("back"); break;
        default: break;
        }
        return text;
    }
    case SceneChange:
        return tr("Scene changes");
    case AtTimes:
        return tr("At %1").arg(m_atTimes.simplified());
    default:
        return QStringLiteral("placeholder");
    }
}

QString BatchWorkerConfig::defaultsFileName()
{
    return QStringLiteral("batchModeDefaults.ini");
}

bool BatchWorkerConfig::isStoredInDefaults(const char *propertyName)
{
    return qstrcmp(propertyName, "source") != 0 && qstrcmp(propertyName, "fileOutputPath") != 0;
}

bool BatchWorkerConfig::isSceneProperty(const char *propertyName)
{
    return qstrcmp(propertyName, "sceneThreshold") == 0 || qstrcmp(propertyName, "sceneMinGapMilliseconds") == 0;
}

bool BatchWorkerConfig::usesSceneSettings() const
{
    return m_intervalType == SceneChange || m_sceneThreshold != DefaultSceneThreshold
        || m_sceneMinGapMilliseconds != DefaultSceneMinGapMilliseconds;
}

bool BatchWorkerConfig::isOptionalKeyInUse(const char *propertyName) const
{
    if (isSceneProperty(propertyName))
        return usesSceneSettings();
    if (qstrcmp(propertyName, "fastSeek") == 0)
        return m_fastSeek;
    if (qstrcmp(propertyName, "smartPick") == 0)
        return m_smartPick;
    if (qstrcmp(propertyName, "atTimes") == 0)
        return !m_atTimes.isEmpty();
    if (qstrncmp(propertyName, "contactSheet", 12) == 0)
        return m_contactSheet || m_contactSheetColumns != DefaultContactSheetColumns
            || m_contactSheetRows != DefaultContactSheetRows;
    if (qstrncmp(propertyName, "webVtt", 6) == 0)
        return m_webVtt || m_webVttColumns != DefaultWebVttColumns || m_webVttRows != DefaultWebVttRows;
    return true;
}

QVector<QMetaProperty> BatchWorkerConfig::defaultsProperties() const
{
    QVector<QMetaProperty> result;
    const QMetaObject *meta = metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (property.isStored(this) && property.isWritable() && isStoredInDefaults(property.name()))
            result.append(property);
    }
    return result;
}

void BatchWorkerConfig::loadDefaults()
{
    if (auto *image = qobject_cast<ImageProfile *>(ImageProfile::manager()->lastUsedProfile()))
        m_imageProfile = image;
    if (auto *names = qobject_cast<FileNameProfile *>(FileNameProfile::manager()->lastUsedProfile()))
        m_fileNameProfile = names;

    QSettings settings(ProfileManager::settingsFilePath(defaultsFileName()), QSettings::IniFormat);
    for (const QMetaProperty &property : defaultsProperties()) {
        const QString key = QString::fromLatin1(property.name());
        if (settings.contains(key))
            setProperty(property.name(), settings.value(key));
    }
}

void BatchWorkerConfig::saveDefaults()
{
    QSettings settings(ProfileManager::settingsFilePath(defaultsFileName()), QSettings::IniFormat);
    for (const QMetaProperty &property : defaultsProperties()) {
        const QString key = QString::fromLatin1(property.name());
        if (!isOptionalKeyInUse(property.name()) && !settings.contains(key))
            continue;
        settings.setValue(key, property.read(this));
    }
    settings.sync();
}
