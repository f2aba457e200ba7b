#ifndef VISTALOOM_WEBVTTWRITER_H
#define VISTALOOM_WEBVTTWRITER_H

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QVector>

#include <functional>

// Writes a WebVTT file of seek previews: each cue names the picture a web
// player shows while the pointer is over its stretch of the timeline.
class WebVttWriter
{
public:
    struct Cue {
        qint64 startMs = 0;
        qint64 endMs = 0;
        // A reference relative to the file, already URL-escaped:
        // "talk-sprite-1.jpeg#xywh=0,0,320,240".
        QString target;
    };

    // The file's text: the "WEBVTT" header, then the cues in the order
    // given, times as hh:mm:ss.mmm.
    static QByteArray document(const QVector<Cue> &cues);
    // Writes the document into folder as stem.vtt, a taken name moving on
    // to stem-2.vtt and so on; claimed and written like the images, so an
    // existing file is never replaced. saving is told the name once it is
    // claimed. On failure nothing is left at the name and the path that
    // could not be written is returned in failedPath.
    static bool write(const QDir &folder, const QString &stem, const QVector<Cue> &cues,
                      const std::function<void(const QString &fileName)> &saving, QString *failedPath);
};

#endif
