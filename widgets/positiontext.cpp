#include "positiontext.h"

#include <QRegularExpression>

namespace {

// A year: far beyond any video, far from overflowing.
constexpr qint64 maxPositionMs = qint64(365) * 24 * 60 * 60 * 1000;
constexpr qint64 maxFrameNumber = qint64(1) << 40;
// More digits than that could wrap before the bound above is checked.
constexpr int maxDigits = 12;

// Fraction digits as milliseconds, rounded to the nearest one.
qint64 fractionToMs(const QString &digits)
{
    if (digits.isEmpty())
        return 0;
    return ((digits + QStringLiteral("0000")).left(4).toLongLong() + 5) / 10;
}

} // namespace

std::optional<PositionText::Position> PositionText::parse(const QString &text)
{
    static const QRegularExpression frame(QStringLiteral("^[fF]([0-9]+)$"));
    // Seconds, m:ss or h:mm:ss, each with an optional fraction; the fields
    // after the first stay below 60.
    static const QRegularExpression time(
        QStringLiteral("^([0-9]+)(?::([0-9]{1,2}))?(?::([0-9]{1,2}))?(?:\\.([0-9]+))?$"));
    const QString trimmed = text.trimmed();
    Position position;
    QRegularExpressionMatch match = frame.match(trimmed);
    if (match.hasMatch()) {
        if (match.capturedLength(1) > maxDigits)
            return std::nullopt;
        position.frame = match.captured(1).toLongLong();
        if (position.frame > maxFrameNumber)
            return std::nullopt;
        return position;
    }
    match = time.match(trimmed);
    if (!match.hasMatch() || match.capturedLength(1) > maxDigits)
        return std::nullopt;
    qint64 seconds = match.captured(1).toLongLong();
    for (int field = 2; field <= 3 && match.capturedLength(field) > 0; ++field) {
        const qint64 value = match.captured(field).toLongLong();
        if (value > 59)
            return std::nullopt;
        seconds = seconds * 60 + value;
    }
    if (seconds > maxPositionMs / 1000)
        return std::nullopt;
    position.ms = seconds * 1000 + fractionToMs(match.captured(4));
    if (position.ms > maxPositionMs)
        return std::nullopt;
    return position;
}
