#include "mpvsoftwarewidget.h"

#include "mpvplayer.h"

#include "media/framefilter.h"

#include <mpv/render.h>

#include <QPainter>
#include <QTransform>
#include <QtDebug>

MpvSoftwareWidget::MpvSoftwareWidget(MpvPlayer *player, QWidget *parent)
    : QWidget(parent)
    , m_player(player)
    , m_handle(player->handle())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(1, 1);
    if (!m_handle)
        return;
    // mpv's software renderer aborts on frames that carry a rotation;
    // with rotation off it hands them over as stored, and we turn them.
    const char *rotate = "no";
    mpv_set_property_async(m_handle.get(), 0, "video-rotate", MPV_FORMAT_STRING, &rotate);
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char *>(MPV_RENDER_API_TYPE_SW)},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (!m_context.create(m_handle.get(), params, this, [this] { onMpvUpdate(); })) {
        qWarning() << "mpv could not create its software renderer";
        return;
    }
    connect(player, &MpvPlayer::videoGeometryChanged, this, [this] { renderFrame(); });
    connect(player, &MpvPlayer::hdrChanged, this, &MpvSoftwareWidget::updateToneMapping);
    // mpv keeps its last frame after a stop; a closed video leaves none behind.
    connect(player, &MpvPlayer::mediaStatusChanged, this, [this](MpvPlayer::MediaStatus status) {
        if (status == MpvPlayer::NoMedia || status == MpvPlayer::InvalidMedia) {
            m_frame = QImage();
            update();
        }
    });
}

MpvSoftwareWidget::~MpvSoftwareWidget() = default;

void MpvSoftwareWidget::updateToneMapping()
{
    // mpv's software renderer converts PQ and HLG without mapping their
    // range into SDR, and the picture comes out blown to white. HDR frames
    // go through the media layer's own tone mapping first, so the screen
    // shows what a snapshot saves. The filter is this widget's own: a
    // player has one output, and nothing else sets mpv's filters.
    QByteArray filter;
    if (m_player && m_player->isHdr())
        filter = "lavfi=[" + FrameFilter::toneMappingFilters(m_player->hdrPeak()).toLatin1() + ']';
    const char *value = filter.constData();
    mpv_set_property_async(m_handle.get(), 0, "vf", MPV_FORMAT_STRING, &value);
}

void MpvSoftwareWidget::onMpvUpdate()
{
    // Rendering even while hidden keeps mpv's output moving.
    if (m_context && (mpv_render_context_update(m_context.get()) & MPV_RENDER_UPDATE_FRAME))
        renderFrame(true);
}

void MpvSoftwareWidget::renderFrame(bool newFrame)
{
    if (!m_context || !m_player || m_player->mediaStatus() == MpvPlayer::NoMedia
        || m_player->mediaStatus() == MpvPlayer::InvalidMedia)
        return;
    const qreal ratio = devicePixelRatioF();
    QSize size = (QSizeF(this->size()) * ratio).toSize().expandedTo(QSize(1, 1));
    const int rotation = m_player->unappliedRotation();
    // mpv fits the stored picture into the box; for a quarter turn the box
    // is turned too, so the upright result fills the widget.
    if (rotation == 90 || rotation == 270)
        size.transpose();
    if (m_target.size() != size)
        m_target = QImage(size, QImage::Format_RGB32);
    int mpvSize[2] = {size.width(), size.height()};
    size_t stride = static_cast<size_t>(m_target.bytesPerLine());
    // QImage's RGB32 is B, G, R, X in memory on little-endian machines.
    const char *format = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "bgr0" : "0rgb";
    int block = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SW_SIZE, mpvSize},
        {MPV_RENDER_PARAM_SW_FORMAT, const_cast<char *>(format)},
        {MPV_RENDER_PARAM_SW_STRIDE, &stride},
        {MPV_RENDER_PARAM_SW_POINTER, m_target.bits()},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_render(m_context.get(), params) < 0)
        return;
    m_frame = rotation == 0 ? m_target.copy() : m_target.transformed(QTransform().rotate(rotation));
    m_frame.setDevicePixelRatio(ratio);
    update();
    if (newFrame)
        m_player->reportFrameShown();
}

void MpvSoftwareWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    renderFrame();
}

void MpvSoftwareWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!m_frame.isNull())
        painter.drawImage(QRectF(QPointF(0, 0), QSizeF(size())), m_frame);
}
