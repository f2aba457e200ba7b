#include "testmain.h"

#include "imaging/outputimagetype.h"

#include <QProcess>

// The bash completion is a shell script and cannot read the table: what it
// offers after --filetype must still be the table's names, in its order.
class TestOutputImageType : public QObject
{
    Q_OBJECT

private slots:
    void completionOffersTheTablesNames()
    {
        QProcess bash;
        bash.start(QStringLiteral("bash"),
                   {QStringLiteral("--norc"), QStringLiteral("--noprofile"), QStringLiteral("-c"),
                    QStringLiteral("source \"$1\"; COMP_WORDS=(vistaloom-cli clip.mp4 --filetype ''); COMP_CWORD=3; "
                                   "_vistaloom_cli; printf '%s\\n' \"${COMPREPLY[@]}\""),
                    QStringLiteral("_"),
                    QStringLiteral(VISTALOOM_SOURCE_DIR "/packaging/vistaloom-cli.bash-completion")});
        QVERIFY(bash.waitForFinished());
        QCOMPARE(bash.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(bash.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 OutputImageType::allNames());
    }
};

VISTALOOM_TEST_MAIN_CORE(TestOutputImageType)
#include "tst_outputimagetype.moc"
