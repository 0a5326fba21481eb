// Many files: the command line's export of 1,000 short WAV files (0.1 s mono
// 16-bit 44.1 kHz tones), with its default number of jobs. The export runs
// in this very process, through runBrindlebox() as main() calls it, so the
// peak resident set size read afterwards (VmHWM) is the program's own and
// none of its sox runs', and so is the processor time. Prints the wall time,
// files per second, that peak and the processor time per file.
//
//   brindlebox_bench_manyfiles [files]

#include "benchsupport.h"
#include "startup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtEndian>

#include <cmath>
#include <vector>

namespace {

/// A mono 16-bit 44.1 kHz WAV file of \a seconds of a sine tone at \a hz,
/// written here rather than by sox: no application object may exist before
/// runBrindlebox() makes its own, and QProcess wants one.
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

} // namespace

int main(int argc, char *argv[])
{
    const int count = argc > 1 ? qMax(1, atoi(argv[1])) : 1000;

    QTemporaryDir work;
    const QString temporary = temporaryDirectoryIn(work);
    if (temporary.isEmpty())
        return 1;
    const QString sources = work.filePath(QStringLiteral("sources"));
    const QString output = work.filePath(QStringLiteral("out"));
    if (!QDir().mkpath(sources) || !QDir().mkpath(output)) {
        err() << "cannot make a work directory\n";
        return 1;
    }

    // The command line, as a shell would hand it to main().
    std::vector<QByteArray> words{"brindlebox", "--export", QFile::encodeName(output)};
    for (int i = 0; i < count; ++i) {
        const QString path = sources + QStringLiteral("/tone-%1.wav").arg(i, 4, 10, QLatin1Char('0'));
        if (!writeTone(path, 100 + i, 0.1)) {
            err() << "cannot write " << path << "\n";
            return 1;
        }
        words.push_back(QFile::encodeName(path));
    }
    std::vector<char *> arguments;
    for (QByteArray &word : words)
        arguments.push_back(word.data());
    arguments.push_back(nullptr);
    int argumentCount = int(words.size());

    const qint64 peakBefore = peakResidentKiB();
    const qint64 start = monotonicNs();
    const qint64 cpuStart = processCpuNs();
    const int status = runBrindlebox(argumentCount, arguments.data());
    const double seconds = (monotonicNs() - start) / 1e9;
    const double cpuMs = (processCpuNs() - cpuStart) / 1e6;
    const qint64 peak = peakResidentKiB();

    printFigure(QStringLiteral("export_many_files"), count, 0);
    printFigure(QStringLiteral("export_many_exit_status"), status, 0);
    printFigure(QStringLiteral("export_many_files_written"), fileCount(output), 0);
    printFigure(QStringLiteral("export_many_wall_s"), seconds, 2);
    printFigure(QStringLiteral("export_many_files_per_s"), count / seconds, 1);
    // The program's own processor time, its sox runs not counted.
    printFigure(QStringLiteral("export_many_own_cpu_per_file_ms"), cpuMs / count, 3);
    printFigure(QStringLiteral("export_many_peak_before_export_mib"), peakBefore / 1024.0, 2);
    printFigure(QStringLiteral("export_many_peak_mib"), peak / 1024.0, 2);
    printFigure(QStringLiteral("export_many_files_left_in_tmpdir"), fileCount(temporary), 0);
    return status == 0 ? 0 : 1;
}
