#ifndef VISTALOOM_OUTPUTFILE_H
#define VISTALOOM_OUTPUTFILE_H

#include <QString>

// Output names are claimed, not checked: creating the file exclusively
// (O_CREAT|O_EXCL) is the one test that holds when two programs pick names
// in the same folder at once, and it never follows or replaces a symbolic
// link or anything else already there.
class OutputFile
{
public:
    enum class Claim { Claimed, Taken, Failed };

    // Creates an empty file at path unless anything exists there already.
    // Taken: some entry (a file, a folder, a link, even a dangling one) has
    // the name. Failed: nothing is there but the file cannot be created.
    static Claim claim(const QString &path);
    // Removes a claimed file whose image could not be written.
    static void release(const QString &path);
};

#endif
