#ifndef VISTALOOM_XMPWRITER_H
#define VISTALOOM_XMPWRITER_H

#include "imagemetadata.h"

#include <QByteArray>
#include <QString>

// Adds an image's metadata as XMP, the one form every metadata reader
// knows, to an image file encoded in memory, through exiv2 (which writes
// XMP into JPEG, PNG, WebP and TIFF; not into AVIF, JPEG XL or BMP). The
// properties, each written only when known:
//   Xmp.dc.source         the video's file name (Dublin Core's "the resource
//                         this one is derived from")
//   Xmp.vistaloom.time    the frame's time from the start, "hh:mm:ss.mmm"
//   Xmp.vistaloom.timeMs  the same in milliseconds
//   Xmp.vistaloom.frame   the frame's number from 0 in presentation order
// in a namespace of our own (NamespaceUri, prefix "vistaloom"): the
// standard time properties (xmpDM's) describe a position in the file
// itself, not in the media it was taken from, and hold no frame number.
// Exiv2's messages go to qDebug(), never straight to standard error.
// Usable from several threads at once.
class XmpWriter
{
public:
    static const char NamespaceUri[];  // "https://vistaloom.org/ns/xmp/1.0/"
    static const char Prefix[];        // "vistaloom"

    enum class Result {
        Added,    // the file now carries the XMP
        Skipped,  // nothing to write, or a type exiv2 cannot write XMP into
        Failed,   // exiv2 refused; the file is unchanged (see errorString())
    };

    explicit XmpWriter(const ImageMetadata &metadata);

    // Replaces the encoded file by one that carries the XMP as well;
    // encoded is left as it was unless the result is Added.
    Result addTo(QByteArray &encoded);
    QString errorString() const;

private:
    Result fail(const QString &error);

    ImageMetadata m_metadata;
    QString m_error;
};

#endif
