#include "imagemetadata.h"

#include "profiles/timelist.h"

#include <QFileInfo>
#include <QStringList>

const QString ImageMetadata::SourceKey = QStringLiteral("Source");
const QString ImageMetadata::TimeKey = QStringLiteral("Time");
const QString ImageMetadata::FrameKey = QStringLiteral("Frame");

ImageMetadata ImageMetadata::of(const QString &videoPath, qint64 timeMs)
{
    ImageMetadata metadata;
    metadata.source = QFileInfo(videoPath).fileName();
    metadata.timeMs = timeMs;
    return metadata;
}

QString ImageMetadata::formatTime(qint64 ms)
{
    return TimeList::clockText(ms);
}

bool ImageMetadata::isEmpty() const
{
    return source.isEmpty() && timeMs < 0 && frame < 0;
}

QVector<QPair<QString, QString>> ImageMetadata::entries() const
{
    QVector<QPair<QString, QString>> result;
    if (!source.isEmpty())
        result.append({SourceKey, source});
    if (timeMs >= 0)
        result.append({TimeKey, formatTime(timeMs)});
    if (frame >= 0)
        result.append({FrameKey, QString::number(frame)});
    return result;
}

QString ImageMetadata::comment() const
{
    QStringList parts;
    for (const auto &entry : entries())
        parts.append(entry.first + QStringLiteral(": ") + entry.second);
    return parts.join(QStringLiteral(", "));
}
