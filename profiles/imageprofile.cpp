#include "imageprofile.h"

#include "profilemanager.h"

ImageProfile::ImageProfile(QObject *parent)
    : BaseProfile(parent)
{
    setName(tr("Image Profile"));
}

ProfileFactory ImageProfile::factory()
{
    return []() -> std::unique_ptr<BaseProfile> { return std::make_unique<ImageProfile>(); };
}

ProfileManager *ImageProfile::manager()
{
    static ProfileManager *instance = nullptr;
    if (!instance)
        instance = new ProfileManager(QStringLiteral("ImageProfiles.ini"), factory(), true);
    return instance;
}
