#include "watermarkprofile.h"

#include "profilemanager.h"

#include <QDir>
#include <QStandardPaths>

namespace {

QDir watermarkFolder()
{
    QDir folder(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                + QStringLiteral("/watermarks"));
    folder.mkpath(QStringLiteral("."));
    return folder;
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
    return [] { return static_cast<BaseProfile *>(new WatermarkProfile); };
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
    return watermarkFolder().absoluteFilePath(fileName);
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
        cachedImage = QImage(watermarkFilePath(m_imageFile));
        cachedFileName = m_imageFile;
    }
    return cachedImage;
}
