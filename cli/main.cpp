#include "profiles/applicationidentity.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdlib>

namespace {

// The console program must run over SSH, in containers and in CI: without a
// display it falls back to Qt's offscreen platform instead of aborting.
void chooseHeadlessPlatformIfNeeded()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return;
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace

int main(int argc, char *argv[])
{
    chooseHeadlessPlatformIfNeeded();
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    ApplicationIdentity::apply();

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);
    return EXIT_SUCCESS;
}
