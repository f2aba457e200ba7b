#ifndef VISTALOOM_OUTPUTFILE_H
#define VISTALOOM_OUTPUTFILE_H

#include <QDir>
#include <QString>

#include <functional>

// Output names are claimed, not checked: creating the file exclusively
// (O_CREAT|O_EXCL) is the one test that holds when two programs pick names
// in the same folder at once, and it never follows or replaces a symbolic
// link or anything else already there.
class OutputFile
{
public:
    enum class Claim { Claimed, Taken, Failed };

    // The name of a series claimed by claimFirstFree: Claimed, or Failed
    // with the name that could not be created.
    struct FreeName {
        Claim claim = Claim::Failed;
        QString fileName;
        QString path; // fileName in the folder
    };

    // Creates an empty file at path unless anything exists there already.
    // Taken: some entry (a file, a folder, a link, even a dangling one) has
    // the name. Failed: nothing is there but the file cannot be created.
    static Claim claim(const QString &path);
    // Claims the first name of a series that nothing has taken: nameAt(n)
    // in folder for n = counter, counter + 1, ... On return counter is the
    // n of the name claimed, or of the name that could not be created.
    // nameAt may also give an absolute path.
    static FreeName claimFirstFree(const QDir &folder, int &counter, const std::function<QString(int)> &nameAt);
    // Removes a claimed file whose image could not be written.
    static void release(const QString &path);
};

#endif
