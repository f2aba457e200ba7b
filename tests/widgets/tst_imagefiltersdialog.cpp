#include "testmain.h"

#include "dialogtestutils.h"
#include "imagefiltersdialog.h"

#include <QApplication>
#include <QLabel>
#include <QSlider>

using namespace DialogTestUtils;

class TestImageFiltersDialog : public QObject
{
    Q_OBJECT

private slots:
    void slidersHaveTheirRanges_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<bool>("tracking");
        QTest::newRow("brightness") << QByteArray("brightnessSlider") << 199 << true;
        QTest::newRow("contrast") << QByteArray("contrastSlider") << 499 << false;
        QTest::newRow("gamma") << QByteArray("gammaSlider") << 199 << false;
        QTest::newRow("sharpen") << QByteArray("sharpenslider") << 100 << false;
        QTest::newRow("sharpen 3") << QByteArray("sharpenSlider3") << 100 << false;
    }

    void slidersHaveTheirRanges()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, maximum);
        QFETCH(bool, tracking);
        ImageFiltersDialog dialog;
        auto *slider = child<QSlider>(&dialog, name.constData());
        QCOMPARE(slider->minimum(), 0);
        QCOMPARE(slider->maximum(), maximum);
        QCOMPARE(slider->hasTracking(), tracking);
        QCOMPARE(slider->orientation(), Qt::Horizontal);
    }

    // Each slider's label, and the two pictures, stay apart however the
    // dialog is sized.
    void nothingOverlaps_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("default size") << QSize();
        QTest::newRow("smaller") << QSize(500, 380);
        QTest::newRow("larger") << QSize(900, 650);
    }

    void nothingOverlaps()
    {
        QFETCH(QSize, size);
        ImageFiltersDialog dialog;
        if (size.isValid())
            dialog.resize(size);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        if (size.isValid())
            QTRY_COMPARE(dialog.size(), size.expandedTo(dialog.minimumSizeHint()));
        auto *original = dialog.findChild<QWidget *>(QStringLiteral("imageViewOriginal"));
        auto *modified = dialog.findChild<QWidget *>(QStringLiteral("imageViewModified"));
        QVERIFY(original && modified);
        QTRY_VERIFY(!original->geometry().intersects(modified->geometry()));
        QVERIFY(original->width() > 0 && modified->width() > 0);

        const QList<QPair<const char *, const char *>> rows = {
            {"label", "brightnessSlider"}, {"label_2", "contrastSlider"}, {"label_3", "gammaSlider"},
            {"label_4", "sharpenslider"},  {"label_5", "sharpenSlider1"}, {"label_6", "sharpenSlider2"},
            {"label_7", "sharpenSlider3"}};
        for (const auto &row : rows) {
            auto *label = child<QLabel>(&dialog, row.first);
            auto *slider = child<QSlider>(&dialog, row.second);
            const QRect labelArea = label->geometry();
            QVERIFY2(!labelArea.intersects(slider->geometry()), row.first);
            // The whole text fits in the label's own area.
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= labelArea.width(), row.first);
        }
    }

    void controlsChangeNoSettings()
    {
        const QString config = TestEnvironment::configFolder();
        const QStringList before = QDir(config).entryList(QDir::Files | QDir::NoDotAndDotDot);
        ImageFiltersDialog dialog;
        dialog.show();
        for (QSlider *slider : dialog.findChildren<QSlider *>())
            slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
        button(&dialog, "pushButton")->click();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));
        QCOMPARE(QDir(config).entryList(QDir::Files | QDir::NoDotAndDotDot), before);
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestImageFiltersDialog)
#include "tst_imagefiltersdialog.moc"
