#ifndef VISTALOOM_MEDIALOG_H
#define VISTALOOM_MEDIALOG_H

// How much FFmpeg itself reports on standard error, on the player
// library's scale: 0 nothing, 1 debug, 2 warnings, 3 only fatal and
// critical problems, 4 only fatal ones; anything else FFmpeg's default.
namespace MediaLog {

void setLogLevel(int level);

} // namespace MediaLog

#endif
