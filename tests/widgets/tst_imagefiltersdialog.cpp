#include "testmain.h"

#include "dialogtestutils.h"
#include "imagefiltersdialog.h"

#include <QApplication>
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
