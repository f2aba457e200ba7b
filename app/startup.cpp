#include "startup.h"

#include "mainwindow.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QScreen>
#include <QtDebug>

namespace Startup {

void applyStyleSheet(QApplication &app)
{
    QFile style(QStringLiteral(":/Styles.qss"));
    if (!style.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "Style not loaded";
        return;
    }
    app.setStyleSheet(QString::fromUtf8(style.readAll()));
}

void placeWindow(QWidget &window)
{
    window.resize(800, 600);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    window.move((area.width() - window.width()) / 2, (area.height() - window.height()) / 2);
}

bool openArgument(MainWindow &window, const QStringList &arguments)
{
    if (arguments.size() < 2 || !QFileInfo::exists(arguments.at(1)))
        return false;
    window.loadVideo(arguments.at(1));
    return true;
}

} // namespace Startup
