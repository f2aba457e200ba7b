#ifndef VISTALOOM_GOTODIALOG_H
#define VISTALOOM_GOTODIALOG_H

#include <QDialog>

#include <memory>

namespace Ui {
class GotoDialog;
}
class FrameIndex;

// Asks for a time or a frame number and finds the picture it names: the
// frame nearest a time, or the frame of that number. Input that names none
// is refused with the reason, and the dialog stays open.
class GotoDialog : public QDialog
{
    Q_OBJECT

public:
    // frames numbers the open video's pictures; durationMs is its length.
    GotoDialog(FrameIndex &frames, qint64 durationMs, QWidget *parent);
    ~GotoDialog() override;

    // Once accepted: the picture found, and its own time in seconds from
    // the start of the video. The number is -1 when the video's pictures
    // could not be read; the time is then the one typed.
    qint64 frame() const { return m_frame; }
    double seconds() const { return m_seconds; }

public slots:
    void accept() override;

private:
    // The reason the text names no picture, or an empty string once
    // frame and seconds are set.
    QString findPicture(const QString &text);

    std::unique_ptr<Ui::GotoDialog> ui;
    FrameIndex &m_frames;
    qint64 m_durationMs;
    qint64 m_frame = -1;
    double m_seconds = 0;
};

#endif
