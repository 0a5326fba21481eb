#include "commandoptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

using namespace options;

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
        QStringLiteral("Turns recordings (WAV, FLAC, AIFF, Ogg Vorbis, MP3 and every other sound file sox reads) into "
                       "8-bit 8SVX samples for tracker music: opens its window with "
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
                                     "(1 K = 1,024), longest first: one note at a time, whichever file then saves "
                                     "the most bytes, until it fits, so that short hits keep their notes; with "
                                     "--fit, after fitting each file. SIZE is bytes, or a number with K or M (64K, "
                                     "512K, 1M). A module that fits at no note is not written."),
                      QStringLiteral("SIZE")});
    parser.addOption({ceilingOption,
                      QStringLiteral("With --module-size: lower the notes under one ceiling instead, the highest "
                                     "note at which, each file at the lower of its own note and that one, the "
                                     "module fits.")});
    parser.addOption({trimSilenceOption,
                      QStringLiteral("With --export or --module: cut from both ends of each file whatever stays below "
                                     "-48 dB of full scale (judged over 5 ms, before normalising); "
                                     "--trim-silence=DB for DB below full scale, 1 to 96. A file silent throughout "
                                     "is made whole, and named in the report. --fit then fits the trimmed length.")});
    parser.addOption({crossfadeOption,
                      QStringLiteral("With --export or --module: crossfade each file's loop (its smpl loop) over MS "
                                     "milliseconds, the loop's end blended with the sound before its start, halfway "
                                     "between Equal Gain and Equal Power; at most the sound before the loop's start and "
                                     "half the loop. A file without a loop is made as it is, and named in the report."),
                      QStringLiteral("MS")});
    parser.addOption({sliceOption,
                      QStringLiteral("With --export or --module: replace each file by its slices, cut at its hits "
                                     "(HOW is hits), at its silences of at least 50 ms, each slice without its "
                                     "silence (silences), or into N equal parts, 2 to 64 (a number), and export "
                                     "them as NAME-01.8svx, ...; with --module they fill its first 31 slots and the "
                                     "module plays the break back after them. --fit, --module-size and "
                                     "--trim-silence apply to the slices. A file in which nothing is found to cut "
                                     "at is made whole, and named in the report."),
                      QStringLiteral("HOW")});
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
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Sound files (WAV, FLAC, AIFF, AIFF-C, Ogg Vorbis, MP3, AU, Wave64, CAF, "
                                                "8SVX; any letter case), or folders of them, to load as Load Samples does, "
                                                "or to export; --export keeps a folder's tree, and its report counts the "
                                                "files in the folders that are not sound files."),
                                 QStringLiteral("[FILE...]"));
    parser.addPositionalArgument(QStringLiteral("KIT.brindlekit"),
                                 QStringLiteral("Kits saved by the window, opened as Open Kit opens them, or exported as "
                                                "the window would: each sample with its own settings and shape, into "
                                                "its subfolder; the options set the other files only, and --fit and "
                                                "--trim-silence apply on top."),
                                 QStringLiteral("[KIT.brindlekit...]"));
}
