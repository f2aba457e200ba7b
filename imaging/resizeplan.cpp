#include "resizeplan.h"

#include <algorithm>

ResizePlan ResizePlan::make(const QSize &source, const QSize &target, bool crop)
{
    const int sw = source.width();
    const int sh = source.height();
    ResizePlan plan;
    plan.sourceRect = QRect(0, 0, sw, sh);
    plan.outputSize = source;

    int width = target.width();
    int height = target.height();
    // A profile with a side of 0 (or less) would leave nothing to draw on.
    if (width < 1 || height < 1 || (width == sw && height == sh))
        return plan;

    const double sourceAspect = double(sw) / double(sh);
    const double targetAspect = double(width) / double(height);

    if (!crop) {
        if (sourceAspect > targetAspect)
            height = std::max(1, int(width / sourceAspect));
        else if (sourceAspect < targetAspect)
            width = std::max(1, int(height * sourceAspect));
    } else {
        int cropWidth = sw;
        int cropHeight = sh;
        if (sourceAspect > targetAspect)
            cropWidth = std::max(1, int(sh * targetAspect));
        else if (sourceAspect < targetAspect)
            cropHeight = std::max(1, int(sw / targetAspect));
        plan.sourceRect = QRect(int((sw - cropWidth) * 0.5), int((sh - cropHeight) * 0.5),
                                cropWidth, cropHeight);
    }

    plan.outputSize = QSize(width, height);
    plan.resamples = plan.outputSize != source || plan.sourceRect.size() != source;
    return plan;
}
