#include "imageprofile.h"

#include "profilemanager.h"

ImageProfile::ImageProfile(QObject *parent)
    : BaseProfile(parent)
{
    setName(tr("Image Profile"));
}

ProfileFactory ImageProfile::factory()
{
    return [] { return static_cast<BaseProfile *>(new ImageProfile); };
}

ProfileManager *ImageProfile::manager()
{
    static ProfileManager *instance = nullptr;
    if (!instance)
        instance = new ProfileManager(QStringLiteral("ImageProfiles.ini"), factory(), true);
    return instance;
}
