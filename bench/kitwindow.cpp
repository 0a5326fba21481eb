// The kit window with a large kit: the longest the event loop goes without
// turning (and so without painting or answering) while the kit window shows
// 10,000 samples, each of its own WAV file, and the kit is built: the window
// opened, scrolled to the end, a row chosen, a sample removed and the
// removal undone, one moved with Alt+Up, one duplicated, a row dragged from
// the end to the top, 10,000 more added as one step and that step undone.
// Each step is timed from when it starts until 300 ms after, so the
// repainting and reckoning it brings about count too; beside it, the time
// the step itself took, on the clock and in the window thread's processor
// time, which a machine busy with other work does not inflate.
//
//   brindlebox_bench_kitwindow [samples]
//
// Meant for the offscreen platform (bench/run sets it up).

#include "benchsupport.h"
#include "kitlist.h"
#include "kittablemodel.h"
#include "mainwindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QtEndian>

#include <functional>

#include <ctime>

namespace {

/// A WAV file of \a frames frames of 16-bit mono at 22,050 Hz, written
/// directly: sox would take a minute for 10,000 of them.
bool writeWav(const QString &path, qint64 frames)
{
    QByteArray bytes("RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\0\0\0\0\0\0\0\0\x02\0\x10\0data\0\0\0\0", 44);
    qToLittleEndian<quint32>(22050, bytes.data() + 24);
    qToLittleEndian<quint32>(44100, bytes.data() + 28);
    qToLittleEndian<quint32>(quint32(frames * 2), bytes.data() + 40);
    qToLittleEndian<quint32>(quint32(36 + frames * 2), bytes.data() + 4);
    bytes.append(QByteArray(frames * 2, '\0'));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

/// The processor time the window's thread has used so far, in nanoseconds:
/// on a machine shared with other work, what a step costs apart from the
/// waiting for a core.
qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

/// Lets the event loop run for \a ms milliseconds.
void settle(int ms)
{
    QTest::qWait(ms);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int count = app.arguments().value(1, QStringLiteral("10000")).toInt();
    QTemporaryDir work;
    QStringList files;
    QStringList more;
    for (int i = 0; i < 2 * count; ++i) {
        const QString path = work.filePath(QStringLiteral("hit %1.wav").arg(i + 1));
        if (!writeWav(path, 2000 + i % 500)) {
            err() << "cannot write " << path << "\n";
            return 1;
        }
        (i < count ? files : more) << path;
    }
    printFigure(QStringLiteral("kitwindow_samples"), QString::number(count));

    MainWindow window;
    window.show();
    window.loadFiles(files);
    QApplication::processEvents();
    auto *list = window.findChild<QComboBox *>(QStringLiteral("sampleCombo"));
    GapMeter gaps;
    QWidget *kit = nullptr;
    QTableView *table = nullptr;
    const auto step = [&](const QString &name, const std::function<void()> &work) {
        gaps.start();
        const qint64 start = monotonicNs();
        const qint64 cpu = threadCpuNs();
        work();
        const double took = (monotonicNs() - start) / 1e6;
        const double used = (threadCpuNs() - cpu) / 1e6;
        settle(300);
        printFigure(QStringLiteral("kitwindow_%1_longest_gap_ms").arg(name), gaps.stop(), 1);
        printFigure(QStringLiteral("kitwindow_%1_ms").arg(name), took, 1);
        printFigure(QStringLiteral("kitwindow_%1_cpu_ms").arg(name), used, 1);
    };
    const auto press = [&](const QKeySequence &keys) { QTest::keySequence(kit, keys); };

    step(QStringLiteral("open"), [&] {
        window.findChild<QAction *>(QStringLiteral("actionShow_Kit"))->trigger();
        kit = window.findChild<QWidget *>(QStringLiteral("kitWindow"));
        table = window.findChild<QTableView *>(QStringLiteral("kitTable"));
    });
    if (!kit || !table || table->model()->rowCount() != count) {
        err() << "the kit window did not show the samples\n";
        return 1;
    }
    step(QStringLiteral("scroll_to_end"), [&] { table->scrollToBottom(); });
    step(QStringLiteral("choose_a_row"), [&] { table->selectRow(count / 2); });
    step(QStringLiteral("remove"), [&] { press(QKeySequence(Qt::Key_Delete)); });
    step(QStringLiteral("undo_remove"), [&] { press(QKeySequence::Undo); });
    step(QStringLiteral("move_up"), [&] { press(QKeySequence(QStringLiteral("Alt+Up"))); });
    step(QStringLiteral("duplicate"), [&] { press(QKeySequence(QStringLiteral("Ctrl+D"))); });
    step(QStringLiteral("drag_last_to_top"), [&] {
        QAbstractItemModel *model = table->model();
        table->scrollToBottom();
        QApplication::processEvents();
        std::unique_ptr<QMimeData> data(model->mimeData({model->index(model->rowCount() - 1, 1)}));
        model->dropMimeData(data.get(), Qt::MoveAction, 0, 0, QModelIndex());
    });
    step(QStringLiteral("add_%1_more").arg(count), [&] { addRecordings(&window, more); });
    step(QStringLiteral("undo_add"), [&] { press(QKeySequence::Undo); });
    step(QStringLiteral("load_%1_anew").arg(count), [&] {
        window.findChild<QUndoStack *>(QStringLiteral("kitHistory"))->clear();
        list->clear();
        window.loadFiles(more);
    });
    step(QStringLiteral("scroll_to_end_again"), [&] { table->scrollToBottom(); });
    if (list->count() != count) {
        err() << "the list holds " << list->count() << " samples after loading, not " << count << "\n";
        return 1;
    }
    if (list->count() != count + 1) {
        err() << "the list holds " << list->count() << " samples, not " << count + 1 << "\n";
        return 1;
    }
    printFigure(QStringLiteral("kitwindow_footer"), window.findChild<QLabel *>(QStringLiteral("kitSize"))->text());
    return 0;
}
