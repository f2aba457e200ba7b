#ifndef VISTALOOM_FILECOMPLETENESS_H
#define VISTALOOM_FILECOMPLETENESS_H

#include <QString>

struct AVFormatContext;

// Tells a cut-off file (an interrupted download or copy) from a whole one
// by what its own structure promises: an MP4 index pointing past the end,
// a Matroska segment or AVI chunk longer than the file, an Ogg page or a
// transport stream packet that stops short. Times cannot tell: a held last picture or
// sound that outlasts the picture ends the video early in a whole file.
namespace FileCompleteness {

enum class Verdict { Whole, Cut, Unknown };

Verdict of(const AVFormatContext *context, const QString &path);

} // namespace FileCompleteness

#endif
