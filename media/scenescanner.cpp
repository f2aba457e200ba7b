#include "scenescanner.h"

#include <QtDebug>

#include <cstdlib>
#include <limits>

SceneScanner::SceneScanner(const std::atomic<bool> &abortRequested)
    : m_abortRequested(abortRequested)
{
}

SceneScanner::~SceneScanner()
{
    // The reader refers to the decoder and the demuxer.
    m_reader.reset();
    m_decoder.reset();
}

bool SceneScanner::open(const QString &path)
{
    m_reader.reset();
    m_decoder.reset();
    m_previous = QImage();
    m_demuxer.unload();
    m_demuxer.setMedia(path);
    if (!m_demuxer.load() || m_demuxer.videoStreamCount() < 1)
        return false;
    m_demuxer.setVideoStreamIndex(0);
    std::unique_ptr<VideoDecoder> decoder = VideoDecoder::create("FFmpeg");
    if (!decoder || !m_demuxer.videoStream() || !decoder->setCodecContext(m_demuxer.videoStream())
        || !decoder->open()) {
        qWarning() << "SceneScanner - cannot decode" << path;
        return false;
    }
    m_decoder = std::move(decoder);
    m_reader = std::make_unique<FrameReader>(m_demuxer, *m_decoder, m_abortRequested);
    return true;
}

qint64 SceneScanner::duration() const
{
    return m_demuxer.duration();
}

bool SceneScanner::startBefore(qint64 ms)
{
    if (!m_reader || ms <= 0 || !m_demuxer.isSeekable())
        return m_reader != nullptr;
    return m_reader->jumpBefore(ms, std::numeric_limits<qint64>::min()) != FrameReader::Jump::Aborted;
}

SceneScanner::Step SceneScanner::next()
{
    Step step;
    if (!m_reader)
        return step;
    FrameReader::Read read = m_reader->next();
    step.status = read.status;
    if (read.status != FrameReader::Status::Frame)
        return step;
    step.frame = read.picture.frame;
    step.ms = read.picture.ms;
    const QImage current = signature(step.frame);
    if (!m_previous.isNull() && !current.isNull())
        step.difference = difference(m_previous, current);
    m_previous = current;
    return step;
}

QImage SceneScanner::signature(const VideoFrame &frame)
{
    if (!frame.isValid())
        return QImage();
    return frame.toImage(QImage::Format_ARGB32, QSize(SignatureWidth, SignatureHeight))
        .convertToFormat(QImage::Format_Grayscale8);
}

double SceneScanner::difference(const QImage &first, const QImage &second)
{
    if (first.size() != second.size() || first.format() != QImage::Format_Grayscale8
        || second.format() != QImage::Format_Grayscale8 || first.isNull())
        return 100.0;
    qint64 sum = 0;
    for (int y = 0; y < first.height(); ++y) {
        const uchar *a = first.constScanLine(y);
        const uchar *b = second.constScanLine(y);
        for (int x = 0; x < first.width(); ++x)
            sum += std::abs(int(a[x]) - int(b[x]));
    }
    const double pixels = double(first.width()) * first.height();
    return double(sum) / pixels / 255.0 * 100.0;
}
