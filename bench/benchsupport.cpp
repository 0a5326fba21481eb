#include "benchsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <ctime>
#include <sys/resource.h>

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
                const QString &input)
{
    // Far beyond any run here; only so that nothing can wait for ever.
    constexpr int runLimitMs = 300000;
    QProcess process;
    if (!input.isEmpty())
        process.setStandardInputFile(input);
    const qint64 start = monotonicNs();
    process.start(program, arguments);
    const bool finished = process.waitForFinished(runLimitMs);
    const double seconds = (monotonicNs() - start) / 1e9;
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0
        || fileCount(directory) != expectedFiles) {
        err() << program << " wrote " << fileCount(directory) << " of " << expectedFiles << " files into "
              << directory << ": " << process.readAllStandardError() << "\n";
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return seconds;
}
