#include "batch/batchworker.h"
#include "commandlineprocessor.h"
#include "media/medialog.h"
#include "media/memorypolicy.h"
#include "profiles/applicationidentity.h"

#include <QApplication>

#include <memory>

namespace {

// The console program never shows a window: it runs on Qt's offscreen
// platform, so a stale DISPLAY (ssh -X without a server) or a missing one
// never stops it. A platform the user names still wins.
void chooseHeadlessPlatform()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The terminal carries the job's status lines only. Diagnostics of Qt and
// of the media layer reach it when VISTALOOM_DEBUG is set.
QtMessageHandler defaultHandler = nullptr;

void quietMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg || qEnvironmentVariableIsSet("VISTALOOM_DEBUG"))
        defaultHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[])
{
    MemoryPolicy::apply();
    defaultHandler = qInstallMessageHandler(quietMessageHandler);
    chooseHeadlessPlatform();
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    ApplicationIdentity::apply();
    MediaLog::setLogLevel(3);
    BatchWorker::registerMetaTypes();

    auto processor = std::make_unique<CommandLineProcessor>();
    return processor->execute(app);
}
