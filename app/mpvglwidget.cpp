#include "mpvglwidget.h"

#include "mpvplayer.h"

#include <mpv/render_gl.h>

#include <QOffscreenSurface>
#include <QOpenGLFunctions>
#include <QOpenGLContext>
#include <QtDebug>

namespace {

void *getProcAddress(void *, const char *name)
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void *>(context->getProcAddress(name)) : nullptr;
}

} // namespace

MpvGlWidget::MpvGlWidget(MpvPlayer *player, QWidget *parent)
    : QOpenGLWidget(parent)
    , m_player(player)
    , m_handle(player->handle())
{
    setMinimumSize(1, 1);
    if (m_handle)
        player->setRendererReady(false);
    connect(this, &QOpenGLWidget::frameSwapped, this, [this] {
        if (m_context)
            mpv_render_context_report_swap(m_context.get());
    });
    // A closed video leaves no frame behind.
    connect(player, &MpvPlayer::mediaStatusChanged, this, [this] { update(); });
}

MpvGlWidget::~MpvGlWidget()
{
    // The render context holds GL objects: free it with its context current.
    makeCurrent();
    m_context.reset();
    doneCurrent();
}

bool MpvGlWidget::isAvailable()
{
    QOpenGLContext context;
    if (!context.create())
        return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return false;
    context.doneCurrent();
    return true;
}

void MpvGlWidget::initializeGL()
{
    if (!m_handle || m_context)
        return;
    mpv_opengl_init_params glInit{getProcAddress, nullptr};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char *>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    const bool created = m_context.create(m_handle.get(), params, this, [this] { onMpvUpdate(); });
    // Without a renderer a waiting video fails to open, and says so.
    if (m_player)
        m_player->setRendererReady(true);
    if (!created)
        qWarning() << "mpv could not create its OpenGL renderer";
}

bool MpvGlWidget::showsNoVideo() const
{
    return !m_player || m_player->mediaStatus() == MpvPlayer::NoMedia || m_player->mediaStatus() == MpvPlayer::InvalidMedia;
}

void MpvGlWidget::onMpvUpdate()
{
    if (m_context && (mpv_render_context_update(m_context.get()) & MPV_RENDER_UPDATE_FRAME)) {
        m_newFrame = true;
        update();
    }
}

void MpvGlWidget::paintGL()
{
    if (!m_context || showsNoVideo()) {
        // mpv keeps its last frame after a stop; no video means black.
        QOpenGLFunctions *gl = context()->functions();
        gl->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        gl->glClear(GL_COLOR_BUFFER_BIT);
        m_newFrame = false;
        return;
    }
    const qreal ratio = devicePixelRatioF();
    mpv_opengl_fbo fbo{static_cast<int>(defaultFramebufferObject()), static_cast<int>(width() * ratio),
                       static_cast<int>(height() * ratio), 0};
    int flipY = 1;
    // Never wait for the frame's display time on the GUI thread.
    int block = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(m_context.get(), params);
    if (m_player && m_newFrame)
        m_player->reportFrameShown();
    m_newFrame = false;
}
