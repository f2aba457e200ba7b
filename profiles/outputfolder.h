#ifndef VISTALOOM_OUTPUTFOLDER_H
#define VISTALOOM_OUTPUTFOLDER_H

#include <QDir>
#include <QString>

// Where batch jobs write: the checks a folder the user gives passes, and
// the folder Batch Mode remembers for every job it is given.
namespace OutputFolder {

// True when path is given and names a folder that exists; an empty path
// would stand for the working folder and is never taken.
bool exists(const QString &path);
// Makes the folder with every missing parent; false when that fails.
bool create(const QDir &dir);

// The folder taken when none is remembered; it never exists.
QString noRememberedPath();
// The remembered folder, or noRememberedPath() when none is.
QDir remembered();
void remember(const QDir &dir);
void forget();

} // namespace OutputFolder

#endif
