// Sound files that are not WAV files: what it costs that sox, not the
// program, tells their lengths and rates. 200 drum hits (0.2 to 1 s, stereo
// 16-bit, 44.1 kHz) as WAV and as FLAC files:
//  - reading the length of each, one after another, as Fit Notes to Tracker
//    Length and Fit Kit into Size do away from the window (a WAV's header
//    is read by the program, a FLAC's told by `sox --info`);
//  - the command line's export of the 200 (brindlebox --export DIR FILE...),
//    WAV beside FLAC in turns, each going first as often: a FLAC sample
//    costs a short `sox --info` before its conversion, and its decoding;
//  - the same for --fit, which reads every length first.
//
//   brindlebox_bench_formats [rounds]

#include "benchsupport.h"
#include "recording.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

namespace {

constexpr int sampleCount = 200;

/// Milliseconds to read the length of every one of \a paths, one after
/// another; -1 when one cannot be read.
double readingMs(const QStringList &paths)
{
    const qint64 start = monotonicNs();
    for (const QString &path : paths) {
        if (!readRecording(path).lengthKnown())
            return -1;
    }
    return double(monotonicNs() - start) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = qMax(1, app.arguments().value(1, QStringLiteral("11")).toInt());
    QTemporaryDir work;
    if (!prepareWorkDirectory(work))
        return 1;
    QStringList wavs, flacs;
    for (int i = 0; i < sampleCount; ++i) {
        const QString name = work.filePath(QStringLiteral("sources/hit-%1").arg(i, 3, 10, QLatin1Char('0')));
        const double seconds = 0.2 + 0.8 * ((i * 37) % sampleCount) / (sampleCount - 1);
        if (!makeWav(name + QStringLiteral(".wav"), {"-r", "44100", "-c", "2", "-b", "16"},
                     {"synth", QString::number(seconds, 'f', 3), "pluck", QString::number(60 + 3 * i), "gain", "-3"})
            || QProcess::execute(QStringLiteral("sox"), {name + QStringLiteral(".wav"), name + QStringLiteral(".flac")}) != 0) {
            err() << "sox could not make " << name << "\n";
            return 1;
        }
        wavs << name + QStringLiteral(".wav");
        flacs << name + QStringLiteral(".flac");
    }

    // Warm the disk cache and the dynamic loader first.
    readingMs(flacs);
    QList<double> wavReading, flacReading;
    for (int round = 0; round < rounds; ++round) {
        wavReading << readingMs(wavs);
        flacReading << readingMs(flacs);
        if (wavReading.constLast() < 0 || flacReading.constLast() < 0) {
            err() << "a length could not be read\n";
            return 1;
        }
    }
    printFigure(QStringLiteral("formats_rounds"), rounds, 0);
    printFigure(QStringLiteral("formats_files"), sampleCount, 0);
    printFigure(QStringLiteral("formats_read_lengths_wav_median_ms"), median(wavReading), 2);
    printFigure(QStringLiteral("formats_read_lengths_flac_median_ms"), median(flacReading), 1);
    printFigure(QStringLiteral("formats_read_length_flac_per_file_ms"), median(flacReading) / sampleCount, 2);

    for (const bool fit : {false, true}) {
        const auto times = pairedRounds(work, rounds, [&](int which, const QString &directory) {
            QStringList arguments{QStringLiteral("--export"), directory};
            if (fit)
                arguments << QStringLiteral("--fit");
            return timedRun(QStringLiteral(BRINDLEBOX_PROGRAM), arguments + (which == 0 ? wavs : flacs), directory,
                            sampleCount);
        });
        if (!times)
            return 1;
        const auto &[wav, flac] = *times;
        QList<double> ratios;
        for (int round = 0; round < wav.size(); ++round)
            ratios << flac.at(round) / wav.at(round);
        const QString prefix = fit ? QStringLiteral("formats_fit_export_") : QStringLiteral("formats_export_");
        printFigure(prefix + QStringLiteral("wav_median_s"), median(wav), 3);
        printFigure(prefix + QStringLiteral("flac_median_s"), median(flac), 3);
        printFigure(prefix + QStringLiteral("flac_to_wav_ratio"), median(ratios), 3);
        printFigure(prefix + QStringLiteral("flac_extra_per_file_ms"), (median(flac) - median(wav)) * 1000 / sampleCount, 2);
    }
    return 0;
}
