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
    QStringList files;        // absolute paths, in order; a folder's WAV files in its place
    QStringList subfolders;   // each file's folder under the folder named, or empty
    QStringList unreadable;   // folders that could not be read: "folder: reason"
    Sample settings;          // what the options set for every file
    QString exportDirectory;  // with --export: convert into it, no window
    QString modulePath;       // with --module: the kit as one module, no window
    int jobs = 0;             // conversions at once; 0: one for each core

    bool withoutWindow() const { return !exportDirectory.isEmpty() || !modulePath.isEmpty(); }
};

/// The exit status of a command line that cannot be carried out as given.
constexpr int usageErrorStatus = 2;

/// Reads Brindlebox's command line, \a arguments with the program first and
/// none of Qt's own options: answers --help and --version, or says what is
/// wrong and exits with usageErrorStatus; otherwise returns what it asks
/// for, each folder named standing for the WAV files under it.
CommandLine readCommandLine(const QStringList &arguments);

/// All of main(): the window with the command line's files loaded, an export
/// without a window (--export, --module), or only the answer to --help or
/// --version. The command line is read first: only a right one that opens
/// the window needs a display.
int runBrindlebox(int &argc, char **argv);
