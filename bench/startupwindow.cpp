// Brindlebox's start-up as its main() does it, with the main window of the
// program's own code. Reports when it is shown and idle (see
// startupreport.h).

#include "mainwindow.h"
#include "startup.h"
#include "startupreport.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    describeApplication();
    MainWindow window;
    StartupReport report(&window);
    window.show();
    return app.exec();
}
