#include "batch/batchworker.h"
#include "commandlineprocessor.h"
#include "media/medialog.h"
#include "profiles/applicationidentity.h"

#include <QApplication>

#include <memory>

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
    MediaLog::setLogLevel(3);
    BatchWorker::registerMetaTypes();

    auto processor = std::make_unique<CommandLineProcessor>();
    return processor->execute(app);
}
