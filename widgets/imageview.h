#ifndef VISTALOOM_IMAGEVIEW_H
#define VISTALOOM_IMAGEVIEW_H

#include <QImage>
#include <QWidget>

// Shows one image scaled to fit, aspect ratio kept, centred.
class ImageView : public QWidget
{
public:
    explicit ImageView(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    void setImage(const QImage &image);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage image;
};

#endif
