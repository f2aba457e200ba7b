#ifndef VISTALOOM_STEPDRIVER_H
#define VISTALOOM_STEPDRIVER_H

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

// Acts like a user on modal windows: every 10 ms it looks at the active
// modal widget, and when the current step's condition holds it performs the
// step's action and moves to the next step. It runs inside whatever modal
// loop is open, nested message boxes included. A step that waits longer
// than the time limit makes the driver give up: it records the failure and
// closes what it can so the test does not hang.
class StepDriver : public QObject
{
public:
    using Condition = std::function<bool(QWidget *modal)>;
    using Action = std::function<void(QWidget *modal)>;

    explicit StepDriver(int stepTimeoutMs = 60000)
        : m_stepTimeoutMs(stepTimeoutMs)
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
    }

    StepDriver &then(Condition condition, Action action)
    {
        m_steps.push_back({std::move(condition), std::move(action)});
        return *this;
    }

    void start()
    {
        m_clock.start();
        m_timer.start();
    }

    bool finished() const { return m_next == m_steps.size(); }
    bool timedOut() const { return m_timedOut; }
    int stepsDone() const { return static_cast<int>(m_next); }

    // A message box of the given title, or null.
    static QMessageBox *messageBox(QWidget *modal, const QString &title)
    {
        auto *box = qobject_cast<QMessageBox *>(modal);
        return box && box->windowTitle() == title && box->isVisible() ? box : nullptr;
    }

    static void press(QWidget *modal, QMessageBox::StandardButton which)
    {
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            if (QAbstractButton *button = box->button(which))
                button->click();
        }
    }

private:
    struct Step {
        Condition condition;
        Action action;
    };

    void poll()
    {
        if (finished()) {
            m_timer.stop();
            return;
        }
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && m_steps[m_next].condition(modal)) {
            const Action action = m_steps[m_next++].action;
            m_clock.restart();
            // Acted on from a fresh event: an action that opens a modal
            // loop (a confirmation) would otherwise block this timer, which
            // Qt does not fire again while its handler runs.
            QPointer<QWidget> target(modal);
            QTimer::singleShot(0, this, [action, target] {
                if (target)
                    action(target);
            });
            return;
        }
        if (m_clock.elapsed() > m_stepTimeoutMs) {
            m_timedOut = true;
            m_timer.stop();
            qWarning("StepDriver: step %d did not come about", static_cast<int>(m_next));
            // Close modal windows one by one so that exec() calls return.
            giveUp();
        }
    }

    void giveUp()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            press(box, QMessageBox::Yes);
        else
            modal->close();
        QTimer::singleShot(200, this, [this] { giveUp(); });
    }

    std::vector<Step> m_steps;
    size_t m_next = 0;
    QTimer m_timer;
    QElapsedTimer m_clock;
    int m_stepTimeoutMs;
    bool m_timedOut = false;
};

#endif
