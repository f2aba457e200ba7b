#include "framewalker.h"

#include <QtDebug>

#include <limits>

FrameWalker::FrameWalker(const std::atomic<bool> &abortRequested)
    : m_abortRequested(abortRequested)
{
}

FrameWalker::~FrameWalker()
{
    // The reader refers to the decoder and the demuxer.
    m_reader.reset();
    m_decoder.reset();
}

bool FrameWalker::open(const QString &path)
{
    m_reader.reset();
    m_decoder.reset();
    m_demuxer.unload();
    m_demuxer.setMedia(path);
    if (!m_demuxer.load() || m_demuxer.videoStreamCount() < 1)
        return false;
    m_demuxer.setVideoStreamIndex(0);
    m_decoder = VideoDecoder::openFor(m_demuxer.videoStream());
    if (!m_decoder) {
        qWarning() << "FrameWalker - cannot decode" << path;
        return false;
    }
    m_reader = std::make_unique<FrameReader>(m_demuxer, *m_decoder, m_abortRequested);
    return true;
}

bool FrameWalker::startBefore(qint64 ms)
{
    if (!m_reader)
        return false;
    if (!m_demuxer.isSeekable())
        return true;
    return m_reader->jumpBefore(qMax<qint64>(0, ms), std::numeric_limits<qint64>::min())
        != FrameReader::Jump::Aborted;
}

FrameReader::Read FrameWalker::next()
{
    if (!m_reader)
        return FrameReader::Read();
    return m_reader->next();
}

void FrameWalker::leaveOutFrom(qint64 ms)
{
    if (m_reader)
        m_reader->setLeaveOutFrom(m_demuxer.isSeekable() ? ms : FrameReader::NoSkip);
}

bool FrameWalker::leftOutBetween(qint64 afterTicks, qint64 beforeTicks) const
{
    return m_reader && m_reader->leftOutBetween(afterTicks, beforeTicks);
}

qint64 FrameWalker::revisitAfter(qint64 ms, qint64 ticks, qint64 untilMs)
{
    if (!m_reader)
        return -1;
    // The pictures up to the one at ms are decoded only as far as others
    // refer to them.
    m_reader->setSkipBefore(ms + 1);
    m_reader->setLeaveOutFrom(untilMs + 1);
    if (m_reader->jumpBefore(ms + 1, ticks) == FrameReader::Jump::Aborted)
        return -1;
    return qMax<qint64>(0, ms - m_reader->landedMs());
}
