#include "demuxer.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

#include <QFile>
#include <QStringList>
#include <QtDebug>

#include <cmath>
#include <cstring>
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

FFmpeg::FormatContextPtr Demuxer::open() const
{
    AVFormatContext *raw = avformat_alloc_context();
    if (!raw)
        return nullptr;
    // The abort flag reaches opening and probing too: a file on a stalled
    // share must not hold up a cancelled job.
    raw->interrupt_callback.callback = &Demuxer::interruptCallback;
    raw->interrupt_callback.opaque = const_cast<Demuxer *>(this);
    const QByteArray path = QFile::encodeName(m_fileName);
    int result = avformat_open_input(&raw, path.constData(), nullptr, nullptr);
    if (result < 0)
        return nullptr; // avformat_open_input frees the context on failure
    FFmpeg::FormatContextPtr context(raw);
    result = avformat_find_stream_info(context.get(), nullptr);
    if (result < 0)
        return nullptr;
    return context;
}

bool Demuxer::load()
{
    unload();
    m_context = open();
    if (!m_context)
        return false;
    if (!statesDuration())
        m_foundDurationMs = durationFromPackets();
    m_completeness = FileCompleteness::of(m_context.get(), m_fileName);
    return true;
}

// A length libavformat guessed from the bit rate is no length: raw MPEG
// video states a variable rate as 104 Mbit/s, which makes 20 s of video
// 9 ms long.
bool Demuxer::statesDuration() const
{
    return m_context->duration != AV_NOPTS_VALUE && m_context->duration > 0
        && m_context->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE;
}

void Demuxer::unload()
{
    m_packet.reset();
    m_context.reset();
    m_streamIndex = -1;
    m_atEnd = false;
    m_seekRefused = false;
    m_failedReads = 0;
    m_foundDurationMs = 0;
    m_completeness = FileCompleteness::Verdict::Unknown;
    m_lastPacketPartial = false;
    m_originTicks = 0;
    m_originChecked = false;
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
    if (!m_context)
        return 0;
    if (!statesDuration())
        return m_foundDurationMs;
    return av_rescale(m_context->duration, 1000, AV_TIME_BASE);
}

qint64 Demuxer::videoDuration() const
{
    const qint64 whole = duration();
    const AVStream *stream = videoStream();
    if (!stream)
        return whole;
    qint64 own = -1;
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
        // From the start of the media; a stream without presentation times
        // (AVI) counts its length from its first picture, as its times do.
        const qint64 mediaStart = startTicks() - m_originTicks;
        const qint64 start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : mediaStart;
        own = av_rescale_q(start + stream->duration - mediaStart, stream->time_base, AVRational{1, 1000});
    } else if (const AVDictionaryEntry *tag = av_dict_get(stream->metadata, "DURATION", nullptr, 0)) {
        // Matroska's "HH:MM:SS.nnnnnnnnn", from the start of the file.
        const QStringList parts = QString::fromLatin1(tag->value).split(QLatin1Char(':'));
        if (parts.size() == 3) {
            const double seconds = parts[0].toDouble() * 3600 + parts[1].toDouble() * 60 + parts[2].toDouble();
            const qint64 fileStart = m_context->start_time != AV_NOPTS_VALUE
                ? av_rescale(m_context->start_time, 1000, AV_TIME_BASE)
                : 0;
            own = qint64(seconds * 1000.0) - fileStart;
        }
    }
    // A stated length beyond the whole file's is no better than the file's.
    return own > 0 && (whole <= 0 || own < whole) ? own : whole;
}

FileCompleteness::Verdict Demuxer::completeness() const
{
    return m_completeness;
}

bool Demuxer::endedInPartialPacket() const
{
    return m_atEnd && m_lastPacketPartial;
}

qint64 Demuxer::dataEndMs() const
{
    return statesLengthAhead() ? durationFromPackets() : videoDuration();
}

bool Demuxer::statesLengthAhead() const
{
    return m_context && statesDuration() && m_context->duration_estimation_method == AVFMT_DURATION_FROM_STREAM
        && strcmp(m_context->iformat->name, "ogg") != 0;
}

// Streams written to a pipe (Matroska, TS) and raw elementary streams state
// no length. Their last packets tell it: read the tail of the file with a
// second reader. Streams without any times are counted instead.
qint64 Demuxer::durationFromPackets() const
{
    FFmpeg::FormatContextPtr context = open();
    if (!context || !context->pb)
        return 0;
    int index = -1;
    for (unsigned i = 0; i < context->nb_streams && index < 0; ++i) {
        if (isVideo(context->streams[i]))
            index = int(i);
    }
    if (index < 0)
        return 0;
    const AVStream *stream = context->streams[index];
    AVRational rate = stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0 ? stream->avg_frame_rate
                                                                                       : stream->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = AVRational{25, 1};
    selectStream(context.get(), index);
    const qint64 start = context->start_time != AV_NOPTS_VALUE
        ? av_rescale_q(context->start_time, AV_TIME_BASE_Q, stream->time_base)
        : 0;
    const auto toMs = [&](qint64 ticks) {
        return qMax<qint64>(0, av_rescale_q(ticks - start, stream->time_base, AVRational{1, 1000}));
    };
    const qint64 size = avio_size(context->pb);
    FFmpeg::PacketPtr packet = FFmpeg::allocPacket();

    if (size > 0 && !(context->iformat->flags & AVFMT_NO_BYTE_SEEK)) {
        for (qint64 window = 1 << 20;; window *= 8) {
            const qint64 from = qMax<qint64>(0, size - window);
            if (av_seek_frame(context.get(), -1, from, AVSEEK_FLAG_BYTE) < 0)
                break;
            qint64 end = AV_NOPTS_VALUE;
            int reads = 0;
            while (av_read_frame(context.get(), packet.get()) >= 0 && ++reads < 1000000) {
                const qint64 time = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
                if (packet->stream_index == index && time != AV_NOPTS_VALUE)
                    end = qMax(end, time + qMax<qint64>(0, packet->duration));
                av_packet_unref(packet.get());
            }
            if (end != AV_NOPTS_VALUE)
                return toMs(end);
            if (from == 0)
                break;
        }
    }

    // No times at all: count frames from the start, reading at most a
    // sample of a large file and scaling the count to its size.
    constexpr qint64 SampleBytes = 64 << 20;
    if (av_seek_frame(context.get(), -1, 0, AVSEEK_FLAG_BYTE) < 0) {
        context = open();
        if (!context)
            return 0;
        selectStream(context.get(), index);
    }
    qint64 frames = 0;
    qint64 bytes = 0;
    bool ended = false;
    for (;;) {
        if (av_read_frame(context.get(), packet.get()) < 0) {
            ended = true;
            break;
        }
        if (packet->stream_index == index) {
            ++frames;
            bytes += packet->size;
        }
        av_packet_unref(packet.get());
        if (bytes >= SampleBytes)
            break;
    }
    if (frames == 0)
        return 0;
    if (!ended && size > bytes && bytes > 0)
        frames = qint64(double(frames) * double(size) / double(bytes));
    return av_rescale(frames, qint64(rate.den) * 1000, rate.num);
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
    selectStream(m_context.get(), found);
    return true;
}

void Demuxer::selectStream(AVFormatContext *context, int index) const
{
    for (unsigned i = 0; i < context->nb_streams; ++i)
        context->streams[i]->discard = int(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
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
        // The container flags a packet it could read only part of.
        m_lastPacketPartial = m_packet.avPacket()->flags & AV_PKT_FLAG_CORRUPT;
        if (!m_originChecked && m_packet.streamIndex() == m_streamIndex && m_streamIndex >= 0) {
            m_originChecked = true;
            const AVStream *stream = m_context->streams[m_streamIndex];
            if (!m_packet.hasPts() && m_packet.hasBestTime() && stream->codecpar->video_delay > 0)
                m_originTicks = stream->codecpar->video_delay * frameDurationTicks();
        }
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
    if (!m_context || m_streamIndex < 0 || m_seekRefused)
        return false;
    m_packet.reset();
    // Seeks go by the packets' own times: decoding times where those are
    // all a stream has, which run the decoder's delay ahead of the pictures.
    const qint64 ticks = startTicks() - m_originTicks + msToTicks(ms);
    const int result = av_seek_frame(m_context.get(), m_streamIndex, ticks, AVSEEK_FLAG_BACKWARD);
    if (result < 0) {
        qDebug() << "Demuxer seek failed:" << FFmpeg::errorText(result);
        m_seekRefused = true;
        return false;
    }
    m_atEnd = false;
    m_failedReads = 0;
    return true;
}

bool Demuxer::seekToStart()
{
    if (!m_context || m_streamIndex < 0)
        return false;
    m_packet.reset();
    if (!m_seekRefused
        && av_seek_frame(m_context.get(), m_streamIndex, startTicks() - m_originTicks, AVSEEK_FLAG_BACKWARD) >= 0) {
        m_atEnd = false;
        m_failedReads = 0;
        return true;
    }
    // Containers without timestamps or index (raw streams, some AVI) refuse
    // or half-perform the seek: a fresh open is the one sure way back.
    if (!reopen())
        return false;
    m_seekRefused = true;
    return true;
}

bool Demuxer::reopen()
{
    if (!m_context || m_streamIndex < 0)
        return false;
    m_packet.reset();
    FFmpeg::FormatContextPtr context = open();
    if (!context || context->nb_streams != m_context->nb_streams) {
        qWarning() << "Demuxer cannot go back to the start of" << m_fileName;
        return false;
    }
    selectStream(context.get(), m_streamIndex);
    m_context = std::move(context);
    m_atEnd = false;
    m_failedReads = 0;
    return true;
}

bool Demuxer::isSeekable() const
{
    return m_context && m_context->pb && (m_context->pb->seekable & AVIO_SEEKABLE_NORMAL) && !m_seekRefused;
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
        return m_originTicks;
    return av_rescale_q(m_context->start_time, AV_TIME_BASE_Q, stream->time_base) + m_originTicks;
}

qint64 Demuxer::frameDurationTicks() const
{
    const AVStream *stream = videoStream();
    if (!stream)
        return 1;
    AVRational rate = stream->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = stream->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = AVRational{25, 1};
    return qMax<qint64>(1, av_rescale_q(1, av_inv_q(rate), stream->time_base));
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
    return demuxer->m_interruptFlag && demuxer->m_interruptFlag->load() ? 1 : 0;
}
