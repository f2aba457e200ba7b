#include "fontlabel.h"

void FontLabel::setFont(QFont font)
{
    m_font = font;
    QFont shown = font;
    shown.setPointSize(14);
    QLabel::setFont(shown);
    setText(font.family() + QStringLiteral(", ") + QString::number(font.pointSize()) + QStringLiteral("pt"));
}
