#ifndef VISTALOOM_LUMAPLANE_H
#define VISTALOOM_LUMAPLANE_H

#include <QImage>
#include <QSize>

#include <cstdint>
#include <optional>

struct AVFrame;

// A decoded picture's luma plane, read as it is stored: one plain
// little-endian plane of 8 to 16 bits with its samples side by side. Both
// readings give full-range grey, so measures taken on them do not depend on
// the stream's range.
class LumaPlane
{
public:
    // Empty where the picture has no such plane (RGB, palette, packed or
    // hardware pictures).
    static std::optional<LumaPlane> of(const AVFrame *frame);

    // The mean of each cell of grid, from a few rows and columns a cell:
    // cheap enough to take from every picture of a walk. Null where the
    // picture is smaller than grid.
    QImage cellMeans(const QSize &grid) const;
    // The plane area-scaled to size. Null for planes of more than 8 bits.
    QImage scaled(const QSize &size) const;

private:
    LumaPlane() = default;
    uchar toFullRange(double level) const;

    const uint8_t *m_data = nullptr;
    int m_lineSize = 0;
    int m_width = 0;
    int m_height = 0;
    int m_depth = 8;
    int m_shift = 0;
    bool m_fullRange = false;
};

#endif
