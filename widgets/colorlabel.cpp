#include "colorlabel.h"

#include <QPainter>

void ColorLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, 40, height()), m_color);
}
