#ifndef VISTALOOM_IMAGECOMPARE_H
#define VISTALOOM_IMAGECOMPARE_H

#include <QImage>

namespace ImageCompare {

// Peak signal-to-noise ratio of the colour channels in dB (alpha left
// out); 99 for identical pictures, 0 when the sizes differ.
double psnr(const QImage &a, const QImage &b);
// Mean absolute difference of the colour channels as a share of full
// scale; 1 when the sizes differ.
double meanDifference(const QImage &a, const QImage &b);

} // namespace ImageCompare

#endif
