#ifndef VISTALOOM_IMAGEMETADATA_H
#define VISTALOOM_IMAGEMETADATA_H

#include <QPair>
#include <QString>
#include <QVector>

// Where a saved image came from: its video's file name and the time of the
// frame, so an image found later can be traced back to its frame. Written
// as text where the format's writer keeps text: a PNG text chunk, a JPEG
// comment "Source: clip.mp4". Qt's WebP, TIFF and BMP writers and the
// AVIF and JPEG XL ones of kimageformats 5.103 drop it.
struct ImageMetadata
{
    static const QString SourceKey;  // "Source"
    static const QString TimeKey;    // "Time"

    QString source;        // the video's file name; a folder is left out
    qint64 timeMs = -1;    // the frame's time from the start; below 0 is unknown

    static ImageMetadata of(const QString &videoPath, qint64 timeMs);
    // "hh:mm:ss.mmm", hours growing past two digits when they need to.
    static QString formatTime(qint64 ms);

    // The text entries to write, in a fixed order; empty when nothing is known.
    QVector<QPair<QString, QString>> entries() const;
};

#endif
