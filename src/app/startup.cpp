#include "startup.h"

#include "export.h"
#include "kitfile.h"
#include "mainwindow.h"
#include "question.h"
#include "terminalexport.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <optional>

namespace {

/// Whether the window can be expected to find a display: one is named, or
/// a platform is chosen that needs none (offscreen, say).
bool displayAvailable()
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platform.startsWith(QLatin1String("xcb")))
        return !qEnvironmentVariableIsEmpty("DISPLAY");
    if (platform.startsWith(QLatin1String("wayland")))
        return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    return !platform.isEmpty() || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

void describeApplication()
{
    nameApplication();
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Brindlebox"));
    QGuiApplication::setDesktopFileName(QStringLiteral(BRINDLEBOX_APP_ID));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/brindlebox.svg")));
}

int runBrindlebox(int &argc, char **argv)
{
    if (const std::optional<int> status = runWithoutWindow(argc, argv))
        return *status;
    // The window's command line is read before anything needs a display, so
    // a wrong one says so wherever it is typed; only Qt's own options wait
    // for the application object, which takes them out.
    std::optional<CommandLine> line;
    if (const QStringList arguments = argumentsOf(argc, argv); firstLook(arguments) == Asked::Window) {
        line = readCommandLine(arguments);
        if (!displayAvailable()) {
            std::fprintf(stderr, "brindlebox: there is no display to open the window on (DISPLAY is not set); "
                                 "--export DIR or --module FILE convert without one\n");
            return 1;
        }
    }

    QApplication application(argc, argv);
    describeApplication();
    if (!line)
        line = readCommandLine(QCoreApplication::arguments());
    if (line->withoutWindow())
        return exportFromTerminal(*line);
    for (const QString &folder : std::as_const(line->unreadable))
        std::fprintf(stderr, "brindlebox: cannot read %s\n", qPrintable(folder));
    exportJobs = line->jobs;
    MainWindow window;
    window.show();
    // What was named opens as Open Kit opens a kit: a kit that cannot be
    // opened says so, and nothing is loaded.
    if (!line->kitProblem.isEmpty()) {
        warnUser(QStringLiteral("Open Kit"), line->kitProblem);
    } else {
        Kit named{{}, line->kitOutputDirectory};
        for (int i = 0; i < line->files.size(); ++i)
            named.entries << KitEntry{line->samples.at(i), line->shapes.at(i), line->origins.at(i),
                                      line->markers.value(i)};
        if (window.loadKit(named))
            window.noteFilesNotSound(line->notSound);
    }
    return QCoreApplication::exec();
}
