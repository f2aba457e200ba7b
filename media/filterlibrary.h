#ifndef VISTALOOM_FILTERLIBRARY_H
#define VISTALOOM_FILTERLIBRARY_H

#include "ffmpegptr.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include <memory>

// libavfilter, loaded the first time a picture needs filtering. With the
// libraries it brings along (speech synthesis voices, Vulkan, SVG and
// more) it adds about 10 MB of resident memory and some start-up time to
// every process that links it, and only interlaced and HDR sources use it.
class FilterLibrary
{
public:
    // Null when the library cannot be loaded or lacks a function.
    static std::unique_ptr<FilterLibrary> load();

    FFmpeg::FilterGraphPtr allocGraph() const;
    FFmpeg::FilterInOutPtr allocInOut() const;

    decltype(&avfilter_get_by_name) getByName = nullptr;
    decltype(&avfilter_graph_create_filter) createFilter = nullptr;
    decltype(&avfilter_graph_parse_ptr) parse = nullptr;
    decltype(&avfilter_graph_config) configure = nullptr;
    decltype(&av_buffersrc_add_frame_flags) addFrame = nullptr;
    decltype(&av_buffersink_get_frame) getFrame = nullptr;
    decltype(&av_buffersink_get_time_base) sinkTimeBase = nullptr;

private:
    FilterLibrary() = default;

    decltype(&avfilter_graph_alloc) m_graphAlloc = nullptr;
    decltype(&avfilter_graph_free) m_graphFree = nullptr;
    decltype(&avfilter_inout_alloc) m_inOutAlloc = nullptr;
    decltype(&avfilter_inout_free) m_inOutFree = nullptr;
};

#endif
