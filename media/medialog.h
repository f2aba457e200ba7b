#ifndef VISTALOOM_MEDIALOG_H
#define VISTALOOM_MEDIALOG_H

namespace MediaLog {

// 3 and below: only fatal problems of the media libraries are printed;
// higher levels let errors, warnings and more through.
void setLogLevel(int level);

} // namespace MediaLog

#endif
