#include "testmain.h"

#include "fixturevideos.h"

#include "media/videoinfo.h"

namespace {

QString audioOnly()
{
    return FixtureVideos::make(QStringLiteral("tone.m4a"),
                               QString::fromLatin1("-f lavfi -i sine=frequency=440:duration=3 -c:a aac").split(QLatin1Char(' ')));
}

QString missing()
{
    return FixtureVideos::folder() + QStringLiteral("/no-such-video.mp4");
}

} // namespace

class TestVideoInfo : public QObject
{
    Q_OBJECT

private slots:
    void probesLengthAndSize_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("duration");
        QTest::addColumn<QSize>("size");
        QTest::newRow("mp4") << FixtureVideos::indexedVideo(64, 48, 10, 4) << qint64(4000) << QSize(64, 48);
        QTest::newRow("mkv") << FixtureVideos::indexedVideo(96, 64, 25, 2, QStringLiteral("mkv")) << qint64(2000)
                             << QSize(96, 64);
        // MPEG-1 video without a container, as old .mpg files often are: its
        // header gives the variable-rate marker as the bit rate.
        QTest::newRow("raw mpeg video") << FixtureVideos::make(QStringLiteral("press.mpg"),
            QString::fromLatin1("-f lavfi -i testsrc2=size=176x144:rate=25:duration=20 -c:v mpeg1video -q:v 8 "
                                "-f mpeg1video").split(QLatin1Char(' ')))
                                        << qint64(20000) << QSize(176, 144);
    }
    void probesLengthAndSize()
    {
        QFETCH(QString, path);
        QFETCH(qint64, duration);
        QFETCH(QSize, size);
        VideoInfo info;
        QCOMPARE(info.duration(), qint64(0));
        info.load(path); // a good file logs nothing
        QCOMPARE(info.duration(), duration);
        QCOMPARE(QSize(info.width(), info.height()), size);
    }

    void audioOnlyFileKeepsItsLength()
    {
        VideoInfo info;
        QTest::ignoreMessage(QtDebugMsg, "Error loading VideoInfo");
        info.load(audioOnly());
        QVERIFY2(qAbs(info.duration() - 3000) < 100, qPrintable(QString::number(info.duration())));
        QCOMPARE(info.width(), 0);
    }

    void missingFileHasNoLength()
    {
        VideoInfo info;
        QTest::ignoreMessage(QtDebugMsg, "Error loading VideoInfo");
        info.load(missing());
        QCOMPARE(info.duration(), qint64(0));
    }

    void secondLoadOverwritesOnlyOnSuccess()
    {
        VideoInfo info;
        info.load(FixtureVideos::indexedVideo(64, 48, 10, 4));
        QCOMPARE(info.duration(), qint64(4000));
        QTest::ignoreMessage(QtDebugMsg, "Error loading VideoInfo");
        info.load(missing());
        QCOMPARE(info.duration(), qint64(4000));
        QCOMPARE(info.width(), 64);
        info.load(FixtureVideos::indexedVideo(96, 64, 25, 2, QStringLiteral("mkv")));
        QCOMPARE(info.duration(), qint64(2000));
        QCOMPARE(info.width(), 96);
        // A file without video still gives its length.
        QTest::ignoreMessage(QtDebugMsg, "Error loading VideoInfo");
        info.load(audioOnly());
        QVERIFY(qAbs(info.duration() - 3000) < 100);
    }
};

VISTALOOM_TEST_MAIN_CORE(TestVideoInfo)
#include "tst_videoinfo.moc"
