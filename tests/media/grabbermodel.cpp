#include "grabbermodel.h"

#include <QProcess>
#include <QtDebug>

#include <cmath>
#include <cstdlib>

namespace {

QString ffprobe()
{
    QString path = QStringLiteral(FFMPEG_EXECUTABLE);
    path.replace(path.lastIndexOf(QLatin1String("ffmpeg")), 6, QStringLiteral("ffprobe"));
    return path;
}

QByteArray run(const QStringList &arguments)
{
    QProcess process;
    process.start(ffprobe(), QStringList{QStringLiteral("-v"), QStringLiteral("error")} << arguments);
    process.waitForFinished(120000);
    return process.readAllStandardOutput();
}

} // namespace

QVector<qint64> probeFrameTimesMs(const QString &path, TimeZero zero)
{
    const QList<QByteArray> header =
        run({QStringLiteral("-select_streams"), QStringLiteral("v:0"), QStringLiteral("-show_entries"),
             QStringLiteral("stream=time_base:format=start_time"), QStringLiteral("-of"),
             QStringLiteral("default=nw=1:nk=1"), path})
            .trimmed()
            .split('\n');
    // Streams of a program are listed twice; the format's start comes last.
    if (header.size() < 2)
        return {};
    const QList<QByteArray> timeBase = header.first().trimmed().split('/');
    const qint64 num = timeBase.value(0).toLongLong();
    const qint64 den = timeBase.value(1).toLongLong();
    const QByteArray start = header.last().trimmed();
    const qint64 startUs = start != "N/A" ? std::llround(start.toDouble() * 1e6) : 0;
    const qint64 startTicks = std::llround((long double)startUs * den / (num * 1000000.0L));
    if (num <= 0 || den <= 0)
        return {};

    QVector<qint64> ticks;
    const QList<QByteArray> lines =
        run({QStringLiteral("-select_streams"), QStringLiteral("v:0"), QStringLiteral("-show_entries"),
             QStringLiteral("frame=best_effort_timestamp,pkt_duration"), QStringLiteral("-of"),
             QStringLiteral("csv=p=0"), path})
            .split('\n');
    // A picture without a time after timed ones (the last of an MPEG-PS
    // stream) lies one frame after its predecessor.
    qint64 lastDuration = 0;
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.trimmed().split(',');
        const QByteArray value = fields.value(0);
        if (value.isEmpty())
            continue;
        if (value != "N/A")
            ticks << value.toLongLong();
        else if (!ticks.isEmpty() && lastDuration > 0)
            ticks << ticks.last() + lastDuration;
        const QByteArray duration = fields.value(1);
        if (!duration.isEmpty() && duration != "N/A")
            lastDuration = duration.toLongLong();
    }
    const qint64 zeroTicks = zero == TimeZero::FirstFrame && !ticks.isEmpty() ? ticks.first() : startTicks;
    QVector<qint64> times;
    // Truncated toward zero, as the grabber does.
    for (qint64 t : qAsConst(ticks))
        times << (t - zeroTicks) * num * 1000 / den;
    return times;
}

QVector<qint64> forwardWalk(const QVector<qint64> &times, quint32 seed)
{
    auto random = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % quint32(n));
    };
    auto firstAfter = [&times](qint64 pos) {
        int i = 0;
        while (i < times.size() - 1 && times[i] <= pos)
            ++i;
        return i;
    };
    const qint64 last = times.last();
    QVector<qint64> requests{-500, -500};
    qint64 pos = -500;
    while (pos < last + 1000) {
        const int i = firstAfter(pos);
        const qint64 gap = i + 1 < times.size() ? times[i + 1] - times[i] : 40;
        switch (random(18)) {
        case 0: break; // repeat
        case 1: case 2: case 3: pos = times[i]; break;
        case 4: case 5: pos = i + 1 < times.size() ? (times[i] + times[i + 1]) / 2 : last + 1; break;
        case 6: pos += 1; break;
        case 7: case 8: pos = times[i] + gap / 3; break;
        case 9: case 10: pos = times[i] + 2 * gap / 3; break;
        case 11: case 12: pos += 150; break;
        case 13: pos += 700; break;
        case 14: pos += 2500; break;
        case 15: pos += 10001 + random(4000); break;
        case 16: pos -= 300; break;
        case 17: pos = times[i] - 1; break;
        }
        requests << pos;
    }
    requests << last + 3000 << last + 4000;
    return requests;
}

GrabberModel::GrabberModel(const QVector<qint64> &times, qint64 videoEndMs)
    : m_times(times)
    , m_videoEndMs(videoEndMs)
{
}

bool GrabberModel::holdsLastAt(qint64 pos) const
{
    return m_cursor >= 0 && pos >= m_times[m_cursor] && pos <= m_videoEndMs;
}

bool GrabberModel::atEnd() const
{
    return m_ended && m_delivered && !holdsLastAt(m_pos);
}

int GrabberModel::request(qint64 pos)
{
    m_pos = pos;
    if (m_cursor >= 0 && m_times[m_cursor] > pos && !m_delivered) {
        m_delivered = true;
        return m_cursor;
    }
    if (m_ended && m_delivered)
        return holdsLastAt(pos) ? m_cursor : EndOfVideoError;
    int next = m_cursor + 1;
    while (next < m_times.size() && m_times[next] < pos)
        ++next;
    if (next == m_times.size()) {
        m_ended = true;
        if (m_times.size() - 1 > m_cursor) {
            m_cursor = m_times.size() - 1;
            m_delivered = false;
        }
        if (m_cursor >= 0 && (!m_delivered || holdsLastAt(pos))) {
            m_delivered = true;
            return m_cursor;
        }
        return StreamEndedError;
    }
    const int previous = next - 1;
    const bool previousDelivered = previous == m_cursor ? m_delivered : false;
    m_cursor = next;
    if (previous >= 0 && !previousDelivered
        && std::llabs(m_times[next] - pos) >= std::llabs(m_times[previous] - pos)) {
        m_delivered = false;
        return previous;
    }
    m_delivered = true;
    return next;
}
