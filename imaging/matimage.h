#ifndef VISTALOOM_MATIMAGE_H
#define VISTALOOM_MATIMAGE_H

// Internal to imaging/: matrices over QImage pixel buffers, so the pipeline
// reads its input and writes its output without extra copies.

#include <QImage>

#include <opencv2/core.hpp>

namespace MatImage {

// The image in a format whose rows can be read as an 8-bit matrix.
QImage readableImage(const QImage &image);

// True when the raw bytes of a readable image already are grey, or blue,
// green, red, alpha, in the order the pipeline works in.
bool hasWorkingLayout(QImage::Format format);

// A matrix header over the image's rows (depth / 8 channels, bytes as they
// lie); the image must outlive it. The read-only view must not be written.
cv::Mat readOnlyView(const QImage &image);
cv::Mat writableView(QImage &image);

// A new image for a matrix of that many channels: Indexed8 with a grey
// table, RGB888, or ARGB32. Null for other channel counts or when the
// image cannot be allocated.
QImage allocateImage(int width, int height, int channels);

} // namespace MatImage

#endif
