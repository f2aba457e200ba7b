#include "testmain.h"
#include "volumepopup.h"

#include <QApplication>
#include <QCheckBox>
#include <QSettings>
#include <QSlider>

// The volume popup and the two settings it keeps.
class TestVolumePopup : public QObject
{
    Q_OBJECT

private:
    static QSlider *slider(VolumePopup &popup) { return popup.findChild<QSlider *>("volumeSlider"); }
    static QCheckBox *mute(VolumePopup &popup) { return popup.findChild<QCheckBox *>("muteCheckBox"); }

private slots:
    void init() { QSettings().clear(); }

    void startsAtHalfVolumeUnmuted()
    {
        QWidget parent;
        VolumePopup popup(&parent);
        QCOMPARE(popup.volume(), 50);
        QCOMPARE(slider(popup)->maximum(), 100);
        QVERIFY(!mute(popup)->isChecked());
        QVERIFY(popup.windowFlags() & Qt::Popup);
        QVERIFY(popup.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(popup.frameStyle(), QFrame::WinPanel | QFrame::Raised);
        // Loading stored nothing.
        QVERIFY(!QSettings().contains("volume"));
    }

    void changesAreSentAndStored()
    {
        QWidget parent;
        VolumePopup popup(&parent);
        QSignalSpy changed(&popup, &VolumePopup::volumeChanged);
        slider(popup)->setValue(70);
        mute(popup)->click();
        mute(popup)->click();
        QCOMPARE(changed.count(), 3);
        QCOMPARE(changed.at(0).first().toInt(), 70);
        QCOMPARE(changed.at(1).first().toInt(), 0);
        QCOMPARE(changed.at(2).first().toInt(), 70);
        mute(popup)->click();
        QCOMPARE(popup.volume(), 0);

        // A programmatic change of the box is not a user's mute.
        changed.clear();
        mute(popup)->setChecked(false);
        QCOMPARE(changed.count(), 0);

        QSettings settings;
        QCOMPARE(settings.value("volume").toInt(), 70);
        QCOMPARE(settings.value("muted").toBool(), true);
    }

    void restoresWhatWasStored_data()
    {
        QTest::addColumn<int>("volume");
        QTest::addColumn<bool>("muted");
        QTest::addColumn<int>("expected");
        QTest::newRow("loud") << 90 << false << 90;
        QTest::newRow("muted") << 90 << true << 0;
        QTest::newRow("silent") << 0 << false << 0;
    }

    void restoresWhatWasStored()
    {
        QFETCH(int, volume);
        QFETCH(bool, muted);
        QFETCH(int, expected);
        {
            QSettings settings;
            settings.setValue("volume", volume);
            settings.setValue("muted", muted);
        }
        QWidget parent;
        VolumePopup popup(&parent);
        QCOMPARE(popup.volume(), expected);
        QCOMPARE(slider(popup)->value(), volume);
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestVolumePopup)
#include "tst_volumepopup.moc"
