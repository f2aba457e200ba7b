#include "testmain.h"

#include "fixturevideos.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

namespace {

struct Cue { qint64 startMs, endMs; QString file; QRect tile; };

// A WebVTT reader of our own: the header, then blank-line separated cues of
// "start --> end" and "file#xywh=x,y,w,h" (URL-escaped: no spaces); an
// empty list for anything else.
QVector<Cue> readVtt(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList blocks = QString::fromUtf8(file.readAll()).split(QStringLiteral("\n\n"));
    const QString time = QStringLiteral("(\\d\\d):(\\d\\d):(\\d\\d)\\.(\\d{3})");
    const QRegularExpression cueText(
        QStringLiteral("^%1 --> %1\\n([^#\\s]+)#xywh=(\\d+),(\\d+),(\\d+),(\\d+)\\n?$").arg(time));
    QVector<Cue> cues;
    for (int i = 1; i < blocks.size() && blocks[0] == QStringLiteral("WEBVTT"); ++i) {
        const QRegularExpressionMatch m = cueText.match(blocks[i]);
        if (!m.hasMatch())
            return {};
        auto ms = [&](int at) {
            return ((m.captured(at).toLongLong() * 60 + m.captured(at + 1).toLongLong()) * 60
                    + m.captured(at + 2).toLongLong()) * 1000 + m.captured(at + 3).toLongLong();
        };
        const QStringList n = m.capturedTexts();
        cues.append({ms(1), ms(5), QUrl::fromPercentEncoding(n[9].toUtf8()),
                     QRect(n[10].toInt(), n[11].toInt(), n[12].toInt(), n[13].toInt())});
    }
    return cues;
}

int meanGrey(const QImage &image)
{
    qint64 sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qGray(image.pixel(x, y));
    return int(sum / qMax(1, image.width() * image.height()));
}

} // namespace

class WebVttTest : public QObject
{
    Q_OBJECT

private slots:
    void spritesAndCuesShowTheSeriesImages_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("images");
        QTest::addColumn<QStringList>("sprites");
        QTest::newRow("7 in 2x2") << QStringList{"--ms", "1000", "--filetype", "jpeg", "--vtt", "2x2"} << "talk" << 7
                                  << QStringList{"talk-sprite-1.jpeg", "talk-sprite-2.jpeg"};
        QTest::newRow("one image") << QStringList{"--count", "1", "--filetype", "png", "--vtt", "3x3"} << "talk" << 1
                                   << QStringList{"talk-sprite-1.png"};
        // BMP is no web type; a taken name moves on and a space is escaped.
        QTest::newRow("bmp as jpeg") << QStringList{"--ms", "1000", "--filetype", "bmp", "--filename", "my talk",
                                                    "--vtt", "3x1"} << "my talk" << 7
                                     << QStringList{"my talk-sprite-2.jpeg", "my talk-sprite-3.jpeg",
                                                    "my talk-sprite-4.jpeg"};
    }

    // The span is 1 s to 8 s of flat grey frames at 5 fps whose level
    // tells their index, so each image's level gives its time.
    void spritesAndCuesShowTheSeriesImages()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, name);
        QFETCH(int, images);
        QFETCH(QStringList, sprites);
        QTemporaryDir folder;
        QFile taken(folder.filePath(QStringLiteral("my talk-sprite-1.jpeg")));
        QVERIFY(taken.open(QIODevice::WriteOnly));
        QProcess cli;
        cli.start(QStringLiteral(VISTALOOM_CLI_EXECUTABLE),
                  QStringList{FixtureVideos::indexedVideo(160, 120, 5, 10), folder.path(), "--filename", "talk",
                              "--skipfront", "1000", "--skipback", "2000"} + options);
        QVERIFY(cli.waitForFinished(120000));
        const QString output = QString::fromUtf8(cli.readAllStandardOutput());
        QCOMPARE(cli.exitCode(), 0);
        const QStringList written = output.split(QLatin1Char('\n')).filter("Saving: ").replaceInStrings("Saving: ", "");
        QCOMPARE(written.mid(images), sprites + QStringList{name + ".vtt"});

        const QVector<Cue> cues = readVtt(folder.filePath(name + ".vtt"));
        QCOMPARE(cues.size(), images);
        for (int i = 0; i < images; ++i) {
            const QImage image(folder.filePath(written[i]));
            const int level = meanGrey(image);
            QCOMPARE(cues[i].startMs, FixtureVideos::frameIndexOfLevel(level) * 200);
            QCOMPARE(cues[i].endMs, i + 1 < images ? cues[i + 1].startMs : 8000);
            QVERIFY(cues[i].startMs < cues[i].endMs);
            const QImage sprite(folder.filePath(cues[i].file));
            QCOMPARE(cues[i].tile.size(), image.size());
            QVERIFY2(qAbs(meanGrey(sprite.copy(cues[i].tile)) - level) <= 2, qPrintable(written[i]));
        }
    }
};

VISTALOOM_TEST_MAIN_GUI(WebVttTest)

#include "tst_webvtt.moc"
