#ifndef VISTALOOM_FRAMEINDEX_H
#define VISTALOOM_FRAMEINDEX_H

#include "demuxer.h"

#include <QString>

#include <atomic>
#include <optional>
#include <vector>

// Numbers the pictures of a video from 0 in presentation order by counting
// its packets, without decoding: exact for variable frame rates and for
// streams that start late, where time times rate is not. The file is read
// only as far as the questions asked so far need, with a demuxer of its
// own, so it can be asked beside a frame grabber.
class FrameIndex
{
public:
    explicit FrameIndex(const std::atomic<bool> &abortRequested);
    ~FrameIndex();
    FrameIndex(const FrameIndex &) = delete;
    FrameIndex &operator=(const FrameIndex &) = delete;

    // False when the file holds no video stream.
    bool open(const QString &path);

    // The number of the picture whose time (seconds from the start of the
    // media, as VideoFrame gives it) is nearest to seconds; -1 when the
    // video has none or the reading was aborted.
    qint64 numberAt(double seconds);
    // Whether picture number is a key frame; false when there is none.
    bool isKeyFrame(qint64 number);
    // The time of picture number in seconds from the start of the media;
    // none when the video holds fewer pictures.
    std::optional<double> secondsOf(qint64 number);

private:
    struct Picture {
        qint64 ticks;
        bool keyFrame;
        bool operator<(const Picture &other) const { return ticks < other.ticks; }
    };

    // Reads on until a packet decoded after ticks has been seen, so every
    // picture shown up to ticks is known; false on abort.
    bool readPast(qint64 ticks);
    bool readNext();
    // Puts the pictures in presentation order: those read without a time
    // (MPEG program streams leave some out) fill the gaps between timed
    // ones a frame apart, in the order read.
    void orderPictures();
    // Every picture in presentation order, once ordered.
    const std::vector<Picture> &pictures() const;

    const std::atomic<bool> &m_abortRequested;
    Demuxer m_demuxer;
    // With pictures read without a time: every picture in presentation
    // order, once ordered is set.
    std::vector<Picture> m_pictures;
    bool m_ordered = true;
    // The pictures with a presentation time, sorted up to sortedTimed; and
    // those without one in the order read, with their decoding time where
    // they have one.
    std::vector<Picture> m_timed;
    size_t m_sortedTimed = 0;
    std::vector<Picture> m_untimed;
    bool m_ended = true;
    // H.264 and HEVC hold at most 16 pictures back for reordering.
    static constexpr int MaxReorderedPictures = 16;
    // The latest decoding time read so far (a presentation time where the
    // packet had no decoding time, told by the flag).
    std::optional<qint64> m_readTicks;
    bool m_readTicksDecodeTimed = true;
};

#endif
