#ifndef VISTALOOM_ELIDEDLABEL_H
#define VISTALOOM_ELIDEDLABEL_H

#include <QLabel>
#include <QString>

// A one-line label that shortens its text in the middle to the width it is
// given, instead of asking its layout for the width of the whole text; the
// whole text is in the tool tip. Text set through QLabel::setText, as a
// Designer form does, is taken as the whole text once the label is laid out.
class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    void setFullText(const QString &text);
    QString fullText() const { return m_fullText; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void elide();

    QString m_fullText;
    // What elide() last put on show, to tell text set from outside.
    QString m_shown;
};

#endif
