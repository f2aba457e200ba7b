#include "scenescanner.h"

#include <cstdlib>

SceneScanner::SceneScanner(const std::atomic<bool> &abortRequested)
    : m_walker(abortRequested)
{
}

SceneScanner::~SceneScanner() = default;

bool SceneScanner::open(const QString &path)
{
    m_previous = QImage();
    m_cutAbove = -1.0;
    m_revisitedMs = 0;
    m_firstMs = -1;
    m_open = m_walker.open(path);
    return m_open;
}

bool SceneScanner::startBefore(qint64 ms)
{
    // A walk just opened stands at the start already.
    if (!m_open || ms <= 0)
        return m_open;
    return m_walker.startBefore(ms);
}

void SceneScanner::decodeReferencesOnly(double cutAbove)
{
    m_cutAbove = cutAbove;
    m_walker.leaveOutFrom(m_previous.isNull() ? 0 : m_previousMs + 1);
}

SceneScanner::Step SceneScanner::next()
{
    // Leaving pictures out saves a third to a half of the decoding; going
    // back decodes the stretch from the last key frame again. Past this
    // share of the walk, decoding every picture is cheaper.
    constexpr qint64 FreeRevisitMs = 5000;
    constexpr qint64 WalkPerRevisitMs = 3;
    for (;;) {
        Step step;
        FrameReader::Read read = m_walker.next();
        step.status = read.status;
        if (read.status != FrameReader::Status::Frame)
            return step;
        const QImage current = signature(read.picture.frame);
        if (!m_previous.isNull() && !current.isNull())
            step.difference = difference(m_previous, current);
        if (m_firstMs < 0)
            m_firstMs = read.picture.ms;
        if (m_cutAbove >= 0 && !m_previous.isNull() && step.difference > m_cutAbove
            && m_walker.leftOutBetween(m_previousTicks, read.picture.ticks)) {
            const qint64 revisited = m_walker.revisitAfter(m_previousMs, m_previousTicks, read.picture.ms);
            if (revisited < 0) {
                step.status = FrameReader::Status::Aborted;
                return step;
            }
            m_revisitedMs += revisited;
            if (m_revisitedMs > FreeRevisitMs + (read.picture.ms - m_firstMs) / WalkPerRevisitMs) {
                m_walker.leaveOutFrom(FrameReader::NoSkip);
                m_cutAbove = -1.0;
            }
            continue;
        }
        step.frame = read.picture.frame;
        step.ms = read.picture.ms;
        step.signature = current;
        m_previous = current;
        m_previousMs = read.picture.ms;
        m_previousTicks = read.picture.ticks;
        return step;
    }
}

QImage SceneScanner::signature(const VideoFrame &frame)
{
    if (!frame.isValid())
        return QImage();
    const QImage luma = frame.lumaCellMeans(QSize(SignatureWidth, SignatureHeight));
    if (!luma.isNull())
        return luma;
    return frame.toImage(QImage::Format_ARGB32, QSize(SignatureWidth, SignatureHeight))
        .convertToFormat(QImage::Format_Grayscale8);
}

QImage SceneScanner::signature(const QImage &picture)
{
    if (picture.isNull())
        return QImage();
    return picture.scaled(SignatureWidth, SignatureHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
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
