#include "aboutdialog.h"
#include "colorlabel.h"
#include "elidedlabel.h"
#include "fontlabel.h"
#include "linklabel.h"
#include "productlinks.h"
#include "testmain.h"

#include <QApplication>
#include <QLayout>
#include <QScreen>

// The small labels of the profile dialogs and the about box.
class TestLabels : public QObject
{
    Q_OBJECT

private slots:
    void colorLabelPaintsOnlyItsSwatch()
    {
        ColorLabel label;
        label.resize(100, 20);
        label.setText(QStringLiteral("never shown"));
        label.setColor(Qt::red);
        QCOMPARE(label.color(), QColor(Qt::red));
        QImage canvas(100, 20, QImage::Format_ARGB32);
        canvas.fill(Qt::blue);
        label.render(&canvas, QPoint(), QRegion(), QWidget::RenderFlags());
        QCOMPARE(QColor(canvas.pixel(0, 0)), QColor(Qt::red));
        QCOMPARE(QColor(canvas.pixel(39, 19)), QColor(Qt::red));
        QCOMPARE(QColor(canvas.pixel(40, 10)), QColor(Qt::blue));
        QCOMPARE(QColor(canvas.pixel(99, 10)), QColor(Qt::blue));
    }

    // What the window shows (its backing store), not a fresh rendering:
    // a new colour must reach the screen without anything else repainting.
    void colorLabelShowsANewColourAtOnce()
    {
        ColorLabel label;
        label.resize(100, 20);
        label.setColor(Qt::red);
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        const auto shown = [&label] {
            return QColor(label.screen()->grabWindow(label.winId(), 0, 0, 40, 20).toImage().pixel(20, 10));
        };
        QTRY_COMPARE(shown(), QColor(Qt::red));

        label.setColor(Qt::green);
        QTRY_COMPARE(shown(), QColor(Qt::green));
        QCOMPARE(QColor(label.grab().toImage().pixel(20, 10)), QColor(Qt::green));
    }

    void fontLabelNamesTheFont_data()
    {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<QString>("text");
        QTest::newRow("points") << QFont(QStringLiteral("Arial"), 12) << "Arial, 12pt";
        QFont pixels(QStringLiteral("Times"));
        pixels.setPixelSize(20);
        QTest::newRow("pixels") << pixels << "Times, -1pt";
    }

    void fontLabelNamesTheFont()
    {
        QFETCH(QFont, font);
        QFETCH(QString, text);
        FontLabel label;
        label.setFont(font);
        QCOMPARE(label.text(), text);
        QCOMPARE(label.font(), font);
        QCOMPARE(label.QLabel::font().pointSize(), 14);
        QCOMPARE(label.QLabel::font().family(), font.family());
    }

    void linkLabel_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("html");
        QTest::newRow("with text") << "the site" << "<a href=\"https://example.org/\">the site</a>";
        QTest::newRow("null text shows the address") << QString() << "<a href=\"https://example.org/\">https://example.org/</a>";
    }

    void linkLabel()
    {
        QFETCH(QString, text);
        QFETCH(QString, html);
        QLabel label;
        setLinkLabel(&label, QStringLiteral("https://example.org/"), text);
        QCOMPARE(label.text(), html);
        QCOMPARE(label.textFormat(), Qt::RichText);
        QVERIFY(label.openExternalLinks());
        QCOMPARE(label.focusPolicy(), Qt::NoFocus);
        QCOMPARE(label.textInteractionFlags(),
                 Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    }

    void aboutDialogShowsVersionAndLinks()
    {
        QWidget parent;
        AboutDialog about(&parent);
        QCOMPARE(about.windowTitle(), QStringLiteral("About Vistaloom"));
        QCOMPARE(about.findChild<QLabel *>("versionLabel")->text(), QStringLiteral("Version: 4.2.0"));
        QVERIFY(about.findChild<QLabel *>("websiteLabel")->text().contains(ProductLinks::website()));
        QVERIFY(about.findChild<QLabel *>("emailLabel")->text().contains("mailto:" + ProductLinks::supportEmail()));
        QVERIFY(!(about.windowFlags() & Qt::WindowContextHelpButtonHint));
        QCOMPARE(about.layout()->sizeConstraint(), QLayout::SetFixedSize);
        auto *icon = about.findChild<QWidget *>("iconImageView");
        QVERIFY(icon && icon->minimumHeight() == 200);
    }

    void productIconIsThere()
    {
        const QImage icon(QStringLiteral(":/Images/VLIcon1024.png"));
        QCOMPARE(icon.size(), QSize(1024, 1024));
        QVERIFY(!QImage(QStringLiteral(":/Images/watermarkBackground.jpg")).isNull());
    }

    // A long text is shortened in its middle to the label's width, again at
    // every width, and shown whole once it fits; the tool tip has it all.
    void elidedLabelFitsItsWidth()
    {
        const QString text = QStringLiteral("/home/someone/videos/") + QString(100, QLatin1Char('x'))
            + QStringLiteral("/holiday.mp4");
        QWidget window;
        window.resize(1200, 60);
        ElidedLabel label(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        label.setText(text);
        QVERIFY(label.sizeHint().width() < label.fontMetrics().horizontalAdvance(text) / 4);
        for (int width : {300, 150, 500}) {
            label.resize(width, label.sizeHint().height());
            QVERIFY(label.text().startsWith(QStringLiteral("/home")));
            QVERIFY(label.text().endsWith(QStringLiteral(".mp4")));
            QVERIFY(label.text().contains(QChar(0x2026)));
            QVERIFY(label.fontMetrics().horizontalAdvance(label.text()) <= width);
        }
        QCOMPARE(label.toolTip(), text);
        const int shortWidth = label.fontMetrics().horizontalAdvance(label.text());
        label.resize(label.fontMetrics().horizontalAdvance(text) + 10, label.height());
        QCOMPARE(label.text(), text);
        QVERIFY(label.fontMetrics().horizontalAdvance(label.text()) > shortWidth);
        label.setFullText(QStringLiteral("short"));
        QCOMPARE(label.text(), QStringLiteral("short"));
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestLabels)
#include "tst_labels.moc"
