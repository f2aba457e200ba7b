#ifndef VISTALOOM_GOTODIALOG_H
#define VISTALOOM_GOTODIALOG_H

#include <QDialog>

#include <atomic>
#include <memory>

namespace Ui {
class GotoDialog;
}
class FrameIndex;
class QThread;

// Asks for a time or a frame number and finds the picture it names: the
// frame nearest a time, or the frame of that number. Input that names none
// is refused with the reason, and the dialog stays open. Counting the
// pictures far into a long video takes a while: it runs on a thread of its
// own, with an index of the dialog's own, while the dialog stays
// responsive; Cancel stops it.
class GotoDialog : public QDialog
{
    Q_OBJECT

public:
    // durationMs is the video's length.
    GotoDialog(const QString &videoPath, qint64 durationMs, QWidget *parent);
    ~GotoDialog() override;

    // Once accepted: the picture found, and its own time in seconds from
    // the start of the video. The number is -1 when the video's pictures
    // could not be read; the time is then the one typed.
    qint64 frame() const { return m_frame; }
    double seconds() const { return m_seconds; }

    // True while the pictures are being counted.
    bool isCounting() const { return m_counting != nullptr; }

public slots:
    void accept() override;
    void reject() override;

private:
    // The reason the text names no picture, or an empty string once
    // frame and seconds are set.
    QString findPicture(const QString &text);
    void counted(const QString &error);

    std::unique_ptr<Ui::GotoDialog> ui;
    std::atomic<bool> m_abort{false};
    // Made and used on the counting thread only.
    std::unique_ptr<FrameIndex> m_frames;
    QString m_videoPath;
    QThread *m_counting = nullptr;
    qint64 m_durationMs;
    qint64 m_frame = -1;
    double m_seconds = 0;
};

#endif
