#include "testmain.h"

#include "imaging/outputimagetype.h"

#include <QProcess>

// The bash completion is a shell script and cannot read the table: what it
// offers after --filetype must still be the table's names, in its order.
class TestOutputImageType : public QObject
{
    Q_OBJECT

private slots:
    void completionOffersTheTablesNames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("nothing yet") << "";
        QTest::newRow("j") << "j";
        QTest::newRow("t") << "t";
    }

    void completionOffersTheTablesNames()
    {
        QFETCH(QString, typed);
        QProcess bash;
        bash.start(QStringLiteral("bash"),
                   {QStringLiteral("--norc"), QStringLiteral("--noprofile"), QStringLiteral("-c"),
                    QStringLiteral("source \"$1\"; COMP_WORDS=(vistaloom-cli clip.mp4 --filetype \"$2\"); "
                                   "COMP_CWORD=3; _vistaloom_cli; printf '%s\\n' \"${COMPREPLY[@]}\""),
                    QStringLiteral("_"),
                    QStringLiteral(VISTALOOM_SOURCE_DIR "/packaging/vistaloom-cli.bash-completion"), typed});
        QVERIFY(bash.waitForFinished());
        QCOMPARE(bash.exitCode(), 0);
        const QStringList offered = QString::fromUtf8(bash.readAllStandardOutput()).split(
            QLatin1Char('\n'), Qt::SkipEmptyParts);
        QStringList expected;
        for (const QString &name : OutputImageType::allNames()) {
            if (name.startsWith(typed))
                expected << name;
        }
        QCOMPARE(offered, expected);
    }
};

VISTALOOM_TEST_MAIN_CORE(TestOutputImageType)
#include "tst_outputimagetype.moc"
