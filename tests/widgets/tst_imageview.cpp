#include "imageview.h"
#include "testmain.h"

#include <QApplication>

// Aspect-keeping placement, checked on what the widget paints.
class TestImageView : public QObject
{
    Q_OBJECT

private slots:
    void placesTheImageCentredAndAsLargeAsFits_data()
    {
        QTest::addColumn<QSize>("view");
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("wide image in a wide view") << QSize(400, 100) << QSize(1920, 1080) << QRect(111, 0, 177, 100);
        QTest::newRow("small image is scaled up") << QSize(300, 300) << QSize(30, 10) << QRect(0, 100, 300, 100);
        QTest::newRow("tall image") << QSize(200, 100) << QSize(50, 100) << QRect(75, 0, 50, 100);
        QTest::newRow("exact fit") << QSize(160, 90) << QSize(1600, 900) << QRect(0, 0, 160, 90);
    }

    void placesTheImageCentredAndAsLargeAsFits()
    {
        QFETCH(QSize, view);
        QFETCH(QSize, image);
        QFETCH(QRect, expected);
        ImageView widget;
        widget.resize(view);
        QImage red(image, QImage::Format_ARGB32);
        red.fill(Qt::red);
        widget.setImage(red);
        QCOMPARE(widget.targetRect(), expected);

        // What is painted: red inside the target, untouched outside.
        QImage canvas(view, QImage::Format_ARGB32);
        canvas.fill(Qt::blue);
        widget.render(&canvas, QPoint(), QRegion(), QWidget::RenderFlags());
        QCOMPARE(QColor(canvas.pixel(expected.center())), QColor(Qt::red));
        QCOMPARE(QColor(canvas.pixel(expected.topLeft())), QColor(Qt::red));
        QCOMPARE(QColor(canvas.pixel(expected.bottomRight())), QColor(Qt::red));
        if (expected.left() > 0)
            QCOMPARE(QColor(canvas.pixel(expected.left() - 1, expected.center().y())), QColor(Qt::blue));
        if (expected.top() > 0)
            QCOMPARE(QColor(canvas.pixel(expected.center().x(), expected.top() - 1)), QColor(Qt::blue));
    }

    void nullImagePaintsNothing()
    {
        ImageView widget;
        widget.resize(50, 50);
        QImage red(10, 10, QImage::Format_ARGB32);
        red.fill(Qt::red);
        widget.setImage(red);
        widget.setImage(QImage());
        QImage canvas(50, 50, QImage::Format_ARGB32);
        canvas.fill(Qt::blue);
        widget.render(&canvas, QPoint(), QRegion(), QWidget::RenderFlags());
        QCOMPARE(QColor(canvas.pixel(25, 25)), QColor(Qt::blue));
        QVERIFY(widget.targetRect().isNull());
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestImageView)
#include "tst_imageview.moc"
