#include "mainwindow.h"
#include "startup.h"

#include "batch/batchworker.h"
#include "media/medialog.h"
#include "media/memorypolicy.h"
#include "profiles/applicationidentity.h"

#include <QApplication>

#include <clocale>
#include <cstdlib>

int main(int argc, char *argv[])
{
    MemoryPolicy::apply();
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    ApplicationIdentity::apply();
    MediaLog::setLogLevel(3);
    BatchWorker::registerMetaTypes();
    // Qt took the locale from the environment; mpv needs C number parsing.
    std::setlocale(LC_NUMERIC, "C");
    Startup::applyStyleSheet(app);

    MainWindow window;
    Startup::placeWindow(window);
    window.show();
    Startup::openArgument(window, QCoreApplication::arguments());

    app.exec();
    return EXIT_SUCCESS;
}
