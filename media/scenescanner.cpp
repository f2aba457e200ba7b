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
    m_open = m_walker.open(path);
    return m_open;
}

qint64 SceneScanner::duration() const
{
    return m_walker.duration();
}

bool SceneScanner::startBefore(qint64 ms)
{
    // A walk just opened stands at the start already.
    if (!m_open || ms <= 0)
        return m_open;
    return m_walker.startBefore(ms);
}

SceneScanner::Step SceneScanner::next()
{
    Step step;
    FrameReader::Read read = m_walker.next();
    step.status = read.status;
    if (read.status != FrameReader::Status::Frame)
        return step;
    step.frame = read.picture.frame;
    step.ms = read.picture.ms;
    const QImage current = signature(step.frame);
    if (!m_previous.isNull() && !current.isNull())
        step.difference = difference(m_previous, current);
    step.signature = current;
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
