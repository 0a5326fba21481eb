#include "kittablemodel.h"
#include "kitwindowfixture.h"
#include "modaldriver.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <QtEndian>

// Building the kit in the kit window, piece by piece: added, moved, renamed,
// removed and duplicated, what it says it cannot do, every step taken back
// showing the sample it changes, and the module written in the order the
// table shows.

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

class TestKitEditing : public QObject, private KitWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { makeRecordings(); }
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }
    void buildsTheKitStepByStep();
    void saysWhatItCannotDo_data();
    void saysWhatItCannotDo();
    void undoShowsTheSampleItTakesBack();

private:
    /// Drags the row \a from of the table to just above the row \a above.
    void dragRow(int from, int above);
};

void TestKitEditing::dragRow(int from, int above)
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

void TestKitEditing::buildsTheKitStepByStep()
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

void TestKitEditing::saysWhatItCannotDo_data()
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

void TestKitEditing::saysWhatItCannotDo()
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

void TestKitEditing::undoShowsTheSampleItTakesBack()
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

QTEST_MAIN(TestKitEditing)
#include "tst_kitediting.moc"
