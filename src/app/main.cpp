#include "commandline.h"

// The program people run: what needs no window runs here, with Qt's core
// alone loaded, and the window is the other program's.
int main(int argc, char *argv[])
{
    if (const std::optional<int> status = runWithoutWindow(argc, argv))
        return *status;
    return startWindowProgram(argv);
}
