#include "testmain.h"

#include "imagetext.h"

#include "imaging/imageprocessingmanager.h"
#include "profiles/imageprofile.h"

#include <QProcess>
#include <QTemporaryDir>

// What a saved image says about its frame, as the common metadata readers
// (exiv2, exiftool) see it in the file.
class TestImageMetadata : public QObject
{
    Q_OBJECT

    // "key=value" per line of what program prints about path: exiv2's
    // "Xmp.dc.source   clip.mp4", exiftool's "-XMP-dc:Source=clip.mp4".
    static QStringList read(const char *program, const QStringList &arguments, const QString &path)
    {
        QProcess process;
        process.start(QString::fromLocal8Bit(program), QStringList(arguments) << path);
        process.waitForFinished(60000);
        QStringList lines;
        for (QString line : QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const int gap = line.indexOf(QLatin1Char(' '));
            lines << (line.startsWith(QLatin1Char('-')) ? line.mid(1) : line.left(gap) + '=' + line.mid(gap).trimmed());
        }
        return lines;
    }

private slots:
    void readersFindSourceTimeAndFrame_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("xmp");
        QTest::addColumn<bool>("translucent");
        for (const char *suffix : {"jpeg", "png", "webp", "tiff"})
            QTest::newRow(suffix) << suffix << true << false;
        for (const char *suffix : {"avif", "jxl", "bmp"})
            QTest::newRow(suffix) << suffix << false << false;
        QTest::newRow("jxl, translucent") << "jxl" << false << true;
    }

    void readersFindSourceTimeAndFrame()
    {
        QFETCH(QString, suffix);
        QFETCH(bool, xmp);
        QFETCH(bool, translucent);
        for (const char *tool : {EXIV2_EXECUTABLE, EXIFTOOL_EXECUTABLE}) {
            if (!QFileInfo(QString::fromLocal8Bit(tool)).isExecutable() && qEnvironmentVariableIsEmpty("CI"))
                QSKIP("exiv2 and exiftool (libimage-exiftool-perl) read the files back");
        }
        if (!ImageProcessingManager::outputTypes().contains(suffix))
            QSKIP("no writer for this type here");
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("frame.") + suffix);
        ImageMetadata metadata = ImageMetadata::of(QStringLiteral("/videos/clip été.mp4"), 83456);
        metadata.frame = 2001;
        QImage picture(64, 48, QImage::Format_ARGB32);
        picture.fill(QColor(40, 90, 200, translucent ? 128 : 255));
        ImageProfile profile;
        QVERIFY(ImageProcessingManager::instance()->saveImage(path, picture, &profile, metadata));

        const QImage back(path);
        QCOMPARE(back.size(), picture.size());
        if (suffix == QLatin1String("jxl"))
            QCOMPARE(back.hasAlphaChannel(), translucent);
        const QStringList fromExiv2 = read(EXIV2_EXECUTABLE, {"-q", "-PXkv"}, path);
        const QStringList fromExiftool = read(EXIFTOOL_EXECUTABLE, {"-a", "-G1", "-args", "-XMP:all"}, path);
        if (!xmp) {
            QCOMPARE(fromExiv2 + fromExiftool, QStringList());
            return;
        }
        QCOMPARE(fromExiv2, (QStringList{"Xmp.dc.source=clip été.mp4", "Xmp.vistaloom.time=00:01:23.456",
                                         "Xmp.vistaloom.timeMs=83456", "Xmp.vistaloom.frame=2001"}));
        QCOMPARE(fromExiftool.mid(1), (QStringList{"XMP-dc:Source=clip été.mp4", "XMP-vistaloom:Time=00:01:23.456",
                                                   "XMP-vistaloom:TimeMs=83456", "XMP-vistaloom:Frame=2001"}));
        if (suffix == QLatin1String("jpeg"))
            QCOMPARE(ImageText::jpegComments(path), QStringList{"Source: clip été.mp4, Time: 00:01:23.456, Frame: 2001"});
    }
};

VISTALOOM_TEST_MAIN_GUI(TestImageMetadata)
#include "tst_imagemetadata.moc"
