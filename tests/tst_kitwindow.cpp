#include "exportengine.h"
#include "kittablemodel.h"
#include "kitwindowfixture.h"
#include "modaldriver.h"
#include "module.h"
#include "testsupport.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

// The kit window as a musician meets it: the whole list in one table, as the
// module holds it, following the main window and followed by it, and the
// kit's keys in every window.

class TestKitWindow : public QObject, private KitWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { makeRecordings(); }
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }
    void showsEverySampleAsTheModuleHoldsIt();
    void everyWindowTakesTheKitsKeys_data();
    void everyWindowTakesTheKitsKeys();
};

void TestKitWindow::showsEverySampleAsTheModuleHoldsIt()
{
    // 33 samples: two more than a module's slots.
    QStringList files;
    for (int i = 0; i < 32; ++i)
        files << dir.filePath("a.wav");
    files << dir.filePath("pad.wav");
    window->loadFiles(files);
    Sample pad = allSamples(list()).at(32);
    pad.note = "A-3";
    pad.ready = true;
    storeSample(list(), 32, pad);
    relabelSample(list(), 32, pad);
    QVERIFY(openKit());
    QCOMPARE(column(KitTableModel::SlotColumn).mid(29),
             QStringList({"30", "31", "not in the module", "not in the module"}));
    const QAbstractItemModel *model = table()->model();
    // Its lengths at its note come once its header is read, away from the
    // window; a sample too long is marked as the export's report marks it.
    const auto row = [&](int at) {
        QStringList cells;
        for (int i = 1; i < model->columnCount(); ++i)
            cells << model->index(at, i).data().toString();
        return cells;
    };
    const SvxFile a = exportSample(allSamples(list()).at(0)).file;
    QTRY_COMPARE(row(0), QStringList({"a.wav", "C-2", QLocale(QLocale::English).toString(a.bodySize),
                                      QString::number(double(a.bodySize) / 8287, 'f', 2) + " s", "no loop", "Not Ready", ""}));
    const ExportedSample exported = exportSample(pad);
    QCOMPARE(exported.file.bodySize, 83786);
    QVERIFY2(exported.tooLong.endsWith("; at E-3 or lower it fits."), qPrintable(exported.tooLong));
    QTRY_COMPARE(row(32), QStringList({"pad.wav", "A-3", "83,786", "3.00 s", "no loop", "Ready",
                                      "too long: at E-3 or lower it fits"}));
    // Under the table, the module's size against an Amiga 500's memory, as
    // the module is written.
    QTemporaryDir out;
    ExportEngine engine(allSamples(list()), QString(), 0);
    engine.setModule(out.filePath("kit.mod"));
    QSignalSpy finished(&engine, &ExportEngine::finished);
    engine.start();
    QVERIFY(finished.wait(60000));
    const qint64 written = QFileInfo(out.filePath("kit.mod")).size();
    QTRY_COMPARE(find<QLabel>("kitSize")->text(),
                 "33 samples, the first 31 in the module. " + moduleSizeLine("The kit's module", written) + '.');

    // Choosing a row shows that sample in the main window, and the waveform
    // window follows.
    useContextMenu(find<QWidget>("centralwidget"), "Show Waveform");
    auto *waveform = find<QWidget>("waveformWindow");
    QVERIFY(waveform);
    table()->selectRow(32);
    QCOMPARE(list()->currentIndex(), 32);
    QCOMPARE(find<QComboBox>("FrequencyCombo")->currentText(), "A-3");
    QCOMPARE(waveform->windowTitle(), "Waveform — pad.wav");
    // And the other way round.
    list()->setCurrentIndex(3);
    QCOMPARE(table()->currentIndex().row(), 3);
}

void TestKitWindow::everyWindowTakesTheKitsKeys_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("does"); // the caption of the dialog that opens, or the window
    for (const char *in : {"waveformWindow", "kitWindow"}) {
        QTest::addRow("Ctrl+O in the %s", in) << in << "Ctrl+O" << "Open Kit";
        QTest::addRow("Ctrl+S in the %s", in) << in << "Ctrl+S" << "Save Kit";
        QTest::addRow("Ctrl+W in the %s", in) << in << "Ctrl+W" << "Lose current samples?";
    }
    QTest::newRow("Ctrl+K in the waveform window") << "waveformWindow" << "Ctrl+K" << "kitWindow";
}

void TestKitWindow::everyWindowTakesTheKitsKeys()
{
    QFETCH(QString, in);
    QFETCH(QString, keys);
    QFETCH(QString, does);
    QVERIFY(loadSamples(*window, {dir.filePath("a.wav")}));
    useContextMenu(find<QWidget>("centralwidget"), in == "kitWindow" ? "Show Kit" : "Show Waveform");
    auto *other = find<QWidget>(qPrintable(in));
    QVERIFY(other && QTest::qWaitForWindowActive(other));
    ModalDriver driver;
    QString caption;
    driver.then([&caption](QWidget *dialog) {
        caption = qobject_cast<QMessageBox *>(dialog) ? static_cast<QMessageBox *>(dialog)->text() : dialog->windowTitle();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QTest::keySequence(other, QKeySequence(keys));
    if (does == "kitWindow") {
        QVERIFY(find<QWidget>("kitWindow") && find<QWidget>("kitWindow")->isVisible());
        return;
    }
    QTRY_COMPARE(caption, does);
    QCOMPARE(list()->count(), 1);
}

QTEST_MAIN(TestKitWindow)
#include "tst_kitwindow.moc"
