#include "fontlabel.h"

FontLabel::FontLabel(QWidget *parent)
    : QLabel(parent)
{
}

QFont FontLabel::font() const
{
    return m_font;
}

void FontLabel::setFont(const QFont &font)
{
    m_font = font;
    QFont displayFont(font);
    displayFont.setPointSize(14);
    QLabel::setFont(displayFont);
    setText(font.family() + QStringLiteral(", ") + QString::number(font.pointSize()) + QStringLiteral("pt"));
}
