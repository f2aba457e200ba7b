#include "watermarkprofile.h"

#include "profilemanager.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QDir watermarkFolder()
{
    QDir folder(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                + QStringLiteral("/watermarks"));
    folder.mkpath(QStringLiteral("."));
    return folder;
}

// The last part of a stored name; "." and ".." name no file.
QString plainFileName(const QString &name)
{
    const QString fileName = QFileInfo(name).fileName();
    if (fileName == QLatin1String(".") || fileName == QLatin1String(".."))
        return QString();
    return fileName;
}

// Opens the path for reading only when it is a regular file. On Unix the
// open does not block (a FIFO put in place after any check would otherwise
// wait for a writer for ever) and the type is checked on the open file;
// elsewhere there are no such files, and the check comes before the open.
bool openRegularFile(QFile &file)
{
#ifndef Q_OS_UNIX
    return QFileInfo(file.fileName()).isFile() && file.open(QIODevice::ReadOnly);
#else
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#endif
}

} // namespace

WatermarkProfile::WatermarkProfile(QObject *parent)
    : BaseProfile(parent)
    , m_textFont(QStringLiteral("Times"), 12)
    , m_textColor(255, 255, 255, 225)
    , m_textShadowColor(0, 0, 0, 175)
{
}

ProfileFactory WatermarkProfile::factory()
{
    return []() -> std::unique_ptr<BaseProfile> { return std::make_unique<WatermarkProfile>(); };
}

ProfileManager *WatermarkProfile::manager()
{
    static ProfileManager *instance = nullptr;
    if (!instance)
        instance = new ProfileManager(QStringLiteral("WatermarkProfiles.ini"), factory(), false);
    return instance;
}

QString WatermarkProfile::watermarkFilePath(const QString &fileName)
{
    return watermarkFolder().absoluteFilePath(plainFileName(fileName));
}

QImage WatermarkProfile::readPicture(const QString &fileName)
{
    const QString name = plainFileName(fileName);
    if (name.isEmpty())
        return QImage();
    const QDir folder = watermarkFolder();
    const QFileInfo info(folder.absoluteFilePath(name));
    if (!info.exists())
        return QImage();
    // A link is fine as long as it ends at a regular file in this folder,
    // as the folder's own pictures may be linked to save space.
    if (!info.isFile()
        || (info.isSymLink() && QFileInfo(info.canonicalFilePath()).absolutePath() != folder.canonicalPath())) {
        qWarning() << "WatermarkProfile - not a picture file in the watermark folder:" << name;
        return QImage();
    }

    // The file keeps its name, so the reader guesses the format from the
    // suffix and the content as it does for any named file.
    QFile file(info.absoluteFilePath());
    if (!openRegularFile(file)) {
        qWarning() << "WatermarkProfile - cannot read the picture" << name;
        return QImage();
    }
    QImageReader reader(&file);
    // The size comes from the header; a picture that does not state it
    // could be of any size and is not decoded either.
    const QSize size = reader.size();
    if (!size.isValid()) {
        qWarning() << "WatermarkProfile - cannot read the size of the picture" << name << reader.errorString();
        return QImage();
    }
    if (qint64(size.width()) * size.height() > MaxPicturePixels) {
        qWarning() << "WatermarkProfile - refusing the picture" << name << "of" << size.width() << "x"
                   << size.height() << "pixels; at most" << MaxPicturePixels << "are read";
        return QImage();
    }
    const QImage picture = reader.read();
    if (picture.isNull())
        qWarning() << "WatermarkProfile - cannot read the picture" << name << reader.errorString();
    return picture;
}

void WatermarkProfile::setTextFont(const QFont &value)
{
    // Only a size outside the editor's range is changed; any other font
    // is kept exactly as it came.
    m_textFont = value;
    if (value.pointSizeF() > 0) {
        const qreal bounded = qBound(MinFontPointSize, value.pointSizeF(), MaxFontPointSize);
        if (bounded != value.pointSizeF())
            m_textFont.setPointSizeF(bounded);
    } else if (value.pixelSize() > MaxFontPixelSize) {
        m_textFont.setPixelSize(MaxFontPixelSize);
    }
}

Qt::Alignment WatermarkProfile::alignment() const
{
    switch (m_alignmentIndex) {
    case 0: return Qt::AlignLeft | Qt::AlignTop;
    case 1: return Qt::AlignHCenter | Qt::AlignTop;
    case 2: return Qt::AlignRight | Qt::AlignTop;
    case 3: return Qt::AlignLeft | Qt::AlignVCenter;
    case 4: return Qt::AlignHCenter | Qt::AlignVCenter;
    case 5: return Qt::AlignRight | Qt::AlignVCenter;
    case 6: return Qt::AlignLeft | Qt::AlignBottom;
    case 7: return Qt::AlignHCenter | Qt::AlignBottom;
    default: return Qt::AlignRight | Qt::AlignBottom;
    }
}

QPoint WatermarkProfile::textShadowOffset() const
{
    return QPoint(m_textShadowXOffset, m_textShadowYOffset);
}

QImage WatermarkProfile::image() const
{
    // One entry for the whole process; rendering happens on the GUI thread only.
    static QString cachedFileName;
    static QImage cachedImage;
    if (m_imageFile != cachedFileName) {
        cachedImage = readPicture(m_imageFile);
        cachedFileName = m_imageFile;
    }
    return cachedImage;
}
