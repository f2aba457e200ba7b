#include "testmain.h"

#include "imagetext.h"

#include "imaging/imageprocessingmanager.h"
#include "profiles/imageprofile.h"

#include <QProcess>
#include <QTemporaryDir>

// What a saved image says about its frame, as the common metadata readers
// (exiv2, exiftool) find it in the file.
class TestImageMetadata : public QObject
{
    Q_OBJECT

    // "key=value" per line: exiv2 prints "Xmp.dc.source   clip.mp4", exiftool "-XMP-dc:Source=clip.mp4".
    static QStringList read(const char *program, const QStringList &arguments)
    {
        QProcess process;
        process.start(QString::fromLocal8Bit(program), arguments);
        process.waitForFinished(60000);
        QStringList lines;
        for (QString line : QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
            const int gap = line.indexOf(QLatin1Char(' '));
            lines << (line.startsWith('-') ? line.mid(1) : line.left(gap) + '=' + line.mid(gap).trimmed());
        }
        return lines;
    }

private slots:
    void readersFindSourceTimeAndFrame_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("withoutXmp");
        QTest::addColumn<int>("alpha");
        for (const char *suffix : {"jpeg", "png", "webp", "tiff", "avif", "jxl", "bmp"})
            QTest::newRow(suffix) << suffix << QByteArray("avif jxl bmp").contains(suffix) << 255;
        QTest::newRow("jxl, translucent") << "jxl" << true << 128;
    }

    void readersFindSourceTimeAndFrame()
    {
        QFETCH(QString, suffix);
        QFETCH(bool, withoutXmp);
        QFETCH(int, alpha);
        const bool tools = QFileInfo(EXIV2_EXECUTABLE).isExecutable() && QFileInfo(EXIFTOOL_EXECUTABLE).isExecutable();
        if (!tools && qEnvironmentVariableIsEmpty("CI"))
            QSKIP("exiftool (libimage-exiftool-perl) and exiv2 read the files back");
        if (!ImageProcessingManager::outputTypes().contains(suffix))
            QSKIP("no writer for this type here");
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("frame.") + suffix);
        ImageMetadata metadata = ImageMetadata::of(QStringLiteral("/videos/clip été.mp4"), 83456);
        metadata.frame = 2001;
        QImage picture(64, 48, QImage::Format_ARGB32);
        picture.fill(QColor(40, 90, 200, alpha));
        QVERIFY(ImageProcessingManager::instance()->saveImage(path, picture, nullptr, metadata));

        const QImage back(path);
        QCOMPARE(back.size(), picture.size());
        if (suffix == QLatin1String("jxl"))
            QCOMPARE(back.hasAlphaChannel(), alpha < 255);
        const QStringList fromExiv2 = read(EXIV2_EXECUTABLE, {"-q", "-PXkv", path});
        const QStringList fromExiftool = read(EXIFTOOL_EXECUTABLE, {"-a", "-args", "-XMP-dc:all", "-XMP-vistaloom:all", path});
        if (withoutXmp) {
            QCOMPARE(fromExiv2 + fromExiftool, QStringList());
            return;
        }
        QCOMPARE(fromExiv2, (QStringList{"Xmp.dc.source=clip été.mp4", "Xmp.vistaloom.time=00:01:23.456",
                                         "Xmp.vistaloom.timeMs=83456", "Xmp.vistaloom.frame=2001"}));
        QCOMPARE(fromExiftool, (QStringList{"Source=clip été.mp4", "Time=00:01:23.456", "TimeMs=83456", "Frame=2001"}));
        if (suffix == QLatin1String("jpeg"))
            QCOMPARE(ImageText::jpegComments(path), QStringList{"Source: clip été.mp4, Time: 00:01:23.456, Frame: 2001"});
    }
};

VISTALOOM_TEST_MAIN_GUI(TestImageMetadata)
#include "tst_imagemetadata.moc"
