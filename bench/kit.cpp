// The kit's module: the command line's export of 31 one-second stereo
// 44.1 kHz 16-bit WAV files into a folder (brindlebox --export DIR FILE...)
// beside the same export that also writes them as one module
// (--module DIR/kit.mod), in turns, each going first as often. Prints the
// median ratio of the two.
//
//   brindlebox_bench_kit [rounds]

#include "benchsupport.h"
#include "module.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = qMax(1, app.arguments().value(1, QStringLiteral("11")).toInt());
    QTemporaryDir work;
    if (!prepareWorkDirectory(work))
        return 1;
    QStringList paths;
    for (int i = 1; i <= moduleSampleSlots; ++i) {
        const QString path = work.filePath(QStringLiteral("sources/tone-%1.wav").arg(i, 2, 10, QLatin1Char('0')));
        if (!makeWav(path, {"-r", "44100", "-c", "2", "-b", "16"}, {"synth", "1", "sine", QString::number(100 + 20 * i)})) {
            err() << "sox could not make " << path << "\n";
            return 1;
        }
        paths << path;
    }

    const auto times = pairedRounds(work, rounds, [&paths](int which, const QString &directory) {
        QStringList arguments{QStringLiteral("--export"), directory};
        if (which == 1)
            arguments << QStringLiteral("--module") << directory + QStringLiteral("/kit.mod");
        return timedRun(QStringLiteral(BRINDLEBOX_PROGRAM), arguments + paths, directory, paths.size() + which);
    });
    if (!times)
        return 1;
    const auto &[plain, withModule] = *times;
    QList<double> ratios;
    for (int round = 0; round < plain.size(); ++round)
        ratios << withModule.at(round) / plain.at(round);
    printFigure(QStringLiteral("kit_rounds"), rounds, 0);
    printFigure(QStringLiteral("kit_export_median_s"), median(plain), 3);
    printFigure(QStringLiteral("kit_export_and_module_median_s"), median(withModule), 3);
    printFigure(QStringLiteral("kit_module_cost_ratio"), median(ratios), 3);
    return 0;
}
