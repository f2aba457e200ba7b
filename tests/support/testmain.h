#ifndef VISTALOOM_TESTMAIN_H
#define VISTALOOM_TESTMAIN_H

#include "profiles/applicationidentity.h"
#include "testenvironment.h"

#include <QtTest>

// Test mains that isolate settings and set the programs' identity, so paths
// derived from organization and application name are the real ones.
#define VISTALOOM_TEST_MAIN_WITH(AppClass, TestClass)      \
    int main(int argc, char *argv[])                       \
    {                                                      \
        TestEnvironment environment;                       \
        AppClass app(argc, argv);                          \
        ApplicationIdentity::apply();                      \
        app.setAttribute(Qt::AA_Use96Dpi, true);           \
        TestClass test;                                    \
        QTEST_SET_MAIN_SOURCE_PATH                         \
        return QTest::qExec(&test, argc, argv);            \
    }

#define VISTALOOM_TEST_MAIN_CORE(TestClass) VISTALOOM_TEST_MAIN_WITH(QCoreApplication, TestClass)
#define VISTALOOM_TEST_MAIN_GUI(TestClass) VISTALOOM_TEST_MAIN_WITH(QGuiApplication, TestClass)
// Widget tests include <QApplication> themselves and use
// VISTALOOM_TEST_MAIN_WITH(QApplication, TestClass).

#endif
