#ifndef VISTALOOM_MATIMAGE_H
#define VISTALOOM_MATIMAGE_H

// Internal to imaging/: matrices over QImage pixel buffers, so the pipeline
// reads its input and writes its output without extra copies. Every layout
// check and colour-order conversion between the two lives here.

#include <QImage>

#include <opencv2/core.hpp>

namespace MatImage {

// Whether an image's red and blue may stay where they lie. The pipeline
// treats the three colour channels alike and writes RGB888 back as RGB888,
// so it can read such rows in place; callers handing the matrix to OpenCV's
// colour functions need blue, green, red.
enum class ChannelOrder { AsLaid, BlueGreenRed };

// An image's pixels as an 8-bit matrix of 1, 3 or 4 channels, converted at
// most once. The matrix refers to image (the input, or the copy the
// conversion made) or owns its bytes; it must not be written.
struct Pixels
{
    QImage image;
    cv::Mat matrix;
};
Pixels readable(const QImage &image, ChannelOrder order);

// A matrix header over a grey image's rows; the image must outlive it.
cv::Mat greyView(const QImage &grey);

// A new image for a matrix of that many channels (Indexed8 with a grey
// table, RGB888, or ARGB32) and a writable header over it. Null for other
// channel counts or when the image cannot be allocated.
QImage allocateImage(int width, int height, int channels);
cv::Mat writableView(QImage &image);

// A new image holding a matrix of any depth, in OpenCV's channel order.
QImage toImage(const cv::Mat &matrix);

} // namespace MatImage

#endif
