#include "filecompleteness.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QFile>

#include <optional>

namespace FileCompleteness {
namespace {

using Verdict = FileCompleteness::Verdict;

// The sample tables list every sample of a track; a fragmented file's
// index holds only the fragments read so far and proves nothing whole.
Verdict ofIndex(const AVFormatContext *context, qint64 fileSize)
{
    bool complete = false;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        AVStream *stream = context->streams[i];
        const int entries = avformat_index_get_entries_count(stream);
        for (int e = 0; e < entries; ++e) {
            const AVIndexEntry *entry = avformat_index_get_entry(stream, e);
            if (entry->pos + entry->size > fileSize)
                return Verdict::Cut;
        }
        complete = complete || (entries > 0 && entries == stream->nb_frames);
    }
    return complete ? Verdict::Whole : Verdict::Unknown;
}

// An EBML variable-length number: its length is told by the first set bit.
// All value bits set means "unknown".
std::optional<quint64> readVint(const QByteArray &data, int &at, bool keepMarker, bool *unknown = nullptr)
{
    if (at >= data.size())
        return std::nullopt;
    const quint8 first = quint8(data[at]);
    int length = 1;
    while (length <= 8 && !(first & (0x80 >> (length - 1))))
        ++length;
    if (length > 8 || at + length > data.size())
        return std::nullopt;
    quint64 value = keepMarker ? first : first & (0xFF >> length);
    bool allOnes = (first & (0xFF >> length)) == (0xFF >> length);
    for (int i = 1; i < length; ++i) {
        value = (value << 8) | quint8(data[at + i]);
        allOnes = allOnes && quint8(data[at + i]) == 0xFF;
    }
    at += length;
    if (unknown)
        *unknown = allOnes;
    return value;
}

Verdict ofMatroska(QFile &file, qint64 fileSize)
{
    const QByteArray head = file.read(4096);
    int at = 0;
    const auto headerId = readVint(head, at, true);
    const auto headerSize = readVint(head, at, false);
    if (!headerId || *headerId != 0x1A45DFA3 || !headerSize || *headerSize > quint64(head.size()))
        return Verdict::Unknown;
    at += int(*headerSize);
    const auto segmentId = readVint(head, at, true);
    bool unknownSize = false;
    const auto segmentSize = readVint(head, at, false, &unknownSize);
    if (!segmentId || *segmentId != 0x18538067 || !segmentSize || unknownSize)
        return Verdict::Unknown; // a live stream: written without its size
    return quint64(at) + *segmentSize > quint64(fileSize) ? Verdict::Cut : Verdict::Whole;
}

// Walks the pages of the file's tail from the first one whose successors
// line up, so a capture pattern inside packet data cannot mislead.
Verdict ofOgg(QFile &file, qint64 fileSize)
{
    constexpr qint64 MaxPage = 27 + 255 + 255 * 255;
    const qint64 from = qMax<qint64>(0, fileSize - 2 * MaxPage);
    if (!file.seek(from))
        return Verdict::Unknown;
    const QByteArray tail = file.read(fileSize - from);
    auto pageEnd = [&](int at) -> qint64 {
        if (at + 27 > tail.size() || !tail.mid(at, 4).startsWith("OggS") || tail[at + 4] != 0)
            return -1;
        const int segments = quint8(tail[at + 26]);
        if (at + 27 + segments > tail.size())
            return qint64(at) + 27 + segments + 1; // the table itself is cut
        qint64 length = 27 + segments;
        for (int s = 0; s < segments; ++s)
            length += quint8(tail[at + 27 + s]);
        return at + length;
    };
    for (int start = tail.indexOf("OggS"); start >= 0; start = tail.indexOf("OggS", start + 1)) {
        qint64 at = start;
        for (;;) {
            const qint64 end = pageEnd(int(at));
            if (end < 0)
                break; // no page where the last one ended: try the next start
            if (end >= tail.size())
                return end > tail.size() ? Verdict::Cut : Verdict::Whole;
            at = end;
        }
    }
    return Verdict::Unknown;
}

// An AVI file is one RIFF chunk, or several (OpenDML) one after another,
// each stating its size.
Verdict ofRiff(QFile &file, qint64 fileSize)
{
    qint64 at = 0;
    while (at + 8 <= fileSize && file.seek(at)) {
        const QByteArray header = file.read(8);
        if (header.size() < 8 || !header.startsWith("RIFF"))
            return Verdict::Unknown;
        const quint32 size = quint8(header[4]) | quint32(quint8(header[5])) << 8 | quint32(quint8(header[6])) << 16
            | quint32(quint8(header[7])) << 24;
        if (size == 0)
            return Verdict::Unknown; // a writer that never came back to fill it in
        at += 8 + size + (size & 1);
    }
    return at > fileSize ? Verdict::Cut : Verdict::Whole;
}

// A transport stream is whole packets of 188 bytes (192 with a time code,
// 204 with error correction); a file cut at a packet boundary looks whole.
Verdict ofTransportStream(qint64 fileSize)
{
    for (qint64 packet : {188, 192, 204}) {
        if (fileSize % packet == 0)
            return Verdict::Unknown;
    }
    return Verdict::Cut;
}

} // namespace

Verdict of(const AVFormatContext *context, const QString &path)
{
    if (!context || !context->iformat)
        return Verdict::Unknown;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.isSequential() || file.size() <= 0)
        return Verdict::Unknown;
    const qint64 fileSize = file.size();
    const QByteArray format(context->iformat->name);
    if (format.startsWith("mov,"))
        return ofIndex(context, fileSize);
    if (format.startsWith("matroska"))
        return ofMatroska(file, fileSize);
    if (format == "ogg")
        return ofOgg(file, fileSize);
    if (format == "avi")
        return ofRiff(file, fileSize);
    if (format == "mpegts")
        return ofTransportStream(fileSize);
    return Verdict::Unknown;
}

} // namespace FileCompleteness
