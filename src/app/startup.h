#pragma once

#include "sample.h"

#include <QString>
#include <QStringList>

/// Gives the running application the name and version that --version prints,
/// and, with a display, Brindlebox's icon and the desktop entry that window
/// managers and Wayland compositors know it by.
void describeApplication();

/// What Brindlebox's command line asks for.
struct CommandLine
{
    QStringList files;        // absolute paths, in order
    Sample settings;          // what the options set for every file
    QString exportDirectory;  // with --export: convert into it, no window
    QString modulePath;       // with --module: the kit as one module, no window
    int jobs = 0;             // conversions at once; 0: one for each core

    bool withoutWindow() const { return !exportDirectory.isEmpty() || !modulePath.isEmpty(); }
};

/// The exit status of a command line that cannot be carried out as given.
constexpr int usageErrorStatus = 2;

/// Reads Brindlebox's command line, \a arguments with the program first and
/// Qt's own options already taken out: answers --help and --version, or says
/// what is wrong and exits with usageErrorStatus; otherwise returns what it
/// asks for.
CommandLine readCommandLine(const QStringList &arguments);

/// All of main(): the window with the command line's files loaded, an export
/// without a window (--export), or only the answer to --help or --version;
/// only the window needs a display.
int runBrindlebox(int &argc, char **argv);
