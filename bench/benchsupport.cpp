#include "benchsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <ctime>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

qint64 processCpuNs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ns = [](const timeval &t) { return qint64(t.tv_sec) * 1000000000 + qint64(t.tv_usec) * 1000; };
    return ns(usage.ru_utime) + ns(usage.ru_stime);
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values.at(middle) : (values.at(middle - 1) + values.at(middle)) / 2;
}

namespace {

/// One of the sizes /proc/<process>/status gives in kB, such as "VmRSS:".
qint64 statusKiB(const QByteArray &field, const QString &process = QStringLiteral("self"))
{
    QFile status(QStringLiteral("/proc/%1/status").arg(process));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    // "VmRSS:     12345 kB"
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

qint64 residentKiB()
{
    return statusKiB("VmRSS:");
}

qint64 peakResidentKiB()
{
    return statusKiB("VmHWM:");
}

qint64 peakResidentKiB(qint64 pid)
{
    return statusKiB("VmHWM:", QString::number(pid));
}

void printFigure(const QString &name, const QString &value)
{
    QTextStream out(stdout);
    out << name << ": " << value << Qt::endl;
}

void printFigure(const QString &name, double value, int decimals)
{
    printFigure(name, QString::number(value, 'f', decimals));
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

int fileCount(const QString &directory)
{
    return int(QDir(directory).entryList(QDir::Files).size());
}

QString temporaryDirectoryIn(const QTemporaryDir &work)
{
    if (!work.isValid() || !QDir(work.path()).mkpath(QStringLiteral("tmp"))) {
        err() << "cannot make a work directory\n";
        return QString();
    }
    const QString temporary = work.filePath(QStringLiteral("tmp"));
    qputenv("TMPDIR", QFile::encodeName(temporary));
    return temporary;
}

bool prepareWorkDirectory(const QTemporaryDir &work)
{
    if (temporaryDirectoryIn(work).isEmpty())
        return false;
    if (!QDir(work.path()).mkpath(QStringLiteral("sources"))) {
        err() << "cannot make a work directory\n";
        return false;
    }
    return true;
}

GapMeter::GapMeter()
{
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        const qint64 now = monotonicNs();
        m_longest = qMax(m_longest, now - m_last);
        m_last = now;
    });
}

void GapMeter::start()
{
    m_longest = 0;
    m_last = monotonicNs();
    m_timer.start(10);
}

double GapMeter::stop()
{
    m_timer.stop();
    return qMax(m_longest, monotonicNs() - m_last) / 1e6;
}

double timedRun(const QString &program, const QStringList &arguments, const QString &directory, int expectedFiles,
                const QString &input, RunTimes *times)
{
    QFile said(QDir(directory).filePath(QStringLiteral("../said-%1").arg(::getpid())));
    QList<QByteArray> words{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        words << QFile::encodeName(argument);
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO,
                                     input.isEmpty() ? "/dev/null" : QFile::encodeName(input).constData(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, QFile::encodeName(said.fileName()).constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const qint64 start = monotonicNs();
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, argv.front(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        err() << program << " could not be started\n";
        return -1;
    }
    // Waited for but not yet reaped, the program still tells its own
    // processor time and that of the children it reaped (sox), apart.
    siginfo_t info{};
    const bool ended = ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT) == 0;
    const double seconds = (monotonicNs() - start) / 1e9;
    if (times && ended) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (stat.open(QIODevice::ReadOnly)) {
            // After "pid (comm) ": state is field 3, utime 14 to cstime 17.
            const QByteArray line = stat.readAll();
            const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
            const double tick = double(::sysconf(_SC_CLK_TCK));
            times->ownCpu = (fields.value(11).toDouble() + fields.value(12).toDouble()) / tick;
            times->childrenCpu = (fields.value(13).toDouble() + fields.value(14).toDouble()) / tick;
        }
    }
    if (!ended)
        ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || fileCount(directory) != expectedFiles) {
        said.open(QIODevice::ReadOnly);
        err() << program << " wrote " << fileCount(directory) << " of " << expectedFiles << " files into "
              << directory << ": " << said.readAll() << "\n";
        said.remove();
        return -1;
    }
    said.remove();
    if (times)
        times->wall = seconds;
    return seconds;
}

std::optional<std::pair<QList<double>, QList<double>>>
pairedRounds(const QTemporaryDir &work, int rounds, const std::function<double(int which, const QString &directory)> &run)
{
    std::pair<QList<double>, QList<double>> times;
    for (int round = 0; round <= rounds; ++round) {
        double seconds[2] = {};
        for (int turn = 0; turn < 2; ++turn) {
            const int which = (round + turn) % 2;
            const QString directory = work.filePath(QStringLiteral("out-%1-%2").arg(round).arg(which));
            if (!QDir().mkpath(directory) || (seconds[which] = run(which, directory)) < 0)
                return std::nullopt;
            QDir(directory).removeRecursively();
        }
        if (round == 0)
            continue;
        times.first << seconds[0];
        times.second << seconds[1];
    }
    return times;
}
