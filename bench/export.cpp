// Export overhead: what the program adds to the sox runs an export is made
// of. Exports 50 one-second stereo 44.1 kHz 16-bit WAV files by clicking
// the real Export button, one at a time, runs the same 50 sox command lines
// from a bash script, and, to tell the program's own work from how it starts
// sox, runs them from a plain QProcess loop too, in turns; prints the median
// ratios.
//
//   brindlebox_bench_export [rounds]
//
// Meant for the offscreen platform (bench/run sets it up).

#include "benchsupport.h"
#include "converter.h"
#include "export.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

constexpr int sampleCount = 50;

/// One word for bash: single-quoted, with each ' written as '\''.
QString shellQuoted(const QString &word)
{
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

/// A script with one sox line per sample, each with the argument list the
/// program would give it, but writing straight into \a directory.
QString shellScript(const QList<Sample> &samples, const QString &directory)
{
    QString script = QStringLiteral("set -e\n");
    for (const Sample &sample : samples) {
        QStringList words{QStringLiteral("sox")};
        const QString output = directory + QLatin1Char('/') + exportFileName(sample.name);
        for (const QString &argument : converterArguments(sample, output))
            words << shellQuoted(argument);
        script += words.join(QLatin1Char(' ')) + QLatin1Char('\n');
    }
    return script;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int rounds = qMax(1, app.arguments().value(1, QStringLiteral("7")).toInt());

    QTemporaryDir work;
    const QString temporary = temporaryDirectoryIn(work);
    if (temporary.isEmpty())
        return 1;
    if (!QDir(work.path()).mkpath(QStringLiteral("sources"))) {
        err() << "cannot make a work directory\n";
        return 1;
    }

    MainWindow window;
    window.show();
    auto *list = window.findChild<QComboBox *>("sampleCombo");
    auto *exportButton = window.findChild<QPushButton *>("ExportButton");
    for (int i = 1; i <= sampleCount; ++i) {
        Sample sample;
        sample.name = QStringLiteral("tone-%1.wav").arg(i, 2, 10, QLatin1Char('0'));
        sample.path = work.filePath(QStringLiteral("sources/") + sample.name);
        sample.ready = true; // so Export asks nothing
        if (!makeWav(sample.path, {"-r", "44100", "-c", "2", "-b", "16"},
                     {"synth", "1", "sine", QString::number(100 + 20 * i)})) {
            err() << "sox could not make " << sample.path << "\n";
            return 1;
        }
        appendSample(list, sample);
    }
    // As after a load, so the buttons can be clicked.
    window.findChild<QWidget *>("centralwidget")->setEnabled(true);
    // One sox at a time, as in the shell script and the QProcess loop, so
    // the difference is the program's own work; converting on every core is
    // what brindlebox_bench_parallel measures.
    exportJobs = 1;
    QApplication::processEvents();
    const QList<Sample> samples = allSamples(list);

    QList<double> programCpuMs; // per sample, this process only
    auto runProgram = [&](const QString &directory) -> double {
        outputDirectory = directory;
        ModalDriver driver; // any dialog would mean a sample was not written
        const qint64 start = monotonicNs();
        const qint64 cpuStart = processCpuNs();
        exportButton->click();
        const double seconds = (monotonicNs() - start) / 1e9;
        programCpuMs << (processCpuNs() - cpuStart) / 1e6 / sampleCount;
        if (driver.unexpected() > 0 || fileCount(directory) != sampleCount) {
            err() << "the program wrote " << fileCount(directory) << " of " << sampleCount
                  << " files into " << directory << "\n";
            return -1;
        }
        return seconds;
    };
    auto runShell = [&](const QString &directory) -> double {
        const QString scriptPath = directory + QStringLiteral(".sh");
        QFile script(scriptPath);
        if (!script.open(QIODevice::WriteOnly) || script.write(shellScript(samples, directory).toUtf8()) < 0) {
            err() << "cannot write " << scriptPath << "\n";
            return -1;
        }
        script.close();
        QProcess bash;
        const qint64 start = monotonicNs();
        bash.start(QStringLiteral("bash"), {scriptPath});
        const bool finished = bash.waitForFinished(-1);
        const double seconds = (monotonicNs() - start) / 1e9;
        if (!finished || bash.exitStatus() != QProcess::NormalExit || bash.exitCode() != 0
            || fileCount(directory) != sampleCount) {
            err() << "the shell script wrote " << fileCount(directory) << " of " << sampleCount
                  << " files into " << directory << ": " << bash.readAllStandardError() << "\n";
            return -1;
        }
        return seconds;
    };

    // The same argument lists run one after another by QProcess, as the
    // program starts sox: what the program's own work around each run (its
    // temporary file, the copy, the log) costs, apart from how sox is started.
    auto runLoop = [&](const QString &directory) -> double {
        const qint64 start = monotonicNs();
        for (const Sample &sample : samples) {
            QProcess sox;
            sox.start(QStringLiteral("sox"),
                      converterArguments(sample, directory + QLatin1Char('/') + exportFileName(sample.name)));
            if (!sox.waitForFinished(-1) || sox.exitStatus() != QProcess::NormalExit || sox.exitCode() != 0) {
                err() << "sox failed on " << sample.path << ": " << sox.readAllStandardError() << "\n";
                return -1;
            }
        }
        return (monotonicNs() - start) / 1e9;
    };

    enum { Program, Shell, Loop, Contenders };
    const QStringList labels{QStringLiteral("program"), QStringLiteral("shell"), QStringLiteral("loop")};
    // Round 0 warms the disk cache and the dynamic loader and is not counted.
    // They take turns going first, so none always runs on a warmer machine.
    QList<QList<double>> times(Contenders);
    QList<double> shellRatios, loopRatios;
    for (int round = 0; round <= rounds; ++round) {
        double seconds[Contenders] = {};
        for (int turn = 0; turn < Contenders; ++turn) {
            const int which = (round + turn) % Contenders;
            const QString directory = work.filePath(labels.at(which) + QStringLiteral("-%1").arg(round));
            if (!QDir().mkpath(directory)) {
                err() << "cannot make " << directory << "\n";
                return 1;
            }
            seconds[which] = which == Program ? runProgram(directory)
                           : which == Shell   ? runShell(directory)
                                              : runLoop(directory);
            if (seconds[which] < 0)
                return 1;
            QDir(directory).removeRecursively();
            QFile::remove(directory + QStringLiteral(".sh"));
        }
        if (round == 0)
            continue;
        for (int which = 0; which < Contenders; ++which)
            times[which] << seconds[which];
        shellRatios << seconds[Program] / seconds[Shell];
        loopRatios << seconds[Program] / seconds[Loop];
    }

    QStringList eachRound;
    for (double ratio : shellRatios)
        eachRound << QString::number(ratio, 'f', 3);
    const double program = median(times.at(Program));
    const double shell = median(times.at(Shell));
    const double loop = median(times.at(Loop));
    printFigure(QStringLiteral("export_rounds"), rounds, 0);
    printFigure(QStringLiteral("export_program_median_s"), program, 3);
    printFigure(QStringLiteral("export_shell_median_s"), shell, 3);
    printFigure(QStringLiteral("export_qprocess_loop_median_s"), loop, 3);
    printFigure(QStringLiteral("export_ratio_each_round"), eachRound.join(QLatin1Char(' ')));
    printFigure(QStringLiteral("export_ratio_median"), median(shellRatios), 3);
    printFigure(QStringLiteral("export_ratio_to_qprocess_loop_median"), median(loopRatios), 3);
    printFigure(QStringLiteral("export_own_work_per_sample_ms"), (program - loop) * 1000 / sampleCount, 2);
    // The first round warmed up and is not counted.
    printFigure(QStringLiteral("export_own_cpu_per_sample_ms"), median(programCpuMs.mid(1)), 3);
    printFigure(QStringLiteral("export_files_left_in_tmpdir"), fileCount(temporary), 0);
    return 0;
}
