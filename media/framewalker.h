#ifndef VISTALOOM_FRAMEWALKER_H
#define VISTALOOM_FRAMEWALKER_H

#include "demuxer.h"
#include "framereader.h"
#include "videodecoder.h"

#include <QString>

#include <atomic>
#include <memory>

// Walks the pictures of a video forward from a time, each once and in
// presentation order, with its own demuxer and decoder, so the frames
// around a position can be looked at without moving the frame grabber.
class FrameWalker
{
public:
    explicit FrameWalker(const std::atomic<bool> &abortRequested);
    ~FrameWalker();
    FrameWalker(const FrameWalker &) = delete;
    FrameWalker &operator=(const FrameWalker &) = delete;

    // False when the file holds no video that can be decoded.
    bool open(const QString &path);
    // Goes on from the last key frame before ms, so the first picture
    // given out is the last one before ms (or the first of the file).
    // False on abort.
    bool startBefore(qint64 ms);
    FrameReader::Read next();

    // Leaves out the pictures nothing refers to from ms on, where the
    // stream lets them be told apart and a jump back is cheap; the pictures
    // given out stay exact. NoSkip turns that off.
    void leaveOutFrom(qint64 ms);
    bool leftOutBetween(qint64 afterTicks, qint64 beforeTicks) const;
    // Goes back for the pictures left out after the picture at (ms, ticks)
    // and up to untilMs: they and the pictures after them come out next,
    // and leaving out goes on after untilMs. The milliseconds of video
    // decoded again on the way (from the key frame before ms); -1 on abort.
    qint64 revisitAfter(qint64 ms, qint64 ticks, qint64 untilMs);

private:
    const std::atomic<bool> &m_abortRequested;
    Demuxer m_demuxer;
    std::unique_ptr<VideoDecoder> m_decoder;
    std::unique_ptr<FrameReader> m_reader;
};

#endif
