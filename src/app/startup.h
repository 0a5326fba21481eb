#pragma once

#include <QStringList>

/// Gives the running application the name and version that --version prints,
/// and, with a display, Brindlebox's icon and the desktop entry that window
/// managers and Wayland compositors know it by.
void describeApplication();

/// Reads Brindlebox's command line, \a arguments with the program first and
/// Qt's own options already taken out: answers --help and --version, or says
/// what is wrong, and then ends the program; otherwise returns the files it
/// names, as absolute paths, in order.
QStringList readCommandLine(const QStringList &arguments);

/// All of main(): the window with the command line's files loaded, or only
/// the answer to --help or --version, which needs no display.
int runBrindlebox(int &argc, char **argv);
