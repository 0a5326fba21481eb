// The waveform window: the time from a change of the shown sample's note
// (a key press in the real FrequencyCombo) to the first paint of the new
// picture, for 1-second, 1-minute and 10-minute recordings, and the longest
// the event loop went without turning meanwhile; then the resident memory
// with a one-hour recording shown, and what is left when the waveform
// window, and then the main window, close while the picture's sox runs;
// and for the minute, the time from Crop to Selection (Ctrl+T) to the first
// paint of the cropped picture.
//
//   brindlebox_bench_waveform [rounds]
//
// Meant for the offscreen platform (bench/run sets it up).

#include "benchsupport.h"
#include "mainwindow.h"
#include "notetable.h"
#include "testsupport.h"
#include "waveformview.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <unistd.h>

namespace {

// Far beyond any picture here; only so that nothing can wait for ever.
constexpr int pictureLimitMs = 120000;

/// Waits until \a view paints with a description that \a done accepts, and
/// returns when that was (monotonicNs), or -1 when it never did.
qint64 waitForPicture(QWidget *view, const std::function<bool(const QString &)> &done)
{
    struct PaintWatch : QObject
    {
        QEventLoop loop;
        std::function<bool(const QString &)> done;
        qint64 paintedAt = -1;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && done(static_cast<QWidget *>(watched)->accessibleDescription())) {
                paintedAt = monotonicNs();
                loop.quit();
            }
            return false;
        }
    } watch;
    watch.done = done;
    view->installEventFilter(&watch);
    QTimer::singleShot(pictureLimitMs, &watch.loop, &QEventLoop::quit);
    view->update();
    watch.loop.exec();
    view->removeEventFilter(&watch);
    return watch.paintedAt;
}

/// How many sox processes this process has started that are still running.
int runningSox()
{
    int running = 0;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ..."
        const QByteArray line = stat.readAll();
        const QList<QByteArray> after = line.mid(line.lastIndexOf(')') + 2).split(' ');
        running += line.contains("(sox)") && after.value(0) != "Z" && after.value(1).toLongLong() == ::getpid();
    }
    return running;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int rounds = app.arguments().value(1, QStringLiteral("5")).toInt();

    QTemporaryDir work;
    const QString temporary = temporaryDirectoryIn(work);
    if (temporary.isEmpty())
        return 1;

    auto window = std::make_unique<MainWindow>();
    window->show();
    auto *list = window->findChild<QComboBox *>("sampleCombo");
    auto *notes = window->findChild<QComboBox *>("FrequencyCombo");
    const auto only = [&](const Sample &sample) {
        list->clear();
        appendSample(list, sample);
        window->findChild<QWidget *>("centralwidget")->setEnabled(true); // as after a load
    };
    const auto make = [&](const QString &name, const QStringList &format, double seconds) {
        const Sample sample = sampleOfFile(work.filePath(name));
        const qint64 start = monotonicNs();
        if (!makeWav(sample.path, format, {"synth", QString::number(seconds), "sine", "440"})) {
            err() << "sox could not make " << sample.path << "\n";
            return Sample();
        }
        printFigure(QStringLiteral("waveform_%1_made_s").arg(name.section('.', 0, 0)), (monotonicNs() - start) / 1e9, 1);
        return sample;
    };
    // Waits for the first picture of \a sample; the time it took or -1.
    const auto shown = [&](const Sample &sample, QWidget *view) {
        const QString start = sample.name + QStringLiteral(" · ");
        return waitForPicture(view, [&](const QString &description) {
            return description.startsWith(start) && description.contains(QStringLiteral(" bytes, "));
        });
    };

    Sample first = make(QStringLiteral("second.wav"), {"-r", "44100", "-c", "2", "-b", "16"}, 1);
    if (first.path.isEmpty())
        return 1;
    only(first);
    useContextMenu(window->findChild<QWidget *>("centralwidget"), QStringLiteral("Show Waveform"));
    QPointer<QWidget> waveform = window->findChild<QWidget *>("waveformWindow");
    QWidget *view = window->findChild<QWidget *>("waveformView");
    if (!waveform || !view || shown(first, view) < 0) {
        err() << "the waveform window did not show the first sample\n";
        return 1;
    }

    GapMeter gaps;
    const struct
    {
        const char *name;
        double seconds;
    } recordings[] = {{"second", 1}, {"minute", 60}, {"ten_minutes", 600}};
    for (const auto &recording : recordings) {
        const QString name = QString::fromLatin1(recording.name);
        const Sample sample = recording.seconds == 1
            ? first
            : make(name + QStringLiteral(".wav"), {"-r", "44100", "-c", "2", "-b", "16"}, recording.seconds);
        if (sample.path.isEmpty())
            return 1;
        only(sample);
        if (shown(sample, view) < 0) {
            err() << "no picture of " << sample.name << "\n";
            return 1;
        }
        QList<double> times, longest;
        for (int round = 0; round < rounds; ++round) {
            // Up and down by one note in turn, as a user tries two.
            const qint64 changed = monotonicNs();
            gaps.start();
            QTest::keyClick(notes, round % 2 ? Qt::Key_Up : Qt::Key_Down);
            const QString rate = QStringLiteral(", %1 Hz · ").arg(noteFrequencies.value(notes->currentText()));
            const qint64 pictured = waitForPicture(view, [&](const QString &d) { return d.contains(rate); });
            longest << gaps.stop();
            if (pictured < 0) {
                err() << "no new picture of " << sample.name << " at " << notes->currentText() << "\n";
                return 1;
            }
            times << (pictured - changed) / 1e6;
        }
        printFigure(QStringLiteral("waveform_%1_change_to_picture_median_ms").arg(name), median(times), 1);
        printFigure(QStringLiteral("waveform_%1_change_to_picture_max_ms").arg(name),
                    *std::max_element(times.cbegin(), times.cend()), 1);
        printFigure(QStringLiteral("waveform_%1_longest_gap_ms").arg(name),
                    *std::max_element(longest.cbegin(), longest.cend()), 1);
        if (name != QLatin1String("minute"))
            continue;
        // Crop to Selection (Ctrl+T) over the middle half, then Ctrl+Z.
        auto *picture = static_cast<WaveformView *>(view);
        QList<double> crops;
        longest.clear();
        for (int round = 0; round < rounds; ++round) {
            picture->select(picture->summary()->size() / 4, picture->summary()->size() * 3 / 4);
            const qint64 cropped = monotonicNs();
            gaps.start();
            QTest::keyClick(waveform, Qt::Key_T, Qt::ControlModifier);
            const qint64 pictured = waitForPicture(view, [](const QString &d) { return d.contains(QStringLiteral("kept")); });
            longest << gaps.stop();
            if (pictured < 0) {
                err() << "no picture of the cropped " << sample.name << "\n";
                return 1;
            }
            crops << (pictured - cropped) / 1e6;
            QTest::keyClick(waveform, Qt::Key_Z, Qt::ControlModifier);
            if (waitForPicture(view, [](const QString &d) { return !d.contains(QStringLiteral("kept")); }) < 0)
                return 1;
        }
        printFigure(QStringLiteral("waveform_minute_crop_to_picture_median_ms"), median(crops), 1);
        printFigure(QStringLiteral("waveform_minute_crop_longest_gap_ms"), *std::max_element(longest.cbegin(), longest.cend()), 1);
    }

    // An hour, mono: the picture holds the BODY at the note's rate, however
    // the recording was made.
    list->clear();
    QTest::qWait(200);
    const qint64 before = residentKiB();
    const Sample hour = make(QStringLiteral("hour.wav"), {"-r", "44100", "-c", "1", "-b", "16"}, 3600);
    if (hour.path.isEmpty())
        return 1;
    gaps.start();
    const qint64 loaded = monotonicNs();
    only(hour);
    const qint64 pictured = shown(hour, view);
    printFigure(QStringLiteral("waveform_hour_longest_gap_ms"), gaps.stop(), 1);
    if (pictured < 0) {
        err() << "no picture of the hour: " << view->accessibleDescription() << "\n";
        return 1;
    }
    printFigure(QStringLiteral("waveform_hour_shown_to_picture_s"), (pictured - loaded) / 1e9, 2);
    QTest::qWait(200);
    const qint64 after = residentKiB();
    printFigure(QStringLiteral("waveform_hour_numbers"), view->accessibleDescription());
    printFigure(QStringLiteral("waveform_hour_rss_before_mib"), before / 1024.0, 1);
    printFigure(QStringLiteral("waveform_hour_rss_shown_mib"), after / 1024.0, 1);
    printFigure(QStringLiteral("waveform_hour_rss_growth_mib"), (after - before) / 1024.0, 1);
    printFigure(QStringLiteral("waveform_peak_rss_mib"), peakResidentKiB() / 1024.0, 1);

    // Closed while sox converts the hour at another note, and then the
    // main window too.
    QTest::keyClick(notes, Qt::Key_Down);
    QTest::qWait(300);
    const int runningBefore = runningSox();
    waveform->close();
    QTest::qWait(100);
    printFigure(QStringLiteral("waveform_sox_running_before_close"), runningBefore, 0);
    printFigure(QStringLiteral("waveform_sox_left_after_window_closed"), runningSox(), 0);
    printFigure(QStringLiteral("waveform_window_gone"), waveform.isNull() ? QStringLiteral("yes") : QStringLiteral("no"));
    useContextMenu(window->findChild<QWidget *>("centralwidget"), QStringLiteral("Show Waveform"));
    QTest::qWait(300);
    printFigure(QStringLiteral("waveform_sox_running_before_quit"), runningSox(), 0);
    window.reset();
    printFigure(QStringLiteral("waveform_sox_left_after_main_window_closed"), runningSox(), 0);
    printFigure(QStringLiteral("waveform_files_left_in_tmpdir"), fileCount(temporary), 0);
    return 0;
}
