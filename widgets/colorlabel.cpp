#include "colorlabel.h"

#include <QPainter>

void ColorLabel::setColor(QColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    // Nothing else about the label changes, so nothing else would repaint it.
    update();
}

void ColorLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, 40, height()), m_color);
}
