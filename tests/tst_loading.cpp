#include "export.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "kithistory.h"
#include "startup.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

enum State { Locked, Loaded, OpenAndEmpty };

State stateOf(MainWindow &window)
{
    const bool empty = window.findChild<QComboBox *>("sampleCombo")->count() == 0;
    const bool enabled = window.findChild<QWidget *>("centralwidget")->isEnabled();
    if (!empty && enabled)
        return Loaded;
    if (empty && enabled)
        return OpenAndEmpty;
    // A list with entries but a locked central area would be a fault.
    return empty ? Locked : State(-1);
}

} // namespace

class TestLoading : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void loadListsEveryChosenFileInOrder();
    void namesAreTheLastPathElementAsTyped_data();
    void namesAreTheLastPathElementAsTyped();
    void filesAreNotOpenedWhenLoaded();
    void eachActionMovesBetweenTheStates_data();
    void eachActionMovesBetweenTheStates();
    void refusingKeepsEverySetting_data();
    void refusingKeepsEverySetting();
    void oneSampleIsAskedAboutToo_data();
    void oneSampleIsAskedAboutToo();
    void clearingShowsTheDefaults();
    void loadingLeavesDirectoryAndSizeAlone();
    void commandLineFilesAreLoadedAsIfChosen();
    void droppedSoundFilesAreLoadedAndNothingElse();
    void dropOntoLoadedListAsksFirst();
    void droppedFoldersBringTheirWavFiles();
    void droppedPacksOfEverySoundFile();
    void droppedPacksKeepTheirTreeInExport_data();
    void droppedPacksKeepTheirTreeInExport();
    void anEmptyListOffersNoBatchEdit_data();
    void anEmptyListOffersNoBatchEdit();

private:
    QTemporaryDir dir;
    QStringList kickAndSnare;
};

void TestLoading::init()
{
    QVERIFY(dir.isValid());
    kickAndSnare = touchFiles(dir.path(), {"kick.wav", "snare.wav"});
}

void TestLoading::loadListsEveryChosenFileInOrder()
{
    MainWindow window;
    auto *samples = window.findChild<QComboBox *>("sampleCombo");

    ModalDriver driver;
    FileDialogLook look;
    driver.lookAndCancel(look);
    window.findChild<QAction *>("actionLoad_Samples")->trigger();
    QCOMPARE(look.caption, QStringLiteral("Open Samples"));
    QCOMPARE(look.directory, QDir::currentPath());
    QCOMPARE(look.filters, QStringList({"Wave Files (*.wav)",
                                        "Sound Files (*.wav *.flac *.aif *.aiff *.aifc *.ogg *.mp3 *.au *.snd *.w64 "
                                        "*.caf *.8svx)"}));

    driver.choose(kickAndSnare);
    window.findChild<QAction *>("actionLoad_Samples")->trigger();

    QCOMPARE(driver.pending(), 0);
    QVERIFY2(driver.texts().isEmpty(), "an empty list is not asked about");
    QCOMPARE(samples->count(), 2);
    QCOMPARE(samples->itemText(0), QStringLiteral("kick.wav | Not Ready"));
    QCOMPARE(samples->itemText(1), QStringLiteral("snare.wav | Not Ready"));
    QCOMPARE(samples->currentIndex(), 0);
    QCOMPARE(stateOf(window), Loaded);

    Sample expected;
    expected.path = kickAndSnare.at(0);
    expected.name = QStringLiteral("kick.wav");
    QCOMPARE(describe(currentSample(samples)), describe(expected));
    QCOMPARE(allSamples(samples).at(1).path, kickAndSnare.at(1));
}

void TestLoading::namesAreTheLastPathElementAsTyped_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("spaces") << "bass drum 01.wav";
    QTest::newRow("non-ASCII") << "Grünkohl-Glocke é 音.wav";
    QTest::newRow("single quotes") << "it's 'loud'.wav";
    QTest::newRow("leading dash") << "-n.wav";
    QTest::newRow("suffix-like") << "a | Ready.wav";
    QTest::newRow("upper-case extension") << "KICK.WAV";
}

void TestLoading::namesAreTheLastPathElementAsTyped()
{
    QFETCH(QString, name);

    QTemporaryDir spaced(QDir::tempPath() + QStringLiteral("/dir with space XXXXXX"));
    const QStringList paths = touchFiles(spaced.path(), {name});
    MainWindow window;
    QVERIFY(loadSamples(window, paths));

    const Sample loaded = currentSample(window.findChild<QComboBox *>("sampleCombo"));
    QCOMPARE(loaded.path, paths.first());
    QCOMPARE(loaded.name, name);
    QCOMPARE(window.findChild<QComboBox *>("sampleCombo")->itemText(0),
             name + QStringLiteral(" | Not Ready"));
}

void TestLoading::filesAreNotOpenedWhenLoaded()
{
    // Not WAV data at all, and a file that goes away once chosen.
    QFile bogus(kickAndSnare.at(0));
    QVERIFY(bogus.open(QIODevice::WriteOnly));
    bogus.write("this is no RIFF header");
    bogus.close();

    MainWindow window;
    QVERIFY(loadSamples(window, kickAndSnare));
    QVERIFY(QFile::remove(kickAndSnare.at(1)));
    auto *samples = window.findChild<QComboBox *>("sampleCombo");
    samples->setCurrentIndex(1);
    QCOMPARE(samples->count(), 2);
    QCOMPARE(currentSample(samples).name, QStringLiteral("snare.wav"));
}

void TestLoading::eachActionMovesBetweenTheStates_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("to");

    const QList<QPair<int, const char *>> froms = {
        {Locked, "Locked"}, {Loaded, "Loaded"}, {OpenAndEmpty, "Open and empty"}};
    for (const auto &[from, name] : froms) {
        const auto row = [name = name](const char *action) -> QTestData & {
            return QTest::addRow("%s, %s", name, action);
        };
        row("load") << from << "load" << int(Loaded);
        row("load cancelled") << from << "load cancelled"
                              << (from == Locked ? int(Locked) : int(OpenAndEmpty));
        row("clear") << from << "clear" << int(Locked);
        if (from == Loaded) {
            row("load refused") << from << "load refused" << from;
            row("clear refused") << from << "clear refused" << from;
        }
    }
}

void TestLoading::eachActionMovesBetweenTheStates()
{
    QFETCH(int, from);
    QFETCH(QString, action);
    QFETCH(int, to);

    MainWindow window;
    if (from != Locked)
        QVERIFY(loadSamples(window, kickAndSnare));
    if (from == OpenAndEmpty)
        QVERIFY(loadSamples(window, {}));
    QCOMPARE(stateOf(window), State(from));
    // Two steps of shaping the first sample: cropped, then looped too.
    SampleShape shape;
    if (from == Loaded) {
        shape.crop = SampleShape::Crop{100, 1000};
        changeShape(&window, 0, shape, "Crop to Selection");
        shape.loop = SampleShape::Loop::None;
        changeShape(&window, 0, shape, "Clear Loop");
    }

    const bool asks = from == Loaded;
    ModalDriver driver;
    if (asks)
        driver.press(action.endsWith(QLatin1String("refused")) ? QMessageBox::No : QMessageBox::Yes);
    if (action == QLatin1String("load"))
        driver.choose(kickAndSnare.mid(1));
    else if (action == QLatin1String("load cancelled"))
        driver.cancel();

    const char *trigger = action.startsWith(QLatin1String("load")) ? "actionLoad_Samples"
                                                                    : "actionClear_All";
    window.findChild<QAction *>(trigger)->trigger();

    QCOMPARE(driver.pending(), 0);
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(driver.texts(), asks ? QStringList{"Lose current samples?"} : QStringList{});
    QCOMPARE(stateOf(window), State(to));
    if (action == QLatin1String("load"))
        QCOMPARE(window.findChild<QComboBox *>("sampleCombo")->itemText(0),
                 QStringLiteral("snare.wav | Not Ready"));
    // A replaced list takes its history with it: Undo puts no old crop on
    // a new sample.
    auto *undo = window.findChild<QAction *>("actionUndo");
    QCOMPARE(undo->isEnabled(), from == Loaded && action.endsWith("refused"));
    undo->trigger();
    if (window.findChild<QComboBox *>("sampleCombo")->count() > 0)
        QCOMPARE(sampleShape(window.findChild<QComboBox *>("sampleCombo"), 0).isWhole(), !action.endsWith("refused"));
}

void TestLoading::refusingKeepsEverySetting_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<int>("key"); // 0: the No button
    QTest::newRow("load, No") << "actionLoad_Samples" << 0;
    QTest::newRow("load, Escape") << "actionLoad_Samples" << int(Qt::Key_Escape);
    QTest::newRow("load, Enter") << "actionLoad_Samples" << int(Qt::Key_Return);
    QTest::newRow("clear, No") << "actionClear_All" << 0;
    QTest::newRow("clear, Escape") << "actionClear_All" << int(Qt::Key_Escape);
    QTest::newRow("clear, Enter") << "actionClear_All" << int(Qt::Key_Return);
}

void TestLoading::refusingKeepsEverySetting()
{
    QFETCH(QString, trigger);
    QFETCH(int, key);

    MainWindow window;
    QVERIFY(loadSamples(window, kickAndSnare));
    auto *samples = window.findChild<QComboBox *>("sampleCombo");
    samples->setCurrentIndex(1);
    window.findChild<QPushButton *>("readyButton")->click();
    window.findChild<QCheckBox *>("lowCutCheckbox")->click();
    const QString before = describe(currentSample(samples));

    ModalDriver driver;
    if (key)
        driver.then([key](QWidget *box) { QTest::keyClick(box, Qt::Key(key)); });
    else
        driver.press(QMessageBox::No);
    window.findChild<QAction *>(qPrintable(trigger))->trigger();

    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(samples->count(), 2);
    QCOMPARE(samples->currentIndex(), 1);
    QCOMPARE(samples->itemText(1), QStringLiteral("snare.wav | Ready"));
    QCOMPARE(describe(currentSample(samples)), before);
    QVERIFY(window.findChild<QSlider *>("lowCutSlider")->isEnabled());
    QCOMPARE(stateOf(window), Loaded);
}

void TestLoading::oneSampleIsAskedAboutToo_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::newRow("load") << "actionLoad_Samples";
    QTest::newRow("clear") << "actionClear_All";
}

void TestLoading::oneSampleIsAskedAboutToo()
{
    QFETCH(QString, trigger);
    MainWindow window;
    QVERIFY(loadSamples(window, kickAndSnare.mid(1)));

    ModalDriver driver;
    driver.press(QMessageBox::No);
    window.findChild<QAction *>(qPrintable(trigger))->trigger();

    QCOMPARE(driver.texts(), QStringList{"Lose current samples?"});
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(window.findChild<QComboBox *>("sampleCombo")->itemText(0),
             QStringLiteral("snare.wav | Not Ready"));
    QCOMPARE(stateOf(window), Loaded);
}

void TestLoading::clearingShowsTheDefaults()
{
    MainWindow window;
    QVERIFY(loadSamples(window, kickAndSnare));
    window.findChild<QCheckBox *>("NormaliseCheckbox")->click();
    window.findChild<QCheckBox *>("highCutCheckbox")->click();
    auto *frequencies = window.findChild<QComboBox *>("FrequencyCombo");
    frequencies->setCurrentIndex(0);

    ModalDriver driver;
    driver.press(QMessageBox::Yes);
    window.findChild<QAction *>("actionClear_All")->trigger();

    QVERIFY(window.findChild<QCheckBox *>("NormaliseCheckbox")->isChecked());
    QVERIFY(!window.findChild<QCheckBox *>("highCutCheckbox")->isChecked());
    QVERIFY(!window.findChild<QSlider *>("highCutSlider")->isEnabled());
    QVERIFY(!window.findChild<QSlider *>("lowCutSlider")->isEnabled());
    QCOMPARE(window.findChild<QSlider *>("lowCutSlider")->value(), 50);
    QCOMPARE(window.findChild<QSlider *>("highCutSlider")->value(), 1980);
    QCOMPARE(frequencies->currentText(), QStringLiteral("C-2"));
}

void TestLoading::loadingLeavesDirectoryAndSizeAlone()
{
    MainWindow window;
    auto *directory = window.findChild<QLabel *>("DirectoryName");
    auto *size = window.findChild<QLabel *>("SizeLabel");
    QVERIFY(loadSamples(window, kickAndSnare));
    QVERIFY(loadSamples(window, kickAndSnare.mid(1)));
    ModalDriver driver;
    driver.press(QMessageBox::Yes);
    window.findChild<QAction *>("actionClear_All")->trigger();
    QCOMPARE(directory->text(), QStringLiteral("Select a Directory"));
    QCOMPARE(size->text(), QStringLiteral("0b"));
}

void TestLoading::commandLineFilesAreLoadedAsIfChosen()
{
    QTemporaryDir spaced(QDir::tempPath() + QStringLiteral("/dir with space XXXXXX"));
    const QString started = QDir::currentPath();
    QVERIFY(QDir::setCurrent(spaced.path()));
    const QString here = QDir::currentPath();
    // After "--", a missing file that looks like an option; the options
    // set every file.
    const CommandLine line = readCommandLine({"brindlebox", "my lead.wav", "--note", "C-3", "--no-normalise",
                                              kickAndSnare.at(1), "--high-cut", "9000", "--", "-n.wav"});
    QVERIFY(QDir::setCurrent(started));

    MainWindow window;
    window.loadFiles(line.files, line.settings);
    const QList<Sample> loaded = allSamples(window.findChild<QComboBox *>("sampleCombo"));
    QCOMPARE(loaded.size(), 3);
    for (const Sample &sample : loaded) {
        Sample expected = sampleOfFile(sample.path);
        expected.normalise = false;
        expected.highCut = true;
        expected.highCutFrequency = 9000;
        expected.note = "C-3";
        QCOMPARE(describe(sample), describe(expected));
    }
    QCOMPARE(loaded.at(0).path, here + QStringLiteral("/my lead.wav"));
    QCOMPARE(loaded.at(0).name, QStringLiteral("my lead.wav"));
    QCOMPARE(loaded.at(1).path, kickAndSnare.at(1));
    QCOMPARE(loaded.at(2).path, here + QStringLiteral("/-n.wav"));
    QCOMPARE(currentSample(window.findChild<QComboBox *>("sampleCombo")).path, loaded.at(0).path);
    QCOMPARE(stateOf(window), Loaded);
}

void TestLoading::droppedSoundFilesAreLoadedAndNothingElse()
{
    QList<QUrl> urls{QUrl(QStringLiteral("https://example.org/remote.wav"))};
    for (const QString &file : touchFiles(dir.path(), {"kick.wav", "notes.txt", "SNARE.WAV", "hat.Flac", "take.aif"}))
        urls << QUrl::fromLocalFile(file);
    MainWindow window;
    auto *samples = window.findChild<QComboBox *>("sampleCombo");

    QCOMPARE(dropOn(window, urls.mid(0, 1) + urls.mid(2, 1)), Qt::IgnoreAction);
    // A move would let the file manager delete what it thinks we took.
    QCOMPARE(dropOn(window, urls), Qt::CopyAction);
    QTRY_COMPARE(samples->count(), 4);
    QCOMPARE(samples->itemText(0), QStringLiteral("kick.wav | Not Ready"));
    QCOMPARE(samples->itemText(1), QStringLiteral("SNARE.WAV | Not Ready"));
    QCOMPARE(samples->itemText(2), QStringLiteral("hat.Flac | Not Ready"));
    QCOMPARE(samples->itemText(3), QStringLiteral("take.aif | Not Ready"));
    QCOMPARE(stateOf(window), Loaded);
}

void TestLoading::dropOntoLoadedListAsksFirst()
{
    MainWindow window;
    QVERIFY(loadSamples(window, kickAndSnare));
    ModalDriver driver;
    driver.press(QMessageBox::No);
    QCOMPARE(dropOn(window, {QUrl::fromLocalFile(touchFiles(dir.path(), {"hat.wav"}).first())}),
             Qt::CopyAction);
    QTRY_COMPARE(driver.texts(), QStringList{"Lose current samples?"});
    QCOMPARE(allSamples(window.findChild<QComboBox *>("sampleCombo")).size(), 2);
    QCOMPARE(currentSample(window.findChild<QComboBox *>("sampleCombo")).path, kickAndSnare.at(0));
}

void TestLoading::droppedFoldersBringTheirWavFiles()
{
    QTemporaryDir pack;
    QVERIFY(QDir(pack.path()).mkpath("Kicks") && QDir(pack.path()).mkpath("Empty/.cache"));
    touchFiles(pack.path(), {"Kicks/kick 10.wav", "Kicks/kick 2.wav", "a.wav", ".hidden.wav", "Empty/.cache/x.wav"});
    MainWindow window;
    auto *samples = window.findChild<QComboBox *>("sampleCombo");

    QCOMPARE(dropOn(window, {QUrl::fromLocalFile(pack.filePath("Empty"))}), Qt::IgnoreAction);
    QCOMPARE(dropOn(window, {QUrl::fromLocalFile(pack.path()), QUrl::fromLocalFile(kickAndSnare.at(1))}),
             Qt::CopyAction);
    QTRY_COMPARE(samples->count(), 4);
    QCOMPARE(allSamples(samples).at(0).path, pack.filePath("a.wav"));
    QCOMPARE(samples->itemText(1), QStringLiteral("kick 2.wav | Not Ready"));
    QCOMPARE(samples->itemText(2), QStringLiteral("kick 10.wav | Not Ready"));
    QCOMPARE(allSamples(samples).at(3).path, kickAndSnare.at(1));
    QCOMPARE(stateOf(window), Loaded);
}

void TestLoading::droppedPacksOfEverySoundFile()
{
    QTemporaryDir pack;
    const QStringList recordings{"BD_01.aiff", "Kick.FLAC", "pad.ogg", "snare.wav"};
    for (const QString &name : recordings)
        QVERIFY(makeWav(pack.filePath(name), {"-r", "44100", "-c", "2"}, {"synth", "0.2", "sine", "300"}));
    touchFiles(pack.path(), {"notes.txt"});
    MainWindow window;
    auto *samples = window.findChild<QComboBox *>("sampleCombo");
    QCOMPARE(dropOn(window, {QUrl::fromLocalFile(pack.path())}), Qt::CopyAction);
    QTRY_COMPARE(samples->count(), 4);
    QCOMPARE(samples->itemText(1), "Kick.FLAC | Not Ready");

    QTemporaryDir out;
    outputDirectory = out.path();
    {
        ModalDriver driver;
        driver.press(QMessageBox::Yes).press(QMessageBox::Ok);
        window.findChild<QPushButton *>("ExportButton")->click();
        QCOMPARE(driver.texts().value(1), "1 file in the folders is not a sound file, so it was left out");
    }
    QCOMPARE(entriesUnder(out.path(), QDir::Files), QStringList({"BD_01.8svx", "Kick.8svx", "pad.8svx", "snare.8svx"}));
    for (const QString &name : recordings) {
        const SvxFile svx = read8svx(out.filePath(name.section('.', 0, 0) + ".8svx"));
        QVERIFY2(svx.problem.isEmpty(), qPrintable(svx.problem));
        QCOMPARE(svx.samplesPerSec, 8287);
        QCOMPARE(svx.name, name.section('.', 0, 0).toLatin1());
    }
    // Forgotten with the list: a load of files leaves no folder behind.
    QVERIFY(loadSamples(window, {pack.filePath("snare.wav")}));
    QTemporaryDir again;
    outputDirectory = again.path();
    ModalDriver driver;
    driver.press(QMessageBox::Yes);
    window.findChild<QPushButton *>("ExportButton")->click();
    QCOMPARE(driver.pending(), 0);
    QCOMPARE(driver.texts().size(), 1);
}

void TestLoading::droppedPacksKeepTheirTreeInExport_data()
{
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QStringList>("exported");
    QTest::newRow("one pack") << QStringList{"Drums"} << QStringList{"Kicks/1.8svx", "Snares/1.8svx"};
    QTest::newRow("two packs at once") << QStringList{"Drums", "Loops"}
                                       << QStringList{"Drums/Kicks/1.8svx", "Drums/Snares/1.8svx", "Loops/1.8svx"};
    QTest::newRow("loaded with Load Samples") << QStringList() << QStringList{"1.8svx"};
}

void TestLoading::droppedPacksKeepTheirTreeInExport()
{
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, exported);
    QTemporaryDir packs;
    for (const QString folder : {"Drums/Kicks", "Drums/Snares", "Loops"})
        QVERIFY(QDir(packs.path()).mkpath(folder));
    for (const QString file : {"Drums/Kicks/1.wav", "Drums/Snares/1.wav", "Loops/1.wav"})
        QVERIFY(makeWav(packs.filePath(file), {"-r", "8000", "-c", "1"}, {"synth", "0.1", "sine", "300"}));
    MainWindow window;
    QList<QUrl> urls;
    for (const QString &folder : dropped)
        urls << QUrl::fromLocalFile(packs.filePath(folder));
    // A pack dropped first is forgotten with its list when files are loaded.
    QCOMPARE(dropOn(window, {QUrl::fromLocalFile(packs.filePath("Drums"))}), Qt::CopyAction);
    QTRY_COMPARE(window.findChild<QComboBox *>("sampleCombo")->count(), 2);
    if (dropped.isEmpty()) {
        QVERIFY(loadSamples(window, {packs.filePath("Drums/Kicks/1.wav")}));
    } else {
        ModalDriver driver;
        driver.press(QMessageBox::Yes); // lose the samples dropped first
        QCOMPARE(dropOn(window, urls), Qt::CopyAction);
        QTRY_COMPARE(driver.pending(), 0);
        QTRY_COMPARE(window.findChild<QComboBox *>("sampleCombo")->count(), exported.size());
    }

    QTemporaryDir out;
    outputDirectory = out.path();
    ModalDriver driver;
    driver.press(QMessageBox::Yes); // not all samples are ready
    window.findChild<QPushButton *>("ExportButton")->click();
    QCOMPARE(driver.pending(), 0);
    QCOMPARE(entriesUnder(out.path(), QDir::Files), exported);
}

void TestLoading::anEmptyListOffersNoBatchEdit_data()
{
    QTest::addColumn<int>("state");
    QTest::newRow("Locked") << int(Locked);
    QTest::newRow("Open and empty") << int(OpenAndEmpty);
}

void TestLoading::anEmptyListOffersNoBatchEdit()
{
    QFETCH(int, state);
    MainWindow window;
    if (state == OpenAndEmpty) {
        QVERIFY(loadSamples(window, kickAndSnare));
        QVERIFY(loadSamples(window, {}));
    }
    for (const char *control : {"NormaliseCheckbox", "FrequencyCombo", "lowCutSlider"}) {
        QCOMPARE(useContextMenu(window.findChild<QWidget *>(control), "Mark All Ready"),
                 QStringList({"Undo (disabled)", "Redo (disabled)", "", "Add Samples…", "Remove Sample (disabled)",
                              "Move Up (disabled)", "Move Down (disabled)", "Rename… (disabled)", "Duplicate (disabled)", "",
                              "Apply These Settings to All Samples (disabled)",
                              "Mark All Ready (disabled)", "Mark All Not Ready (disabled)",
                              "Trim Silence of All Samples (disabled)", "Fit Notes to Tracker Length (disabled)", "Fit Kit into Size… (disabled)",
                              "Open Kit…", "Save Kit… (disabled)", "Export Kit as Module… (disabled)",
                              "Play Kit as Module (disabled)", "",
                              "Show Kit", "Show Waveform (disabled)"}));
    }
    QCOMPARE(stateOf(window), State(state));
}

QTEST_MAIN(TestLoading)
#include "tst_loading.moc"
