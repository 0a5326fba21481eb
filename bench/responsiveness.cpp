// Responsiveness: the longest the event loop goes without turning while a
// 10-minute 96 kHz stereo recording is previewed and then exported, and how
// soon Cancel takes the progress dialog away with that recording
// mid-conversion. Also counts the files left in the temporary directory.
//
//   brindlebox_bench_responsiveness [minutes]
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
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

namespace {

/// Watches for the dialog hiding, to time Cancel.
class HideWatch : public QObject
{
public:
    qint64 hiddenAt = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && !hiddenAt)
            hiddenAt = monotonicNs();
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString minutes = app.arguments().value(1, QStringLiteral("10"));

    QTemporaryDir work;
    const QString temporary = temporaryDirectoryIn(work);
    if (temporary.isEmpty())
        return 1;

    Sample sample;
    sample.name = QStringLiteral("long.wav");
    sample.path = work.filePath(sample.name);
    sample.ready = true;
    const qint64 made = monotonicNs();
    if (!makeWav(sample.path, {"-r", "96000", "-c", "2", "-b", "16"},
                 {"synth", QString::number(minutes.toDouble() * 60), "sine", "440"})) {
        err() << "sox could not make " << sample.path << "\n";
        return 1;
    }
    printFigure(QStringLiteral("responsiveness_recording_minutes"), minutes);
    printFigure(QStringLiteral("responsiveness_recording_made_s"), (monotonicNs() - made) / 1e9, 1);

    auto window = std::make_unique<MainWindow>();
    window->show();
    appendSample(window->findChild<QComboBox *>("sampleCombo"), sample);
    window->findChild<QWidget *>("centralwidget")->setEnabled(true); // as after a load
    QApplication::processEvents();
    GapMeter gaps;

    // The first preview of a process also sets up Qt Multimedia's GStreamer
    // backend; the second shows what every later one costs.
    qint64 start = 0;
    for (const char *preview : {"preview", "second_preview"}) {
        start = monotonicNs();
        gaps.start();
        window->findChild<QPushButton *>("previewButton")->click();
        printFigure(QStringLiteral("responsiveness_%1_longest_gap_ms").arg(preview), gaps.stop(), 1);
        printFigure(QStringLiteral("responsiveness_%1_s").arg(preview), (monotonicNs() - start) / 1e9, 2);
    }

    auto *exportButton = window->findChild<QPushButton *>("ExportButton");
    outputDirectory = work.filePath(QStringLiteral("out-1"));
    QDir().mkpath(outputDirectory);
    {
        ModalDriver driver;
        driver.press(QMessageBox::Ok); // too long for a tracker
        start = monotonicNs();
        gaps.start();
        exportButton->click();
        printFigure(QStringLiteral("responsiveness_export_longest_gap_ms"), gaps.stop(), 1);
        printFigure(QStringLiteral("responsiveness_export_s"), (monotonicNs() - start) / 1e9, 2);
        if (!QFileInfo::exists(outputDirectory + QStringLiteral("/long.8svx"))) {
            err() << "the export wrote nothing\n";
            return 1;
        }
    }

    // Cancel a fifth of a second after the dialog shows, while sox is well into
    // the recording; then time the dialog hiding and the export ending
    // (its report coming up).
    outputDirectory = work.filePath(QStringLiteral("out-2"));
    QDir().mkpath(outputDirectory);
    HideWatch watch;
    qint64 cancelledAt = 0;
    qint64 reportAt = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *progress = qobject_cast<QProgressDialog *>(modal); progress && !cancelledAt) {
            progress->installEventFilter(&watch);
            QTimer::singleShot(200, progress, [&, progress] {
                cancelledAt = monotonicNs();
                progress->findChild<QPushButton *>()->click();
            });
            cancelledAt = -1;
        } else if (auto *box = qobject_cast<QMessageBox *>(modal); box && !reportAt) {
            reportAt = monotonicNs();
            box->accept();
        }
    });
    poll.start(1);
    exportButton->click();
    poll.stop();
    if (cancelledAt <= 0 || !watch.hiddenAt || !reportAt) {
        err() << "the progress dialog never showed, or the export was not cancelled\n";
        return 1;
    }
    printFigure(QStringLiteral("responsiveness_cancel_to_dialog_hidden_ms"), (watch.hiddenAt - cancelledAt) / 1e6, 2);
    printFigure(QStringLiteral("responsiveness_cancel_to_export_ended_ms"), (reportAt - cancelledAt) / 1e6, 2);
    printFigure(QStringLiteral("responsiveness_files_written_after_cancel"),
                fileCount(outputDirectory), 0);

    // The previews' players let go of their files when they are released,
    // at the latest with the window, as when the program quits.
    window.reset();
    printFigure(QStringLiteral("responsiveness_files_left_in_tmpdir"),
                fileCount(temporary), 0);
    return 0;
}
