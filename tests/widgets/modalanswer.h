#ifndef VISTALOOM_MODALANSWER_H
#define VISTALOOM_MODALANSWER_H

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the next modal window that opens on top of `below` (null: any),
// from inside its own event loop, the way a user would.
class ModalAnswer : public QObject
{
public:
    using Answer = std::function<void(QWidget *)>;

    explicit ModalAnswer(Answer answer, QWidget *below = nullptr)
        : m_answer(std::move(answer)), m_below(below)
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }

    bool answered() const { return m_answered; }
    QString windowTitle() const { return m_title; }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == m_below || !modal->isVisible())
            return;
        m_timer.stop();
        m_answered = true;
        m_title = modal->windowTitle();
        m_answer(modal);
    }

    Answer m_answer;
    QPointer<QWidget> m_below;
    QTimer m_timer;
    bool m_answered = false;
    QString m_title;
};

#endif
