#ifndef VISTALOOM_MPVGLWIDGET_H
#define VISTALOOM_MPVGLWIDGET_H

#include "mpvrendercontext.h"

#include <QOpenGLWidget>
#include <QPointer>

#include <memory>

struct mpv_handle;
class QTemporaryDir;
class MpvPlayer;

// Draws the player's video with mpv's OpenGL renderer, which also turns
// rotated video upright.
class MpvGlWidget : public QOpenGLWidget
{
    Q_OBJECT

public:
    MpvGlWidget(MpvPlayer *player, QWidget *parent = nullptr);
    ~MpvGlWidget() override;

    // Whether an OpenGL context can be made on this platform at all.
    static bool isAvailable();

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    void onMpvUpdate();
    // Maps HDR video into SDR exactly as the media layer does for snapshots.
    void updateToneMapping();
    // True while the player holds no video: the widget is plain black then.
    bool showsNoVideo() const;

    QPointer<MpvPlayer> m_player;
    // Declared before the context so it is destroyed after it.
    std::shared_ptr<mpv_handle> m_handle;
    MpvRenderContext m_context;
    // mpv reads user shaders from files: one per transfer and peak, kept
    // until the widget goes since mpv may load one at any later frame.
    std::unique_ptr<QTemporaryDir> m_shaderFolder;
    // mpv has a new frame that no paint has drawn yet.
    bool m_newFrame = false;
};

#endif
