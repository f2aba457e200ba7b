#ifndef VISTALOOM_IMAGEVIEW_H
#define VISTALOOM_IMAGEVIEW_H

#include <QImage>
#include <QWidget>

// Shows one image as large as fits, aspect ratio kept, centred; the rest
// is the widget's own background.
class ImageView : public QWidget
{
public:
    explicit ImageView(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    void setImage(const QImage &image);
    QImage image() const { return m_image; }
    // Where paintEvent puts the image.
    QRect targetRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};

#endif
