#include "testmain.h"

#include "imaging/imageprocessingmanager.h"
#include "profiles/imageprofile.h"

#include <QFile>
#include <QImageWriter>
#include <QSaveFile>
#include <QTemporaryDir>

// Saving an image loads only the plugin that writes its type, and writes
// the same bytes QImageWriter (which loads every plugin) would.
class TestImageWriterPlugin : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    static QImage picture()
    {
        QImage image(96, 64, QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(x * 2, y * 3, (x * y) & 0xff));
        }
        return image;
    }

    static QStringList loadedImagePlugins()
    {
        QFile maps(QStringLiteral("/proc/self/maps"));
        if (!maps.open(QIODevice::ReadOnly))
            return {};
        QStringList names;
        for (const QByteArray &line : maps.readAll().split('\n')) {
            const int at = line.indexOf("/imageformats/");
            if (at < 0)
                continue;
            const QString name = QString::fromLatin1(line.mid(at + 14));
            if (!names.contains(name))
                names.append(name);
        }
        return names;
    }

    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    // First: the process has loaded no image plugin yet.
    void jpegLoadsOneImagePlugin()
    {
        QVERIFY(m_folder.isValid());
        QVERIFY(loadedImagePlugins().isEmpty());
        ImageProfile profile;
        profile.setImageQuality(90);
        const QString path = m_folder.filePath(QStringLiteral("first.jpg"));
        QVERIFY(ImageProcessingManager::instance()->saveImage(path, picture(), &profile));
        QCOMPARE(QImage(path).size(), QSize(96, 64));
        const QStringList loaded = loadedImagePlugins();
        QCOMPARE(loaded.size(), 1);
        QVERIFY2(loaded.first().contains(QLatin1String("jpeg")), qPrintable(loaded.first()));
    }

    void sameBytesAsQImageWriter_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<int>("quality");
        QTest::newRow("jpg") << QStringLiteral("jpg") << 90;
        QTest::newRow("jpeg, low quality") << QStringLiteral("jpeg") << 20;
        QTest::newRow("webp") << QStringLiteral("webp") << 50;
        QTest::newRow("tiff") << QStringLiteral("tiff") << -1;
        QTest::newRow("png, built in") << QStringLiteral("png") << -1;
        QTest::newRow("avif") << QStringLiteral("avif") << 60;
        QTest::newRow("jxl") << QStringLiteral("jxl") << 50;
    }
    void sameBytesAsQImageWriter()
    {
        QFETCH(QString, suffix);
        QFETCH(int, quality);
        ImageProfile profile;
        profile.setImageQuality(quality < 0 ? 75 : quality);
        const QString ours = m_folder.filePath(QStringLiteral("ours.") + suffix);
        QVERIFY(ImageProcessingManager::instance()->saveImage(ours, picture(), &profile));

        // What the save did before: the same image and resolution through
        // QImageWriter; an opaque picture goes to the JPEG XL writer without
        // alpha.
        QImage image = picture();
        if (suffix == QLatin1String("jxl"))
            image = image.convertToFormat(QImage::Format_RGB32);
        image.setDotsPerMeterX(11811);
        image.setDotsPerMeterY(11811);
        const QString theirs = m_folder.filePath(QStringLiteral("theirs.") + suffix);
        QSaveFile file(theirs);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QImageWriter writer(&file, suffix.toLatin1());
        writer.setQuality(quality);
        QVERIFY(writer.write(image));
        QVERIFY(file.commit());

        const QByteArray written = contents(ours);
        QVERIFY(!written.isEmpty());
        QVERIFY(written == contents(theirs));
    }
};

VISTALOOM_TEST_MAIN_GUI(TestImageWriterPlugin)
#include "tst_imagewriterplugin.moc"
