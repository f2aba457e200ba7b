#ifndef VISTALOOM_COLORLABEL_H
#define VISTALOOM_COLORLABEL_H

#include <QColor>
#include <QLabel>

// A swatch of the chosen colour, 40 pixels wide at the label's left edge.
class ColorLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

    QColor color() const { return m_color; }
    void setColor(QColor color);

public slots:
    void paintEvent(QPaintEvent *e) override;

private:
    QColor m_color;
};

#endif
