#include "exportengine.h"
#include "kittablemodel.h"
#include "mainwindow.h"
#include "module.h"
#include "modaldriver.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QUndoStack>
#include <QtEndian>

// The kit window as a musician meets it: the whole list in one table, built
// piece by piece, every step taken back, and the module written in the
// order the table shows.

namespace {

/// The names of a module's filled slots, in slot order.
QStringList slotNames(const QString &path)
{
    QFile file(path);
    QStringList names;
    if (!file.open(QIODevice::ReadOnly))
        return names;
    const QByteArray bytes = file.readAll();
    for (int at = 20; at < 950 && at + 30 <= bytes.size(); at += 30) {
        if (qFromBigEndian<quint16>(bytes.constData() + at + 22) > 0)
            names << QString::fromLatin1(bytes.mid(at, 22).constData());
    }
    return names;
}

} // namespace

class TestKitWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void showsEverySampleAsTheModuleHoldsIt();
    void buildsTheKitStepByStep();
    void saysWhatItCannotDo_data();
    void saysWhatItCannotDo();
    void undoShowsTheSampleItTakesBack();
    void everyWindowTakesTheKitsKeys_data();
    void everyWindowTakesTheKitsKeys();

private:
    template<typename T>
    T *find(const char *name) { return window->findChild<T *>(name); }
    QComboBox *list() { return find<QComboBox>("sampleCombo"); }
    /// Opens the kit window from the main window's context menu.
    QWidget *openKit();
    QTableView *table() { return find<QTableView>("kitTable"); }
    /// What the table shows in \a column, row by row.
    QStringList column(int column);
    /// The names of the list's samples, in order.
    QStringList names();
    /// Presses \a keys in the kit window, as a user does.
    void press(const QKeySequence &keys);
    /// Drags the row \a from of the table to just above the row \a above.
    void dragRow(int from, int above);
    QString undoText() { return find<QUndoStack>("kitHistory")->undoText(); }

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

void TestKitWindow::initTestCase()
{
    for (const char *name : {"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"})
        QVERIFY(makeWav(dir.filePath(name), {"-r", "8000", "-c", "1"}, {"synth", "0.1", "sine", "440"}));
    // 3 s at 22,050 Hz: at A-3 too long for classic trackers.
    QVERIFY(makeWav(dir.filePath("pad.wav"), {"-r", "22050", "-c", "1"}, {"synth", "3", "sine", "300"}));
    touchFiles(dir.path(), {"notes.txt"});
}

void TestKitWindow::init()
{
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestKitWindow::cleanup()
{
    window.reset();
}

QWidget *TestKitWindow::openKit()
{
    useContextMenu(find<QWidget>("centralwidget"), "Show Kit");
    auto *kit = find<QWidget>("kitWindow");
    return kit && QTest::qWaitForWindowActive(kit) ? kit : nullptr;
}

QStringList TestKitWindow::column(int column)
{
    QStringList shown;
    for (int row = 0; row < table()->model()->rowCount(); ++row)
        shown << table()->model()->index(row, column).data().toString();
    return shown;
}

QStringList TestKitWindow::names()
{
    QStringList named;
    for (const Sample &sample : allSamples(list()))
        named << sample.name;
    return named;
}

void TestKitWindow::press(const QKeySequence &keys)
{
    auto *kit = find<QWidget>("kitWindow");
    kit->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(kit));
    QTest::keySequence(kit, keys);
}

void TestKitWindow::dragRow(int from, int above)
{
    QAbstractItemModel *model = table()->model();
    std::unique_ptr<QMimeData> data(model->mimeData({model->index(from, KitTableModel::NameColumn)}));
    const QPoint at = table()->visualRect(model->index(above, KitTableModel::NameColumn)).topLeft() + QPoint(8, 1);
    QWidget *rows = table()->viewport();
    QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(rows, &enter);
    QVERIFY(enter.isAccepted());
    QDragMoveEvent move(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(rows, &move);
    QVERIFY(move.isAccepted());
    QDropEvent drop(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(rows, &drop);
    QVERIFY(drop.isAccepted());
}

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
    // And against the budget last asked for, though nothing could fit it.
    ModalDriver budget;
    budget.then([](QWidget *dialog) {
        dialog->findChild<QComboBox *>("budgetSize")->setCurrentText("4K");
        static_cast<QDialog *>(dialog)->accept();
    });
    budget.press(QMessageBox::Ok);
    useContextMenu(find<QWidget>("centralwidget"), "Fit Kit into Size…");
    QCOMPARE(budget.pending(), 0);
    QTRY_COMPARE(find<QLabel>("kitSize")->text(),
                 "33 samples, the first 31 in the module. " + moduleSizeLine("The kit's module", written)
                     + QStringLiteral("; %1 more than the 4,096 bytes last asked for.")
                           .arg(QLocale(QLocale::English).toString(written - 4096)));

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

void TestKitWindow::buildsTheKitStepByStep()
{
    QVERIFY(loadSamples(*window, {dir.filePath("a.wav"), dir.filePath("b.wav")}));
    QVERIFY(openKit());
    QStringList steps{names().join(' ')};

    // Three files added to the two: five, nothing asked, the first new one shown.
    ModalDriver driver;
    driver.choose({dir.filePath("c.wav"), dir.filePath("d.wav"), dir.filePath("e.wav")});
    press(QKeySequence("Ctrl+Shift+L"));
    QCOMPARE(driver.texts(), QStringList());
    QCOMPARE(driver.pending(), 0);
    QCOMPARE(names(), QStringList({"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"}));
    QCOMPARE(list()->currentIndex(), 2);
    steps << names().join(' ');
    // The last dragged to the top.
    table()->selectRow(4);
    dragRow(4, 0);
    QCOMPARE(names(), QStringList({"e.wav", "a.wav", "b.wav", "c.wav", "d.wav"}));
    QCOMPARE(list()->currentIndex(), 0);
    steps << names().join(' ');
    // Renamed: the name the export and the module use; the recording stays.
    driver.then([](QWidget *dialog) {
        auto *input = qobject_cast<QInputDialog *>(dialog);
        QVERIFY(input);
        input->setTextValue("kick.wav");
        input->accept();
    });
    press(QKeySequence(Qt::Key_F2));
    QCOMPARE(names().value(0), "kick.wav");
    QCOMPARE(allSamples(list()).at(0).path, dir.filePath("e.wav"));
    steps << names().join(' ');
    // The second removed.
    table()->selectRow(1);
    press(QKeySequence(Qt::Key_Delete));
    QCOMPARE(names(), QStringList({"kick.wav", "b.wav", "c.wav", "d.wav"}));
    QCOMPARE(find<QLabel>("kitMessage")->text(), "Removed a.wav; Undo Remove Sample of a.wav (Ctrl+Z) brings it back.");
    QCOMPARE(list()->currentIndex(), 1);

    // The module's slots hold the samples in the table's order, by their names.
    QCOMPARE(column(KitTableModel::NameColumn), names());
    const QString module = dir.filePath("built.mod");
    driver.choose({module});
    driver.press(QMessageBox::Yes); // not all are ready
    driver.press(QMessageBox::Ok);  // its size
    find<QAction>("actionExport_Kit_as_Module")->trigger();
    QCOMPARE(driver.unexpected(), 0);
    QStringList expected = column(KitTableModel::NameColumn);
    QCOMPARE(slotNames(module), expected.replaceInStrings(".wav", ""));
    QVERIFY(QFile::remove(module));

    // Each step taken back, naming the sample it changes and showing it.
    const QStringList undone{"Remove Sample of a.wav", "Rename of e.wav", "Move of e.wav",
                             "Add Samples of c.wav, d.wav and e.wav"};
    const QList<int> shownAfter{1, 0, 4, 1};
    for (int i = 0; i < undone.size(); ++i) {
        QCOMPARE(undoText(), undone.at(i));
        press(QKeySequence::Undo);
        QCOMPARE(names().join(' '), steps.at(steps.size() - 1 - i));
        QCOMPARE(column(KitTableModel::NameColumn), names());
        QCOMPARE(list()->currentIndex(), shownAfter.at(i));
        QCOMPARE(table()->currentIndex().row(), list()->currentIndex());
    }
    QVERIFY(!find<QUndoStack>("kitHistory")->canUndo());
}

void TestKitWindow::saysWhatItCannotDo_data()
{
    // The list a.wav b.wav c.wav, b shown; then a key, or a name typed
    // after F2, or a file dropped on the kit window.
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QStringList>("after");
    const QStringList all{"a.wav", "b.wav", "c.wav"};
    QTest::newRow("the first moved up") << "Alt+Up" << 0
                                        << "a.wav is the first sample already: it cannot move further up." << all;
    QTest::newRow("the last moved down") << "Alt+Down" << 2
                                         << "c.wav is the last sample already: it cannot move further down." << all;
    QTest::newRow("a name emptied") << "rename  " << 1 << "b.wav keeps its name: a sample needs a name." << all;
    QTest::newRow("a name with a slash") << "rename b/side.wav" << 1
                                         << "b.wav keeps its name: a file name cannot hold \"/\"." << all;
    QTest::newRow("another sample's name") << "rename c.WAV" << 1
                                           << "b.wav keeps its name: another sample is exported as c.8svx already, and "
                                              "two samples of one name would be one file."
                                           << all;
    QTest::newRow("a text file dropped") << "drop notes.txt" << 1
                                         << "Not added, as only sound files and folders of them can be: notes.txt: "
                                            "not a sound file."
                                         << all;
    QTest::newRow("a sound file and a text file dropped")
        << "drop d.wav notes.txt" << 1
        << "Added d.wav. Not added, as only sound files and folders of them can be: notes.txt: not a sound file."
        << QStringList{"a.wav", "b.wav", "c.wav", "d.wav"};
    QTest::newRow("a duplicate") << "Ctrl+D" << 1 << "b 2.wav is a second sample of b.wav's recording."
                                 << QStringList{"a.wav", "b.wav", "b 2.wav", "c.wav"};
}

void TestKitWindow::saysWhatItCannotDo()
{
    QFETCH(QString, action);
    QFETCH(int, shown);
    QFETCH(QString, said);
    QFETCH(QStringList, after);
    QVERIFY(loadSamples(*window, {dir.filePath("a.wav"), dir.filePath("b.wav"), dir.filePath("c.wav")}));
    QVERIFY(openKit());
    table()->selectRow(shown);
    const QList<KitEntry> before = allEntries(list());
    ModalDriver driver;
    if (action.startsWith("rename ")) {
        driver.then([&action](QWidget *dialog) {
            auto *input = qobject_cast<QInputDialog *>(dialog);
            QVERIFY(input);
            input->setTextValue(action.mid(7));
            input->accept();
        });
        press(QKeySequence(Qt::Key_F2));
    } else if (action.startsWith("drop ")) {
        QList<QUrl> urls;
        for (const QString &name : action.mid(5).split(' '))
            urls << QUrl::fromLocalFile(dir.filePath(name));
        QCOMPARE(dropOn(find<QWidget>("kitWindow"), urls), Qt::CopyAction);
    } else {
        press(QKeySequence(action));
    }
    QTRY_COMPARE(find<QLabel>("kitMessage")->text(), said);
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(names(), after);
    QCOMPARE(column(KitTableModel::NameColumn), after);
    // Nothing is lost: what was done, Undo takes back whole.
    if (after != QStringList({"a.wav", "b.wav", "c.wav"})) {
        press(QKeySequence::Undo);
        QCOMPARE(allEntries(list()).size(), before.size());
        for (int i = 0; i < before.size(); ++i)
            QCOMPARE(describe(allEntries(list()).at(i).sample), describe(before.at(i).sample));
    } else {
        QVERIFY(!find<QUndoStack>("kitHistory")->canUndo());
    }
}

void TestKitWindow::undoShowsTheSampleItTakesBack()
{
    QVERIFY(loadSamples(*window, {dir.filePath("a.wav"), dir.filePath("b.wav"), dir.filePath("c.wav")}));
    QVERIFY(openKit());
    ModalDriver driver;
    driver.then([](QWidget *dialog) {
        static_cast<QInputDialog *>(dialog)->setTextValue("snare.wav");
        static_cast<QInputDialog *>(dialog)->accept();
    });
    press(QKeySequence(Qt::Key_F2));
    // Another sample shown and changed meanwhile, outside the history.
    table()->selectRow(2);
    QTest::keyClick(find<QComboBox>("FrequencyCombo"), Qt::Key_Home);
    QCOMPARE(find<QAction>("actionUndo")->text(), "Undo Rename of a.wav");
    press(QKeySequence::Undo);
    // The sample it names is shown, and is the one changed back.
    QCOMPARE(list()->currentIndex(), 0);
    QCOMPARE(names(), QStringList({"a.wav", "b.wav", "c.wav"}));
    table()->selectRow(1);
    press(QKeySequence("Ctrl+Shift+Z"));
    QCOMPARE(list()->currentIndex(), 0);
    QCOMPARE(names(), QStringList({"snare.wav", "b.wav", "c.wav"}));
    QCOMPARE(allSamples(list()).at(2).note, "C-1");
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
