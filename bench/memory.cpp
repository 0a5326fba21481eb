// Memory: the resident set size after 10 previews and after 200 previews of
// one sample, clicking the real Preview button. After each preview the event
// loop runs until the window has released that preview's player, as it does
// when playback ends or fails. Without a sound server the player runs through
// the file at once; the sample is short so that with one the run stays short
// too.
//
//   brindlebox_bench_memory
//
// Meant for the offscreen platform (bench/run sets it up).

#include "benchsupport.h"
#include "mainwindow.h"
#include "sample.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QMediaPlayer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

namespace {

constexpr int firstCount = 10;
constexpr int lastCount = 200;
constexpr int releaseLimitMs = 20000;

/// Runs the event loop until the window holds no player, and a little
/// longer so deferred deletions go through; false if one stays too long.
bool waitForRelease(const MainWindow &window)
{
    QElapsedTimer waited;
    waited.start();
    while (!window.findChildren<QMediaPlayer *>().isEmpty()) {
        if (waited.elapsed() > releaseLimitMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    QTemporaryDir work;
    const QString temporary = temporaryDirectoryIn(work);
    if (temporary.isEmpty())
        return 1;

    Sample sample;
    sample.name = QStringLiteral("tone.wav");
    sample.path = work.filePath(sample.name);
    if (!makeWav(sample.path, {"-r", "44100", "-c", "2", "-b", "16"}, {"synth", "0.2", "sine", "440"})) {
        err() << "sox could not make " << sample.path << "\n";
        return 1;
    }

    MainWindow window;
    window.show();
    appendSample(window.findChild<QComboBox *>("sampleCombo"), sample);
    window.findChild<QWidget *>("centralwidget")->setEnabled(true); // as after a load
    auto *previewButton = window.findChild<QPushButton *>("previewButton");
    QApplication::processEvents();

    qint64 afterFirst = -1;
    QElapsedTimer clock;
    clock.start();
    int played = 0, failed = 0;
    for (int preview = 1; preview <= lastCount; ++preview) {
        previewButton->click();
        // How each player ended, to tell which way the figure was made.
        for (QMediaPlayer *player : window.findChildren<QMediaPlayer *>()) {
            QObject::connect(player, &QMediaPlayer::mediaStatusChanged, [&](QMediaPlayer::MediaStatus status) {
                played += status == QMediaPlayer::EndOfMedia;
            });
            QObject::connect(player, &QMediaPlayer::errorOccurred, [&] { ++failed; });
        }
        if (!waitForRelease(window)) {
            err() << "preview " << preview << " kept its player for " << releaseLimitMs << " ms\n";
            return 1;
        }
        if (preview == firstCount)
            afterFirst = residentKiB();
    }
    const qint64 afterLast = residentKiB();
    if (afterFirst < 0 || afterLast < 0) {
        err() << "no resident set size\n";
        return 1;
    }

    printFigure(QStringLiteral("memory_previews_reaching_end_of_media"), played, 0);
    printFigure(QStringLiteral("memory_previews_with_player_error"), failed, 0);
    printFigure(QStringLiteral("memory_preview_mean_ms"), double(clock.elapsed()) / lastCount, 1);
    printFigure(QStringLiteral("memory_rss_after_%1_previews_mib").arg(firstCount), afterFirst / 1024.0, 2);
    printFigure(QStringLiteral("memory_rss_after_%1_previews_mib").arg(lastCount), afterLast / 1024.0, 2);
    printFigure(QStringLiteral("memory_growth_mib"), (afterLast - afterFirst) / 1024.0, 2);
    // Each preview's file goes with its player.
    printFigure(QStringLiteral("memory_files_left_in_tmpdir"), fileCount(temporary), 0);
    return 0;
}
