#pragma once

#include <QList>

#include <optional>
#include <utility>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <functional>

/// The monotonic clock in nanoseconds. One clock for every process of the
/// machine, so a launcher and its child can compare their readings.
qint64 monotonicNs();

/// The processor time this process has used so far, user and system, in
/// nanoseconds; what its children (sox) use is not counted.
qint64 processCpuNs();

/// The middle value (the mean of the two middle ones for an even count);
/// 0 for none.
double median(QList<double> values);

/// The resident set size of this process, from /proc/self/status, in KiB;
/// -1 when it cannot be read.
qint64 residentKiB();

/// The most this process has held resident since it started (VmHWM), in
/// KiB; -1 when it cannot be read.
qint64 peakResidentKiB();
/// The same for the process \a pid; -1 once it has ended.
qint64 peakResidentKiB(qint64 pid);

/// Prints one figure as "name: value" on standard output, at once.
void printFigure(const QString &name, const QString &value);
void printFigure(const QString &name, double value, int decimals);

/// Makes \a work's folder "tmp" the system temporary directory (TMPDIR) of
/// this process, where the converted files can be counted; returns its path,
/// or an empty string (said on standard error) when it cannot be made.
QString temporaryDirectoryIn(const QTemporaryDir &work);
/// The same, and a folder "sources" beside it for the files a bench makes;
/// false (said on standard error) when either cannot be made.
bool prepareWorkDirectory(const QTemporaryDir &work);

/// How many files (not folders) \a directory holds.
int fileCount(const QString &directory);

/// What a run took: its wall time, its own processor time (all its
/// threads) and that of the children it waited for (sox), in seconds.
struct RunTimes
{
    double wall = 0;
    double ownCpu = 0;
    double childrenCpu = 0;
};

/// Runs \a program with \a arguments (standard input from \a input, when
/// given) and returns its wall time in seconds, or -1 (said on standard
/// error) when it failed or \a directory did not then hold \a expectedFiles
/// files; with \a times, what it took, its own processor time apart from
/// its children's.
double timedRun(const QString &program, const QStringList &arguments, const QString &directory, int expectedFiles,
                const QString &input = QString(), RunTimes *times = nullptr);

/// Standard error, for what went wrong in a benchmark.
QTextStream &err();

/// The largest interval between the ticks of a 10 ms timer: how long the
/// event loop went without turning, and so without painting or answering.
class GapMeter
{
public:
    GapMeter();
    void start();
    /// The longest gap in milliseconds, the time to the stop included.
    double stop();

private:
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

/// Times two ways of doing one thing, \a run(0, directory) and
/// \a run(1, directory), in turns over \a rounds rounds (after one more that
/// warms the disk cache and the dynamic loader and is not counted), each
/// going first as often, each in a new folder of \a work, removed after.
/// \a run returns its seconds, or -1 when it failed. Returns the seconds of
/// each, round by round; nothing when a run failed.
std::optional<std::pair<QList<double>, QList<double>>>
pairedRounds(const QTemporaryDir &work, int rounds, const std::function<double(int which, const QString &directory)> &run);
