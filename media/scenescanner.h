#ifndef VISTALOOM_SCENESCANNER_H
#define VISTALOOM_SCENESCANNER_H

#include "framereader.h"
#include "framewalker.h"
#include "videoframe.h"

#include <QImage>
#include <QString>

#include <atomic>

// Walks every picture of a video once, in presentation order, and tells
// how much each differs from the one before it, so a caller can pick the
// first picture of every shot.
//
// The difference is the mean absolute difference of 64x36 grey copies,
// scaled to 0-100: cheap to compute on every frame, blind to noise and
// small motion, and large when the whole picture changes at a cut.
class SceneScanner
{
public:
    struct Step {
        FrameReader::Status status = FrameReader::Status::End;
        VideoFrame frame;
        qint64 ms = 0;
        // 100 for the first picture walked: there is nothing to compare.
        double difference = 100.0;
        QImage signature;
    };

    explicit SceneScanner(const std::atomic<bool> &abortRequested);
    ~SceneScanner();
    SceneScanner(const SceneScanner &) = delete;
    SceneScanner &operator=(const SceneScanner &) = delete;

    // False when the file holds no video that can be decoded.
    bool open(const QString &path);
    // Starts the walk at the last key frame before ms instead of the start
    // of the file, so the skipped front is not decoded. False on abort.
    bool startBefore(qint64 ms);
    // Decodes only the pictures others refer to where the stream tells them
    // (progressive H.264), which most of the decoding time goes to; a
    // difference above cutAbove across pictures left out sends the walk back
    // for them, so a cut is still found on its first picture. Applies to
    // the pictures after the last one given out.
    void decodeReferencesOnly(double cutAbove);
    Step next();

    static constexpr int SignatureWidth = 64;
    static constexpr int SignatureHeight = 36;
    // Taken straight from the decoded luma plane where there is one, so the
    // walk never converts a whole picture.
    static QImage signature(const VideoFrame &frame);
    // The same from a smaller copy of the frame already at hand.
    static QImage signature(const QImage &picture);
    // 0 for equal signatures, 100 for black against white.
    static double difference(const QImage &first, const QImage &second);

private:
    FrameWalker m_walker;
    bool m_open = false;
    QImage m_previous;
    qint64 m_previousMs = 0;
    qint64 m_previousTicks = 0;
    double m_cutAbove = -1.0;
    // Going back costs a decode from the last key frame: in footage that
    // changes a lot between pictures it stops paying, and every picture is
    // decoded instead.
    qint64 m_revisitedMs = 0;
    qint64 m_firstMs = -1;
};

#endif
