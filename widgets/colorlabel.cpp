#include "colorlabel.h"

#include <QPainter>

ColorLabel::ColorLabel(QWidget *parent)
    : QLabel(parent)
{
}

QColor ColorLabel::color() const
{
    return m_color;
}

void ColorLabel::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void ColorLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, 40, height()), m_color);
}
