#include "testmain.h"

#include "imagetestutils.h"

#include "imaging/imageprocessingmanager.h"
#include "imaging/watermarkmanager.h"
#include "profiles/imageprofile.h"
#include "profiles/watermarkprofile.h"

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>

#include <limits>

#include <sys/stat.h>

using namespace ImageTestUtils;

namespace {

const QRgb Black = qRgb(0, 0, 0);
const QRgb Green = qRgb(0, 255, 0);
const QRgb Red = qRgb(255, 0, 0);
const QRgb Blue = qRgb(0, 0, 255);
const QRgb Transparent = qRgba(0, 0, 0, 0);

// Writes a picture into the watermark folder under a name used by this
// test alone (the picture cache goes by name).
QString storePicture(const QString &name, const QImage &picture)
{
    const bool written = picture.save(WatermarkProfile::watermarkFilePath(name));
    return written ? name : QString();
}

QFont testFont(int pointSize)
{
    return QFont(QStringLiteral("DejaVu Sans"), pointSize);
}

void setUpText(WatermarkProfile &profile, const QString &text, QRgb colour, QRgb shadow, int pointSize = 28)
{
    profile.setWatermarkType(0);
    profile.setText(text);
    profile.setTextFont(testFont(pointSize));
    profile.setTextColor(QColor::fromRgba(colour));
    profile.setTextShadowColor(QColor::fromRgba(shadow));
}

// The bands of rows holding ink, top to bottom.
QVector<QPair<int, int>> inkRowBands(const QImage &image, QRgb background)
{
    QVector<QPair<int, int>> bands;
    int start = -1;
    for (int y = 0; y <= image.height(); ++y) {
        const bool ink = y < image.height()
            && countOf(image.copy(0, y, image.width(), 1), notColour(background)) > 0;
        if (ink && start < 0)
            start = y;
        if (!ink && start >= 0) {
            bands.append(qMakePair(start, y - 1));
            start = -1;
        }
    }
    return bands;
}

} // namespace

class TestWatermarkManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QFontInfo(testFont(12)).family().contains(QStringLiteral("DejaVu")),
                 "the DejaVu fonts are needed (fonts-dejavu-core)");
    }

    void pictureLandsWhereAligned_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QSize>("pictureSize");
        QTest::addColumn<int>("xMargin");
        QTest::addColumn<int>("yMargin");
        QTest::addColumn<QPoint>("expected");

        const QSize picture(200, 100);
        QTest::newRow("bottom right") << 8 << picture << 15 << 15 << QPoint(1705, 965);
        QTest::newRow("center") << 4 << picture << 15 << 15 << QPoint(860, 490);
        QTest::newRow("center ignores margins") << 4 << picture << 100 << 70 << QPoint(860, 490);
        QTest::newRow("top left") << 0 << picture << 15 << 15 << QPoint(15, 15);
        QTest::newRow("top") << 1 << picture << 15 << 25 << QPoint(860, 25);
        QTest::newRow("top right") << 2 << picture << 40 << 15 << QPoint(1680, 15);
        QTest::newRow("left") << 3 << picture << 15 << 15 << QPoint(15, 490);
        QTest::newRow("right") << 5 << picture << 15 << 15 << QPoint(1705, 490);
        QTest::newRow("bottom left") << 6 << picture << 15 << 15 << QPoint(15, 965);
        QTest::newRow("bottom") << 7 << picture << 15 << 15 << QPoint(860, 965);
        QTest::newRow("index 9 is bottom right") << 9 << picture << 15 << 15 << QPoint(1705, 965);
        QTest::newRow("index -1 is bottom right") << -1 << picture << 15 << 15 << QPoint(1705, 965);
        QTest::newRow("odd sizes centre down") << 4 << QSize(201, 101) << 0 << 0 << QPoint(859, 489);
        QTest::newRow("zero margins") << 8 << picture << 0 << 0 << QPoint(1720, 980);
    }

    void pictureLandsWhereAligned()
    {
        QFETCH(int, alignment);
        QFETCH(QSize, pictureSize);
        QFETCH(int, xMargin);
        QFETCH(int, yMargin);
        QFETCH(QPoint, expected);

        WatermarkProfile profile;
        profile.setWatermarkType(1);
        profile.setImageFile(storePicture(QStringLiteral("place-%1x%2.png").arg(pictureSize.width()).arg(pictureSize.height()),
                                          filled(pictureSize.width(), pictureSize.height(), QColor(Green))));
        profile.setAlignmentIndex(alignment);
        profile.setXMargin(xMargin);
        profile.setYMargin(yMargin);

        const QImage result = WatermarkManager::instance()->applyWatermark(filled(1920, 1080, Qt::black), &profile);
        QCOMPARE(result.size(), QSize(1920, 1080));
        QCOMPARE(boundsOf(result, exactly(Green)), QRect(expected, pictureSize));
        QCOMPARE(countOf(result, exactly(Green)), pictureSize.width() * pictureSize.height());
    }

    void largerPictureIsClippedOnBothSides_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QPoint>("origin");
        QTest::newRow("center") << 4 << QPoint(-50, -50);
        QTest::newRow("bottom right") << 8 << QPoint(-115, -115);
        QTest::newRow("top left") << 0 << QPoint(15, 15);
    }

    void largerPictureIsClippedOnBothSides()
    {
        QFETCH(int, alignment);
        QFETCH(QPoint, origin);

        // Each pixel of the picture tells where in the picture it lies.
        QImage picture(300, 300, QImage::Format_ARGB32);
        for (int y = 0; y < 300; ++y) {
            for (int x = 0; x < 300; ++x)
                picture.setPixel(x, y, qRgb(x & 0xff, y & 0xff, ((x >> 8) << 4) | (y >> 8)));
        }
        WatermarkProfile profile;
        profile.setWatermarkType(1);
        profile.setImageFile(storePicture(QStringLiteral("coded300.png"), picture));
        profile.setAlignmentIndex(alignment);

        const QImage result = WatermarkManager::instance()->applyWatermark(filled(200, 200, Qt::black), &profile);
        const auto pictureCoordinates = [&result](int x, int y) {
            const QRgb pixel = result.pixel(x, y);
            return QPoint(qRed(pixel) | ((qBlue(pixel) >> 4) << 8), qGreen(pixel) | ((qBlue(pixel) & 0xf) << 8));
        };
        const QPoint first(qMax(0, origin.x()), qMax(0, origin.y()));
        QCOMPARE(pictureCoordinates(first.x(), first.y()), first - origin);
        const QPoint last(qMin(199, origin.x() + 299), qMin(199, origin.y() + 299));
        QCOMPARE(pictureCoordinates(last.x(), last.y()), last - origin);
        if (last.x() < 199)
            QCOMPARE(result.pixel(last.x() + 1, last.y() + 1), Black);
        if (origin.x() > 0)
            QCOMPARE(result.pixel(origin.x() - 1, origin.y() - 1), Black);
    }

    void opacityBlendsTheWatermark_data()
    {
        QTest::addColumn<int>("alpha");
        QTest::addColumn<int>("expected");
        QTest::newRow("opaque") << 255 << 255;
        QTest::newRow("half") << 128 << 128;
        QTest::newRow("quarter") << 64 << 64;
        QTest::newRow("invisible") << 0 << 0;
    }

    void opacityBlendsTheWatermark()
    {
        QFETCH(int, alpha);
        QFETCH(int, expected);

        WatermarkProfile picture;
        picture.setWatermarkType(1);
        picture.setImageFile(storePicture(QStringLiteral("white.png"), filled(40, 40, Qt::white)));
        picture.setAlignmentIndex(4);
        picture.setAlpha(alpha);
        const QImage withPicture = WatermarkManager::instance()->applyWatermark(filled(100, 100, Qt::black), &picture);
        QVERIFY(qAbs(qRed(withPicture.pixel(50, 50)) - expected) <= 1);
        QCOMPARE(withPicture.pixel(5, 5), Black);

        // The full-block glyph gives text pixels of the bare colour.
        WatermarkProfile text;
        setUpText(text, QString(QChar(0x2588)), qRgb(255, 255, 255), Transparent, 40);
        text.setAlignmentIndex(4);
        text.setAlpha(alpha);
        const QImage withText = WatermarkManager::instance()->applyWatermark(filled(200, 200, Qt::black), &text);
        QVERIFY(qAbs(qRed(withText.pixel(100, 100)) - expected) <= 1);
    }

    void textColourAlphaAddsToTheOpacity()
    {
        WatermarkProfile text;
        setUpText(text, QString(QChar(0x2588)), qRgba(255, 255, 255, 225), Transparent, 40);
        text.setAlignmentIndex(4);
        text.setAlpha(128);
        const QImage result = WatermarkManager::instance()->applyWatermark(filled(200, 200, Qt::black), &text);
        QVERIFY(qAbs(qRed(result.pixel(100, 100)) - 113) <= 1);
    }

    void pictureTypesAndMissingPictures_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("type 1") << 1 << "types-green.png" << true;
        QTest::newRow("type 2 is a picture too") << 2 << "types-green.png" << true;
        QTest::newRow("empty file name") << 1 << "" << false;
        QTest::newRow("missing file") << 1 << "nowhere.png" << false;
        QTest::newRow("not a picture") << 1 << "text.png" << false;
    }

    void pictureTypesAndMissingPictures()
    {
        QFETCH(int, type);
        QFETCH(QString, file);
        QFETCH(bool, drawn);

        storePicture(QStringLiteral("types-green.png"), filled(20, 20, QColor(Green)));
        QFile text(WatermarkProfile::watermarkFilePath(QStringLiteral("text.png")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("this is not a picture\n");
        text.close();

        WatermarkProfile profile;
        profile.setWatermarkType(type);
        profile.setImageFile(file);
        profile.setText(QStringLiteral("unused text"));
        const QImage source = filled(100, 100, Qt::black);
        QTest::ignoreMessage(QtDebugMsg, "WatermarkManager - Other type");
        const QImage result = WatermarkManager::instance()->applyWatermark(source, &profile);
        QCOMPARE(result.size(), source.size());
        QCOMPARE(countOf(result, exactly(Green)), drawn ? 400 : 0);
        QCOMPARE(countOf(result, notColour(Black)), drawn ? 400 : 0);
    }

    void picturesComeOnlyFromFilesInTheWatermarkFolder_data()
    {
        QTest::addColumn<QString>("imageFile");
        QTest::addColumn<int>("expectedGreen");
        QTest::addColumn<int>("expectedBlue");

        const QString folder = QFileInfo(WatermarkProfile::watermarkFilePath(QStringLiteral("x"))).absolutePath();
        // Green pictures lie outside the folder, blue ones inside it.
        QTest::newRow("parent path") << "../../escape.png" << 0 << 0;
        QTest::newRow("system file") << "../../../../../../../../../etc/passwd" << 0 << 0;
        QTest::newRow("absolute path outside") << folder + "/../../escape.png" << 0 << 0;
        QTest::newRow("absolute path takes the folder's picture") << folder + "/../../shared.png" << 0 << 400;
        QTest::newRow("dot dot alone") << ".." << 0 << 0;
        QTest::newRow("fifo") << "pipe.png" << 0 << 0;
        QTest::newRow("link to a fifo") << "pipe-link.png" << 0 << 0;
        QTest::newRow("directory") << "folder.png" << 0 << 0;
        QTest::newRow("link out of the folder") << "escape-link.png" << 0 << 0;
        QTest::newRow("link inside the folder") << "shared-link.png" << 0 << 400;
        QTest::newRow("more pixels than read") << "huge.png" << 0 << 0;
    }

    void picturesComeOnlyFromFilesInTheWatermarkFolder()
    {
        QFETCH(QString, imageFile);
        QFETCH(int, expectedGreen);
        QFETCH(int, expectedBlue);

        const QDir folder = QFileInfo(WatermarkProfile::watermarkFilePath(QStringLiteral("x"))).absoluteDir();
        const QString outside = QDir::cleanPath(folder.absoluteFilePath(QStringLiteral("../..")));
        const QImage green = filled(20, 20, QColor(Green));
        QVERIFY(green.save(outside + QStringLiteral("/escape.png")));
        QVERIFY(green.save(outside + QStringLiteral("/shared.png")));
        storePicture(QStringLiteral("shared.png"), filled(20, 20, QColor(Blue)));

        if (!QFileInfo::exists(folder.absoluteFilePath(QStringLiteral("pipe.png")))) {
            QCOMPARE(::mkfifo(QFile::encodeName(folder.absoluteFilePath(QStringLiteral("pipe.png"))).constData(), 0600),
                     0);
            QVERIFY(QFile::link(folder.absoluteFilePath(QStringLiteral("pipe.png")),
                                folder.absoluteFilePath(QStringLiteral("pipe-link.png"))));
            QVERIFY(folder.mkdir(QStringLiteral("folder.png")));
            QVERIFY(QFile::link(outside + QStringLiteral("/escape.png"),
                                folder.absoluteFilePath(QStringLiteral("escape-link.png"))));
            QVERIFY(QFile::link(folder.absoluteFilePath(QStringLiteral("shared.png")),
                                folder.absoluteFilePath(QStringLiteral("shared-link.png"))));
            // Blue if it were drawn; one bit a pixel keeps it 12.5 MB in
            // memory and a few kB on disk.
            QImage huge(10001, 10001, QImage::Format_Mono);
            huge.setColorTable({Blue, Blue});
            huge.fill(0);
            QVERIFY(huge.save(folder.absoluteFilePath(QStringLiteral("huge.png"))));
        }

        WatermarkProfile watermark;
        watermark.setWatermarkType(1);
        watermark.setImageFile(imageFile);
        watermark.setAlignmentIndex(0);
        watermark.setXMargin(0);
        watermark.setYMargin(0);
        ImageProfile imageProfile;
        // A FIFO that was opened would block here for ever.
        const QImage result = ImageProcessingManager::instance()->processImage(filled(100, 100, Qt::black),
                                                                               &imageProfile, &watermark);
        QCOMPARE(result.size(), QSize(100, 100));
        QCOMPARE(countOf(result, exactly(Green)), expectedGreen);
        QCOMPARE(countOf(result, exactly(Blue)), expectedBlue);
        QCOMPARE(countOf(result, notColour(Black)), expectedGreen + expectedBlue);
    }

    void pictureFormatsAreReadFromTheirFiles_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("png") << "formats.png";
        QTest::newRow("jpeg") << "formats.jpg";
        QTest::newRow("bmp") << "formats.bmp";
        QTest::newRow("tiff") << "formats.tif";
        QTest::newRow("no suffix") << "formats";
    }

    void pictureFormatsAreReadFromTheirFiles()
    {
        QFETCH(QString, fileName);
        const QImage blue = filled(20, 20, QColor(Blue));
        // Without a suffix the content alone tells the format.
        QVERIFY(blue.save(WatermarkProfile::watermarkFilePath(fileName),
                          fileName.contains(QLatin1Char('.')) ? nullptr : "png"));

        WatermarkProfile profile;
        profile.setWatermarkType(1);
        profile.setImageFile(fileName);
        profile.setAlignmentIndex(0);
        const QImage result = WatermarkManager::instance()->applyWatermark(filled(100, 100, Qt::black), &profile);
        QCOMPARE(countOf(result, near(Blue, 8)), 400);
    }

    void extremeMarginsAndOffsetsDrawOffTheImage_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("margin");
        QTest::addColumn<int>("offset");

        const int max = std::numeric_limits<int>::max();
        const int min = std::numeric_limits<int>::min();
        QTest::newRow("picture top left") << 1 << 0 << max << max;
        QTest::newRow("picture bottom right") << 1 << 8 << max << min;
        QTest::newRow("picture lowest margins") << 1 << 8 << min << min;
        QTest::newRow("text top left") << 0 << 0 << max << max;
        QTest::newRow("text bottom right") << 0 << 8 << max << min;
        QTest::newRow("text lowest margins") << 0 << 8 << min << max;
    }

    // Values as a hand-edited file or a caller hands them over; the
    // sanitizer build reports any sum that wraps.
    void extremeMarginsAndOffsetsDrawOffTheImage()
    {
        QFETCH(int, type);
        QFETCH(int, alignment);
        QFETCH(int, margin);
        QFETCH(int, offset);

        WatermarkProfile profile;
        setUpText(profile, QStringLiteral("Far away"), Red, Blue, 512);
        profile.setWatermarkType(type);
        profile.setImageFile(storePicture(QStringLiteral("extreme-green.png"), filled(20, 20, QColor(Green))));
        profile.setAlignmentIndex(alignment);
        profile.setXMargin(margin);
        profile.setYMargin(margin);
        profile.setTextShadowXOffset(offset);
        profile.setTextShadowYOffset(offset);
        const QImage result = WatermarkManager::instance()->applyWatermark(filled(100, 100, Qt::black), &profile);
        QCOMPARE(result.size(), QSize(100, 100));
        if (type == 1) {
            // The lowest margins are none: the picture sits in its corner.
            QCOMPARE(countOf(result, exactly(Green)), margin < 0 ? 400 : 0);
        }
    }

    void inputImageIsNotChanged()
    {
        WatermarkProfile profile;
        setUpText(profile, QStringLiteral("HW"), Red, Blue);
        const QImage source = filled(200, 100, Qt::black);
        const QImage result = WatermarkManager::instance()->applyWatermark(source, &profile);
        QVERIFY(countOf(result, notColour(Black)) > 0);
        QCOMPARE(countOf(source, notColour(Black)), 0);
    }

    void textLogsItsDebugLines()
    {
        WatermarkProfile profile;
        setUpText(profile, QStringLiteral("HW"), Red, Blue);
        QTest::ignoreMessage(QtDebugMsg, "WatermarkManager - 0");
        QTest::ignoreMessage(QtDebugMsg, "Watermark Manager ProcessTypeText");
        WatermarkManager::instance()->applyWatermark(filled(200, 100, Qt::black), &profile);
    }

    void textStartsAtTheMarginsWithItsShadowBehind()
    {
        const QImage background = filled(400, 200, Qt::black);
        WatermarkProfile profile;
        profile.setAlignmentIndex(0);
        profile.setTextShadowXOffset(2);
        profile.setTextShadowYOffset(3);

        setUpText(profile, QStringLiteral("HW"), Red, Transparent);
        const QImage textOnly = WatermarkManager::instance()->applyWatermark(background, &profile);
        setUpText(profile, QStringLiteral("HW"), Transparent, Blue);
        const QImage shadowOnly = WatermarkManager::instance()->applyWatermark(background, &profile);
        setUpText(profile, QStringLiteral("HW"), Red, Blue);
        const QImage both = WatermarkManager::instance()->applyWatermark(background, &profile);

        const QFontMetrics metrics(testFont(28), &background);
        const QRect textRect = metrics.boundingRect(background.rect().adjusted(15, 15, -15, -15),
                                                    Qt::AlignLeft | Qt::AlignTop, QStringLiteral("HW"));
        QCOMPARE(textRect.topLeft(), QPoint(15, 15));

        const QRect ink = boundsOf(textOnly, notColour(Black));
        QVERIFY(!ink.isEmpty());
        QVERIFY2(textRect.contains(ink), qPrintable(QStringLiteral("ink %1,%2 %3x%4")
                                                        .arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height())));
        // "H" has its ink a side bearing from the left and a cap height
        // below the ascent line.
        QVERIFY(ink.left() - 15 <= metrics.averageCharWidth() / 3);
        QVERIFY(qAbs(ink.top() - (15 + metrics.ascent() - metrics.capHeight())) <= 2);

        // The shadow is the same ink moved by its offsets, at (17, 18).
        QCOMPARE(boundsOf(shadowOnly, notColour(Black)), ink.translated(2, 3));
        QCOMPARE(countOf(shadowOnly, exactly(Blue)), countOf(textOnly, exactly(Red)));

        // Drawn first: where both have solid ink, the text wins.
        QCOMPARE(countOf(both, exactly(Red)), countOf(textOnly, exactly(Red)));
        QVERIFY(countOf(both, exactly(Blue)) > 0);
    }

    void shadowWithoutOffsetIsHidden()
    {
        WatermarkProfile profile;
        setUpText(profile, QString(QChar(0x2588)), Red, Blue);
        profile.setAlignmentIndex(4);
        const QImage result = WatermarkManager::instance()->applyWatermark(filled(200, 200, Qt::black), &profile);
        QVERIFY(countOf(result, exactly(Red)) > 100);
        QCOMPARE(countOf(result, exactly(Blue)), 0);
    }

    void textFollowsTheAlignment_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::newRow("top left") << 0;
        QTest::newRow("top") << 1;
        QTest::newRow("top right") << 2;
        QTest::newRow("left") << 3;
        QTest::newRow("center") << 4;
        QTest::newRow("right") << 5;
        QTest::newRow("bottom left") << 6;
        QTest::newRow("bottom") << 7;
        QTest::newRow("bottom right") << 8;
    }

    void textFollowsTheAlignment()
    {
        QFETCH(int, alignment);
        const QImage background = filled(600, 300, Qt::black);
        WatermarkProfile profile;
        setUpText(profile, QStringLiteral("HWH"), Red, Transparent);
        profile.setAlignmentIndex(alignment);
        profile.setXMargin(20);
        profile.setYMargin(30);

        const QRect ink = boundsOf(WatermarkManager::instance()->applyWatermark(background, &profile), notColour(Black));
        const QFontMetrics metrics(testFont(28), &background);
        const int bearing = metrics.averageCharWidth() / 3;
        const Qt::Alignment flags = profile.alignment();
        if (flags & Qt::AlignLeft)
            QVERIFY(ink.left() >= 20 && ink.left() <= 20 + bearing);
        else if (flags & Qt::AlignRight)
            QVERIFY(ink.right() <= 600 - 20 && ink.right() >= 600 - 20 - bearing);
        else
            QVERIFY(qAbs((ink.left() + ink.right()) / 2 - 300) <= 2);
        // Capitals sit on the baseline: a descent above the bottom of the line.
        const int lineTop = flags & Qt::AlignTop ? 30
            : flags & Qt::AlignBottom            ? 300 - 30 - metrics.height()
                                                 : (300 - metrics.height()) / 2;
        QVERIFY(qAbs(ink.top() - (lineTop + metrics.ascent() - metrics.capHeight())) <= 2);
        QVERIFY(qAbs(ink.bottom() - (lineTop + metrics.ascent() - 1)) <= 2);
    }

    void lineBreaksMakeLinesAndLongLinesStayWhole()
    {
        const QImage background = filled(300, 300, Qt::black);
        const QFontMetrics metrics(testFont(20), &background);
        WatermarkProfile profile;
        profile.setAlignmentIndex(2);

        setUpText(profile, QStringLiteral("H\nHWHW"), Red, Transparent, 20);
        const QImage twoLines = WatermarkManager::instance()->applyWatermark(background, &profile);
        const auto bands = inkRowBands(twoLines, Black);
        QCOMPARE(bands.size(), 2);
        QVERIFY(qAbs(bands[1].first - bands[0].first - metrics.lineSpacing()) <= 1);
        // Right-aligned lines end at the same edge.
        const QRect first = boundsOf(twoLines.copy(0, bands[0].first, 300, bands[0].second - bands[0].first + 1), notColour(Black));
        const QRect second = boundsOf(twoLines.copy(0, bands[1].first, 300, bands[1].second - bands[1].first + 1), notColour(Black));
        QVERIFY(qAbs(first.right() - second.right()) <= 2);
        QVERIFY(second.width() > 2 * first.width());

        setUpText(profile, QStringLiteral("HWHW HWHW HWHW HWHW HWHW HWHW"), Red, Transparent, 20);
        const QImage longLine = WatermarkManager::instance()->applyWatermark(background, &profile);
        QCOMPARE(inkRowBands(longLine, Black).size(), 1);
        // Too wide for the image: it runs off the left side instead of wrapping.
        QCOMPARE(boundsOf(longLine, notColour(Black)).left(), 0);
    }

    void pointSizesFollowTheImageResolution()
    {
        QImage screen = filled(800, 400, Qt::black);
        QImage print = screen.copy();
        print.setDotsPerMeterX(11811);
        print.setDotsPerMeterY(11811);
        WatermarkProfile profile;
        setUpText(profile, QStringLiteral("H"), Red, Transparent, 12);
        profile.setAlignmentIndex(0);

        const int screenHeight = boundsOf(WatermarkManager::instance()->applyWatermark(screen, &profile), notColour(Black)).height();
        const int printHeight = boundsOf(WatermarkManager::instance()->applyWatermark(print, &profile), notColour(Black)).height();
        const double expected = 300.0 / screen.logicalDpiY();
        QVERIFY2(qAbs(double(printHeight) / screenHeight - expected) < 0.2 * expected,
                 qPrintable(QStringLiteral("%1 vs %2").arg(printHeight).arg(screenHeight)));
    }

    void nothingToDrawLeavesTheImage_data()
    {
        QTest::addColumn<QImage::Format>("format");
        QTest::newRow("ARGB32") << QImage::Format_ARGB32;
        QTest::newRow("RGB888") << QImage::Format_RGB888;
    }

    void nothingToDrawLeavesTheImage()
    {
        QFETCH(QImage::Format, format);
        WatermarkProfile profile;
        setUpText(profile, QString(), Red, Blue);
        const QImage source = filled(50, 50, QColor(Qt::darkGreen), format);
        const QImage result = WatermarkManager::instance()->applyWatermark(source, &profile);
        QCOMPARE(result, source);
        QCOMPARE(result.format(), format);
        QVERIFY(WatermarkManager::instance()->applyWatermark(QImage(), &profile).isNull());
        QCOMPARE(WatermarkManager::instance()->applyWatermark(source, nullptr), source);
    }

    void greyImagesGetTheirWatermark()
    {
        QImage grey(100, 60, QImage::Format_Indexed8);
        QVector<QRgb> greys;
        for (int i = 0; i < 256; ++i)
            greys << qRgb(i, i, i);
        grey.setColorTable(greys);
        grey.fill(0);
        WatermarkProfile profile;
        setUpText(profile, QString(QChar(0x2588)), Red, Transparent, 20);
        profile.setAlignmentIndex(4);
        const QImage result = WatermarkManager::instance()->applyWatermark(grey, &profile);
        QCOMPARE(result.size(), grey.size());
        QVERIFY(countOf(result, exactly(Red)) > 50);
    }
};

VISTALOOM_TEST_MAIN_GUI(TestWatermarkManager)
#include "tst_watermarkmanager.moc"
