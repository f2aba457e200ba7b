#ifndef VISTALOOM_TEST_IMAGETEXT_H
#define VISTALOOM_TEST_IMAGETEXT_H

#include <QMap>
#include <QString>
#include <QStringList>

// The text a saved image file carries, read back from the file itself.
namespace ImageText {

// Every key and value Qt's reader for the file's format reports, the
// entries of a JPEG comment each on their own.
QMap<QString, QString> read(const QString &path);
// The comment segments of a JPEG file, taken from its bytes up to the
// first scan, so the test does not depend on how Qt reads them back.
QStringList jpegComments(const QString &path);

} // namespace ImageText

#endif
