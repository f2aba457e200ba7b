#include "framequality.h"

#include "matimage.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

FrameQuality FrameQuality::of(const QImage &image)
{
    FrameQuality quality;
    if (image.isNull())
        return quality;
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const cv::Mat view = MatImage::readOnlyView(grey);
    cv::Mat laplacian;
    cv::Laplacian(view, laplacian, CV_64F);
    cv::Scalar mean;
    cv::Scalar deviation;
    cv::meanStdDev(laplacian, mean, deviation);
    quality.sharpness = deviation[0] * deviation[0];
    quality.brightness = cv::mean(view)[0];
    return quality;
}
