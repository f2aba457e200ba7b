#include "testmain.h"

#include "imagetestutils.h"
#include "imagetext.h"

#include "imaging/imageprocessingmanager.h"
#include "profiles/imageprofile.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/mount.h>

using namespace ImageTestUtils;

namespace {

// Enough detail that JPEG quality makes a visible difference in size.
QImage photoLikeImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    quint32 noise = 12345;
    for (int y = 0; y < height; ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int grain = int((noise >> 16) & 0x1f);
            row[x] = qRgb((x * 255 / width + grain) & 0xff, (y * 255 / height + grain) & 0xff, (x + y + grain) & 0xff);
        }
    }
    return image;
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

qint64 savedSize(const QString &folder, const QString &name, int quality)
{
    ImageProfile image;
    image.setImageQuality(quality);
    const QString path = folder + QLatin1Char('/') + name;
    if (!ImageProcessingManager::instance()->saveImage(path, photoLikeImage(320, 240), &image))
        return -1;
    return QFileInfo(path).size();
}

// A tmpfs of bytes over a temporary folder while it lives (needs root).
struct SmallDisk
{
    explicit SmallDisk(qint64 bytes)
        : mounted(::mount("tmpfs", QFile::encodeName(folder.path()).constData(), "tmpfs", 0,
                          ("size=" + QByteArray::number(bytes)).constData()) == 0) {}
    ~SmallDisk() { if (mounted) ::umount2(QFile::encodeName(folder.path()).constData(), MNT_DETACH); }
    QTemporaryDir folder;
    const bool mounted;
};

// "key=value" per line: exiv2 prints "Xmp.dc.source   clip.mp4", exiftool "-XMP-dc:Source=clip.mp4".
QStringList readWith(const char *program, const QStringList &arguments)
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

} // namespace

class TestImageSaving : public QObject
{
    Q_OBJECT

private slots:
    void everyOutputTypeWritesAndReadsBack_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("readFormat");
        QTest::addColumn<bool>("lossless");
        QTest::newRow("jpeg") << "jpeg" << QByteArray("jpeg") << false;
        QTest::newRow("jpg") << "jpg" << QByteArray("jpeg") << false;
        QTest::newRow("JPG") << "JPG" << QByteArray("jpeg") << false;
        QTest::newRow("png") << "png" << QByteArray("png") << true;
        QTest::newRow("bmp") << "bmp" << QByteArray("bmp") << true;
        QTest::newRow("tif") << "tif" << QByteArray("tiff") << true;
        QTest::newRow("tiff") << "tiff" << QByteArray("tiff") << true;
    }

    void everyOutputTypeWritesAndReadsBack()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, readFormat);
        QFETCH(bool, lossless);

        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("frame.") + type);
        const QImage source = filled(64, 48, QColor(30, 120, 220));
        const int sourceResolution = source.dotsPerMeterX();
        ImageProfile imageProfile;

        QVERIFY(ImageProcessingManager::instance()->saveImage(path, source, &imageProfile));
        QCOMPARE(entriesOf(folder.path()), QStringList{QFileInfo(path).fileName()});

        QImageReader reader(path);
        QCOMPARE(reader.format(), readFormat);
        const QImage back = reader.read();
        QVERIFY2(!back.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(back.size(), source.size());
        QCOMPARE(back.dotsPerMeterX(), 11811);
        QCOMPARE(back.dotsPerMeterY(), 11811);
        const QRgb pixel = back.pixel(10, 10);
        if (lossless)
            QCOMPARE(pixel | 0xff000000u, source.pixel(10, 10));
        else
            QVERIFY(near(source.pixel(10, 10), 4)(pixel));
        // The caller's image keeps its own resolution.
        QCOMPARE(source.dotsPerMeterX(), sourceResolution);
    }

    void jpegQualityFollowsTheFileType()
    {
        QTemporaryDir folder;
        const qint64 low = savedSize(folder.path(), QStringLiteral("low.jpg"), 20);
        const qint64 high = savedSize(folder.path(), QStringLiteral("high.jpg"), 95);
        const qint64 capitals = savedSize(folder.path(), QStringLiteral("caps.JPG"), 20);
        const qint64 jpegWord = savedSize(folder.path(), QStringLiteral("word.jpeg"), 20);
        QVERIFY(low > 0);
        QVERIFY2(low * 2 < high, qPrintable(QStringLiteral("%1 vs %2").arg(low).arg(high)));
        QCOMPARE(capitals, low);
        QCOMPARE(jpegWord, low);
    }

    void pngIgnoresTheQuality()
    {
        QTemporaryDir folder;
        const qint64 none = savedSize(folder.path(), QStringLiteral("a.png"), 0);
        const qint64 full = savedSize(folder.path(), QStringLiteral("b.png"), 100);
        QVERIFY(none > 0);
        QCOMPARE(none, full);
        QFile a(folder.filePath(QStringLiteral("a.png")));
        QFile b(folder.filePath(QStringLiteral("b.png")));
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), b.readAll());
    }

    // The written file's suffix alone decides whether the quality applies.
    void qualityFollowsTheSuffixWritten_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("lossy");
        QTest::newRow("png") << "png" << false;
        QTest::newRow("tiff") << "tiff" << false;
        QTest::newRow("tif") << "tif" << false;
        QTest::newRow("jpg") << "jpg" << true;
        QTest::newRow("webp") << "webp" << true;
        QTest::newRow("avif") << "avif" << true;
        QTest::newRow("jxl") << "jxl" << true;
    }

    void qualityFollowsTheSuffixWritten()
    {
        QFETCH(QString, suffix);
        QFETCH(bool, lossy);
        // Every one of these is a dependency of the package.
        QVERIFY2(QImageWriter::supportedImageFormats().contains(suffix.toLatin1()), "no writer for this type");
        QTemporaryDir folder;
        const auto savedAt = [&](int quality) {
            return savedSize(folder.path(), QStringLiteral("q%1.%2").arg(quality).arg(suffix), quality);
        };
        if (lossy) {
            const qint64 low = savedAt(20);
            const qint64 high = savedAt(95);
            QVERIFY(low > 0);
            QVERIFY2(low * 3 / 2 < high, qPrintable(QStringLiteral("%1 vs %2").arg(low).arg(high)));
            return;
        }
        // Byte for byte what the writer makes with its own default settings.
        QImage reference = photoLikeImage(320, 240);
        reference.setDotsPerMeterX(11811);
        reference.setDotsPerMeterY(11811);
        QBuffer expected;
        expected.open(QIODevice::WriteOnly);
        QVERIFY(QImageWriter(&expected, suffix.toLatin1()).write(reference));
        for (const int quality : {0, 95, 100}) {
            QVERIFY(savedAt(quality) > 0);
            QFile written(folder.filePath(QStringLiteral("q%1.%2").arg(quality).arg(suffix)));
            QVERIFY(written.open(QIODevice::ReadOnly));
            QVERIFY2(written.size() == expected.data().size(),
                     qPrintable(QStringLiteral("quality %1: %2 bytes, the writer's default %3")
                                    .arg(quality).arg(written.size()).arg(expected.data().size())));
            QVERIFY(written.readAll() == expected.data());
        }
    }

    void metadataEntries_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<qint64>("timeMs");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("start") << "clip.mp4" << qint64(0) << QStringList{"Source", "clip.mp4", "Time", "00:00:00.000"};
        QTest::newRow("folder left out") << "/videos/2024/talk one.mkv" << qint64(3723004)
                                         << QStringList{"Source", "talk one.mkv", "Time", "01:02:03.004"};
        QTest::newRow("just below a second") << "a.mp4" << qint64(59999)
                                             << QStringList{"Source", "a.mp4", "Time", "00:00:59.999"};
        QTest::newRow("a hundred hours") << "long.ts" << qint64(360000000)
                                         << QStringList{"Source", "long.ts", "Time", "100:00:00.000"};
        QTest::newRow("time unknown") << "clip.mp4" << qint64(-1) << QStringList{"Source", "clip.mp4"};
        QTest::newRow("nothing known") << "" << qint64(-1) << QStringList{};
    }

    void metadataEntries()
    {
        QFETCH(QString, video);
        QFETCH(qint64, timeMs);
        QFETCH(QStringList, expected);
        QStringList flat;
        for (const auto &entry : ImageMetadata::of(video, timeMs).entries())
            flat << entry.first << entry.second;
        QCOMPARE(flat, expected);
    }

    // The text survives the pipeline, which hands out images without any,
    // and lands in the file in the form each format keeps.
    void metadataIsWrittenAsText_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("png") << "png";
        QTest::newRow("jpg") << "jpg";
        QTest::newRow("jpeg") << "jpeg";
    }

    void metadataIsWrittenAsText()
    {
        QFETCH(QString, suffix);
        QTemporaryDir folder;
        ImageProfile profile;
        profile.setImageContrast(20);
        const QImage processed = ImageProcessingManager::instance()->processImage(photoLikeImage(64, 48), &profile);
        const QString path = folder.filePath(QStringLiteral("frame.") + suffix);
        const ImageMetadata metadata = ImageMetadata::of(QStringLiteral("/home/me/Vidéos/clip été.mp4"), 62345);

        QVERIFY(ImageProcessingManager::instance()->saveImage(path, processed, &profile, metadata));

        const QMap<QString, QString> text = ImageText::read(path);
        QCOMPARE(text.value(QStringLiteral("Source")), QStringLiteral("clip été.mp4"));
        QCOMPARE(text.value(QStringLiteral("Time")), QStringLiteral("00:01:02.345"));
        if (suffix != QLatin1String("png"))
            QCOMPARE(ImageText::jpegComments(path), QStringList{"Source: clip été.mp4, Time: 00:01:02.345"});
        // The caller's image is left as it was.
        QVERIFY(processed.textKeys().isEmpty());
    }

    // What the common metadata readers (exiv2, exiftool) find in the file.
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
        const QStringList fromExiv2 = readWith(EXIV2_EXECUTABLE, {"-q", "-PXkv", path});
        const QStringList fromExiftool = readWith(EXIFTOOL_EXECUTABLE, {"-a", "-args", "-XMP-dc:all", "-XMP-vistaloom:all", path});
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

    void contrastDoesNotMakeSavedPngTranslucent()
    {
        QTemporaryDir folder;
        ImageProfile profile;
        profile.setImageContrast(-100);
        const QImage processed = ImageProcessingManager::instance()->processImage(
            filled(32, 32, QColor(255, 255, 255)), &profile);
        const QString path = folder.filePath(QStringLiteral("dark.png"));
        QVERIFY(ImageProcessingManager::instance()->saveImage(path, processed, &profile));

        const QImage back(path);
        QCOMPARE(back.pixel(5, 5), qRgba(128, 128, 128, 255));
    }

    void failedWritesLeaveNoFile_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("folder without write permission") << "read-only folder";
        QTest::newRow("name too long for the file system") << "long name";
        QTest::newRow("missing folder") << "missing folder";
        QTest::newRow("suffix no writer handles") << "unknown suffix";
        QTest::newRow("no suffix") << "no suffix";
        QTest::newRow("null image") << "null image";
    }

    void failedWritesLeaveNoFile()
    {
        QFETCH(QString, situation);
        QTemporaryDir root;
        const QString folder = root.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(folder));
        QString path = folder + QStringLiteral("/frame.png");
        QImage image = filled(64, 48, QColor(Qt::darkCyan));

        if (situation == QLatin1String("read-only folder")) {
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            QFile probe(folder + QStringLiteral("/probe"));
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                QSKIP("Running with rights that ignore folder permissions; the long-name case covers this.");
            }
        } else if (situation == QLatin1String("long name")) {
            path = folder + QLatin1Char('/') + QString(300, QLatin1Char('n')) + QStringLiteral(".png");
        } else if (situation == QLatin1String("missing folder")) {
            path = folder + QStringLiteral("/not/there/frame.png");
        } else if (situation == QLatin1String("unknown suffix")) {
            path = folder + QStringLiteral("/frame.xyz");
        } else if (situation == QLatin1String("no suffix")) {
            path = folder + QStringLiteral("/frame");
        } else if (situation == QLatin1String("null image")) {
            image = QImage();
        }

        ImageProfile imageProfile;
        const bool saved = ImageProcessingManager::instance()->saveImage(path, image, &imageProfile);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QVERIFY(!saved);
        QCOMPARE(entriesOf(folder), QStringList());
    }

    void existingTargetIsReplacedOnlyOnSuccess()
    {
        QTemporaryDir folder;
        // A name of the file system's longest, as claimed names are replaced.
        const QString good = folder.filePath(QString(251, QLatin1Char('f')) + QStringLiteral(".png"));
        const QString bad = folder.filePath(QStringLiteral("frame.xyz"));
        for (const QString &path : {good, bad}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("old contents");
        }
        ImageProfile imageProfile;
        const QImage image = filled(16, 16, QColor(Qt::red));

        QVERIFY(ImageProcessingManager::instance()->saveImage(good, image, &imageProfile));
        QCOMPARE(QImage(good).size(), QSize(16, 16));

        QVERIFY(!ImageProcessingManager::instance()->saveImage(bad, image, &imageProfile));
        QFile old(bad);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old contents"));
        QCOMPARE(entriesOf(folder.path()).size(), 2);
    }

    // The disk fills at the last buffered block: nothing is left at the
    // name, and a file being replaced stays as it was.
    void fullDiskLeavesNoImageAndKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::newRow("new name") << "kept";
        QTest::newRow("file replaced") << "frame.jpg";
    }

    void fullDiskLeavesNoImageAndKeepsTheOldFile()
    {
        QFETCH(QString, existing);
        QTemporaryDir roomy;
        // QFile writes 16 KiB blocks: room for all but the last, and a page for the existing file.
        SmallDisk disk((savedSize(roomy.path(), "frame.jpg", 90) - 1) / 16384 * 16384 + 4096);
        if (!disk.mounted)
            QSKIP("Mounting a tmpfs needs root");
        QFile old(disk.folder.filePath(existing));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old contents") == 12);
        old.close();
        ImageProfile profile;
        profile.setImageQuality(90);
        const QString path = disk.folder.filePath(QStringLiteral("frame.jpg"));
        QVERIFY(!ImageProcessingManager::instance()->saveImage(path, photoLikeImage(320, 240), &profile));
        QCOMPARE(entriesOf(disk.folder.path()), QStringList{existing});
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old contents"));
    }

    void copyToClipboardPlacesTheImage()
    {
        QImage image = filled(20, 10, QColor(Qt::blue));
        image.setPixel(3, 4, qRgb(250, 10, 10));
        ImageProcessingManager::instance()->copyToClipboard(image);
        const QImage pasted = QGuiApplication::clipboard()->image(QClipboard::Clipboard);
        QCOMPARE(pasted.size(), image.size());
        QCOMPARE(pasted.pixel(3, 4) | 0xff000000u, qRgb(250, 10, 10));
        QCOMPARE(pasted.pixel(0, 0) | 0xff000000u, qRgb(0, 0, 255));
    }
};

VISTALOOM_TEST_MAIN_GUI(TestImageSaving)
#include "tst_imagesaving.moc"
