#ifndef VISTALOOM_PAINTCOUNTER_H
#define VISTALOOM_PAINTCOUNTER_H

#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QtTest>

// Counts the paint events a widget receives, so a test can wait until what
// it changed has been drawn instead of sleeping a guessed time.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget)
        : m_widget(widget)
    {
        widget->installEventFilter(this);
    }

    ~PaintCounter() override
    {
        if (m_widget)
            m_widget->removeEventFilter(this);
    }

    int paints() const { return m_paints; }

    // Asks for a repaint and waits until it has happened; any layout or
    // refresh posted before it has run by then.
    bool waitForRepaint(int timeoutMs = 20000)
    {
        const int before = m_paints;
        m_widget->update();
        return QTest::qWaitFor([&] { return m_paints > before; }, timeoutMs);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_widget && event->type() == QEvent::Paint)
            ++m_paints;
        return false;
    }

private:
    QPointer<QWidget> m_widget;
    int m_paints = 0;
};

#endif
