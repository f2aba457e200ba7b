#include "scenescanner.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstdlib>

namespace {

// Rows and columns summed per signature cell at most: the cell's mean
// changes little with more, and the walk reads every picture.
constexpr int RowsPerCell = 4;
constexpr int ColumnsPerCell = 12;

// The luma plane's mean over the signature's grid as full-range grey; null
// where the picture has no plain luma plane to read.
QImage lumaSignature(const AVFrame *frame)
{
    const AVPixFmtDescriptor *format = frame ? av_pix_fmt_desc_get(AVPixelFormat(frame->format)) : nullptr;
    if (!format || format->nb_components < 1
        || (format->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL
                             | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_BE | AV_PIX_FMT_FLAG_FLOAT)))
        return QImage();
    const AVComponentDescriptor &luma = format->comp[0];
    const int bytes = luma.depth > 8 ? 2 : 1;
    const int width = frame->width;
    const int height = frame->height;
    if (luma.plane != 0 || luma.step != bytes || luma.offset != 0 || luma.depth > 16
        || width < SceneScanner::SignatureWidth || height < SceneScanner::SignatureHeight
        || frame->linesize[0] <= 0)
        return QImage();
    const bool fullRange = frame->color_range == AVCOL_RANGE_JPEG
        || (frame->color_range == AVCOL_RANGE_UNSPECIFIED
            && (format->nb_components == 1 || qstrncmp(format->name, "yuvj", 4) == 0));
    const double toEightBits = 1.0 / double(1 << (luma.depth - 8 > 0 ? luma.depth - 8 : 0));

    QImage signature(SceneScanner::SignatureWidth, SceneScanner::SignatureHeight, QImage::Format_Grayscale8);
    quint64 sums[SceneScanner::SignatureWidth];
    int lefts[SceneScanner::SignatureWidth + 1];
    for (int cellX = 0; cellX <= SceneScanner::SignatureWidth; ++cellX)
        lefts[cellX] = cellX * width / SceneScanner::SignatureWidth;
    const int columnStep = std::max(1, width / SceneScanner::SignatureWidth / ColumnsPerCell);
    for (int cellY = 0; cellY < SceneScanner::SignatureHeight; ++cellY) {
        const int top = cellY * height / SceneScanner::SignatureHeight;
        const int bottom = (cellY + 1) * height / SceneScanner::SignatureHeight;
        const int rowStep = std::max(1, (bottom - top) / RowsPerCell);
        std::fill(std::begin(sums), std::end(sums), 0);
        int rows = 0;
        for (int y = top; y < bottom; y += rowStep, ++rows) {
            const uint8_t *line = frame->data[0] + qint64(y) * frame->linesize[0];
            for (int cellX = 0; cellX < SceneScanner::SignatureWidth; ++cellX) {
                quint64 sum = 0;
                if (bytes == 1) {
                    for (int x = lefts[cellX]; x < lefts[cellX + 1]; x += columnStep)
                        sum += line[x];
                } else {
                    const uint16_t *samples = reinterpret_cast<const uint16_t *>(line);
                    for (int x = lefts[cellX]; x < lefts[cellX + 1]; x += columnStep)
                        sum += samples[x] >> luma.shift;
                }
                sums[cellX] += sum;
            }
        }
        uchar *out = signature.scanLine(cellY);
        for (int cellX = 0; cellX < SceneScanner::SignatureWidth; ++cellX) {
            const int columns = (lefts[cellX + 1] - lefts[cellX] + columnStep - 1) / columnStep;
            double grey = double(sums[cellX]) / (double(rows) * columns) * toEightBits;
            if (!fullRange)
                grey = (grey - 16.0) * 255.0 / 219.0;
            out[cellX] = uchar(qBound(0, qRound(grey), 255));
        }
    }
    return signature;
}

} // namespace

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
    const QImage luma = lumaSignature(frame.avFrame());
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
