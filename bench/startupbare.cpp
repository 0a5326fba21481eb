// The yardstick for start-up: a bare Qt program that shows an empty main
// window. Reports when it is shown and idle (see startupreport.h).

#include "startupreport.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    StartupReport report(&window);
    window.show();
    return app.exec();
}
