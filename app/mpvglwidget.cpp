#include "mpvglwidget.h"

#include "mpvplayer.h"

#include "media/framefilter.h"

#include <mpv/render_gl.h>

#include <QFile>
#include <QOffscreenSurface>
#include <QOpenGLFunctions>
#include <QOpenGLContext>
#include <QTemporaryDir>
#include <QtDebug>

namespace {

void *getProcAddress(void *, const char *name)
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void *>(context->getProcAddress(name)) : nullptr;
}

// mpv's own tone mapping takes SDR white as 203 cd/m² and cannot roll
// off towards a white of 100, so HDR video looked darker on screen than in
// its snapshot. This shader does the media layer's mapping (zscale,
// tonemap) on the GPU, on the RGB picture before mpv scales it: PQ or HLG
// to linear light in units of SDR white (HLG through zimg's per-channel
// OOTF for a 1000 cd/m² display), BT.2020 to BT.709, mobius on the
// brightest component, and BT.1886 encoding as zimg's display-referred
// BT.709. mpv is told the result is SDR BT.709 so it maps nothing more.
QByteArray toneMappingShader(const QByteArray &transfer, double peak)
{
    // Written with a decimal point: GLSL ES turns no integer into a float.
    const auto number = [](double value) { return QString::number(value, 'f', 6); };
    const QString toLinear = transfer == "pq"
        ? QStringLiteral("vec3 p = pow(clamp(e, 0.0, 1.0), vec3(1.0 / 78.84375));\n"
                         "    return %1 * pow(max(p - 0.8359375, 0.0) / (18.8515625 - 18.6875 * p),"
                         " vec3(1.0 / 0.1593017578125));")
              .arg(number(10000.0 / FrameFilter::ReferenceWhite))
        : QStringLiteral("e = max(e, 0.0);\n"
                         "    vec3 s = mix((exp((e - 0.55991073) / 0.17883277) + 0.28466892) / 12.0,"
                         " e * e / 3.0, vec3(lessThanEqual(e, vec3(0.5))));\n"
                         "    return %1 * pow(s, vec3(1.2));")
              .arg(number(1000.0 / FrameFilter::ReferenceWhite));
    return QStringLiteral(R"(//!HOOK MAIN
//!BIND HOOKED
//!DESC vistaloom HDR to SDR
vec3 toLinear(vec3 e) {
    %1
}
float mobius(float x, float j, float peak) {
    if (x <= j)
        return x;
    float a = -j * j * (peak - 1.0) / (j * j - 2.0 * j + peak);
    float b = (j * j - 2.0 * j * peak + peak) / max(peak - 1.0, 1e-6);
    return (b * b + 2.0 * b * j + j * j) / (b - a) * (x + a) / (x + b);
}
vec4 hook() {
    vec4 color = HOOKED_tex(HOOKED_pos);
    vec3 rgb = toLinear(color.rgb) * mat3(1.660491, -0.587641, -0.072850,
                                          -0.124550, 1.132900, -0.008349,
                                          -0.018151, -0.100579, 1.118730);
    float sig = max(max(max(rgb.r, rgb.g), rgb.b), 1e-6);
    rgb *= mobius(sig, %2, %3) / sig;
    color.rgb = pow(clamp(rgb, 0.0, 1.0), vec3(1.0 / 2.4));
    return color;
}
)")
        .arg(toLinear)
        .arg(number(FrameFilter::MobiusKnee), number(FrameFilter::boundedPeak(peak) / FrameFilter::ReferenceWhite))
        .toLatin1();
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
    connect(player, &MpvPlayer::hdrChanged, this, &MpvGlWidget::updateToneMapping);
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

void MpvGlWidget::updateToneMapping()
{
    QByteArray filter;
    QByteArray shader;
    if (m_player && m_player->isHdr()) {
        if (!m_shaderFolder)
            m_shaderFolder = std::make_unique<QTemporaryDir>();
        const QByteArray transfer = m_player->hdrTransfer();
        const double peak = m_player->hdrPeak();
        QFile file(m_shaderFolder->filePath(QStringLiteral("%1-%2.glsl").arg(QString::fromLatin1(transfer)).arg(peak)));
        const QByteArray source = toneMappingShader(transfer, peak);
        if (file.exists() || (file.open(QIODevice::WriteOnly) && file.write(source) == source.size() && file.flush())) {
            shader = QFile::encodeName(file.fileName());
            filter = "format:gamma=bt.1886:primaries=bt.709:light=display";
        } else {
            // mpv's own mapping, darker than the snapshot, beats none.
            qWarning() << "Cannot write the tone mapping shader" << file.fileName() << file.errorString();
        }
    }
    mpv_node path{};
    path.format = MPV_FORMAT_STRING;
    path.u.string = shader.data();
    mpv_node_list list{};
    list.num = shader.isEmpty() ? 0 : 1;
    list.values = &path;
    mpv_node shaders{};
    shaders.format = MPV_FORMAT_NODE_ARRAY;
    shaders.u.list = &list;
    mpv_set_property_async(m_handle.get(), 0, "glsl-shaders", MPV_FORMAT_NODE, &shaders);
    const char *value = filter.constData();
    mpv_set_property_async(m_handle.get(), 0, "vf", MPV_FORMAT_STRING, &value);
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
