#include "startup.h"

#include "export.h"
#include "mainwindow.h"
#include "notetable.h"
#include "terminalexport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <memory>

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

// Before any application object exists: whether to make one that needs no
// display, as Qt's documentation of QCommandLineParser shows.
bool needsNoDisplay(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    describeOptions(parser);
    parser.parse(arguments);
    return parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))
        || parser.isSet(QStringLiteral("version")) || parser.isSet(exportOption) || parser.isSet(moduleOption);
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
    for (const QString &file : parser.positionalArguments())
        line.files << QDir::cleanPath(QDir::current().absoluteFilePath(file));
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
    std::unique_ptr<QCoreApplication> application;
    if (needsNoDisplay(argc, argv))
        application = std::make_unique<QCoreApplication>(argc, argv);
    else
        application = std::make_unique<QApplication>(argc, argv);
    describeApplication();
    const CommandLine line = readCommandLine(QCoreApplication::arguments());
    if (line.withoutWindow())
        return exportFromTerminal(line);

    exportJobs = line.jobs;
    MainWindow window;
    window.show();
    window.loadFiles(line.files, line.settings);
    return QCoreApplication::exec();
}
