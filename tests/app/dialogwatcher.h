#ifndef VISTALOOM_DIALOGWATCHER_H
#define VISTALOOM_DIALOGWATCHER_H

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

// Closes the modal dialogs the code under test opens, and remembers what
// they showed, so a test can run code that calls exec().
class DialogWatcher : public QObject
{
public:
    explicit DialogWatcher(QObject *parent = nullptr)
        : QObject(parent)
    {
        connect(&m_timer, &QTimer::timeout, this, &DialogWatcher::check);
        m_timer.start(20);
    }

    QStringList titles;
    QStringList texts;
    QStringList classNames;

private:
    void check()
    {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        titles << dialog->windowTitle();
        classNames << QString::fromLatin1(dialog->metaObject()->className());
        auto *box = qobject_cast<QMessageBox *>(dialog);
        texts << (box ? box->text() : QString());
        dialog->reject();
    }

    QTimer m_timer;
};

#endif
