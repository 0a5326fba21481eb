// Starting the program: what a command line asks for decides whether the
// window's libraries are loaded at all.

#include "commandline.h"

#include "commandoptions.h"
#include "terminalexport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

using namespace options;

QStringList argumentsOf(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

Asked firstLook(const QStringList &arguments)
{
    // Qt's own options, which a window's application object takes out of
    // the command line (with their values) before the program reads it.
    static const QSet<QString> qtOptions{
        QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
        QStringLiteral("plugin"), QStringLiteral("qmljsdebugger"), QStringLiteral("qwindowgeometry"),
        QStringLiteral("qwindowicon"), QStringLiteral("qwindowtitle"), QStringLiteral("reverse"),
        QStringLiteral("session"), QStringLiteral("display"), QStringLiteral("geometry"), QStringLiteral("style"),
        QStringLiteral("stylesheet"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
        QStringLiteral("dograb"), QStringLiteral("sync")};
    QCommandLineParser parser;
    describeOptions(parser);
    if (!parser.parse(withTrimSilenceValue(arguments))) {
        const QStringList unknown = parser.unknownOptionNames();
        const bool onlyQts = !unknown.isEmpty()
            && std::all_of(unknown.cbegin(), unknown.cend(), [](const QString &name) { return qtOptions.contains(name); });
        return onlyQts ? Asked::WindowWithQtOptions : Asked::NoWindow;
    }
    for (const QString &option : {QStringLiteral("help"), QStringLiteral("help-all"), QStringLiteral("version"),
                                  notesOption, exportOption, moduleOption}) {
        if (parser.isSet(option))
            return Asked::NoWindow;
    }
    return Asked::Window;
}

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("brindlebox"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRINDLEBOX_VERSION));
}


std::optional<int> runWithoutWindow(int &argc, char **argv)
{
    if (firstLook(argumentsOf(argc, argv)) != Asked::NoWindow)
        return std::nullopt;
    QCoreApplication application(argc, argv);
    nameApplication();
    // Answers --help and --version, and ends a wrong command line, itself.
    return exportFromTerminal(readCommandLine(QCoreApplication::arguments()));
}

int startWindowProgram(char **argv)
{
    // Beside this program in the build, in its libexec folder once installed.
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self);
    const QByteArray program = length > 0 ? QByteArray(self, int(length)) : QByteArray("./brindlebox");
    const QByteArray folder = program.left(program.lastIndexOf('/'));
    QByteArray window = folder + "/brindlebox-window";
    if (::access(window.constData(), X_OK) != 0)
        window = folder + "/" BRINDLEBOX_WINDOW_FROM_BIN;
    ::execv(window.constData(), argv);
    std::fprintf(stderr, "brindlebox: cannot start the window, %s: %s\n", window.constData(), std::strerror(errno));
    return 1;
}

