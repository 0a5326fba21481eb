#pragma once

#include "folderwalk.h"
#include "sample.h"
#include "slicebatch.h"

#include <QString>
#include <QStringList>

#include <optional>

/// What Brindlebox's command line asks for.
struct CommandLine
{
    QStringList files;        // absolute paths, in order; a folder's sound files, or a kit's recordings, in its place
    QList<FoundFile> origins; // each file as named, with its folder under the folder named (a kit's: its subfolder)
    QList<Sample> samples;    // one for each file: a kit's own settings for its samples, the options' for the rest
    QList<SampleShape> shapes; // one for each file: a kit's shape for its samples, the whole recording for the rest
    QList<SliceMarkers> markers; // one for each file: a kit's slice markers for its samples, none for the rest
    QString kitOutputDirectory; // the output directory of the first kit named that keeps one still there
    QString kitProblem;       // for the window: why a kit named cannot be opened (without it, a usage error)
    QStringList unreadable;   // folders that could not be read: "folder: reason"
    qsizetype notSound = 0;   // files in the folders named that are not sound files, left out
    Sample settings;          // what the options set for every file
    QString exportDirectory;  // with --export: convert into it, no window
    QString modulePath;       // with --module: the kit as one module, no window; as typed
    int jobs = 0;             // conversions at once; 0: one more than the cores
    bool fit = false;         // with --fit: each file at the highest note, from its own down, that a tracker plays whole
    std::optional<double> trimSilenceDb; // with --trim-silence: cut what stays this far below full scale at both ends
    qint64 moduleSize = 0;    // with --module-size: the most bytes the module may take; 0: as many as it takes
    std::optional<double> crossfadeMs; // with --crossfade: each loop crossfaded over so many milliseconds
    std::optional<SliceRequest> slice; // with --slice: each file replaced by its slices
    bool ceiling = false;     // with --ceiling: the module fitted under one ceiling note, not longest first

    bool withoutWindow() const { return !exportDirectory.isEmpty() || !modulePath.isEmpty(); }
};

/// The exit status of a command line that cannot be carried out as given.
constexpr int usageErrorStatus = 2;

/// Reads Brindlebox's command line, \a arguments with the program first and
/// none of Qt's own options: answers --help, --version and --notes, or says what is
/// wrong and exits with usageErrorStatus; otherwise returns what it asks
/// for, each folder named standing for the sound files under it and each kit
/// file (*.brindlekit) for its samples, read and checked whole.
CommandLine readCommandLine(const QStringList &arguments);

/// The program's arguments as Qt reads them.
QStringList argumentsOf(int argc, char **argv);

/// What a command line asks for, as its options alone say, before anything
/// needs a display.
enum class Asked {
    NoWindow,           // --help, --version, --notes, --export, --module, or a wrong command line
    Window,             // the window, with the files named
    WindowWithQtOptions // the window, and options of Qt's own, which only its application object reads
};
Asked firstLook(const QStringList &arguments);

/// Gives the running application the name and version that --version prints.
void nameApplication();

/// All that needs no window, without loading anything of the window's:
/// answers --help, --version and --notes, ends a wrong command line with its
/// message, and carries out --export and --module, returning the exit
/// status; nothing when the command line asks for the window.
std::optional<int> runWithoutWindow(int &argc, char **argv);

/// Replaces this process with the window's program, which is given \a argv;
/// returns only when that cannot be done, with the exit status.
int startWindowProgram(char **argv);
