#include "timelist.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

#include <optional>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TimeList", text);
}

// Fraction digits as milliseconds, rounded to the nearest one.
qint64 fractionMs(const QString &digits)
{
    if (digits.isEmpty())
        return 0;
    const QString padded = (digits + QStringLiteral("0000")).left(4);
    return (padded.toLongLong() + 5) / 10;
}

// Whole units of at most 12 digits: enough for any video, far from wrapping.
std::optional<qint64> wholeNumber(const QString &digits)
{
    if (digits.size() > 12)
        return std::nullopt;
    return digits.toLongLong();
}

std::optional<TimeList::Entry> parseEntry(const QString &text)
{
    static const QRegularExpression frame(QStringLiteral("^[fF]([0-9]+)$"));
    static const QRegularExpression seconds(QStringLiteral("^([0-9]+)(?:\\.([0-9]+))?$"));
    // [h:]m:ss, the fields after the first below 60.
    static const QRegularExpression clock(
        QStringLiteral("^([0-9]+):([0-9]{1,2})(?::([0-9]{1,2}))?(?:\\.([0-9]+))?$"));

    TimeList::Entry entry;
    QRegularExpressionMatch match = frame.match(text);
    if (match.hasMatch()) {
        const std::optional<qint64> number = wholeNumber(match.captured(1));
        if (!number || *number > TimeList::MaxFrame)
            return std::nullopt;
        entry.frame = *number;
        return entry;
    }
    qint64 wholeSeconds = 0;
    QString fraction;
    if ((match = seconds.match(text)).hasMatch()) {
        const std::optional<qint64> value = wholeNumber(match.captured(1));
        if (!value)
            return std::nullopt;
        wholeSeconds = *value;
        fraction = match.captured(2);
    } else if ((match = clock.match(text)).hasMatch()) {
        const bool hasHours = match.capturedLength(3) > 0;
        const std::optional<qint64> first = wholeNumber(match.captured(1));
        const qint64 second = match.captured(2).toLongLong();
        const qint64 third = hasHours ? match.captured(3).toLongLong() : 0;
        if (!first || second > 59 || third > 59)
            return std::nullopt;
        wholeSeconds = hasHours ? (*first * 60 + second) * 60 + third : *first * 60 + second;
        fraction = match.captured(4);
    } else {
        return std::nullopt;
    }
    entry.ms = wholeSeconds * 1000 + fractionMs(fraction);
    if (entry.ms > TimeList::MaxMilliseconds)
        return std::nullopt;
    return entry;
}

} // namespace

QVector<TimeList::Entry> TimeList::parse(const QString &text, QString *error)
{
    QVector<Entry> entries;
    if (text.trimmed().isEmpty()) {
        if (error)
            *error = tr("No times given");
        return entries;
    }
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QString item = part.trimmed();
        const std::optional<Entry> entry = parseEntry(item);
        if (!entry) {
            if (error)
                *error = tr("Invalid time \"%1\": use seconds (83.456), mm:ss.mmm, hh:mm:ss.mmm or a frame number "
                            "after f (f2000)")
                             .arg(item);
            return {};
        }
        entries.append(*entry);
    }
    if (error)
        error->clear();
    return entries;
}

bool TimeList::isValid(const QString &text)
{
    return !parse(text).isEmpty();
}

QString TimeList::clockText(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}
