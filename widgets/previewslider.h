#ifndef VISTALOOM_PREVIEWSLIDER_H
#define VISTALOOM_PREVIEWSLIDER_H

#include <QImage>
#include <QSlider>
#include <QVector>

class QFrame;
class QLabel;

// The position slider of the player. Hovering over it asks for a picture
// of the time under the pointer (previewWanted) and shows the answer in a
// small box above that point; marks (the cuts between shots) are drawn as
// ticks. Pressing, dragging and keys behave as in any QSlider.
//
// The slider knows times only through the milliseconds one of its steps
// stands for, which its owner keeps up to date.
class PreviewSlider : public QSlider
{
    Q_OBJECT

public:
    explicit PreviewSlider(QWidget *parent = nullptr);
    ~PreviewSlider() override;

    void setStepMilliseconds(int ms);
    int stepMilliseconds() const { return m_stepMs; }

    // Times in milliseconds, drawn as ticks; ascending.
    void setMarks(const QVector<qint64> &marks);
    QVector<qint64> marks() const { return m_marks; }

    // The time a press at x (in the slider's coordinates) seeks to: the
    // same pixel-to-value rule QSlider uses for a click that jumps there.
    qint64 millisecondsAt(int x) const;

    // The picture shown for the hover (null while none), and its frame's time.
    QImage previewImage() const { return m_previewImage; }
    qint64 previewMilliseconds() const { return m_previewMs; }
    // The box that shows it, a tool tip window of its own.
    QWidget *previewBox() const;

public slots:
    // An answer to previewWanted(requestedMs). Ignored unless it is for
    // the time still hovered: an older answer never covers a newer hover.
    void showPreview(qint64 requestedMs, qint64 frameMs, const QImage &picture);
    void hidePreview();

signals:
    // The pointer rests over ms; each new time replaces the one before.
    void previewWanted(qint64 ms);
    // The pointer left: no picture is wanted any more.
    void previewDropped();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Track {
        int start = 0;
        int span = 0;
        int handleLength = 0;
    };
    Track track() const;
    int xOfMilliseconds(qint64 ms) const;
    void placePreviewBox();

    int m_stepMs = 1000;
    QVector<qint64> m_marks;
    int m_hoverX = -1;
    qint64 m_hoverMs = -1;
    qint64 m_previewMs = -1;
    QImage m_previewImage;
    // Owned by the slider, but a window of its own so it can rise above it.
    QFrame *m_box = nullptr;
    QLabel *m_picture = nullptr;
    QLabel *m_time = nullptr;
};

#endif
