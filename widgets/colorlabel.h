#ifndef VISTALOOM_COLORLABEL_H
#define VISTALOOM_COLORLABEL_H

#include <QColor>
#include <QLabel>

// Shows a chosen colour as a swatch at its left edge.
class ColorLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ColorLabel(QWidget *parent = nullptr);

    QColor color() const;
    void setColor(const QColor &color);

public slots:
    void paintEvent(QPaintEvent *e) override;

private:
    QColor m_color;
};

#endif
