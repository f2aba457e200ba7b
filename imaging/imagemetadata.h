#ifndef VISTALOOM_IMAGEMETADATA_H
#define VISTALOOM_IMAGEMETADATA_H

#include <QPair>
#include <QString>
#include <QVector>

// Where a saved image came from: its video's file name, the time of the
// frame and its number, so an image found later can be traced back to its
// frame. Written as text where the format's writer keeps text (PNG text
// chunks, one JPEG comment) and as XMP (see XmpWriter) in JPEG, PNG, WebP
// and TIFF. The AVIF, JPEG XL and BMP files carry none of it.
struct ImageMetadata
{
    static const QString SourceKey;  // "Source"
    static const QString TimeKey;    // "Time"
    static const QString FrameKey;   // "Frame"

    QString source;        // the video's file name; a folder is left out
    qint64 timeMs = -1;    // the frame's time from the start; below 0 is unknown
    qint64 frame = -1;     // the frame's number from 0 in presentation order; below 0 is unknown

    static ImageMetadata of(const QString &videoPath, qint64 timeMs);
    // "hh:mm:ss.mmm", hours growing past two digits when they need to.
    static QString formatTime(qint64 ms);

    bool isEmpty() const;
    // The text entries to write, in a fixed order; empty when nothing is known.
    QVector<QPair<QString, QString>> entries() const;
    // The entries as one line: "Source: clip.mp4, Time: 00:01:23.456, Frame: 2001".
    QString comment() const;
};

#endif
