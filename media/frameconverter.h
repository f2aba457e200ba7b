#ifndef VISTALOOM_FRAMECONVERTER_H
#define VISTALOOM_FRAMECONVERTER_H

#include "ffmpegptr.h"

#include <QImage>
#include <QMutex>

// Converts decoded pictures to 32-bit ARGB images. The scaler context is
// kept and reused while the source size and pixel format stay the same, so
// it is built once per stream. Shared by the frames of one decoder; safe to
// use from several threads.
class FrameConverter
{
public:
    FrameConverter();

    // Scales the whole of frame to size and writes it straight into the
    // returned image. Null image when the conversion is not possible.
    QImage toArgb32(const AVFrame *frame, const QSize &size);

private:
    QMutex m_mutex;
    FFmpeg::ScalerPtr m_scaler;
};

#endif
