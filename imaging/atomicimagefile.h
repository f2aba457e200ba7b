#ifndef VISTALOOM_ATOMICIMAGEFILE_H
#define VISTALOOM_ATOMICIMAGEFILE_H

#include <QFile>
#include <QString>

// A file that appears at its name whole or not at all. The bytes go to a
// short hidden file beside the target (".vistaloom-XXXXXX", so any name the
// file system accepts for the target works), and commit() moves it over the
// target only after every step has succeeded: the last buffered block, the
// sync to disk, the close and the rename are each checked, since a full disk
// often shows only there. Whatever fails, and whenever the object goes away
// uncommitted, the hidden file is removed and an existing target is left as
// it was.
class AtomicImageFile
{
public:
    explicit AtomicImageFile(const QString &target);
    ~AtomicImageFile();
    AtomicImageFile(const AtomicImageFile &) = delete;
    AtomicImageFile &operator=(const AtomicImageFile &) = delete;

    // Creates the hidden file in the target's folder. A target that is a
    // symbolic link is written through: the link's file is replaced.
    bool open();
    // Where the image writer writes, open once open() succeeded.
    QIODevice *device();
    bool commit();
    // Drops what was written; the target stays as it was.
    void discard();

    QString errorString() const;
    QString temporaryPath() const;

private:
    bool fail(const QString &step);

    QString m_target;
    QFile m_file;
    QString m_error;
};

#endif
