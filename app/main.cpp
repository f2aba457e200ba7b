#include "profiles/applicationidentity.h"

#include <QApplication>

#include <cstdlib>

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    ApplicationIdentity::apply();
    return EXIT_SUCCESS;
}
