#include "filenameprofile.h"

#include "profilemanager.h"

#include <cmath>

FileNameProfile::FileNameProfile(QObject *parent)
    : BaseProfile(parent)
{
}

ProfileFactory FileNameProfile::factory()
{
    return [] { return static_cast<BaseProfile *>(new FileNameProfile); };
}

ProfileManager *FileNameProfile::manager()
{
    static ProfileManager *instance = nullptr;
    if (!instance)
        instance = new ProfileManager(QStringLiteral("FileNameProfiles.ini"), factory(), true);
    return instance;
}

QString FileNameProfile::generateFileName(const QString &baseName, int counter, int imageCount) const
{
    QString counterText;
    QString suffix;
    if (counter != -1) {
        int digits = 0;
        if (m_fileOutputCounterPadZeros > 0)
            digits = m_fileOutputCounterPadZeros;
        else if (m_fileOutputCounterPadZeros == -1 && imageCount >= 1)
            digits = static_cast<int>(std::floor(std::log10(static_cast<double>(imageCount)))) + 1;
        suffix = m_fileOutputSuffix;
        counterText = QStringLiteral("%1").arg(counter, digits, 10, QLatin1Char('0'));
    }
    const QString name = m_fileBaseName.isEmpty() ? baseName : m_fileBaseName;
    return m_fileOutputPrefix + name + suffix + counterText + QLatin1Char('.') + m_fileOutputType;
}

QString FileNameProfile::generateFileName(const QString &baseName) const
{
    return generateFileName(baseName, -1, 0);
}
