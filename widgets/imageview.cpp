#include "imageview.h"

#include <QPainter>

ImageView::ImageView(QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
{
}

void ImageView::setImage(const QImage &newImage)
{
    image = newImage;
    update();
}

void ImageView::paintEvent(QPaintEvent *)
{
    if (image.isNull())
        return;
    const QSize target = image.size().scaled(frameSize(), Qt::KeepAspectRatio);
    const QPoint topLeft((width() - target.width()) / 2, (height() - target.height()) / 2);
    QPainter painter(this);
    painter.drawImage(QRect(topLeft, target), image);
    painter.end();
}
