#ifndef VISTALOOM_TESTENVIRONMENT_H
#define VISTALOOM_TESTENVIRONMENT_H

#include <QString>
#include <QTemporaryDir>

// Points HOME and the XDG folders at a temporary folder before the
// application object exists, so no test reads or writes the user's files.
class TestEnvironment
{
public:
    TestEnvironment();

    static QString root();
    static QString configFolder();
    static QString dataFolder();

private:
    QTemporaryDir m_root;
};

#endif
