#ifndef VISTALOOM_OUTPUTIMAGETYPE_H
#define VISTALOOM_OUTPUTIMAGETYPE_H

#include <QString>
#include <QStringList>
#include <QVector>

// One image type the program writes. The table of all of them is the one
// place types are listed: the save dialog's filters, the console program's
// --filetype and its help, the file-name profile dialog, the writer's
// quality and the bash completion (checked by a test) all follow it, in
// its order.
struct OutputImageType
{
    // The type's own name, first among the names the console program
    // accepts: "jpeg".
    QString name;
    // The save dialog's filter calls the type so: "JPEG".
    QString label;
    // The file suffixes of the type, as the dialogs offer them: "jpg",
    // "jpeg". They are also the names the console program accepts.
    QStringList suffixes;
    // The writer's quality means something (lossy compression); other
    // writers get their defaults.
    bool lossy = false;
    // Written by Qt itself; the writers of the others are plugins that may
    // be missing.
    bool builtIn = false;

    // The names the console program accepts: the name, then the other
    // suffixes ("jpeg", "jpg").
    QStringList names() const;
    // The save dialog's filter: "JPEG (*.jpg *.jpeg)".
    QString nameFilter() const;

    static const QVector<OutputImageType> &all();
    // Every name of every type, in table order.
    static QStringList allNames();
    // Every suffix of every type, in table order.
    static QStringList allSuffixes();
    // The type a name or suffix (any case) stands for; null for none.
    static const OutputImageType *find(const QString &nameOrSuffix);
};

#endif
