// Scale: 1,000 entries in the sample list. Loads them through the real Load
// Samples dialog, selecting all files in its list as a user would with
// Ctrl+A (and, for comparison, appends them to the list directly),
// then times switching the current entry, one Normalise toggle, and reading
// every entry as Export does. Each timed step includes the events it leaves
// behind (the repaint), so it is what the user waits for.
//
//   brindlebox_bench_scale
//
// Meant for the offscreen platform (bench/run sets it up).

#include "benchsupport.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "sample.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <algorithm>

namespace {

constexpr int entryCount = 1000;
constexpr int toggleCount = 200; // even, so Normalise ends as it began
constexpr int readCount = 100;

/// Runs \a step, then the events it left, and returns the time taken in µs.
template<typename Step>
double timed(Step step)
{
    const qint64 start = monotonicNs();
    step();
    QApplication::processEvents();
    return (monotonicNs() - start) / 1e3;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    // Loading opens no file, so empty ones are enough.
    QTemporaryDir work;
    if (!work.isValid()) {
        err() << "cannot make a work directory\n";
        return 1;
    }
    QStringList names;
    for (int i = 0; i < entryCount; ++i)
        names << QStringLiteral("sample-%1.wav").arg(i, 4, 10, QLatin1Char('0'));
    const QStringList paths = touchFiles(work.path(), names);
    // The Load dialog opens in the working directory: the files' one.
    QDir::setCurrent(work.path());

    MainWindow window;
    window.show();
    QApplication::processEvents();
    auto *list = window.findChild<QComboBox *>("sampleCombo");
    auto *normalise = window.findChild<QCheckBox *>("NormaliseCheckbox");

    // Not the names typed into the dialog: Qt's own dialog then selects
    // each typed name in its list one by one, which takes it some 40 s for
    // a thousand, and its name field holds at most 32767 characters.
    ModalDriver user;
    user.then([](QWidget *dialog) {
        auto *files = dialog->findChild<QListView *>("listView");
        if (!files)
            return static_cast<QDialog *>(dialog)->reject();
        // The dialog lists the directory in the background.
        QElapsedTimer waited;
        waited.start();
        while (files->model()->rowCount(files->rootIndex()) < entryCount && waited.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        files->setFocus();
        QTest::keyClick(files, Qt::Key_A, Qt::ControlModifier);
        static_cast<QDialog *>(dialog)->accept();
    });
    const double loadUs = timed([&] {
        window.findChild<QAction *>("actionLoad_Samples")->trigger();
    });
    // Qt's own dialog returns a selection of all in its own order, not by name.
    QStringList loaded;
    for (const Sample &sample : allSamples(list))
        loaded << sample.path;
    loaded.sort();
    if (user.answered() != 1 || user.unexpected() != 0 || loaded != paths) {
        err() << "loaded " << list->count() << " entries, not the " << entryCount << " files\n";
        return 1;
    }

    // The same list made without the dialog: what the sample list itself costs.
    double appendUs = 0;
    {
        MainWindow other;
        other.show();
        QApplication::processEvents();
        auto *otherList = other.findChild<QComboBox *>("sampleCombo");
        appendUs = timed([&] {
            for (const QString &path : paths) {
                Sample sample;
                sample.path = path;
                sample.name = path.split(QLatin1Char('/')).last();
                appendSample(otherList, sample);
            }
        });
    }

    // Jumps across the whole list, every entry once.
    QList<double> switchUs;
    for (int i = 1; i <= entryCount; ++i)
        switchUs << timed([&] { list->setCurrentIndex(i * 389 % entryCount); });

    QList<double> toggleUs;
    for (int i = 0; i < toggleCount; ++i)
        toggleUs << timed([&] { normalise->click(); });

    QList<double> readUs;
    qsizetype read = 0;
    for (int i = 0; i < readCount; ++i)
        readUs << timed([&] { read += allSamples(list).size(); });
    if (read != qsizetype(entryCount) * readCount) {
        err() << "allSamples read " << read << " entries in " << readCount << " reads\n";
        return 1;
    }

    printFigure(QStringLiteral("scale_entries"), entryCount, 0);
    printFigure(QStringLiteral("scale_load_through_dialog_ms"), loadUs / 1e3, 1);
    printFigure(QStringLiteral("scale_append_all_ms"), appendUs / 1e3, 1);
    printFigure(QStringLiteral("scale_switch_median_us"), median(switchUs), 1);
    printFigure(QStringLiteral("scale_switch_max_us"), *std::max_element(switchUs.cbegin(), switchUs.cend()), 1);
    printFigure(QStringLiteral("scale_toggle_median_us"), median(toggleUs), 1);
    printFigure(QStringLiteral("scale_read_all_median_us"), median(readUs), 1);
    printFigure(QStringLiteral("scale_read_per_entry_us"), median(readUs) / entryCount, 3);
    return 0;
}
