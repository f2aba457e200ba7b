#include "lumaplane.h"

#include "ffmpegptr.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <vector>

namespace {

// Rows and columns summed per cell at most: a cell's mean changes little
// with more, and a walk reads every picture.
constexpr int RowsPerCell = 4;
constexpr int ColumnsPerCell = 12;

} // namespace

std::optional<LumaPlane> LumaPlane::of(const AVFrame *frame)
{
    const AVPixFmtDescriptor *format = frame ? av_pix_fmt_desc_get(AVPixelFormat(frame->format)) : nullptr;
    if (!format || format->nb_components < 1
        || (format->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL
                             | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_BE | AV_PIX_FMT_FLAG_FLOAT)))
        return std::nullopt;
    const AVComponentDescriptor &luma = format->comp[0];
    const int bytes = luma.depth > 8 ? 2 : 1;
    if (luma.plane != 0 || luma.step != bytes || luma.offset != 0 || luma.depth > 16 || frame->width < 1
        || frame->height < 1 || frame->linesize[0] <= 0)
        return std::nullopt;
    LumaPlane plane;
    plane.m_data = frame->data[0];
    plane.m_lineSize = frame->linesize[0];
    plane.m_width = frame->width;
    plane.m_height = frame->height;
    plane.m_depth = luma.depth;
    plane.m_shift = luma.shift;
    // Grey and the old "yuvj" formats are full range unless tagged otherwise.
    plane.m_fullRange = frame->color_range == AVCOL_RANGE_JPEG
        || (frame->color_range == AVCOL_RANGE_UNSPECIFIED
            && (format->nb_components == 1 || qstrncmp(format->name, "yuvj", 4) == 0));
    return plane;
}

uchar LumaPlane::toFullRange(double level) const
{
    if (!m_fullRange)
        level = (level - 16.0) * 255.0 / 219.0;
    return uchar(qBound(0, qRound(level), 255));
}

QImage LumaPlane::cellMeans(const QSize &grid) const
{
    const int cellsAcross = grid.width();
    const int cellsDown = grid.height();
    if (cellsAcross < 1 || cellsDown < 1 || m_width < cellsAcross || m_height < cellsDown)
        return QImage();
    const double toEightBits = 1.0 / double(1 << std::max(0, m_depth - 8));
    QImage means(grid, QImage::Format_Grayscale8);
    std::vector<quint64> sums(static_cast<size_t>(cellsAcross));
    std::vector<int> lefts(static_cast<size_t>(cellsAcross) + 1);
    for (int cellX = 0; cellX <= cellsAcross; ++cellX)
        lefts[size_t(cellX)] = cellX * m_width / cellsAcross;
    const int columnStep = std::max(1, m_width / cellsAcross / ColumnsPerCell);
    for (int cellY = 0; cellY < cellsDown; ++cellY) {
        const int top = cellY * m_height / cellsDown;
        const int bottom = (cellY + 1) * m_height / cellsDown;
        const int rowStep = std::max(1, (bottom - top) / RowsPerCell);
        std::fill(sums.begin(), sums.end(), 0);
        int rows = 0;
        for (int y = top; y < bottom; y += rowStep, ++rows) {
            const uint8_t *line = m_data + qint64(y) * m_lineSize;
            for (int cellX = 0; cellX < cellsAcross; ++cellX) {
                quint64 sum = 0;
                if (m_depth <= 8) {
                    for (int x = lefts[size_t(cellX)]; x < lefts[size_t(cellX) + 1]; x += columnStep)
                        sum += line[x];
                } else {
                    const uint16_t *samples = reinterpret_cast<const uint16_t *>(line);
                    for (int x = lefts[size_t(cellX)]; x < lefts[size_t(cellX) + 1]; x += columnStep)
                        sum += samples[x] >> m_shift;
                }
                sums[size_t(cellX)] += sum;
            }
        }
        uchar *out = means.scanLine(cellY);
        for (int cellX = 0; cellX < cellsAcross; ++cellX) {
            const int columns = (lefts[size_t(cellX) + 1] - lefts[size_t(cellX)] + columnStep - 1) / columnStep;
            out[cellX] = toFullRange(double(sums[size_t(cellX)]) / (double(rows) * columns) * toEightBits);
        }
    }
    return means;
}

QImage LumaPlane::scaled(const QSize &size) const
{
    if (m_depth != 8 || size.isEmpty())
        return QImage();
    QImage image(size, QImage::Format_Grayscale8);
    FFmpeg::ScalerPtr scaler(sws_getContext(m_width, m_height, AV_PIX_FMT_GRAY8, size.width(), size.height(),
                                            AV_PIX_FMT_GRAY8, SWS_AREA, nullptr, nullptr, nullptr));
    if (!scaler || image.isNull())
        return QImage();
    uint8_t *target[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int targetLines[4] = {int(image.bytesPerLine()), 0, 0, 0};
    const uint8_t *const source[4] = {m_data, nullptr, nullptr, nullptr};
    const int sourceLines[4] = {m_lineSize, 0, 0, 0};
    if (sws_scale(scaler.get(), source, sourceLines, 0, m_height, target, targetLines) != size.height())
        return QImage();
    if (!m_fullRange) {
        // The scaler leaves grey's range as it is.
        uchar toFull[256];
        for (int level = 0; level < 256; ++level)
            toFull[level] = toFullRange(level);
        for (int y = 0; y < image.height(); ++y) {
            uchar *line = image.scanLine(y);
            for (int x = 0; x < image.width(); ++x)
                line[x] = toFull[line[x]];
        }
    }
    return image;
}
