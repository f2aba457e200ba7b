#include "smartfiledialog.h"
#include "testenvironment.h"
#include "testmain.h"

#include <QApplication>
#include <QMainWindow>
#include <QSettings>

// State and folder remembered per dialog name, in the isolated settings store.
class TestSmartFileDialog : public QObject
{
    Q_OBJECT

private:
    static QString makeFolder(const QString &name)
    {
        const QString path = TestEnvironment::root() + QLatin1Char('/') + name;
        QDir().mkpath(path);
        return QDir(path).absolutePath();
    }

private slots:
    void init() { QSettings().clear(); }

    void acceptingStoresStateAndFolder()
    {
        const QString folder = makeFolder(QStringLiteral("videos"));
        {
            SmartFileDialog dialog(nullptr, QStringLiteral("openDialog"));
            dialog.setDirectory(folder);
            static_cast<QDialog &>(dialog).done(QDialog::Accepted);
        }
        QSettings settings;
        QCOMPARE(settings.value("openDialog_dialogPath").toString(), folder);
        QVERIFY(!settings.value("openDialog_dialogState").toByteArray().isEmpty());

        // Another dialog of the same name starts there.
        SmartFileDialog next(nullptr, QStringLiteral("openDialog"));
        QCOMPARE(next.directory().absolutePath(), folder);
        QVERIFY(!QSettings().contains("batchOutputFolder_dialogPath"));
    }

    void cancellingKeepsWhatWasStored()
    {
        const QString first = makeFolder(QStringLiteral("first"));
        const QString second = makeFolder(QStringLiteral("second"));
        {
            SmartFileDialog dialog(nullptr, QStringLiteral("openDialog"));
            dialog.setDirectory(first);
            static_cast<QDialog &>(dialog).done(QDialog::Accepted);
        }
        {
            SmartFileDialog dialog(nullptr, QStringLiteral("openDialog"));
            dialog.setDirectory(second);
            static_cast<QDialog &>(dialog).done(QDialog::Rejected);
        }
        QCOMPARE(QSettings().value("openDialog_dialogPath").toString(), first);
    }

    void missingStateIsOnlyLogged()
    {
        QTest::ignoreMessage(QtDebugMsg, "Restore state failed");
        SmartFileDialog dialog(nullptr, QStringLiteral("watermarkImageDialog"));
        QVERIFY(!QSettings().contains("watermarkImageDialog_dialogPath"));
    }

    void nameFilters_data()
    {
        QTest::addColumn<bool>("video");
        QTest::addColumn<QString>("first");
        QTest::newRow("video") << true << QStringLiteral("Video Files (") + SmartFileDialog::videoPatterns() + ")";
        QTest::newRow("image") << false << QStringLiteral("Image Files (*.jpeg *.jpg *.png *.gif *.tiff *.bmp)");
    }

    void nameFilters()
    {
        QFETCH(bool, video);
        QFETCH(QString, first);
        SmartFileDialog dialog(nullptr, QStringLiteral("openDialog"));
        if (video)
            dialog.setVideoNameFilters();
        else
            dialog.setImageNameFilters();
        QCOMPARE(dialog.nameFilters(), (QStringList{first, QStringLiteral("All Files (*.*)")}));
        QVERIFY(SmartFileDialog::videoPatterns().startsWith("*.avi *.mpeg *.mp4 *.mov"));
        QVERIFY(SmartFileDialog::videoPatterns().endsWith("*.wtv *.xesc"));
    }

    void finishingGivesFocusBackToTheWindow()
    {
        QMainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        SmartFileDialog dialog(&window, QStringLiteral("openDialog"));
        dialog.show();
        static_cast<QDialog &>(dialog).done(QDialog::Rejected);
        QTRY_COMPARE(QApplication::activeWindow(), &window);
    }
};

VISTALOOM_TEST_MAIN_WITH(QApplication, TestSmartFileDialog)
#include "tst_smartfiledialog.moc"
