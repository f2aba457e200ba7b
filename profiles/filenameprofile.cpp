#include "filenameprofile.h"

#include "profilemanager.h"

#include <cmath>

FileNameProfile::FileNameProfile(QObject *parent)
    : BaseProfile(parent)
{
}

ProfileFactory FileNameProfile::factory()
{
    return []() -> std::unique_ptr<BaseProfile> { return std::make_unique<FileNameProfile>(); };
}

ProfileManager *FileNameProfile::manager()
{
    static ProfileManager *instance = nullptr;
    if (!instance)
        instance = new ProfileManager(QStringLiteral("FileNameProfiles.ini"), factory(), true);
    return instance;
}

QString FileNameProfile::timeToken(qint64 frameMs)
{
    const qint64 ms = qMax<qint64>(0, frameMs);
    // Dashes, not colons: the name must be valid on every file system.
    return QStringLiteral("%1-%2-%3.%4")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

QString FileNameProfile::resolveTokens(const QString &text, const QString &videoName, qint64 frameMs,
                                       qint64 frameNumber)
{
    if (!text.contains(QLatin1Char('{')))
        return text;
    QString result = text;
    result.replace(QLatin1String("{video}"), videoName);
    result.replace(QLatin1String("{time}"), timeToken(frameMs));
    result.replace(QLatin1String("{ms}"), QString::number(qMax<qint64>(0, frameMs)));
    if (frameNumber >= 0)
        result.replace(QLatin1String("{frame}"), QString::number(frameNumber));
    return result;
}

bool FileNameProfile::namesByTime() const
{
    for (const QString &part : {m_fileOutputPrefix, m_fileBaseName, m_fileOutputSuffix}) {
        if (part.contains(QLatin1String("{time}")) || part.contains(QLatin1String("{ms}")))
            return true;
    }
    return namesByFrameNumber();
}

bool FileNameProfile::namesByFrameNumber() const
{
    for (const QString &part : {m_fileOutputPrefix, m_fileBaseName, m_fileOutputSuffix}) {
        if (part.contains(QLatin1String("{frame}")))
            return true;
    }
    return false;
}

QString FileNameProfile::generateFileName(const QString &baseName, int counter, int imageCount,
                                          qint64 frameMs, qint64 frameNumber) const
{
    QString counterText;
    QString suffix;
    if (counter != -1) {
        int digits = 0;
        if (m_fileOutputCounterPadZeros > 0)
            digits = m_fileOutputCounterPadZeros;
        else if (m_fileOutputCounterPadZeros == -1 && imageCount >= 1)
            digits = static_cast<int>(std::floor(std::log10(static_cast<double>(imageCount)))) + 1;
        suffix = resolveTokens(m_fileOutputSuffix, baseName, frameMs, frameNumber);
        counterText = QStringLiteral("%1").arg(counter, digits, 10, QLatin1Char('0'));
    }
    const QString name = m_fileBaseName.isEmpty() ? baseName : resolveTokens(m_fileBaseName, baseName, frameMs, frameNumber);
    return resolveTokens(m_fileOutputPrefix, baseName, frameMs, frameNumber) + name + suffix + counterText + QLatin1Char('.')
        + m_fileOutputType;
}

QString FileNameProfile::generateFileName(const QString &baseName) const
{
    return generateFileName(baseName, -1, 0);
}
