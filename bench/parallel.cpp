// Parallel export: the command line's export (brindlebox --export DIR
// FILE...) of 200 stereo 16-bit WAV recordings of 0.2 to 2.5 s, at 44.1 and
// 48 kHz, with its default number of jobs (one more than the cores), with
// one job a core and with --jobs 1, beside xargs running the same sox
// command lines straight into a folder (sox writing each 8SVX file itself,
// where the program takes the bare sound through a pipe), as many at once as
// there are cores and one at a time; in turns, each going first as often.
// Prints the median ratios and speed-ups, and the floor: the processor time
// of the sox processes a run started, over the cores, below which no way of
// running them can go, with each contender's time as a multiple of its own.
//
//   brindlebox_bench_parallel [rounds]

#include "benchsupport.h"
#include "converter.h"
#include "export.h"
#include "sample.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

namespace {

constexpr int sampleCount = 200;
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = qMax(1, app.arguments().value(1, QStringLiteral("11")).toInt());
    // What the program takes by default, and what xargs is given.
    const int cores = QThread::idealThreadCount();

    QTemporaryDir work;
    const QString temporary = temporaryDirectoryIn(work); // the program's too: it inherits TMPDIR
    if (temporary.isEmpty())
        return 1;
    if (!QDir(work.path()).mkpath(QStringLiteral("sources"))) {
        err() << "cannot make a work directory\n";
        return 1;
    }

    // The samples as the command line makes them of its FILE arguments with
    // no options.
    QList<Sample> samples;
    QList<int> rates;
    QStringList paths;
    for (int i = 0; i < sampleCount; ++i) {
        const QString path = work.filePath(QStringLiteral("sources/take-%1.wav").arg(i, 3, 10, QLatin1Char('0')));
        // Lengths spread evenly over 0.2 to 2.5 s, in a shuffled order.
        const double seconds = 0.2 + 2.3 * ((i * 37) % sampleCount) / (sampleCount - 1);
        const int rate = i % 2 ? 48000 : 44100;
        if (!makeWav(path, {"-r", QString::number(rate), "-c", "2", "-b", "16"},
                     {"synth", QString::number(seconds, 'f', 3), "sine", QString::number(80 + 9 * i), "gain", "-3"})) {
            err() << "sox could not make " << path << "\n";
            return 1;
        }
        samples << sampleOfFile(path);
        rates << rate;
        paths << path;
    }

    // The sox argument lists, NUL-separated for xargs -0, which then needs no
    // quoting; every list has the same length, so -n splits them apart.
    const QString argumentsPath = work.filePath(QStringLiteral("arguments"));
    auto writeArguments = [&](const QString &directory) -> int {
        QByteArray all;
        qsizetype perRun = -1;
        for (int i = 0; i < samples.size(); ++i) {
            const QStringList arguments = converterArguments(
                samples.at(i), directory + QLatin1Char('/') + exportFileName(samples.at(i).name), rates.at(i));
            if (perRun >= 0 && arguments.size() != perRun)
                return -1;
            perRun = arguments.size();
            for (const QString &argument : arguments)
                all += QFile::encodeName(argument) + '\0';
        }
        QFile file(argumentsPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(all) != all.size())
            return -1;
        return int(perRun);
    };

    // The processor time of the default program's and of the parallel
    // xargs's runs, their own and their sox processes'.
    RunTimes programTimes, shellTimes;
    auto runProgram = [&](const QString &directory, const QStringList &options) {
        return timedRun(QStringLiteral(BRINDLEBOX_PROGRAM),
                        options + QStringList{QStringLiteral("--export"), directory} + paths, directory, sampleCount,
                        QString(), options.isEmpty() ? &programTimes : nullptr);
    };
    auto runShell = [&](const QString &directory, int jobs) -> double {
        const int perRun = writeArguments(directory);
        if (perRun < 0) {
            err() << "cannot write " << argumentsPath << "\n";
            return -1;
        }
        return timedRun(QStringLiteral("xargs"),
                        {QStringLiteral("-0"), QStringLiteral("-n"), QString::number(perRun), QStringLiteral("-P"),
                         QString::number(jobs), QStringLiteral("sox")},
                        directory, sampleCount, argumentsPath, jobs == cores ? &shellTimes : nullptr);
    };

    // xargs with one job too: how much faster two sox runs at once can be on
    // the machine as it is, busy or not, for the program's speed-up to be
    // set against.
    // And the program with one job a core, as many as xargs runs, for what
    // its default of one more, which keeps a sox ready for each core while
    // it finishes a sample, gains.
    enum { Program, Shell, OneJob, ShellOneJob, JobPerCore, Contenders };
    const QStringList labels{QStringLiteral("program"), QStringLiteral("xargs"), QStringLiteral("one-job"),
                             QStringLiteral("xargs-one-job"), QStringLiteral("job-per-core")};
    // Round 0 warms the disk cache and the dynamic loader and is not counted.
    QList<QList<double>> times(Contenders);
    QList<double> shellRatios, jobPerCoreRatios, speedups, shellSpeedups;
    // The floor: sox's own processor time over the cores, which no way of
    // running sox can go below; and each contender's time as a multiple of
    // its own.
    QList<double> programSox, programOwn, programFloor, programToFloor, shellSox, shellToFloor;
    // What starting and ending the program costs whatever it exports: the
    // same kind of application as --export, answering --version.
    QList<double> startTimes;
    for (int round = 0; round <= rounds; ++round) {
        double seconds[Contenders] = {};
        for (int turn = 0; turn < Contenders; ++turn) {
            const int which = (round + turn) % Contenders;
            const QString directory = work.filePath(labels.at(which) + QStringLiteral("-%1").arg(round));
            if (!QDir().mkpath(directory)) {
                err() << "cannot make " << directory << "\n";
                return 1;
            }
            seconds[which] = which == Program    ? runProgram(directory, {})
                           : which == Shell      ? runShell(directory, cores)
                           : which == OneJob     ? runProgram(directory, {QStringLiteral("--jobs"), QStringLiteral("1")})
                           : which == JobPerCore ? runProgram(directory, {QStringLiteral("--jobs"), QString::number(cores)})
                                                 : runShell(directory, 1);
            if (seconds[which] < 0)
                return 1;
            QDir(directory).removeRecursively();
        }
        const double started = timedRun(QStringLiteral(BRINDLEBOX_PROGRAM), {QStringLiteral("--version")},
                                        work.path(), fileCount(work.path()));
        if (started < 0)
            return 1;
        if (round == 0)
            continue;
        startTimes << started;
        for (int which = 0; which < Contenders; ++which)
            times[which] << seconds[which];
        shellRatios << seconds[Program] / seconds[Shell];
        jobPerCoreRatios << seconds[JobPerCore] / seconds[Shell];
        speedups << seconds[OneJob] / seconds[Program];
        shellSpeedups << seconds[ShellOneJob] / seconds[Shell];
        programSox << programTimes.childrenCpu;
        programOwn << programTimes.ownCpu;
        programFloor << programTimes.childrenCpu / cores;
        programToFloor << seconds[Program] / (programTimes.childrenCpu / cores);
        shellSox << shellTimes.childrenCpu;
        shellToFloor << seconds[Shell] / (shellTimes.childrenCpu / cores);
    }

    auto eachRound = [](const QList<double> &values) {
        QStringList texts;
        for (double value : values)
            texts << QString::number(value, 'f', 3);
        return texts.join(QLatin1Char(' '));
    };
    printFigure(QStringLiteral("export_parallel_rounds"), rounds, 0);
    printFigure(QStringLiteral("export_parallel_cores"), cores, 0);
    printFigure(QStringLiteral("export_parallel_program_median_s"), median(times.at(Program)), 3);
    printFigure(QStringLiteral("export_parallel_shell_median_s"), median(times.at(Shell)), 3);
    printFigure(QStringLiteral("export_parallel_program_one_job_median_s"), median(times.at(OneJob)), 3);
    printFigure(QStringLiteral("export_parallel_shell_one_job_median_s"), median(times.at(ShellOneJob)), 3);
    printFigure(QStringLiteral("export_parallel_program_start_median_s"), median(startTimes), 3);
    printFigure(QStringLiteral("export_parallel_ratio_to_parallel_shell_each_round"), eachRound(shellRatios));
    printFigure(QStringLiteral("export_parallel_ratio_to_parallel_shell"), median(shellRatios), 3);
    printFigure(QStringLiteral("export_parallel_ratio_goal"), QStringLiteral("at most 1.00"));
    printFigure(QStringLiteral("export_parallel_job_per_core_median_s"), median(times.at(JobPerCore)), 3);
    printFigure(QStringLiteral("export_parallel_job_per_core_ratio_to_parallel_shell"), median(jobPerCoreRatios), 3);
    printFigure(QStringLiteral("export_parallel_speedup_each_round"), eachRound(speedups));
    printFigure(QStringLiteral("export_parallel_speedup"), median(speedups), 3);
    printFigure(QStringLiteral("export_parallel_speedup_goal"),
                QStringLiteral("at least %1").arg(0.9 * cores, 0, 'f', 2));
    printFigure(QStringLiteral("export_parallel_shell_speedup"), median(shellSpeedups), 3);
    printFigure(QStringLiteral("export_parallel_shell_speedup_each_round"), eachRound(shellSpeedups));
    printFigure(QStringLiteral("export_parallel_program_sox_cpu_median_s"), median(programSox), 3);
    printFigure(QStringLiteral("export_parallel_program_own_cpu_median_s"), median(programOwn), 3);
    printFigure(QStringLiteral("export_parallel_program_floor_median_s"), median(programFloor), 3);
    printFigure(QStringLiteral("export_parallel_program_to_floor"), median(programToFloor), 3);
    printFigure(QStringLiteral("export_parallel_program_to_floor_each_round"), eachRound(programToFloor));
    printFigure(QStringLiteral("export_parallel_shell_sox_cpu_median_s"), median(shellSox), 3);
    printFigure(QStringLiteral("export_parallel_shell_to_floor"), median(shellToFloor), 3);
    printFigure(QStringLiteral("export_parallel_files_left_in_tmpdir"), fileCount(temporary), 0);
    return 0;
}
