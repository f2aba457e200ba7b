#include "testmain.h"

#include "fixturevideos.h"
#include "imagetext.h"
#include "imaging/contactsheet.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Run
{
    int exitCode = -1;
    QString output;
};

Run runCli(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(VISTALOOM_CLI_EXECUTABLE), arguments);
    Run run;
    if (!process.waitForFinished(120000))
        process.kill();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromUtf8(process.readAllStandardOutput()) + QString::fromUtf8(process.readAllStandardError());
    return run;
}

// A moving test pattern at 10 fps for 10 s, that shows its own time.
QString pattern(const QString &name = QStringLiteral("sheet-pattern.mp4"), const QString &size = QStringLiteral("320x240"),
                const QStringList &codec = {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-g", "10"})
{
    return FixtureVideos::make(name, QStringList{"-f", "lavfi", "-i", "testsrc2=r=10:d=10:s=" + size} + codec);
}

// Twelve positions: 1.0 s, 1.6 s ... 7.6 s.
const QStringList TwelveImages{"--ms", "600", "--skipfront", "1000", "--skipback", "1800", "--filetype", "png"};

QString seriesImage(const QString &folder, int counter)
{
    return QDir(folder).filePath(QStringLiteral("talk-%1.png").arg(counter));
}

// The sheet shows the series images given (1-based counters), in order,
// each scaled like a tile with its time beneath, under the video's header.
void verifySheet(const QImage &sheet, const QString &folder, const QString &video, const QVector<int> &counters,
                 int columns, const QSize &shown = QSize(320, 240))
{
    const QStringList header{
        QStringLiteral("talk.mp4"),
        QStringLiteral("Duration: 00:00:10.000   Size: %1x%2   Frame rate: 10 fps   Codec: h264   File size: ")
                .arg(shown.width()).arg(shown.height())
            + QLocale::c().formattedDataSize(QFileInfo(video).size())};
    const int tileHeight = qRound(double(ContactSheet::TileWidth) * shown.height() / shown.width());
    const ContactSheet::Layout layout = ContactSheet::layout(counters.size(), columns, tileHeight, header);
    QCOMPARE(sheet.size(), layout.size());
    const QImage sheetPixels = sheet.convertToFormat(QImage::Format_ARGB32);

    const QRect headerText = layout.headerRect().adjusted(0, ContactSheet::Margin, 0, 0);
    QCOMPARE(sheetPixels.copy(headerText), ContactSheet::textStrip(header, headerText.size(), Qt::AlignLeft));
    // Another header would not match: the text is really compared.
    QVERIFY(sheetPixels.copy(headerText)
            != ContactSheet::textStrip({header[0], header[1] + QLatin1Char('0')}, headerText.size(), Qt::AlignLeft));

    for (int i = 0; i < counters.size(); ++i) {
        const QString path = seriesImage(folder, counters[i]);
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(sheetPixels.copy(layout.tileRect(i)), ContactSheet::tileImage(image).convertToFormat(QImage::Format_ARGB32));
        // The positions lie 600 ms apart from 1 s.
        const qint64 ms = 1000 + 600 * (counters[i] - 1);
        const QString time = QStringLiteral("00:00:%1.%2")
                                 .arg(ms / 1000, 2, 10, QLatin1Char('0'))
                                 .arg(ms % 1000, 3, 10, QLatin1Char('0'));
        QCOMPARE(ImageText::read(path).value(QStringLiteral("Time")), time);
        QCOMPARE(sheetPixels.copy(layout.captionRect(i)),
                 ContactSheet::textStrip({time}, layout.captionRect(i).size(), Qt::AlignHCenter));
    }
}

} // namespace

class ContactSheetTest : public QObject
{
    Q_OBJECT

private slots:
    // The header and the tiles give the size the images show.
    void twelveImagesFillAFourByThreeSheet_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("square pixels") << pattern() << QSize(320, 240);
        QTest::newRow("rotated") << FixtureVideos::withRotation(pattern("sheet-wide.mp4", "960x540"), 90) << QSize(540, 960);
        QTest::newRow("anamorphic") << pattern("sheet-pal.mp4", "720x576,setsar=16/15") << QSize(768, 576);
    }

    void twelveImagesFillAFourByThreeSheet()
    {
        QFETCH(QString, source);
        QFETCH(QSize, shown);
        QVERIFY(!source.isEmpty());
        QTemporaryDir folder;
        const QString video = folder.filePath(QStringLiteral("talk.mp4"));
        QVERIFY(QFile::copy(source, video));
        const Run run = runCli(QStringList{video, folder.path(), "--sheet", "4x3"} + TwelveImages);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.output.contains(QStringLiteral("Saving: talk-12.png\nSaving: talk-sheet.png\n")),
                 qPrintable(run.output));
        const QImage sheet(folder.filePath(QStringLiteral("talk-sheet.png")));
        QVERIFY(!sheet.isNull());
        verifySheet(sheet, folder.path(), video, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 4, shown);
        QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("talk-sheet-2.png"))));
    }

    // Six cells for twelve images: an even spread from the first to the
    // last. A file of the sheet's name is never overwritten.
    void moreImagesThanCellsTakeAnEvenSpread()
    {
        const QString source = pattern();
        QTemporaryDir folder;
        const QString video = folder.filePath(QStringLiteral("talk.mp4"));
        QVERIFY(QFile::copy(source, video));
        QFile taken(folder.filePath(QStringLiteral("talk-sheet.png")));
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.write("mine");
        taken.close();

        const Run run = runCli(QStringList{video, folder.path(), "--sheet", "3x2"} + TwelveImages);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.output.contains(QStringLiteral("Saving: talk-sheet-2.png\n")), qPrintable(run.output));
        QVERIFY(taken.open(QIODevice::ReadOnly));
        QCOMPARE(taken.readAll(), QByteArray("mine"));
        const QImage sheet(folder.filePath(QStringLiteral("talk-sheet-2.png")));
        QVERIFY(!sheet.isNull());
        verifySheet(sheet, folder.path(), video, {1, 3, 5, 8, 10, 12}, 3);
    }

    // Outputs smaller than a tile are not blown up: the sheet is the one
    // full-size outputs give.
    void smallOutputsGiveSharpTiles()
    {
        const QStringList job{pattern("sheet-large.mp4", "640x360"), "--count", "6", "--filetype", "png", "--sheet", "3x2"};
        QTemporaryDir full, small;
        QCOMPARE(runCli(QStringList(job) << full.path()).exitCode, 0);
        QCOMPARE(runCli(QStringList(job) << small.path() << "--width" << "160" << "--height" << "90").exitCode, 0);
        QCOMPARE(QImage(small.filePath("sheet-large-1.png")).size(), QSize(160, 90));
        QCOMPARE(QImage(small.filePath("sheet-large-sheet.png")), QImage(full.filePath("sheet-large-sheet.png")));
    }

    // Tiles lie evenly in time, each image once, however unevenly the images do.
    void tilesSpreadEvenlyInTime()
    {
        QCOMPARE(ContactSheet::spread({0, 1, 2, 3, 4, 5, 6, 7, 8, 20, 40, 60}, 4), (QVector<int>{0, 9, 10, 11}));
        QCOMPARE(ContactSheet::spread({0, 50, 51, 52, 53, 54}, 3), (QVector<int>{0, 1, 5}));
        QCOMPARE(ContactSheet::spread({0, 50, 90, 95, 100}, 4), (QVector<int>{0, 1, 2, 4}));
    }

    // A sheet that cannot be written is an error like any failed save: six
    // tiles of a tall video, one above the other, are higher than WebP
    // allows, while each image of the series is small.
    void aSheetThatCannotBeSavedIsAnError()
    {
        const QString source = FixtureVideos::make(
            QStringLiteral("sheet-tall.mp4"),
            {"-f", "lavfi", "-i", "testsrc2=s=64x640:r=10:d=10", "-c:v", "libx264", "-pix_fmt", "yuv420p"});
        QVERIFY(!source.isEmpty());
        QTemporaryDir folder;
        const QString video = folder.filePath(QStringLiteral("tall.mp4"));
        QVERIFY(QFile::copy(source, video));
        const Run run = runCli({video, folder.path(), "--sheet", "1x6", "--ms", "1000", "--filetype", "webp"});
        QCOMPARE(run.exitCode, 2);
        const QStringList lines = run.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(lines.size() >= 3, qPrintable(run.output));
        const QString sheetPath = QDir::toNativeSeparators(folder.filePath(QStringLiteral("tall-sheet.webp")));
        QCOMPARE(lines.at(lines.size() - 3), QStringLiteral("Saving: tall-sheet.webp"));
        QCOMPARE(lines.at(lines.size() - 2), QStringLiteral("Could not save image: ") + sheetPath);
        QCOMPARE(lines.last(), QStringLiteral("Done: 6 images written, 1 errors"));
        // The claimed name is given back.
        QVERIFY(!QFileInfo::exists(sheetPath));
        QCOMPARE(QDir(folder.path()).entryList({QStringLiteral("*.webp")}, QDir::Files).size(), 6);
    }

    // A one-column sheet is narrower than the header's second line: the
    // line wraps, and every letter of it is still there. A grid wider than
    // the images has only as many columns as images.
    void narrowSheetsKeepTheWholeHeader()
    {
        const QStringList header{
            QStringLiteral("a rather long video name from a phone 2026-12-08 10.41.07.mp4"),
            QStringLiteral("Duration: 00:00:10.000   Size: 320x240   Frame rate: 10 fps   Codec: h264   File size: 243.99 KiB")};
        QImage grey(320, 240, QImage::Format_ARGB32);
        grey.fill(0xff606060);
        const QVector<ContactSheet::Tile> tiles{{grey, 0}, {grey, 1000}};
        auto inkIn = [](const QImage &image, const QRect &area) {
            int ink = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    ink += qGray(image.pixel(x, y)) > 128 ? 1 : 0;
            return ink;
        };
        const QImage unwrapped = ContactSheet::textStrip(header, QSize(4000, 100), Qt::AlignLeft);
        const int fullInk = inkIn(unwrapped, unwrapped.rect());

        for (const int columns : {1, 20}) {
            const QImage sheet = ContactSheet::render(header, tiles, columns, 2);
            const ContactSheet::Layout layout = ContactSheet::layout(tiles.size(), columns, 240, header);
            QCOMPARE(sheet.size(), layout.size());
            QCOMPARE(layout.columns, columns == 1 ? 1 : 2);
            const int ink = inkIn(sheet.convertToFormat(QImage::Format_ARGB32), layout.headerRect());
            QVERIFY2(qAbs(ink - fullInk) <= fullInk / 50, qPrintable(QStringLiteral("%1 of %2").arg(ink).arg(fullInk)));
        }
    }

    void malformedGridsAreRefused_data()
    {
        QTest::addColumn<QString>("grid");
        for (const char *grid : {"4x", "x3", "0x3", "4x0", "21x1", "1x21", "4*3", "four", "4x3x2", "-1x3"})
            QTest::newRow(grid) << QString::fromLatin1(grid);
    }

    void malformedGridsAreRefused()
    {
        QFETCH(QString, grid);
        QTemporaryDir folder;
        const Run run = runCli({pattern(), folder.path(), "--sheet", grid});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.output.startsWith(
                     QStringLiteral("The sheet must be given as columns x rows, each 1 to 20, for example 4x3\n")),
                 qPrintable(run.output));
        QVERIFY(QDir(folder.path()).entryList(QDir::Files).isEmpty());
    }
};

VISTALOOM_TEST_MAIN_GUI(ContactSheetTest)

#include "tst_contactsheet.moc"
