#ifndef VISTALOOM_DEMUXER_H
#define VISTALOOM_DEMUXER_H

#include "ffmpegptr.h"
#include "filecompleteness.h"
#include "packet.h"

#include <QString>

#include <atomic>

struct AVStream;

// Reads the packets of one media file. Times given in milliseconds are
// relative to the start of the media (the container's start time
// subtracted), so 0 is the first frame in every container.
class Demuxer
{
public:
    Demuxer();
    ~Demuxer();
    Demuxer(const Demuxer &) = delete;
    Demuxer &operator=(const Demuxer &) = delete;

    void setMedia(const QString &fileName);
    QString fileName() const;
    bool load();
    void unload();
    bool isLoaded() const;

    // True once a read found the end of the file.
    bool atEnd() const;
    // Length of the media in milliseconds. When the container does not say
    // (or libavformat only guessed it from the bit rate), the end of the
    // last packet in the file, or for streams without any
    // times an estimate from the frame count; 0 when nothing tells.
    qint64 duration() const;

    // Where the video stream itself ends, in milliseconds, when the file
    // states it (the track's own length or its DURATION tag); otherwise
    // duration(). Sound may go on after the picture ends.
    qint64 videoDuration() const;
    // Whether the file's structure shows it whole or cut off (read once at
    // load).
    FileCompleteness::Verdict completeness() const;
    // True once reading ended in a packet the file had cut short.
    bool endedInPartialPacket() const;
    // Where the video data in the file ends, in milliseconds, read from its
    // last packets with a second reader.
    qint64 dataEndMs() const;
    // True when the container states the length ahead of the data (in its
    // header or index), so reading that ends well before it means data is
    // missing. Lengths measured from the file's last packets (transport
    // and program streams, Ogg, streams that state none) cannot tell.
    bool statesLengthAhead() const;

    int videoStreamCount() const;
    // Chooses the n-th video stream; every other stream is discarded unread.
    bool setVideoStreamIndex(int n);
    // The file's index of the chosen video stream, -1 before one is chosen.
    int streamIndex() const;
    // The chosen video stream (codec parameters, time base), or the first
    // video stream when none was chosen; null when there is none.
    AVStream *videoStream() const;

    // Reads the next packet of any stream into packet(); false at the end of
    // the file or on a read error.
    bool readFrame();
    const Packet &packet() const;

    // Seeks to the key frame at or before ms on the chosen video stream. A
    // refused seek may leave the reading position anywhere: follow it with
    // seekToStart().
    bool seek(qint64 ms);
    // Back to the first packet of the file; reopens the file when the
    // container refuses the seek. False only when the file cannot be
    // opened again (the reading position is then unchanged).
    bool seekToStart();
    // Opens the file afresh at its first packet: the one way back that no
    // container can get wrong. False when the file cannot be opened again.
    bool reopen();
    // True when the file can be repositioned by time: a seekable file whose
    // container has not refused a seek by time yet.
    bool isSeekable() const;
    // The time of the indexed key frame at or before ms, or -1 when the
    // container has no index to tell.
    qint64 indexedKeyFrameBefore(qint64 ms) const;

    // Converts between ticks of the chosen video stream and milliseconds.
    qint64 ticksToMs(qint64 ticks) const;
    qint64 msToTicks(qint64 ms) const;
    // Seconds from the start of the media; truncated to milliseconds it
    // always gives ticksToMs(ticks).
    double ticksToSeconds(qint64 ticks) const;
    // The ticks of the chosen video stream at the start of the media.
    qint64 startTicks() const;
    // The nominal length of one frame of the chosen video stream, in its
    // ticks (from its frame rate; 40 ms when the stream does not say).
    qint64 frameDurationTicks() const;

    // A flag that, once set, makes every pending read return at once.
    void setInterruptFlag(const std::atomic<bool> *flag);

private:
    static int interruptCallback(void *opaque);
    FFmpeg::FormatContextPtr open() const;
    void selectStream(AVFormatContext *context, int index) const;
    bool statesDuration() const;
    qint64 durationFromPackets() const;

    QString m_fileName;
    FFmpeg::FormatContextPtr m_context;
    Packet m_packet;
    int m_streamIndex = -1;
    bool m_atEnd = false;
    bool m_seekRefused = false;
    int m_failedReads = 0;
    qint64 m_foundDurationMs = 0;
    FileCompleteness::Verdict m_completeness = FileCompleteness::Verdict::Unknown;
    bool m_lastPacketPartial = false;
    // Streams with decoding times only (AVI) show their first picture
    // after the decoder's delay; that picture is time 0.
    qint64 m_originTicks = 0;
    bool m_originChecked = false;
    const std::atomic<bool> *m_interruptFlag = nullptr;
};

#endif
