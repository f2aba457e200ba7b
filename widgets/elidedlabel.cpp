#include "elidedlabel.h"

#include <QEvent>
#include <QFontMetrics>

ElidedLabel::ElidedLabel(QWidget *parent)
    : QLabel(parent)
{
    setWordWrap(false);
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setFullText(const QString &text)
{
    m_fullText = text;
    setToolTip(text);
    m_shown = QLabel::text();
    elide();
}

QSize ElidedLabel::sizeHint() const
{
    // The hint must not grow with the text, or a long path widens the window.
    return QSize(minimumSizeHint().width(), QLabel::sizeHint().height());
}

QSize ElidedLabel::minimumSizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(QStringLiteral("M")) * 4, QLabel::minimumSizeHint().height());
}

void ElidedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        elide();
}

void ElidedLabel::elide()
{
    if (text() != m_shown) {
        m_fullText = text();
        setToolTip(m_fullText);
    }
    // Before a layout has given the label its width there is nothing to fit
    // the text to, so it stays whole.
    const int room = contentsRect().width() - 2 * margin();
    m_shown = testAttribute(Qt::WA_Resized)
        ? fontMetrics().elidedText(m_fullText, Qt::ElideMiddle, qMax(0, room))
        : m_fullText;
    if (m_shown != text())
        QLabel::setText(m_shown);
}
