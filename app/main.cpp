#include "mainwindow.h"

#include "profiles/applicationidentity.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QScreen>
#include <QtDebug>

#include <clocale>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    ApplicationIdentity::apply();
    // Qt took the locale from the environment; mpv needs C number parsing.
    std::setlocale(LC_NUMERIC, "C");

    QFile style(QStringLiteral(":/Styles.qss"));
    if (style.open(QIODevice::ReadOnly | QIODevice::Text))
        app.setStyleSheet(QString::fromUtf8(style.readAll()));
    else
        qDebug() << "Style not loaded";

    MainWindow window;
    window.resize(800, 600);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    window.move((screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2);
    window.show();

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1 && QFileInfo::exists(arguments.at(1)))
        window.loadVideo(arguments.at(1));

    app.exec();
    return EXIT_SUCCESS;
}
