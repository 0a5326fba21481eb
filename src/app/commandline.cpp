#include "commandline.h"

#include "folderwalk.h"
#include "budget.h"
#include "kitfile.h"
#include "module.h"
#include "silence.h"
#include "notetable.h"
#include "trackersample.h"
#include "terminalexport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

const QString exportOption = QStringLiteral("export");
const QString moduleOption = QStringLiteral("module");
const QString noteOption = QStringLiteral("note");
const QString noNormaliseOption = QStringLiteral("no-normalise");
const QString lowCutOption = QStringLiteral("low-cut");
const QString highCutOption = QStringLiteral("high-cut");
const QString jobsOption = QStringLiteral("jobs");
const QString fitOption = QStringLiteral("fit");
const QString moduleSizeOption = QStringLiteral("module-size");
const QString notesOption = QStringLiteral("notes");
const QString trimSilenceOption = QStringLiteral("trim-silence");
// --trim-silence=DB, as QCommandLineParser cannot give a flag a value of its
// own: the value comes under this name, which --help does not show.
const QString trimSilenceDbOption = QStringLiteral("trim-silence-db");

/// \a arguments with --trim-silence=DB (or -trim-silence=DB) as
/// --trim-silence-db DB, up to a "--" after which every argument is a file.
QStringList withTrimSilenceValue(const QStringList &arguments)
{
    QStringList taken;
    bool options = true;
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--"))
            options = false;
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString name = argument.left(equals);
        if (options && equals > 0 && (name == QLatin1String("--trim-silence") || name == QLatin1String("-trim-silence")))
            taken << QStringLiteral("--") + trimSilenceDbOption << argument.mid(equals + 1);
        else
            taken << argument;
    }
    return taken;
}

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
    parser.addOption({fitOption,
                      QStringLiteral("With --export or --module: make each file at the highest note, from --note "
                                     "down, at which classic trackers play it whole (65,534 bytes); one that fits "
                                     "at no note at C-1. Each lowered note is named as it is written, and in the "
                                     "report.")});
    parser.addOption({moduleSizeOption,
                      QStringLiteral("With --module: lower the notes so that the module takes at most SIZE bytes "
                                     "(1 K = 1,024): at the highest note, each file at the lower of its own note "
                                     "and that one, at which it fits; with --fit, after fitting each file. SIZE is "
                                     "bytes, or a number with K or M (64K, 512K, 1M). A module that fits at no "
                                     "note is not written."),
                      QStringLiteral("SIZE")});
    parser.addOption({trimSilenceOption,
                      QStringLiteral("With --export or --module: cut from both ends of each file whatever stays below "
                                     "-48 dB of full scale (judged over 5 ms, before normalising); "
                                     "--trim-silence=DB for DB below full scale, 1 to 96. A file silent throughout "
                                     "is made whole, and named in the report. --fit then fits the trimmed length.")});
    QCommandLineOption trimSilenceDb(trimSilenceDbOption, QString(), QStringLiteral("DB"));
    trimSilenceDb.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(trimSilenceDb);
    parser.addOption({notesOption,
                      QStringLiteral("Print every note: its rate, the seconds of sound that 65,534 and 131,070 "
                                     "bytes hold at it (what classic trackers play and hold), and its name in "
                                     "FastTracker 2 and MilkyTracker, and in Impulse Tracker and Schism Tracker. "
                                     "The notes are ProTracker's, at PAL rates.")});
    parser.addOption({jobsOption,
                      QStringLiteral("Convert N files at once (default: one more than the processor cores)."),
                      QStringLiteral("N")});
    parser.addPositionalArgument(QStringLiteral("FILE.wav"),
                                 QStringLiteral("WAV files, or folders of them, to load as Load Samples does, or to export; "
                                                "--export keeps a folder's tree."),
                                 QStringLiteral("[FILE.wav...]"));
    parser.addPositionalArgument(QStringLiteral("KIT.brindlekit"),
                                 QStringLiteral("Kits saved by the window, opened as Open Kit opens them, or exported as "
                                                "the window would: each sample with its own settings and shape, into "
                                                "its subfolder; the options set the other files only, and --fit and "
                                                "--trim-silence apply on top."),
                                 QStringLiteral("[KIT.brindlekit...]"));
}

/// One line per note, lowest first: its name and rate, the seconds that
/// 65,534 and 131,070 bytes last at it, and its names in the trackers that
/// count octaves otherwise.
QString noteTable()
{
    QString table;
    for (const QString &note : notesByRate()) {
        const double rate = noteFrequencies.value(note);
        table += QStringLiteral("%1  %2 Hz  %3 s  %4 s  FastTracker 2, MilkyTracker: %5  Impulse Tracker, Schism Tracker: %6\n")
                     .arg(note)
                     .arg(int(rate), 5)
                     .arg(classicTrackerSampleBytes / rate, 5, 'f', 2)
                     .arg(trackerSampleBytesLimit / rate, 5, 'f', 2)
                     .arg(fastTrackerNote(note), impulseTrackerNote(note));
    }
    return table;
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

} // namespace

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

CommandLine readCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    describeOptions(parser);
    if (!parser.parse(withTrimSilenceValue(arguments)))
        usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp();
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (parser.isSet(notesOption)) {
        std::fputs(qPrintable(noteTable()), stdout);
        std::exit(0);
    }

    CommandLine line;
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
        line.modulePath = parser.value(moduleOption);
        const QFileInfo module(line.modulePath);
        if (module.fileName().isEmpty())
            usageError(QStringLiteral("the module's file name is empty"));
        if (!QFileInfo(module.path()).isDir())
            usageError(QStringLiteral("there is no folder %1 to write the module into").arg(module.path()));
    }

    if (parser.isSet(moduleSizeOption)) {
        const QString value = parser.value(moduleSizeOption);
        const qint64 smallest = moduleSize({});
        line.moduleSize = parseByteCount(value);
        if (line.moduleSize < smallest)
            usageError(QStringLiteral("--module-size takes the most bytes the module may take, at least %1 (what a "
                                      "module without samples takes), as bytes or with K or M (64K, 512K, 1M), not '%2'")
                           .arg(QLocale(QLocale::English).toString(smallest), value));
        if (line.modulePath.isEmpty())
            usageError(QStringLiteral("--module-size goes with --module"));
    }
    line.fit = parser.isSet(fitOption);
    if (line.fit && !line.withoutWindow())
        usageError(QStringLiteral("--fit goes with --export or --module; in the window, Fit Notes to Tracker Length "
                                  "does the same"));
    if (parser.isSet(trimSilenceDbOption)) {
        const QString value = parser.value(trimSilenceDbOption);
        bool ok = false;
        const double db = value.toDouble(&ok);
        if (!ok || !(db >= 1 && db <= 96))
            usageError(QStringLiteral("--trim-silence takes a number of dB below full scale, from 1 to 96, not '%1'")
                           .arg(value));
        line.trimSilenceDb = db;
    } else if (parser.isSet(trimSilenceOption)) {
        line.trimSilenceDb = defaultSilenceDb;
    }
    if (line.trimSilenceDb && !line.withoutWindow())
        usageError(QStringLiteral("--trim-silence goes with --export or --module; in the window, Trim Silence of All "
                                  "Samples does the same"));

    // A folder stands for the WAV files under it; a large one is walked
    // only once the options are known to be right.
    QStringList named;
    for (const QString &file : parser.positionalArguments())
        named << QDir::cleanPath(file);
    if (line.withoutWindow() && named.isEmpty())
        usageError(QStringLiteral("no WAV files to export were named"));
    const FileSearch search = findWavFiles(named);
    for (const FoundFile &file : search.files) {
        // A folder's search brings WAV files only: a kit is one named, and
        // stands for its samples in its place.
        if (isKitFileName(file.path)) {
            const KitReading reading = readKit(file.path);
            if (!reading.problem.isEmpty() && line.withoutWindow())
                usageError(reading.problem);
            if (line.kitProblem.isEmpty())
                line.kitProblem = reading.problem;
            if (line.kitOutputDirectory.isEmpty())
                line.kitOutputDirectory = reading.kit.outputDirectory;
            for (const KitEntry &entry : reading.kit.entries) {
                line.files << entry.sample.path;
                line.origins << entry.origin;
                line.samples << entry.sample;
                line.shapes << entry.shape;
            }
            continue;
        }
        line.files << QDir::cleanPath(QDir::current().absoluteFilePath(file.path));
        line.origins << file;
        line.samples << sampleOfFile(line.files.constLast(), line.settings);
        line.shapes << SampleShape();
    }
    line.unreadable = search.unreadable;
    if (!named.isEmpty() && line.files.isEmpty() && line.kitProblem.isEmpty()) {
        usageError(QStringLiteral("there are no WAV files in %1")
                       .arg((search.emptyFolders + search.unreadable).join(QStringLiteral(", "))));
    }
    return line;
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
