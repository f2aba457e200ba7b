#ifndef VISTALOOM_STARTUP_H
#define VISTALOOM_STARTUP_H

#include <QStringList>

class MainWindow;
class QApplication;
class QWidget;

// The steps of the windowed program's start that follow the application
// object, kept apart from main() so tests can run them.
namespace Startup {

// ":/Styles.qss" as the application's style sheet; without it the
// platform style stays.
void applyStyleSheet(QApplication &app);

// 800 x 600, centred on the primary screen.
void placeWindow(QWidget &window);

// Opens the video named by the first argument after the program's name,
// if that names an existing file or folder; anything else is ignored.
// Returns whether a video was opened.
bool openArgument(MainWindow &window, const QStringList &arguments);

} // namespace Startup

#endif
