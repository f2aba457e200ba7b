#ifndef VISTALOOM_FRAMEFILTER_H
#define VISTALOOM_FRAMEFILTER_H

#include "ffmpegptr.h"
#include "videoframe.h"

#include <QMutex>
#include <QString>

#include <memory>
#include <mutex>

class FilterLibrary;
struct AVFilterContext;

// Makes an interlaced or HDR picture fit for an SDR image with libavfilter:
// interlaced pictures are deinterlaced (bwdif, one picture out per picture
// in, fed with their decoded neighbours), PQ and HLG pictures are tone-mapped
// to BT.709. Progressive SDR pictures are not touched. Shared by the frames
// of one decoder; safe to use from several threads.
class FrameFilter
{
public:
    FrameFilter();
    ~FrameFilter();

    static bool isInterlaced(const AVFrame *frame, const VideoFrame::Properties &properties);
    static bool isHdr(const AVFrame *frame);
    static bool needsFiltering(const AVFrame *frame, const VideoFrame::Properties &properties);
    // The brightest light in cd/m² the picture was mastered for: the
    // frame's content light level or mastering display, else the stream's,
    // else a common mastering peak.
    static double peakLuminance(const AVFrame *frame, const VideoFrame::Properties &properties);
    // A peak in cd/m² as the tone curve takes it: an unknown one (0) is the
    // common mastering peak, and it is held within what PQ can carry.
    static double boundedPeak(double peak);

    // The tone mapping every HDR picture gets, so the player can show what
    // the images hold: linear light in units of SDR white (ReferenceWhite
    // cd/m²), mobius on the brightest component, linear up to MobiusKnee
    // and rolling off to white at the peak, BT.709 primaries.
    static constexpr double ReferenceWhite = 100.0;
    static constexpr double DefaultPeak = 1000.0;
    static constexpr double MobiusKnee = 0.3;
    // The libavfilter chain from a PQ or HLG picture to BT.709 YUV, for
    // the picture's peak in cd/m².
    static QString toneMappingFilters(double peak);

    // The filtered picture; null when frame needs nothing or filtering
    // failed. previous and next (may be null) are the decoded pictures
    // around an interlaced frame.
    FFmpeg::FramePtr apply(const AVFrame *frame, const AVFrame *previous, const AVFrame *next,
                           const VideoFrame::Properties &properties);

private:
    struct Graph {
        FFmpeg::FilterGraphPtr graph;
        AVFilterContext *source = nullptr;
        AVFilterContext *sink = nullptr;
        QString key;
    };

    // Null when libavfilter cannot be loaded.
    const FilterLibrary *library();
    bool build(Graph &graph, const AVFrame *frame, const QString &description);
    FFmpeg::FramePtr run(Graph &graph, const AVFrame *frame, const AVFrame *previous, const AVFrame *next);
    FFmpeg::FramePtr runCached(const AVFrame *frame, const QString &description);

    std::once_flag m_libraryLoaded;
    std::unique_ptr<FilterLibrary> m_library;
    QMutex m_mutex;
    // The tone mapping graph keeps no state between pictures and is kept
    // while the stream's format stays the same.
    Graph m_toneMapping;
};

#endif
