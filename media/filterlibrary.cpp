#include "filterlibrary.h"

#include <QLibrary>
#include <QtDebug>

#include <new>
#include <type_traits>

std::unique_ptr<FilterLibrary> FilterLibrary::load()
{
    // The major version the headers were written for: the one whose
    // functions have the signatures used here. The library is never
    // unloaded, so the functions stay valid for the life of the process.
    QLibrary library(QStringLiteral("avfilter"), LIBAVFILTER_VERSION_MAJOR);
    if (!library.load()) {
        qWarning() << "Cannot load libavfilter:" << library.errorString();
        return nullptr;
    }
    std::unique_ptr<FilterLibrary> functions(new FilterLibrary);
    bool complete = true;
    auto resolve = [&](auto &function, const char *name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library.resolve(name));
        if (!function) {
            qWarning("libavfilter lacks %s", name);
            complete = false;
        }
    };
    resolve(functions->getByName, "avfilter_get_by_name");
    resolve(functions->createFilter, "avfilter_graph_create_filter");
    resolve(functions->parse, "avfilter_graph_parse_ptr");
    resolve(functions->configure, "avfilter_graph_config");
    resolve(functions->addFrame, "av_buffersrc_add_frame_flags");
    resolve(functions->getFrame, "av_buffersink_get_frame");
    resolve(functions->sinkTimeBase, "av_buffersink_get_time_base");
    resolve(functions->m_graphAlloc, "avfilter_graph_alloc");
    resolve(functions->m_graphFree, "avfilter_graph_free");
    resolve(functions->m_inOutAlloc, "avfilter_inout_alloc");
    resolve(functions->m_inOutFree, "avfilter_inout_free");
    if (!complete)
        return nullptr;
    return functions;
}

FFmpeg::FilterGraphPtr FilterLibrary::allocGraph() const
{
    FFmpeg::FilterGraphPtr graph(m_graphAlloc(), FFmpeg::FilterGraphDeleter{m_graphFree});
    if (!graph)
        throw std::bad_alloc();
    return graph;
}

FFmpeg::FilterInOutPtr FilterLibrary::allocInOut() const
{
    FFmpeg::FilterInOutPtr inOut(m_inOutAlloc(), FFmpeg::FilterInOutDeleter{m_inOutFree});
    if (!inOut)
        throw std::bad_alloc();
    return inOut;
}
