#include "framefilter.h"

#include "filterlibrary.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/mastering_display_metadata.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
}

#include <QMutexLocker>
#include <QStringList>
#include <QtDebug>

namespace {

constexpr double HighestPeak = 10000.0;

QString deinterlaceFilter(const AVFrame *frame, const VideoFrame::Properties &properties)
{
    const bool topFirst = frame->interlaced_frame ? frame->top_field_first != 0 : properties.topFieldFirst;
    return QStringLiteral("bwdif=mode=send_frame:parity=%1:deint=all")
        .arg(topFirst ? QStringLiteral("tff") : QStringLiteral("bff"));
}

// zscale cannot convert from colours it is not told; HDR streams that leave
// them out are BT.2020 in limited range. Other pictures keep their tags, which
// the conversion to RGB reads.
void completeColourTags(AVFrame *frame)
{
    if (!FrameFilter::isHdr(frame))
        return;
    if (frame->color_primaries == AVCOL_PRI_UNSPECIFIED)
        frame->color_primaries = AVCOL_PRI_BT2020;
    if (frame->colorspace == AVCOL_SPC_UNSPECIFIED)
        frame->colorspace = AVCOL_SPC_BT2020_NCL;
    if (frame->color_range == AVCOL_RANGE_UNSPECIFIED)
        frame->color_range = AVCOL_RANGE_MPEG;
}

bool sameShape(const AVFrame *a, const AVFrame *b)
{
    return a->width == b->width && a->height == b->height && a->format == b->format;
}

} // namespace

FrameFilter::FrameFilter() = default;

FrameFilter::~FrameFilter() = default;

const FilterLibrary *FrameFilter::library()
{
    std::call_once(m_libraryLoaded, [this] { m_library = FilterLibrary::load(); });
    return m_library.get();
}

bool FrameFilter::isInterlaced(const AVFrame *frame, const VideoFrame::Properties &properties)
{
    return frame && (frame->interlaced_frame || properties.interlacedStream);
}

bool FrameFilter::isHdr(const AVFrame *frame)
{
    return frame && (frame->color_trc == AVCOL_TRC_SMPTE2084 || frame->color_trc == AVCOL_TRC_ARIB_STD_B67);
}

bool FrameFilter::needsFiltering(const AVFrame *frame, const VideoFrame::Properties &properties)
{
    return isInterlaced(frame, properties) || isHdr(frame);
}

double FrameFilter::peakLuminance(const AVFrame *frame, const VideoFrame::Properties &properties)
{
    double peak = 0;
    if (const AVFrameSideData *data = av_frame_get_side_data(frame, AV_FRAME_DATA_CONTENT_LIGHT_LEVEL))
        peak = reinterpret_cast<const AVContentLightMetadata *>(data->data)->MaxCLL;
    if (peak <= 0) {
        if (const AVFrameSideData *data = av_frame_get_side_data(frame, AV_FRAME_DATA_MASTERING_DISPLAY_METADATA)) {
            const auto *mastering = reinterpret_cast<const AVMasteringDisplayMetadata *>(data->data);
            if (mastering->has_luminance && mastering->max_luminance.den > 0)
                peak = av_q2d(mastering->max_luminance);
        }
    }
    if (peak <= 0)
        peak = properties.peakLuminance;
    return boundedPeak(peak);
}

double FrameFilter::boundedPeak(double peak)
{
    // HDR10 masters without metadata and HLG, whose nominal display peak
    // this is, get the common mastering peak.
    return peak > 0 ? qBound(ReferenceWhite, peak, HighestPeak) : DefaultPeak;
}

// Linear light is measured against SDR reference white, so 1.0 is what an
// SDR picture shows as white and the tone curve's peak is in those units.
// Mobius keeps everything up to near reference white as it is and rolls off
// only the highlights, so SDR-graded parts of a picture look as mastered.
QString FrameFilter::toneMappingFilters(double peak)
{
    return QStringLiteral("zscale=t=linear:npl=%1,format=gbrpf32le,zscale=p=bt709,"
                          "tonemap=tonemap=mobius:param=%2:desat=0:peak=%3,"
                          "zscale=t=bt709:m=bt709:r=tv,format=yuv444p")
        .arg(ReferenceWhite)
        .arg(MobiusKnee)
        .arg(QString::number(boundedPeak(peak) / ReferenceWhite, 'g', 6));
}

FFmpeg::FramePtr FrameFilter::apply(const AVFrame *frame, const AVFrame *previous, const AVFrame *next,
                                    const VideoFrame::Properties &properties)
{
    if (!needsFiltering(frame, properties))
        return nullptr;
    QStringList filters;
    const bool interlaced = isInterlaced(frame, properties);
    if (interlaced)
        filters << deinterlaceFilter(frame, properties);
    if (isHdr(frame))
        filters << toneMappingFilters(peakLuminance(frame, properties));
    const QString description = filters.join(QLatin1Char(','));

    if (!interlaced)
        return runCached(frame, description);
    // The deinterlacer remembers the pictures it saw: a fresh graph for each
    // picture, fed only with that picture's own neighbours.
    Graph graph;
    if (!build(graph, frame, description))
        return nullptr;
    if (previous && !sameShape(previous, frame))
        previous = nullptr;
    if (next && !sameShape(next, frame))
        next = nullptr;
    // bwdif gives a lone picture back as it is. Followed by itself it is
    // the first of a sequence, which is interpolated within the picture.
    if (!previous && !next)
        next = frame;
    return run(graph, frame, previous, next);
}

bool FrameFilter::build(Graph &graph, const AVFrame *frame, const QString &description)
{
    graph = Graph();
    const FilterLibrary *filters = library();
    if (!filters)
        return false;
    FFmpeg::FilterGraphPtr filterGraph = filters->allocGraph();
    const QByteArray sourceArguments = QStringLiteral("video_size=%1x%2:pix_fmt=%3:time_base=1/1:pixel_aspect=1/1")
                                           .arg(frame->width).arg(frame->height).arg(frame->format)
                                           .toLatin1();
    AVFilterContext *source = nullptr;
    AVFilterContext *sink = nullptr;
    int result = filters->createFilter(&source, filters->getByName("buffer"), "in", sourceArguments.constData(),
                                       nullptr, filterGraph.get());
    if (result >= 0)
        result = filters->createFilter(&sink, filters->getByName("buffersink"), "out", nullptr, nullptr,
                                       filterGraph.get());
    if (result < 0) {
        qWarning() << "Cannot create the ends of a filter graph:" << FFmpeg::errorText(result);
        return false;
    }

    // The description's open input is fed by the source, its open output
    // feeds the sink.
    FFmpeg::FilterInOutPtr sourceEnd = filters->allocInOut();
    sourceEnd->name = av_strdup("in");
    sourceEnd->filter_ctx = source;
    FFmpeg::FilterInOutPtr sinkEnd = filters->allocInOut();
    sinkEnd->name = av_strdup("out");
    sinkEnd->filter_ctx = sink;
    AVFilterInOut *inputs = sinkEnd.release();
    AVFilterInOut *outputs = sourceEnd.release();
    result = filters->parse(filterGraph.get(), description.toLatin1().constData(), &inputs, &outputs, nullptr);
    sinkEnd.reset(inputs);
    sourceEnd.reset(outputs);
    if (result >= 0)
        result = filters->configure(filterGraph.get(), nullptr);
    if (result < 0) {
        qWarning() << "Cannot set up the filters" << description << ":" << FFmpeg::errorText(result);
        return false;
    }
    graph.graph = std::move(filterGraph);
    graph.source = source;
    graph.sink = sink;
    return true;
}

FFmpeg::FramePtr FrameFilter::run(Graph &graph, const AVFrame *frame, const AVFrame *previous, const AVFrame *next)
{
    // Times are the places in this little sequence; the picture asked for
    // is the one at 1.
    constexpr int64_t Wanted = 1;
    // A graph exists, so the library is loaded.
    const FilterLibrary &filters = *m_library;
    const AVFrame *sequence[] = {previous, frame, next};
    for (int64_t place = 0; place < 3; ++place) {
        if (!sequence[place])
            continue;
        FFmpeg::FramePtr input = FFmpeg::allocFrame();
        if (av_frame_ref(input.get(), sequence[place]) < 0)
            return nullptr;
        completeColourTags(input.get());
        input->pts = place;
        const int result = filters.addFrame(graph.source, input.get(), 0);
        if (result < 0) {
            qWarning() << "The filters refused a picture:" << FFmpeg::errorText(result);
            return nullptr;
        }
    }
    // The end of input lets the deinterlacer give out its last picture.
    const int ended = filters.addFrame(graph.source, nullptr, 0);
    if (ended < 0) {
        qWarning() << "The filters refused the end of input:" << FFmpeg::errorText(ended);
        return nullptr;
    }

    const AVRational sinkTimeBase = filters.sinkTimeBase(graph.sink);
    FFmpeg::FramePtr wanted;
    for (;;) {
        FFmpeg::FramePtr output = FFmpeg::allocFrame();
        if (filters.getFrame(graph.sink, output.get()) < 0)
            break;
        if (!wanted && av_rescale_q(output->pts, sinkTimeBase, AVRational{1, 1}) == Wanted)
            wanted = std::move(output);
    }
    if (!wanted)
        qWarning("The filters gave no picture");
    return wanted;
}

FFmpeg::FramePtr FrameFilter::runCached(const AVFrame *frame, const QString &description)
{
    const QString key = QStringLiteral("%1 %2x%3 %4 %5 %6 %7 %8")
                            .arg(description).arg(frame->width).arg(frame->height).arg(frame->format)
                            .arg(frame->color_trc).arg(frame->color_primaries).arg(frame->colorspace)
                            .arg(frame->color_range);
    QMutexLocker lock(&m_mutex);
    if (m_toneMapping.key != key || !m_toneMapping.graph) {
        if (!build(m_toneMapping, frame, description))
            return nullptr;
        m_toneMapping.key = key;
    }
    FFmpeg::FramePtr input = FFmpeg::allocFrame();
    if (av_frame_ref(input.get(), frame) < 0)
        return nullptr;
    completeColourTags(input.get());
    FFmpeg::FramePtr output = FFmpeg::allocFrame();
    int result = m_library->addFrame(m_toneMapping.source, input.get(), 0);
    if (result >= 0)
        result = m_library->getFrame(m_toneMapping.sink, output.get());
    if (result < 0) {
        // Built afresh for the next picture.
        qWarning() << "Tone mapping failed:" << FFmpeg::errorText(result);
        m_toneMapping = Graph();
        return nullptr;
    }
    return output;
}
