// Trimming the silence: the command line's export of 200 recordings (a
// tone of 0.1 to 1 s between 0.05 to 0.3 s of silence, stereo 16-bit at
// 44.1 kHz) into a folder (brindlebox --export DIR FILE...) beside the
// same export with --trim-silence, in turns, each going first as often.
// Prints the median ratio of the two, and how much sound trimming saved.
//
//   brindlebox_bench_trim [rounds]

#include "benchsupport.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>

namespace {

constexpr int sampleCount = 200;

/// The bytes of every file under \a directory.
qint64 bytesUnder(const QString &directory)
{
    qint64 bytes = 0;
    QDirIterator files(directory, QDir::Files);
    while (files.hasNext()) {
        files.next();
        bytes += files.fileInfo().size();
    }
    return bytes;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = qMax(1, app.arguments().value(1, QStringLiteral("11")).toInt());
    QTemporaryDir work;
    if (!prepareWorkDirectory(work))
        return 1;
    QStringList paths;
    for (int i = 0; i < sampleCount; ++i) {
        const QString path = work.filePath(QStringLiteral("sources/hit-%1.wav").arg(i, 3, 10, QLatin1Char('0')));
        const double tone = 0.1 + 0.9 * ((i * 37) % sampleCount) / (sampleCount - 1);
        const double before = 0.05 + 0.25 * ((i * 53) % sampleCount) / (sampleCount - 1);
        const double after = 0.05 + 0.25 * ((i * 71) % sampleCount) / (sampleCount - 1);
        if (!makeWav(path, {"-r", "44100", "-c", "2", "-b", "16"},
                     {"synth", QString::number(tone, 'f', 3), "sine", QString::number(80 + 9 * i), "gain", "-3", "pad",
                      QString::number(before, 'f', 3), QString::number(after, 'f', 3)})) {
            err() << "sox could not make " << path << "\n";
            return 1;
        }
        paths << path;
    }

    qint64 written[2] = {};
    const auto times = pairedRounds(work, rounds, [&paths, &written](int which, const QString &directory) {
        QStringList arguments{QStringLiteral("--export"), directory};
        if (which == 1)
            arguments << QStringLiteral("--trim-silence");
        const double seconds = timedRun(QStringLiteral(BRINDLEBOX_PROGRAM), arguments + paths, directory, paths.size());
        written[which] = bytesUnder(directory);
        return seconds;
    });
    if (!times)
        return 1;
    const auto &[plain, trimmed] = *times;
    QList<double> ratios;
    for (int round = 0; round < plain.size(); ++round)
        ratios << trimmed.at(round) / plain.at(round);
    printFigure(QStringLiteral("trim_rounds"), rounds, 0);
    printFigure(QStringLiteral("trim_export_median_s"), median(plain), 3);
    printFigure(QStringLiteral("trim_export_trimmed_median_s"), median(trimmed), 3);
    printFigure(QStringLiteral("trim_cost_ratio"), median(ratios), 3);
    printFigure(QStringLiteral("trim_cost_ratio_goal"), QStringLiteral("at most 1.10"));
    printFigure(QStringLiteral("trim_bytes_written"), written[0], 0);
    printFigure(QStringLiteral("trim_bytes_written_trimmed"), written[1], 0);
    return 0;
}
