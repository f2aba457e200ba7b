#include "testenvironment.h"

#include <QDir>
#include <QtGlobal>

#include <cstdlib>

TestEnvironment::TestEnvironment()
    : m_root(QDir::tempPath() + QStringLiteral("/vistaloom-test-XXXXXX"))
{
    if (!m_root.isValid())
        qFatal("Cannot create the temporary test folder");
    const QByteArray root = QFile::encodeName(m_root.path());
    qputenv("VISTALOOM_TEST_ROOT", root);
    qputenv("HOME", root + "/home");
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_CACHE_HOME", root + "/cache");
    QDir().mkpath(m_root.path() + QStringLiteral("/home"));
}

QString TestEnvironment::root()
{
    return QFile::decodeName(qgetenv("VISTALOOM_TEST_ROOT"));
}

QString TestEnvironment::configFolder()
{
    return root() + QStringLiteral("/config");
}

QString TestEnvironment::dataFolder()
{
    return root() + QStringLiteral("/data");
}
