#include "atomicimagefile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtDebug>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <cstdio>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#include <qt_windows.h>
#endif

namespace {

// Short enough that a target of the file system's longest name still has a
// hidden file beside it; hidden so a folder view does not flicker.
QString hiddenNameIn(const QString &folder)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name = QStringLiteral(".vistaloom-");
    for (int i = 0; i < 6; ++i)
        name += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
    return QDir(folder).filePath(name);
}

// The file a link at path leads to, as the user who chose path means it;
// path itself when it is no link (or a loop of links).
QString writtenPathOf(const QString &path)
{
    QFileInfo info(path);
    int depth = 128;
    while (--depth > 0 && info.isSymLink())
        info.setFile(info.symLinkTarget());
    return depth > 0 ? info.filePath() : path;
}

bool syncToDisk(QFile &file)
{
#ifdef Q_OS_UNIX
    int result;
    do {
        result = ::fsync(file.handle());
    } while (result != 0 && errno == EINTR);
    return result == 0;
#elif defined(Q_OS_WIN)
    return ::_commit(file.handle()) == 0;
#else
    Q_UNUSED(file)
    return true;
#endif
}

// Replaces target in one step, so a reader sees the old file or the new one.
bool replace(const QString &from, const QString &target)
{
#ifdef Q_OS_UNIX
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(target).constData()) == 0;
#elif defined(Q_OS_WIN)
    return ::MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(from).utf16()),
                         reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(target).utf16()),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    QFile::remove(target);
    return QFile::rename(from, target);
#endif
}

} // namespace

AtomicImageFile::AtomicImageFile(const QString &target)
    : m_target(target)
{
}

AtomicImageFile::~AtomicImageFile()
{
    discard();
}

bool AtomicImageFile::open()
{
    discard();
    m_target = writtenPathOf(m_target);
    const QFileInfo target(m_target);
    // A name is tried again only when another file took it first.
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_file.setFileName(hiddenNameIn(target.absolutePath()));
        if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            // A file the user chose to replace keeps its permissions.
            if (target.exists())
                m_file.setPermissions(target.permissions());
            return true;
        }
        const QFileInfo taken(m_file.fileName());
        if (!taken.exists() && !taken.isSymLink())
            break;
    }
    m_error = m_file.errorString();
    m_file.setFileName(QString());
    return false;
}

QIODevice *AtomicImageFile::device()
{
    return &m_file;
}

bool AtomicImageFile::commit()
{
    if (!m_file.isOpen())
        return fail(QStringLiteral("not open"));
    // A writer may not have looked at what write() returned.
    if (m_file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("write"));
    if (!m_file.flush())
        return fail(QStringLiteral("flush"));
    if (!syncToDisk(m_file))
        return fail(QStringLiteral("sync: ") + qt_error_string(errno));
    m_file.close();
    if (m_file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("close"));
    if (!replace(m_file.fileName(), m_target))
        return fail(QStringLiteral("rename: ") + qt_error_string(errno));
    m_file.setFileName(QString());
    return true;
}

void AtomicImageFile::discard()
{
    const QString path = m_file.fileName();
    if (path.isEmpty())
        return;
    // Not QFile::remove(): it keeps the file when the close cannot write
    // the buffered rest, which on a full disk it cannot.
    m_file.close();
    m_file.setFileName(QString());
    if (!QFile::remove(path))
        qWarning() << "AtomicImageFile - cannot remove" << path;
}

QString AtomicImageFile::errorString() const
{
    return m_error;
}

QString AtomicImageFile::temporaryPath() const
{
    return m_file.fileName();
}

bool AtomicImageFile::fail(const QString &step)
{
    m_error = step;
    if (m_file.error() != QFileDevice::NoError)
        m_error += QStringLiteral(": ") + m_file.errorString();
    discard();
    return false;
}
