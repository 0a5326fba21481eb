// Stalls: the longest the event loop goes without turning while the window
// previews and then exports a source that could hold it up, each alone in
// the sample list:
//
// - a FIFO named x.wav, which nothing ever opens for writing, so whatever
//   opened it for reading in the window's thread would wait for ever (the
//   program refuses it as "not a regular file");
// - a WAV file with 512 MiB of empty chunks (64 Mi "JUNK" headers of size 0)
//   ahead of its fmt chunk, which a reader walks one 8-byte header at a time;
// - and then, dropped on the window, a pack of 10,000 files in 10 folders,
//   walked and loaded.
//
// The window's message boxes are answered by the tests' dialog driver. Since
// an event loop that does not come back cannot notice it, a watchdog thread
// gives each step a time limit; when one is hit it says so, removes the work
// directory (the large file with it) and ends the benchmark.
//
//   brindlebox_bench_stall
//
// Meant for the offscreen platform (bench/run sets it up).

#include "benchsupport.h"
#include "export.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUrl>
#include <QtEndian>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include <sys/stat.h>

namespace {

constexpr qint64 emptyChunkCount = 64LL * 1024 * 1024;
// No conversion of these 1-second sources comes near this unless something
// hangs; sox itself is stopped after 30 seconds.
constexpr int stepLimitS = 120;

/// Ends the process after \a seconds unless destroyed first, printing
/// \a figure as the time limit hit and removing \a workDirectory: a step
/// that never gives the event loop back cannot be timed out from it.
class TimeLimit
{
public:
    TimeLimit(const QString &figure, int seconds, const QString &workDirectory)
        : m_thread([this, figure, seconds, directory = std::filesystem::path(QFile::encodeName(workDirectory).toStdString())] {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_ended.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_over; }))
                return;
            printFigure(figure, QStringLiteral("time limit of %1 s hit").arg(seconds));
            std::error_code ignored;
            std::filesystem::remove_all(directory, ignored);
            std::_Exit(1);
        })
    {
    }
    ~TimeLimit()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_over = true;
        }
        m_ended.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_over = false;
    std::thread m_thread; // last: it uses the members above
};

/// Writes \a wav (a whole RIFF/WAVE file) again at \a path with
/// emptyChunkCount empty JUNK chunks between its header and its first chunk,
/// in blocks of 8 MiB.
bool writeWithEmptyChunks(const QString &path, const QByteArray &wav)
{
    QFile file(path);
    if (wav.size() < 12 || !file.open(QIODevice::WriteOnly))
        return false;
    QByteArray header = wav.left(12);
    qToLittleEndian<quint32>(quint32(wav.size() - 8 + emptyChunkCount * 8), header.data() + 4);
    if (file.write(header) != header.size())
        return false;
    constexpr qint64 chunksPerBlock = 1024 * 1024;
    const QByteArray emptyChunk("JUNK\0\0\0\0", 8);
    const QByteArray block = emptyChunk.repeated(chunksPerBlock);
    for (qint64 written = 0; written < emptyChunkCount; written += chunksPerBlock) {
        if (file.write(block) != block.size())
            return false;
    }
    return file.write(wav.mid(12)) == wav.size() - 12;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    QTemporaryDir work;
    const QString temporary = temporaryDirectoryIn(work);
    if (temporary.isEmpty())
        return 1;

    Sample fifo;
    fifo.name = QStringLiteral("x.wav");
    fifo.path = work.filePath(fifo.name);
    fifo.ready = true;
    if (::mkfifo(QFile::encodeName(fifo.path).constData(), 0600) != 0) {
        err() << "cannot make the FIFO " << fifo.path << "\n";
        return 1;
    }

    // One second of a 440 Hz tone, mono 16-bit 44.1 kHz, its fmt and data
    // chunks as sox writes them.
    const QString tonePath = work.filePath(QStringLiteral("tone.wav"));
    if (!makeWav(tonePath, {"-r", "44100", "-c", "1", "-b", "16"}, {"synth", "1", "sine", "440"})) {
        err() << "sox could not make " << tonePath << "\n";
        return 1;
    }
    QFile tone(tonePath);
    if (!tone.open(QIODevice::ReadOnly)) {
        err() << "cannot read " << tonePath << "\n";
        return 1;
    }
    Sample walk;
    walk.name = QStringLiteral("walk.wav");
    walk.path = work.filePath(walk.name);
    walk.ready = true;
    qint64 start = monotonicNs();
    if (!writeWithEmptyChunks(walk.path, tone.readAll())) {
        err() << "cannot write " << walk.path << "\n";
        return 1;
    }
    printFigure(QStringLiteral("stall_chunk_walk_file_mib"), QFileInfo(walk.path).size() / 1048576.0, 1);
    printFigure(QStringLiteral("stall_chunk_walk_file_written_s"), (monotonicNs() - start) / 1e9, 2);

    Sample warm = sampleOfFile(tonePath);
    warm.ready = true;

    auto window = std::make_unique<MainWindow>();
    window->show();
    auto *list = window->findChild<QComboBox *>("sampleCombo");
    auto *previewButton = window->findChild<QPushButton *>("previewButton");
    auto *exportButton = window->findChild<QPushButton *>("ExportButton");
    const auto only = [&](const Sample &sample) {
        list->clear();
        appendSample(list, sample);
        window->findChild<QWidget *>("centralwidget")->setEnabled(true); // as after a load
        QApplication::processEvents();
    };

    // The first player of a process sets up Qt Multimedia's backend, which
    // the responsiveness benchmark measures; here it is out of the way.
    only(warm);
    previewButton->click();

    GapMeter gaps;
    // Clicks \a button with the driver's answers queued, prints the longest
    // gap as \a figure and returns what the dialogs said; -1 seconds in
    // \a seconds when a dialog came unasked.
    const auto measure = [&](const QString &figure, QPushButton *button, ModalDriver &driver, double &seconds) {
        TimeLimit limit(figure, stepLimitS, work.path());
        const qint64 clicked = monotonicNs();
        gaps.start();
        button->click();
        printFigure(figure, gaps.stop(), 1);
        seconds = (monotonicNs() - clicked) / 1e9;
        if (driver.unexpected() > 0 || driver.pending() > 0) {
            err() << figure << ": the dialogs did not come as expected: " << driver.texts().join(QStringLiteral(" | "))
                  << "\n";
            seconds = -1;
        }
        return driver.texts().join(QStringLiteral(" | "));
    };
    double seconds = 0;

    // (a) The FIFO: refused in both, with a box that says why.
    only(fifo);
    {
        ModalDriver driver;
        driver.press(QMessageBox::Ok);
        const QString said = measure(QStringLiteral("stall_fifo_preview_longest_gap_ms"), previewButton, driver, seconds);
        err() << "FIFO preview: " << said << "\n";
        if (seconds < 0 || !said.contains(QStringLiteral("not a regular file")))
            return 1;
    }
    outputDirectory = work.filePath(QStringLiteral("out-fifo"));
    QDir().mkpath(outputDirectory);
    {
        ModalDriver driver;
        driver.press(QMessageBox::Ok);
        const QString said = measure(QStringLiteral("stall_fifo_export_longest_gap_ms"), exportButton, driver, seconds);
        err() << "FIFO export: " << said << "\n";
        if (seconds < 0 || !said.contains(QStringLiteral("not a regular file")))
            return 1;
    }
    printFigure(QStringLiteral("stall_fifo_export_files_written"), fileCount(outputDirectory), 0);

    // (b) The empty chunks: converted as usual. The program's own reader
    // gives up on the header after a bounded number of chunks; sox walks
    // them all, in its own process.
    only(walk);
    {
        ModalDriver driver; // no box: the sample converts and fits a tracker
        measure(QStringLiteral("stall_chunk_walk_preview_longest_gap_ms"), previewButton, driver, seconds);
        if (seconds < 0)
            return 1;
        printFigure(QStringLiteral("stall_chunk_walk_preview_s"), seconds, 2);
    }
    outputDirectory = work.filePath(QStringLiteral("out-walk"));
    QDir().mkpath(outputDirectory);
    {
        ModalDriver driver;
        measure(QStringLiteral("stall_chunk_walk_export_longest_gap_ms"), exportButton, driver, seconds);
        if (seconds < 0)
            return 1;
        printFigure(QStringLiteral("stall_chunk_walk_export_s"), seconds, 2);
    }
    printFigure(QStringLiteral("stall_chunk_walk_export_files_written"), fileCount(outputDirectory), 0);

    // (c) A pack of 10,000 files in 10 folders dropped on the window: the
    // walk runs away from the window's thread, the load on it. Loading
    // opens no file, so empty ones do.
    const QString pack = work.filePath(QStringLiteral("pack"));
    for (int folder = 0; folder < 10; ++folder) {
        const QString path = pack + QStringLiteral("/Folder %1").arg(folder);
        QDir().mkpath(path);
        for (int file = 0; file < 1000; ++file)
            QFile(path + QStringLiteral("/hit %1.wav").arg(file)).open(QIODevice::WriteOnly);
    }
    list->clear();
    {
        TimeLimit limit(QStringLiteral("stall_pack_drop_longest_gap_ms"), stepLimitS, work.path());
        const qint64 dropped = monotonicNs();
        gaps.start();
        const Qt::DropAction action = dropOn(*window, {QUrl::fromLocalFile(pack)});
        while (action != Qt::IgnoreAction && list->count() < 10000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        printFigure(QStringLiteral("stall_pack_drop_longest_gap_ms"), gaps.stop(), 1);
        printFigure(QStringLiteral("stall_pack_drop_s"), (monotonicNs() - dropped) / 1e9, 2);
        printFigure(QStringLiteral("stall_pack_drop_samples_loaded"), list->count(), 0);
    }

    window.reset();
    const bool removed = QFile::remove(walk.path);
    if (!removed)
        err() << "cannot remove " << walk.path << "\n";
    printFigure(QStringLiteral("stall_files_left_in_tmpdir"), fileCount(temporary), 0);
    return removed ? 0 : 1;
}
