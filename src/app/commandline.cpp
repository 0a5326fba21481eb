// Reading Brindlebox's command line: every option checked, every folder
// walked and every kit read, before anything is done with them.

#include "commandline.h"

#include "budget.h"
#include "commandoptions.h"
#include "folderwalk.h"
#include "kitfile.h"
#include "module.h"
#include "notetable.h"
#include "silence.h"
#include "trackersample.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace options;

namespace {


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
        bool tooLarge = false;
        line.moduleSize = parseByteCount(value, &tooLarge);
        if (tooLarge)
            usageError(QStringLiteral("--module-size %1 is too large a number of bytes").arg(value));
        if (line.moduleSize < smallest)
            usageError(QStringLiteral("--module-size takes the most bytes the module may take, at least %1 (what a "
                                      "module without samples takes), as bytes or with K or M (64K, 512K, 1M), not '%2'")
                           .arg(QLocale(QLocale::English).toString(smallest), value));
        if (line.modulePath.isEmpty())
            usageError(QStringLiteral("--module-size goes with --module"));
    }
    line.ceiling = parser.isSet(ceilingOption);
    if (line.ceiling && line.moduleSize == 0)
        usageError(QStringLiteral("--ceiling goes with --module-size"));
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

    if (parser.isSet(crossfadeOption)) {
        const QString value = parser.value(crossfadeOption);
        bool ok = false;
        const double ms = value.toDouble(&ok);
        if (!ok || !(ms > 0 && std::isfinite(ms)))
            usageError(QStringLiteral("--crossfade takes the fade's length in milliseconds, more than 0, not '%1'").arg(value));
        if (!line.withoutWindow())
            usageError(QStringLiteral("--crossfade goes with --export or --module; in the window, Crossfade Loop… does "
                                      "the same"));
        line.crossfadeMs = ms;
    }
    if (parser.isSet(sliceOption)) {
        const QString value = parser.value(sliceOption);
        line.slice = sliceRequest(value);
        if (!line.slice)
            usageError(QStringLiteral("--slice takes hits, silences or a number of parts from 2 to 64, not '%1'").arg(value));
        if (!line.withoutWindow())
            usageError(QStringLiteral("--slice goes with --export or --module; in the waveform window, Slice at Hits, "
                                      "Slice at Silences and Slice into Equal Parts do the same"));
    }

    // A folder stands for the sound files under it; a large one is walked
    // only once the options are known to be right.
    QStringList named;
    for (const QString &file : parser.positionalArguments())
        named << QDir::cleanPath(file);
    if (line.withoutWindow() && named.isEmpty())
        usageError(QStringLiteral("no sound files to export were named"));
    const FileSearch search = findSoundFiles(named);
    for (const FoundFile &file : search.files) {
        // A folder's search brings sound files only: a kit is one named, and
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
                line.markers << entry.markers;
            }
            continue;
        }
        line.files << QDir::cleanPath(QDir::current().absoluteFilePath(file.path));
        line.origins << file;
        line.samples << sampleOfFile(line.files.constLast(), line.settings);
        line.shapes << SampleShape();
        line.markers << SliceMarkers();
    }
    line.unreadable = search.unreadable;
    line.notSound = search.notSound;
    if (!named.isEmpty() && line.files.isEmpty() && line.kitProblem.isEmpty()) {
        usageError(QStringLiteral("there are no sound files in %1")
                       .arg((search.emptyFolders + search.unreadable).join(QStringLiteral(", "))));
    }
    return line;
}

