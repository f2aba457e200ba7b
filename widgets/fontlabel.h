#ifndef VISTALOOM_FONTLABEL_H
#define VISTALOOM_FONTLABEL_H

#include <QFont>
#include <QLabel>

// Names the chosen font and shows it at a readable size.
class FontLabel : public QLabel
{
public:
    using QLabel::QLabel;

    // The chosen font, not the one the label is drawn in.
    QFont font() const { return m_font; }
    void setFont(QFont font);

private:
    QFont m_font;
};

#endif
