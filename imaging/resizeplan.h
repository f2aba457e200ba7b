#ifndef VISTALOOM_RESIZEPLAN_H
#define VISTALOOM_RESIZEPLAN_H

#include <QRect>
#include <QSize>

// The geometry of one resize: which part of the source is kept and the
// size it is scaled to. Fit keeps the whole picture inside the target;
// crop cuts the source to the target's aspect around its centre.
struct ResizePlan
{
    QRect sourceRect;
    QSize outputSize;
    bool resamples = false;

    static ResizePlan make(const QSize &source, const QSize &target, bool crop);
};

#endif
