#include "videooutput.h"

#include "mpvglwidget.h"
#include "mpvplayer.h"
#include "mpvsoftwarewidget.h"

#include <QtDebug>

namespace VideoOutput {

QWidget *create(MpvPlayer *player, QWidget *parent)
{
    if (!player || !player->isValid())
        return nullptr;
    const QByteArray choice = qgetenv("VISTALOOM_VIDEO_OUTPUT");
    bool openGl = choice == "opengl" || (choice != "software" && MpvGlWidget::isAvailable());
    if (openGl) {
        qDebug() << "Video output: OpenGL";
        return new MpvGlWidget(player, parent);
    }
    qDebug() << "Video output: software";
    return new MpvSoftwareWidget(player, parent);
}

} // namespace VideoOutput
