#include "imageview.h"

#include <QPainter>

ImageView::ImageView(QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
{
}

void ImageView::setImage(const QImage &image)
{
    m_image = image;
    update();
}

QRect ImageView::targetRect() const
{
    if (m_image.isNull())
        return QRect();
    const QSize target = m_image.size().scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - target.width()) / 2, (height() - target.height()) / 2), target);
}

void ImageView::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(targetRect(), m_image);
    painter.end();
}
