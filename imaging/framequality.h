#ifndef VISTALOOM_FRAMEQUALITY_H
#define VISTALOOM_FRAMEQUALITY_H

#include <QImage>

// How usable a picture is as a still, measured on a grey copy: its
// sharpness, its mean brightness (0-255) and the noise over it.
//
// Sharpness is the variance of the Laplacian with the share of the noise
// taken out. The Laplacian alone loves noise: TV static measures hundreds
// of times sharper than any real picture, film grain a good deal sharper
// than the same picture without it. The noise is estimated apart from the
// picture (see noise), and a frame whose detail is mostly noise counts as
// unusable, like a black or a white one.
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
    // The same margin below white: a flash, or a fade through white.
    static constexpr double NearWhiteLevel = 255.0 - NearBlackLevel;
    // What one unit of noise variance adds to the Laplacian's variance:
    // 20 for white noise, about 25 for noise that went through an encoder
    // and the scaling to MeasureWidth (measured on static, on heavy noise
    // over flat grey and on grain over a test pattern).
    static constexpr double LaplacianPerNoiseVariance = 25.0;
    // Noise below this (in grey levels) is the grain of any real picture
    // and never disqualifies it.
    static constexpr double GrainLevel = 2.0;

    double sharpness = 0.0;
    double brightness = 0.0;
    // The standard deviation of the noise in grey levels, estimated from
    // the median response to the product of the second differences across
    // and down. That filter is blind to straight edges and ramps, and the
    // median to the few corners and fine lines a picture has, so what is
    // left is the noise over the whole frame: about 6 for light grain, 20
    // to 80 for static.
    double noise = 0.0;

    bool isNearBlack() const { return brightness < NearBlackLevel; }
    bool isNearWhite() const { return brightness > NearWhiteLevel; }
    // Detail that stands out of the noise by less than a quarter of the
    // noise's own share: static, or noise over a flat or blurred picture.
    // Grain over a real picture keeps several times its own share.
    bool isNoisy() const
    {
        return noise >= GrainLevel && sharpness < LaplacianPerNoiseVariance * noise * noise / 4.0;
    }
    // Black, white or noise: a frame that must not stand for its position
    // while a usable one is near.
    bool isDegraded() const { return isNearBlack() || isNearWhite() || isNoisy(); }

    // image is measured as it is; scale it to MeasureWidth first.
    static FrameQuality of(const QImage &image);
};

#endif
