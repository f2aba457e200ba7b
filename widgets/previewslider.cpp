#include "previewslider.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTime>
#include <QVBoxLayout>

namespace {

// Drawn over the groove, so it must stand out against both of its halves.
const QColor markColour(0xe0, 0x60, 0x00);
// Between the box and the slider's top edge.
constexpr int boxGap = 4;

} // namespace

PreviewSlider::PreviewSlider(QWidget *parent)
    : QSlider(parent)
{
    setMouseTracking(true);
    m_box = new QFrame(this, Qt::ToolTip | Qt::FramelessWindowHint);
    m_box->setObjectName(QStringLiteral("previewBox"));
    m_box->setAttribute(Qt::WA_ShowWithoutActivating);
    m_box->setStyleSheet(QStringLiteral("#previewBox { background: #202020; border: 1px solid #808080; }"
                                        "QLabel { color: white; background: transparent; }"));
    auto *layout = new QVBoxLayout(m_box);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(1);
    m_picture = new QLabel(m_box);
    m_picture->setAlignment(Qt::AlignCenter);
    m_time = new QLabel(m_box);
    m_time->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_picture);
    layout->addWidget(m_time);
}

PreviewSlider::~PreviewSlider() = default;

void PreviewSlider::setStepMilliseconds(int ms)
{
    if (ms < 1 || ms == m_stepMs)
        return;
    m_stepMs = ms;
    update();
}

void PreviewSlider::setMarks(const QVector<qint64> &marks)
{
    m_marks = marks;
    update();
}

QWidget *PreviewSlider::previewBox() const
{
    return m_box;
}

PreviewSlider::Track PreviewSlider::track() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    Track track;
    track.handleLength = handle.width();
    track.start = groove.x();
    track.span = groove.right() - handle.width() + 1 - groove.x();
    return track;
}

qint64 PreviewSlider::millisecondsAt(int x) const
{
    // As QSlider places the handle's middle under a press that jumps.
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const Track t = track();
    const int value = QStyle::sliderValueFromPosition(minimum(), maximum(), x - (handle.center().x() - handle.left())
                                                                                 - t.start,
                                                      t.span, option.upsideDown);
    return qint64(value) * m_stepMs;
}

int PreviewSlider::xOfMilliseconds(qint64 ms) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const Track t = track();
    const int value = int(qBound<qint64>(minimum(), ms / m_stepMs, maximum()));
    return t.start + t.handleLength / 2
        + QStyle::sliderPositionFromValue(minimum(), maximum(), value, t.span, option.upsideDown);
}

void PreviewSlider::mouseMoveEvent(QMouseEvent *event)
{
    QSlider::mouseMoveEvent(event);
    if (!isEnabled() || maximum() <= minimum())
        return;
    m_hoverX = event->pos().x();
    const qint64 ms = millisecondsAt(m_hoverX);
    if (ms == m_hoverMs) {
        placePreviewBox();
        return;
    }
    m_hoverMs = ms;
    placePreviewBox();
    emit previewWanted(ms);
}

void PreviewSlider::showPreview(qint64 requestedMs, qint64 frameMs, const QImage &picture)
{
    if (requestedMs != m_hoverMs || picture.isNull())
        return;
    m_previewMs = frameMs;
    m_previewImage = picture;
    m_picture->setPixmap(QPixmap::fromImage(picture));
    m_time->setText(QTime(0, 0).addMSecs(int(frameMs)).toString(QStringLiteral("hh:mm:ss.zzz")));
    m_box->adjustSize();
    placePreviewBox();
    m_box->show();
}

void PreviewSlider::hidePreview()
{
    const bool wanted = m_hoverMs >= 0;
    m_box->hide();
    m_hoverX = -1;
    m_hoverMs = -1;
    m_previewMs = -1;
    m_previewImage = QImage();
    if (wanted)
        emit previewDropped();
}

void PreviewSlider::placePreviewBox()
{
    if (m_hoverX < 0)
        return;
    // Centred over the pointer, kept on the slider's screen.
    const QPoint top = mapToGlobal(QPoint(m_hoverX, 0));
    QPoint place(top.x() - m_box->width() / 2, top.y() - m_box->height() - boxGap);
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        place.setX(qBound(area.left(), place.x(), qMax(area.left(), area.right() - m_box->width() + 1)));
        place.setY(qMax(area.top(), place.y()));
    }
    m_box->move(place);
}

void PreviewSlider::leaveEvent(QEvent *event)
{
    QSlider::leaveEvent(event);
    hidePreview();
}

void PreviewSlider::hideEvent(QHideEvent *event)
{
    QSlider::hideEvent(event);
    hidePreview();
}

void PreviewSlider::changeEvent(QEvent *event)
{
    QSlider::changeEvent(event);
    // A disabled slider has no video behind it.
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        hidePreview();
}

void PreviewSlider::paintEvent(QPaintEvent *event)
{
    QSlider::paintEvent(event);
    if (m_marks.isEmpty() || maximum() <= minimum())
        return;
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isEnabled() ? markColour : palette().color(QPalette::Disabled, QPalette::WindowText));
    const int top = qMax(0, groove.top() - 3);
    const int bottom = qMin(height() - 1, groove.bottom() + 3);
    for (qint64 mark : m_marks)
        painter.drawRect(xOfMilliseconds(mark) - 1, top, 2, bottom - top + 1);
}
