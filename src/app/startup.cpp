#include "startup.h"

#include "export.h"
#include "folderwalk.h"
#include "mainwindow.h"
#include "notetable.h"
#include "terminalexport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

const QString exportOption = QStringLiteral("export");
const QString moduleOption = QStringLiteral("module");
const QString noteOption = QStringLiteral("note");
const QString noNormaliseOption = QStringLiteral("no-normalise");
const QString lowCutOption = QStringLiteral("low-cut");
const QString highCutOption = QStringLiteral("high-cut");
const QString jobsOption = QStringLiteral("jobs");

void describeOptions(QCommandLineParser &parser)
{
    // -platform and its kind are Qt's options, one word each.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Turns WAV recordings into 8-bit 8SVX samples for tracker music: opens its window with "
                       "the files loaded, or, with --export or --module, converts them into a folder or one module file "
                       "and ends."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({exportOption,
                      QStringLiteral("Convert the files into DIR without a window, never over a file that is "
                                     "there, and end: 0 when every file was written, 1 when some were not, "
                                     "2 when the command line is wrong."),
                      QStringLiteral("DIR")});
    parser.addOption({moduleOption,
                      QStringLiteral("Write the files as the samples of one ProTracker module FILE (at most 31, "
                                     "in order), which every tracker opens whole, without a window, never over "
                                     "a file that is there; with --export too, each file is converted once for "
                                     "both. Exit status 0 when every file is in it, 1 when some are not or it "
                                     "is not written, 2 when the command line is wrong."),
                      QStringLiteral("FILE")});
    parser.addOption({noteOption,
                      QStringLiteral("The tracker note whose rate every file is resampled to, C-1 to A-3 "
                                     "(default C-2)."),
                      QStringLiteral("NOTE")});
    parser.addOption({noNormaliseOption, QStringLiteral("Leave each file's level as it is (by default its "
                                                        "loudest peak is brought to -6 dB).")});
    parser.addOption({lowCutOption, QStringLiteral("Cut below HZ, 20 to 20000 (default: no low cut)."),
                      QStringLiteral("HZ")});
    parser.addOption({highCutOption, QStringLiteral("Cut above HZ, 20 to 20000 (default: no high cut)."),
                      QStringLiteral("HZ")});
    parser.addOption({jobsOption,
                      QStringLiteral("Convert N files at once (default: one for each processor core)."),
                      QStringLiteral("N")});
    parser.addPositionalArgument(QStringLiteral("FILE.wav"),
                                 QStringLiteral("WAV files to load, as Load Samples does, or to export."),
                                 QStringLiteral("[FILE.wav...]"));
}

[[noreturn]] void usageError(const QString &message)
{
    std::fprintf(stderr, "brindlebox: %s\nTry 'brindlebox --help'.\n", qPrintable(message));
    std::exit(usageErrorStatus);
}

/// The whole number in \a value, from \a lowest to \a highest, or a usage
/// error that says what \a option takes.
int numberOption(const QCommandLineParser &parser, const QString &option, const QString &takes, int lowest,
                 int highest)
{
    const QString value = parser.value(option);
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok || number < lowest || number > highest)
        usageError(QStringLiteral("--%1 takes %2, not '%3'").arg(option, takes, value));
    return number;
}

/// How the command line is to be read, before any application object
/// exists and so before anything needs a display.
enum class FirstLook { Plain, Help, QtOptions };

FirstLook firstLook(const QStringList &arguments)
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
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        const bool onlyQts = !unknown.isEmpty()
            && std::all_of(unknown.cbegin(), unknown.cend(), [](const QString &name) { return qtOptions.contains(name); });
        return onlyQts ? FirstLook::QtOptions : FirstLook::Plain;
    }
    const bool help = parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))
        || parser.isSet(QStringLiteral("version"));
    return help ? FirstLook::Help : FirstLook::Plain;
}

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
    QCoreApplication::setApplicationName(QStringLiteral("brindlebox"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRINDLEBOX_VERSION));
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Brindlebox"));
    QGuiApplication::setDesktopFileName(QStringLiteral(BRINDLEBOX_APP_ID));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/brindlebox.svg")));
}

CommandLine readCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    describeOptions(parser);
    if (!parser.parse(arguments))
        usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp();
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    CommandLine line;
    QStringList named;
    for (const QString &file : parser.positionalArguments())
        named << QDir::cleanPath(QDir::current().absoluteFilePath(file));
    // A folder stands for the WAV files under it.
    const FileSearch search = findWavFiles(named);
    for (const FoundFile &file : search.files) {
        line.files << file.path;
        line.subfolders << file.subfolder;
    }
    line.unreadable = search.unreadable;
    if (!named.isEmpty() && line.files.isEmpty())
        usageError(QStringLiteral("there are no WAV files in %1").arg((search.emptyFolders + search.unreadable).join(QStringLiteral(", "))));
    if (parser.isSet(noteOption)) {
        line.settings.note = parser.value(noteOption);
        if (!noteFrequencies.contains(line.settings.note)) {
            usageError(QStringLiteral("there is no note '%1'; the notes are %2")
                           .arg(line.settings.note, notesByRate().join(QStringLiteral(", "))));
        }
    }
    line.settings.normalise = !parser.isSet(noNormaliseOption);
    const QString frequency = QStringLiteral("a frequency from 20 to 20000 Hz");
    if (parser.isSet(lowCutOption)) {
        line.settings.lowCut = true;
        line.settings.lowCutFrequency = numberOption(parser, lowCutOption, frequency, 20, 20000);
    }
    if (parser.isSet(highCutOption)) {
        line.settings.highCut = true;
        line.settings.highCutFrequency = numberOption(parser, highCutOption, frequency, 20, 20000);
    }
    if (parser.isSet(jobsOption))
        line.jobs = numberOption(parser, jobsOption, QStringLiteral("a number of files from 1 up"), 1, 1024);
    if (parser.isSet(exportOption)) {
        line.exportDirectory = parser.value(exportOption);
        if (!QFileInfo(line.exportDirectory).isDir())
            usageError(QStringLiteral("there is no folder %1 to export into").arg(line.exportDirectory));
    }
    if (parser.isSet(moduleOption)) {
        line.modulePath = QDir::cleanPath(QDir::current().absoluteFilePath(parser.value(moduleOption)));
        const QString folder = QFileInfo(line.modulePath).path();
        if (parser.value(moduleOption).isEmpty() || !QFileInfo(folder).isDir())
            usageError(QStringLiteral("there is no folder %1 to write the module into").arg(folder));
    }
    if (line.withoutWindow() && line.files.isEmpty())
        usageError(QStringLiteral("no WAV files to export were named"));
    return line;
}

int runBrindlebox(int &argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // The command line is read before anything needs a display, so a wrong
    // one says so wherever it is typed; only Qt's own options wait for the
    // window's application object, which reads them.
    const FirstLook look = firstLook(arguments);
    if (look == FirstLook::Help) {
        QCoreApplication application(argc, argv);
        describeApplication();
        readCommandLine(QCoreApplication::arguments()); // answers, and ends
        return 0;
    }
    std::optional<CommandLine> line;
    if (look == FirstLook::Plain) {
        line = readCommandLine(arguments);
        if (line->withoutWindow()) {
            QCoreApplication application(argc, argv);
            describeApplication();
            return exportFromTerminal(*line);
        }
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
    window.loadFiles(line->files, line->settings);
    return QCoreApplication::exec();
}
