#include "medialog.h"

extern "C" {
#include <libavutil/log.h>
}

namespace MediaLog {

void setLogLevel(int level)
{
    switch (level) {
    case 0: av_log_set_level(AV_LOG_QUIET); break;
    case 1: av_log_set_level(AV_LOG_DEBUG); break;
    case 2: av_log_set_level(AV_LOG_WARNING); break;
    case 3: av_log_set_level(AV_LOG_FATAL); break;
    case 4: av_log_set_level(AV_LOG_PANIC); break;
    default: av_log_set_level(AV_LOG_INFO); break;
    }
}

} // namespace MediaLog
