// A second yardstick for start-up, to tell where Brindlebox's time goes: a
// bare main window that, like Brindlebox, draws text (one label) and is
// linked with Qt Multimedia. Reports when it is shown and idle (see
// startupreport.h).

#include "startupreport.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMediaPlayer>

int main(int argc, char *argv[])
{
    // A use of Qt Multimedia, so the linker keeps it, as Brindlebox's
    // preview does; nothing of it is made.
    const char *multimedia = QMediaPlayer::staticMetaObject.className();
    QApplication app(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QString::fromLatin1(multimedia)));
    StartupReport report(&window);
    window.show();
    return app.exec();
}
