#pragma once

#include "commandline.h"

/// Gives the running application the name and version that --version prints,
/// and, with a display, Brindlebox's icon and the desktop entry that window
/// managers and Wayland compositors know it by.
void describeApplication();

/// All of main(): the window with the command line's files loaded, an export
/// without a window (--export, --module), or only the answer to --help or
/// --version. The command line is read first: only a right one that opens
/// the window needs a display.
int runBrindlebox(int &argc, char **argv);
