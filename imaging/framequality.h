#ifndef VISTALOOM_FRAMEQUALITY_H
#define VISTALOOM_FRAMEQUALITY_H

#include <QImage>

// How usable a picture is as a still: its sharpness (the variance of the
// Laplacian of a grey copy) and its mean brightness (0-255).
struct FrameQuality
{
    // Width of the grey copy measured: small enough to be cheap on every
    // frame, large enough to see blur. Measure at this width only, so
    // sharpness figures compare.
    static constexpr int MeasureWidth = 320;
    // Black video decodes to a mean grey of 0; the test pattern dimmed to a
    // third measures 40, dimmed to an eighth 14: below 16 is a picture that
    // shows next to nothing.
    static constexpr double NearBlackLevel = 16.0;

    double sharpness = 0.0;
    double brightness = 0.0;

    bool isNearBlack() const { return brightness < NearBlackLevel; }

    // image is measured as it is; scale it to MeasureWidth first.
    static FrameQuality of(const QImage &image);
};

#endif
