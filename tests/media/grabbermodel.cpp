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

QVector<qint64> probeFrameTimesMs(const QString &path)
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

    QVector<qint64> times;
    const QList<QByteArray> lines =
        run({QStringLiteral("-select_streams"), QStringLiteral("v:0"), QStringLiteral("-show_entries"),
             QStringLiteral("frame=best_effort_timestamp"), QStringLiteral("-of"), QStringLiteral("csv=p=0"), path})
            .split('\n');
    for (const QByteArray &line : lines) {
        const QByteArray value = line.trimmed().split(',').value(0);
        if (value.isEmpty() || value == "N/A")
            continue;
        // Truncated toward zero, as the grabber does.
        times << (value.toLongLong() - startTicks) * num * 1000 / den;
    }
    return times;
}

GrabberModel::GrabberModel(const QVector<qint64> &times)
    : m_times(times)
{
}

bool GrabberModel::atEnd() const
{
    return m_ended && m_delivered;
}

int GrabberModel::request(qint64 pos)
{
    if (m_cursor >= 0 && m_times[m_cursor] > pos && !m_delivered) {
        m_delivered = true;
        return m_cursor;
    }
    if (atEnd())
        return EndOfVideoError;
    int next = m_cursor + 1;
    while (next < m_times.size() && m_times[next] < pos)
        ++next;
    if (next == m_times.size()) {
        m_ended = true;
        if (m_times.size() - 1 > m_cursor) {
            m_cursor = m_times.size() - 1;
            m_delivered = false;
        }
        if (m_cursor >= 0 && !m_delivered) {
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
