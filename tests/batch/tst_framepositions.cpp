#include "testmain.h"

#include "batch/framepositions.h"
#include "profiles/batchworkerconfig.h"

using Positions = QVector<qint64>;

class TestFramePositions : public QObject
{
    Q_OBJECT

private slots:
    void positionsOfEachRule_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("value"); // interval ms, image count or single shot position
        QTest::addColumn<qint64>("skipFront");
        QTest::addColumn<qint64>("skipBack");
        QTest::addColumn<qint64>("duration");
        QTest::addColumn<bool>("still");
        QTest::addColumn<Positions>("positions");
        QTest::addColumn<qint64>("last");
        QTest::addColumn<qint64>("progressImages");
        QTest::addColumn<int>("ranAs");

        const int ms = BatchWorkerConfig::EveryMilliseconds, count = BatchWorkerConfig::ImageCount;
        const int single = BatchWorkerConfig::SingleShot;
        QTest::newRow("every 5 s") << ms << 5000 << 2000LL << 2000LL << 60000LL << false
                                   << Positions{2000, 7000, 12000, 17000, 22000, 27000, 32000, 37000, 42000, 47000, 52000, 57000}
                                   << 57000LL << 12LL << ms;
        // The end itself is no position; the progress still counts it.
        QTest::newRow("every ms, last step at the end") << ms << 2500 << 0LL << 0LL << 10000LL << false
                                                        << Positions{0, 2500, 5000, 7500} << 7500LL << 5LL << ms;
        QTest::newRow("every ms, 1 ms short of a step") << ms << 2500 << 0LL << 0LL << 10001LL << false
                                                        << Positions{0, 2500, 5000, 7500, 10000} << 10000LL << 5LL << ms;
        QTest::newRow("interval 0 runs as 1000 ms") << ms << 0 << 55000LL << 3000LL << 60000LL << false
                                                    << Positions{55000, 56000} << 56000LL << 3LL << ms;
        QTest::newRow("zero duration") << ms << 1000 << 0LL << 0LL << 0LL << false << Positions{} << 0LL << 1LL << ms;
        QTest::newRow("skips longer than the video") << ms << 1000 << 2000LL << 2000LL << 3000LL << false
                                                     << Positions{} << 1000LL << 0LL << ms;
        QTest::newRow("a still is its one frame") << ms << 1000 << 2000LL << 2000LL << 40LL << true
                                                  << Positions{0} << 0LL << 1LL << ms;
        QTest::newRow("4 images") << count << 4 << 0LL << 0LL << 10000LL << false
                                  << Positions{0, 2499, 4998, 7497} << 7497LL << 4LL << count;
        QTest::newRow("3 images, step rounded down") << count << 3 << 1000LL << 0LL << 2000LL << false
                                                     << Positions{1000, 1332, 1664} << 1664LL << 3LL << count;
        QTest::newRow("count over a 5 ms span") << count << 3 << 0LL << 0LL << 5LL << false << Positions{0, 0, 0}
                                                << 0LL << 3LL << count;
        QTest::newRow("count 1 runs as a single shot") << count << 1 << 2000LL << 2000LL << 60000LL << false
                                                       << Positions{28000} << 28000LL << 1LL << single;
        QTest::newRow("front") << single << 0 << 2000LL << 2000LL << 60000LL << false << Positions{2000} << 2000LL
                               << 1LL << single;
        QTest::newRow("back") << single << 2 << 2000LL << 2000LL << 60000LL << false << Positions{58000} << 58000LL
                              << 1LL << single;
        QTest::newRow("middle held at a long front skip") << single << 1 << 20000LL << 2000LL << 60000LL << false
                                                          << Positions{20000} << 20000LL << 1LL << single;
        QTest::newRow("middle of a video shorter than the skips") << single << 1 << 2000LL << 2000LL << 1000LL
                                                                  << false << Positions{0} << 0LL << 1LL << single;
    }

    void positionsOfEachRule()
    {
        QFETCH(int, type);
        QFETCH(int, value);
        QFETCH(qint64, skipFront);
        QFETCH(qint64, skipBack);
        QFETCH(qint64, duration);
        QFETCH(bool, still);

        FramePositions::Rule rule;
        rule.type = type;
        rule.intervalMilliseconds = type == BatchWorkerConfig::EveryMilliseconds ? value : 5000;
        rule.intervalImages = type == BatchWorkerConfig::ImageCount ? value : 10;
        rule.singleShot = type == BatchWorkerConfig::SingleShot ? value : BatchWorkerConfig::Middle;
        rule.skipFront = skipFront;
        rule.skipBack = skipBack;
        const FramePositions plan = FramePositions::plan(rule, duration, still);
        QTEST(plan.all(), "positions");
        QTEST(plan.last, "last");
        QTEST(plan.progressImages, "progressImages");
        QTEST(plan.rule.type, "ranAs");
        QVERIFY(plan.rule.intervalMilliseconds >= 1 && plan.rule.intervalImages >= 2);
    }
};

VISTALOOM_TEST_MAIN_CORE(TestFramePositions)
#include "tst_framepositions.moc"
