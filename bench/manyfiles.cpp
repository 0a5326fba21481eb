// A pack from the command line: brindlebox --export DIR PACK, where PACK
// holds 10,000 short WAV files (0.05 s mono 16-bit 44.1 kHz tones) in 10
// folders, with its default number of jobs, run as a user runs it. While it
// runs, its peak resident set size (VmHWM), open descriptors and processor
// time are read from /proc every 20 ms; its sox runs are other processes and
// not in them. Prints the wall time, files per second, the peak, the fewest
// and most descriptors open, the processor time per file, and what is left
// in the temporary folder.
//
//   brindlebox_bench_manyfiles [files]

#include "benchsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>

#include <cmath>
#include <unistd.h>

namespace {

constexpr int folders = 10;

/// A mono 16-bit 44.1 kHz WAV file of \a seconds of a sine tone at \a hz,
/// written here: sox would take minutes for 10,000 of them.
bool writeTone(const QString &path, double hz, double seconds)
{
    constexpr int rate = 44100;
    const int frames = int(rate * seconds);
    QByteArray data(frames * 2, Qt::Uninitialized);
    for (int i = 0; i < frames; ++i)
        qToLittleEndian<qint16>(qint16(std::lround(10000 * std::sin(2 * M_PI * hz * i / rate))), data.data() + 2 * i);
    QByteArray header(44, Qt::Uninitialized);
    char *at = header.data();
    memcpy(at, "RIFF", 4);
    qToLittleEndian<quint32>(36 + data.size(), at + 4);
    memcpy(at + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, at + 16);
    qToLittleEndian<quint16>(1, at + 20); // PCM
    qToLittleEndian<quint16>(1, at + 22); // mono
    qToLittleEndian<quint32>(rate, at + 24);
    qToLittleEndian<quint32>(rate * 2, at + 28);
    qToLittleEndian<quint16>(2, at + 32);
    qToLittleEndian<quint16>(16, at + 34);
    memcpy(at + 36, "data", 4);
    qToLittleEndian<quint32>(data.size(), at + 40);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(header + data) == header.size() + data.size();
}

/// The processor time of process \a pid so far, user and system, in
/// milliseconds; -1 once it is gone.
double cpuMs(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // The fields after the command's closing parenthesis: utime and stime
    // are the 12th and 13th of them.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toLongLong() + fields.value(12).toLongLong()) * 1000.0 / ::sysconf(_SC_CLK_TCK);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int count = qMax(folders, app.arguments().value(1, QStringLiteral("10000")).toInt());

    QTemporaryDir work;
    const QString temporary = temporaryDirectoryIn(work);
    if (temporary.isEmpty())
        return 1;
    const QString pack = work.filePath(QStringLiteral("pack"));
    const QString output = work.filePath(QStringLiteral("out"));
    for (int i = 0; i < count; ++i) {
        const QString folder = pack + QStringLiteral("/Folder %1").arg(i % folders);
        const QString path = folder + QStringLiteral("/tone %1.wav").arg(i);
        if (!QDir().mkpath(folder) || !writeTone(path, 100 + i % 1000, 0.05)) {
            err() << "cannot write " << path << "\n";
            return 1;
        }
    }
    if (!QDir().mkpath(output)) {
        err() << "cannot make " << output << "\n";
        return 1;
    }

    QProcess program;
    program.setStandardErrorFile(QProcess::nullDevice()); // every path it writes
    qint64 pid = 0;
    qint64 peakKiB = 0;
    double cpu = 0;
    int fewestDescriptors = INT_MAX;
    int mostDescriptors = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        // Each reading is taken only while the program is still there.
        const QDir open(QStringLiteral("/proc/%1/fd").arg(pid));
        const int descriptors = int(open.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
        const qint64 peak = peakResidentKiB(pid);
        const double used = cpuMs(pid);
        if (!open.exists() || peak < 0 || used < 0)
            return;
        peakKiB = qMax(peakKiB, peak);
        cpu = qMax(cpu, used);
        fewestDescriptors = qMin(fewestDescriptors, descriptors);
        mostDescriptors = qMax(mostDescriptors, descriptors);
    });
    const qint64 start = monotonicNs();
    program.start(QStringLiteral(BRINDLEBOX_PROGRAM), {QStringLiteral("--export"), output, pack});
    pid = program.processId();
    sampler.start(20);
    QEventLoop loop;
    QObject::connect(&program, &QProcess::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const double seconds = (monotonicNs() - start) / 1e9;
    sampler.stop();

    int written = 0;
    for (QDirIterator files(output, QDir::Files, QDirIterator::Subdirectories); files.hasNext(); files.next())
        ++written;
    printFigure(QStringLiteral("export_many_files"), count, 0);
    printFigure(QStringLiteral("export_many_folders"), folders, 0);
    printFigure(QStringLiteral("export_many_exit_status"), program.exitCode(), 0);
    printFigure(QStringLiteral("export_many_files_written"), written, 0);
    printFigure(QStringLiteral("export_many_wall_s"), seconds, 2);
    printFigure(QStringLiteral("export_many_files_per_s"), count / seconds, 1);
    printFigure(QStringLiteral("export_many_peak_mib"), peakKiB / 1024.0, 2);
    printFigure(QStringLiteral("export_many_peak_goal"), QStringLiteral("under 64 MiB"));
    printFigure(QStringLiteral("export_many_descriptors_fewest"), fewestDescriptors, 0);
    printFigure(QStringLiteral("export_many_descriptors_most"), mostDescriptors, 0);
    // The program's own processor time, its sox runs not counted, as last
    // read: it misses at most the last 20 ms.
    printFigure(QStringLiteral("export_many_own_cpu_per_file_ms"), cpu / count, 3);
    printFigure(QStringLiteral("export_many_files_left_in_tmpdir"), fileCount(temporary), 0);
    return program.exitCode() == 0 && written == count ? 0 : 1;
}
