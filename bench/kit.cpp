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
    if (temporaryDirectoryIn(work).isEmpty() || !QDir(work.path()).mkpath(QStringLiteral("sources"))) {
        err() << "cannot make a work directory\n";
        return 1;
    }
    QStringList paths;
    for (int i = 1; i <= moduleSampleSlots; ++i) {
        const QString path = work.filePath(QStringLiteral("sources/tone-%1.wav").arg(i, 2, 10, QLatin1Char('0')));
        if (!makeWav(path, {"-r", "44100", "-c", "2", "-b", "16"}, {"synth", "1", "sine", QString::number(100 + 20 * i)})) {
            err() << "sox could not make " << path << "\n";
            return 1;
        }
        paths << path;
    }

    // Round 0 warms the disk cache and the dynamic loader and is not counted.
    QList<double> plain, withModule, ratios;
    for (int round = 0; round <= rounds; ++round) {
        double seconds[2] = {};
        for (int turn = 0; turn < 2; ++turn) {
            const int which = (round + turn) % 2;
            const QString directory = work.filePath(QStringLiteral("out-%1-%2").arg(round).arg(which));
            QStringList arguments{QStringLiteral("--export"), directory};
            if (which == 1)
                arguments << QStringLiteral("--module") << directory + QStringLiteral("/kit.mod");
            if (!QDir().mkpath(directory)
                || (seconds[which] = timedRun(QStringLiteral(BRINDLEBOX_PROGRAM), arguments + paths, directory,
                                              paths.size() + which)) < 0)
                return 1;
            QDir(directory).removeRecursively();
        }
        if (round == 0)
            continue;
        plain << seconds[0];
        withModule << seconds[1];
        ratios << seconds[1] / seconds[0];
    }
    printFigure(QStringLiteral("kit_rounds"), rounds, 0);
    printFigure(QStringLiteral("kit_export_median_s"), median(plain), 3);
    printFigure(QStringLiteral("kit_export_and_module_median_s"), median(withModule), 3);
    printFigure(QStringLiteral("kit_module_cost_ratio"), median(ratios), 3);
    return 0;
}
