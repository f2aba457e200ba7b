#include "medialog.h"

extern "C" {
#include <libavutil/log.h>
}

namespace MediaLog {

void setLogLevel(int level)
{
    if (level <= 3)
        av_log_set_level(AV_LOG_FATAL);
    else if (level == 4)
        av_log_set_level(AV_LOG_ERROR);
    else if (level == 5)
        av_log_set_level(AV_LOG_WARNING);
    else
        av_log_set_level(AV_LOG_INFO);
}

} // namespace MediaLog
