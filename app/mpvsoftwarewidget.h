#ifndef VISTALOOM_MPVSOFTWAREWIDGET_H
#define VISTALOOM_MPVSOFTWAREWIDGET_H

#include "mpvrendercontext.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <memory>

struct mpv_handle;
class MpvPlayer;

// Draws the player's video with mpv's software renderer, where OpenGL is
// not available. mpv's software path cannot rotate, so mpv is told to
// leave rotation alone and the picture is turned here.
class MpvSoftwareWidget : public QWidget
{
    Q_OBJECT

public:
    MpvSoftwareWidget(MpvPlayer *player, QWidget *parent = nullptr);
    ~MpvSoftwareWidget() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void onMpvUpdate();
    // Maps HDR video into SDR before mpv's renderer sees it.
    void updateToneMapping();
    // newFrame: drawn because mpv has a new frame, not for a resize.
    void renderFrame(bool newFrame = false);

    QPointer<MpvPlayer> m_player;
    // Declared before the context so it is destroyed after it.
    std::shared_ptr<mpv_handle> m_handle;
    MpvRenderContext m_context;
    QImage m_target;
    QImage m_frame;
};

#endif
