#include "demuxer.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

#include <QFile>
#include <QtDebug>

#include <cmath>
#include <limits>

namespace {

// A read that keeps failing without reaching the end would otherwise spin
// for ever on a damaged file.
constexpr int MaxFailedReadsInARow = 1000;

bool isVideo(const AVStream *stream)
{
    return stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO
        && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
}

} // namespace

Demuxer::Demuxer() = default;

Demuxer::~Demuxer() = default;

void Demuxer::setMedia(const QString &fileName)
{
    m_fileName = fileName;
}

QString Demuxer::fileName() const
{
    return m_fileName;
}

bool Demuxer::load()
{
    unload();
    AVFormatContext *raw = avformat_alloc_context();
    if (!raw)
        return false;
    raw->interrupt_callback.callback = &Demuxer::interruptCallback;
    raw->interrupt_callback.opaque = this;
    const QByteArray path = QFile::encodeName(m_fileName);
    int result = avformat_open_input(&raw, path.constData(), nullptr, nullptr);
    if (result < 0)
        return false; // avformat_open_input frees the context on failure
    FFmpeg::FormatContextPtr context(raw);
    result = avformat_find_stream_info(context.get(), nullptr);
    if (result < 0)
        return false;
    m_context = std::move(context);
    return true;
}

void Demuxer::unload()
{
    m_packet.reset();
    m_context.reset();
    m_streamIndex = -1;
    m_atEnd = false;
    m_failedReads = 0;
}

bool Demuxer::isLoaded() const
{
    return m_context != nullptr;
}

bool Demuxer::atEnd() const
{
    return m_atEnd;
}

qint64 Demuxer::duration() const
{
    if (!m_context || m_context->duration == AV_NOPTS_VALUE || m_context->duration < 0)
        return 0;
    return av_rescale(m_context->duration, 1000, AV_TIME_BASE);
}

int Demuxer::videoStreamCount() const
{
    if (!m_context)
        return 0;
    int count = 0;
    for (unsigned i = 0; i < m_context->nb_streams; ++i)
        count += isVideo(m_context->streams[i]) ? 1 : 0;
    return count;
}

bool Demuxer::setVideoStreamIndex(int n)
{
    if (!m_context)
        return false;
    int found = -1;
    for (unsigned i = 0, videos = 0; i < m_context->nb_streams; ++i) {
        if (isVideo(m_context->streams[i]) && int(videos++) == n)
            found = int(i);
    }
    if (found < 0)
        return false;
    m_streamIndex = found;
    for (unsigned i = 0; i < m_context->nb_streams; ++i)
        m_context->streams[i]->discard = int(i) == found ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    return true;
}

int Demuxer::streamIndex() const
{
    return m_streamIndex;
}

AVStream *Demuxer::videoStream() const
{
    if (!m_context)
        return nullptr;
    if (m_streamIndex >= 0)
        return m_context->streams[m_streamIndex];
    for (unsigned i = 0; i < m_context->nb_streams; ++i) {
        if (isVideo(m_context->streams[i]))
            return m_context->streams[i];
    }
    return nullptr;
}

bool Demuxer::readFrame()
{
    m_packet.reset();
    if (!m_context || m_atEnd)
        return false;
    const int result = av_read_frame(m_context.get(), m_packet.avPacket());
    if (result >= 0) {
        m_failedReads = 0;
        return true;
    }
    if (result == AVERROR_EOF || (m_context->pb && avio_feof(m_context->pb))) {
        m_atEnd = true;
    } else if (result != AVERROR_EXIT && ++m_failedReads >= MaxFailedReadsInARow) {
        qWarning() << "Demuxer gives up after repeated read errors:" << FFmpeg::errorText(result);
        m_atEnd = true;
    }
    return false;
}

const Packet &Demuxer::packet() const
{
    return m_packet;
}

bool Demuxer::seek(qint64 ms)
{
    if (!m_context || m_streamIndex < 0)
        return false;
    m_packet.reset();
    const qint64 ticks = startTicks() + msToTicks(ms);
    const int result = av_seek_frame(m_context.get(), m_streamIndex, ticks, AVSEEK_FLAG_BACKWARD);
    if (result < 0) {
        qDebug() << "Demuxer seek failed:" << FFmpeg::errorText(result);
        return false;
    }
    m_atEnd = false;
    m_failedReads = 0;
    return true;
}

bool Demuxer::isSeekable() const
{
    return m_context && m_context->pb && (m_context->pb->seekable & AVIO_SEEKABLE_NORMAL);
}

qint64 Demuxer::indexedKeyFrameBefore(qint64 ms) const
{
    AVStream *stream = m_streamIndex >= 0 ? m_context->streams[m_streamIndex] : nullptr;
    const int entries = stream ? avformat_index_get_entries_count(stream) : 0;
    const qint64 ticks = startTicks() + msToTicks(ms);
    // Some containers index only what was read so far (Matroska reads its
    // cues at the first seek): an index that ends before ms says nothing.
    if (entries == 0 || avformat_index_get_entry(stream, entries - 1)->timestamp < ticks)
        return -1;
    const int index = av_index_search_timestamp(stream, ticks, AVSEEK_FLAG_BACKWARD);
    if (index < 0)
        return 0;
    return ticksToMs(avformat_index_get_entry(stream, index)->timestamp);
}

qint64 Demuxer::startTicks() const
{
    const AVStream *stream = videoStream();
    if (!stream || m_context->start_time == AV_NOPTS_VALUE)
        return 0;
    return av_rescale_q(m_context->start_time, AV_TIME_BASE_Q, stream->time_base);
}

qint64 Demuxer::ticksToMs(qint64 ticks) const
{
    const AVStream *stream = videoStream();
    if (!stream)
        return 0;
    return av_rescale_rnd(ticks - startTicks(), qint64(stream->time_base.num) * 1000, stream->time_base.den,
                          AV_ROUND_ZERO);
}

qint64 Demuxer::msToTicks(qint64 ms) const
{
    const AVStream *stream = videoStream();
    if (!stream)
        return 0;
    return av_rescale_q(ms, AVRational{1, 1000}, stream->time_base);
}

double Demuxer::ticksToSeconds(qint64 ticks) const
{
    const AVStream *stream = videoStream();
    if (!stream)
        return 0;
    const qint64 ms = ticksToMs(ticks);
    double seconds = double(ticks - startTicks()) * stream->time_base.num / stream->time_base.den;
    while (qint64(seconds * 1000.0) < ms)
        seconds = std::nextafter(seconds, std::numeric_limits<double>::infinity());
    while (qint64(seconds * 1000.0) > ms)
        seconds = std::nextafter(seconds, -std::numeric_limits<double>::infinity());
    return seconds;
}

void Demuxer::setInterruptFlag(const std::atomic<bool> *flag)
{
    m_interruptFlag = flag;
}

int Demuxer::interruptCallback(void *opaque)
{
    const auto *demuxer = static_cast<const Demuxer *>(opaque);
    // Only reads of an opened file are cut short: an abort must not turn
    // into a failure to open.
    return demuxer->m_interruptFlag && demuxer->m_context && demuxer->m_interruptFlag->load() ? 1 : 0;
}
