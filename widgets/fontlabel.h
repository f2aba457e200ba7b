#ifndef VISTALOOM_FONTLABEL_H
#define VISTALOOM_FONTLABEL_H

#include <QFont>
#include <QLabel>

// Names a chosen font and shows it at a readable size. font() and setFont()
// deliberately hide QWidget's: they are the chosen font, not the display font.
class FontLabel : public QLabel
{
public:
    explicit FontLabel(QWidget *parent = nullptr);

    QFont font() const;
    void setFont(const QFont &font);

private:
    QFont m_font;
};

#endif
