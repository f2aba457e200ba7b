#include "framequality.h"

#include "matimage.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

// The noise's standard deviation from the median absolute response to
// [1 -2 1] across times [1 -2 1] down. For Gaussian noise of deviation s
// the response has deviation 6 s, and the median of its absolute value is
// 0.6745 times that.
double noiseOf(const cv::Mat &grey)
{
    if (grey.rows < 3 || grey.cols < 3)
        return 0.0;
    const cv::Mat kernel = (cv::Mat_<float>(1, 3) << 1.0f, -2.0f, 1.0f);
    cv::Mat response;
    cv::sepFilter2D(grey, response, CV_16S, kernel, kernel);
    // A histogram finds the median without sorting; noise beyond the last
    // bin is far beyond any threshold anyway.
    std::array<int, 1024> histogram{};
    const int last = int(histogram.size()) - 1;
    int count = 0;
    // The outer rows and columns see the reflected border, not the picture.
    for (int y = 1; y < response.rows - 1; ++y) {
        const short *row = response.ptr<short>(y);
        for (int x = 1; x < response.cols - 1; ++x)
            ++histogram[std::min(last, std::abs(int(row[x])))];
        count += response.cols - 2;
    }
    int below = 0;
    int median = 0;
    while (median < last && 2 * (below + histogram[median]) < count)
        below += histogram[median++];
    return median / (6.0 * 0.6745);
}

} // namespace

FrameQuality FrameQuality::of(const QImage &image)
{
    FrameQuality quality;
    if (image.isNull())
        return quality;
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const cv::Mat view = MatImage::greyView(grey);
    // 16 bits hold any Laplacian of 8-bit pixels and are cheaper than doubles.
    cv::Mat laplacian;
    cv::Laplacian(view, laplacian, CV_16S);
    cv::Scalar mean;
    cv::Scalar deviation;
    cv::meanStdDev(laplacian, mean, deviation);
    quality.noise = noiseOf(view);
    const double noiseShare = LaplacianPerNoiseVariance * quality.noise * quality.noise;
    quality.sharpness = std::max(0.0, deviation[0] * deviation[0] - noiseShare);
    quality.brightness = cv::mean(view)[0];
    return quality;
}
