#include "mainwindow.h"
#include "modaldriver.h"
#include "kithistory.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCryptographicHash>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Kits saved and opened as a musician does, through the context menu, the
// keys and the file dialogs, and exported again from the command line.

namespace {

/// All the list shows and keeps of each sample, a line each.
QStringList listOf(MainWindow &window)
{
    auto *list = window.findChild<QComboBox *>("sampleCombo");
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) {
        const SampleShape shape = sampleShape(list, i);
        const SampleShape::Crop crop = shape.crop.value_or(SampleShape::Crop{-1, -1});
        const SampleShape::Crossfade fade = shape.crossfade.value_or(SampleShape::Crossfade{-1, -1, std::nullopt});
        lines << QStringLiteral("%1 | %2 | in '%3' | crop %4+%5 | loop %6 %7-%8 | crossfade %9")
                     .arg(list->itemText(i), describe(allSamples(list).at(i)), sampleOrigin(list, i).subfolder)
                     .arg(crop.start).arg(crop.frames).arg(int(shape.loop)).arg(shape.loopStart).arg(shape.loopEnd)
                     .arg(QStringLiteral("%1 ms, law %2, loop %3-%4")
                              .arg(fade.ms, 0, 'g', 17).arg(fade.law)
                              .arg(fade.loopFrames.value_or(std::pair{-1, -1}).first)
                              .arg(fade.loopFrames.value_or(std::pair{-1, -1}).second));
    }
    return lines;
}

/// Each file an export left under \a dir: its rate, and a digest of all
/// its bytes (sound, loop, name).
QStringList exported(const QString &dir)
{
    QStringList files;
    for (const QString &name : entriesUnder(dir, QDir::Files)) {
        QFile file(dir + '/' + name);
        file.open(QIODevice::ReadOnly);
        files << QStringLiteral("%1 %2 Hz %3").arg(name).arg(read8svx(file.fileName()).samplesPerSec)
                     .arg(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Md5).toHex());
    }
    return files;
}

/// Runs the program as a terminal does: its exit status, and standard error.
QPair<int, QStringList> brindlebox(const QStringList &arguments)
{
    QProcess program;
    program.start(QStringLiteral(BRINDLEBOX_PROGRAM), arguments);
    program.waitForFinished(60000);
    return {program.exitCode(), QString::fromLocal8Bit(program.readAllStandardError()).split('\n', Qt::SkipEmptyParts)};
}

/// Presses keys in the window, which a dialog leaves inactive offscreen.
void press(MainWindow &window, const char *keys)
{
    window.activateWindow();
    if (QTest::qWaitForWindowActive(&window))
        QTest::keySequence(&window, QKeySequence(keys));
}

} // namespace

class TestKitFile : public QObject
{
    Q_OBJECT

private slots:
    void aSavedKitOpensAsItWasLeft();
    void aBadKitChangesNothing_data();
    void aBadKitChangesNothing();
    void saveWritesWholeOrNothing();
};

void TestKitFile::aSavedKitOpensAsItWasLeft()
{
    QTemporaryDir work;
    const QString studio = work.filePath("studio");
    for (const QString folder : {"pack/Kicks", "pack/Snares", "out", "cli"})
        QVERIFY(QDir(studio).mkpath(folder));
    // Silence about each sound, for Trim Silence to crop away.
    QVERIFY(makeWav(studio + "/pack/hat.wav", {"-r", "8000", "-c", "1"}, {"synth", "0.2", "noise", "pad", "0.1", "0.1"}));
    QVERIFY(makeWav(studio + "/pack/Kicks/kick.wav", {"-r", "22050", "-c", "1"}, {"synth", "0.3", "sine", "90", "pad", "0.05", "0.2"}));
    QVERIFY(makeWav(studio + "/pack/Snares/snare.wav", {"-r", "44100", "-c", "2"}, {"synth", "0.4", "noise", "pad", "0.1", "0"}));
    // Its sampler looped it, from 0.2 s to 0.3 s.
    QVERIFY(appendRiffChunk(studio + "/pack/Snares/snare.wav", "smpl", smplData(1, {{0, 8820, 13229}})));
    MainWindow window;
    window.show();
    auto *list = window.findChild<QComboBox *>("sampleCombo");
    auto *notes = window.findChild<QComboBox *>("FrequencyCombo");
    const auto click = [&window](const char *button) { window.findChild<QAbstractButton *>(button)->click(); };
    QCOMPARE(dropOn(window, {QUrl::fromLocalFile(studio + "/pack")}), Qt::CopyAction);
    QTRY_COMPARE(list->count(), 3);
    ModalDriver driver;
    driver.choose({studio + "/out"});
    click("browseButton");
    // Each sample its own note and cuts, the first marked ready, the second
    // looped by hand.
    QTest::keyClick(notes, Qt::Key_End);
    click("lowCutCheckbox");
    drag(window.findChild<QSlider *>("lowCutSlider"), 300);
    click("readyButton");
    list->setCurrentIndex(1);
    QTest::keyClick(notes, Qt::Key_Home);
    click("NormaliseCheckbox");
    list->setCurrentIndex(2);
    QTest::keyClick(notes, Qt::Key_Down);
    click("highCutCheckbox");
    drag(window.findChild<QSlider *>("highCutSlider"), 10980);
    useContextMenu(list, "Trim Silence of All Samples");
    SampleShape looped = sampleShape(list, 1);
    QVERIFY(looped.crop);
    looped.loop = SampleShape::Loop::Set;
    looped.loopStart = looped.crop->start + 100;
    looped.loopEnd = looped.crop->start + 2099;
    looped.crossfade = SampleShape::Crossfade{1000.0 / 3, 0.3, std::pair{looped.loopStart, looped.loopEnd}};
    changeShape(&window, 1, looped, "Set Loop");
    // The third is to play once, though its recording loops.
    list->setCurrentIndex(2);
    useContextMenu(window.findChild<QWidget *>("centralwidget"), "Show Waveform");
    auto *view = window.findChild<QWidget *>("waveformView");
    const auto says = [&view](const char *what) {
        return QTest::qWaitFor([&] { return view->accessibleDescription().contains(what); }, 10000);
    };
    QVERIFY(view && says("loop from byte"));
    useContextMenu(view, "Clear Loop");
    QVERIFY(says("no loop"));
    window.findChild<QWidget *>("waveformWindow")->close();
    // The kick a second time, looped too, at a note of its own; the hat
    // named anew.
    list->setCurrentIndex(1);
    useContextMenu(list, "Duplicate");
    QCOMPARE(list->currentIndex(), 2);
    QTest::keyClick(notes, Qt::Key_Down);
    list->setCurrentIndex(0);
    driver.then([](QWidget *dialog) {
        static_cast<QInputDialog *>(dialog)->setTextValue("open hat.wav");
        static_cast<QInputDialog *>(dialog)->accept();
    });
    useContextMenu(list, "Rename…");
    QCOMPARE(allSamples(list).at(0).name, "open hat.wav");
    QCOMPARE(allSamples(list).at(2).name, "kick 2.wav");
    const QStringList saved = listOf(window);

    // Saved without its suffix, cleared, and the studio moved as a whole.
    driver.choose({studio + "/drums"});
    press(window, "Ctrl+S");
    driver.press(QMessageBox::Yes);
    window.findChild<QAction *>("actionClear_All")->trigger();
    const QString moved = work.filePath("moved");
    QVERIFY(QDir().rename(studio, moved));
    driver.choose({moved + "/drums.brindlekit"});
    press(window, "Ctrl+O");
    QCOMPARE(listOf(window), QStringList(saved).replaceInStrings(studio, moved));
    QCOMPARE(window.findChild<QLabel *>("DirectoryName")->text(), moved + "/out");

    // The command line exports the kit as the window exports its list,
    // each sample at its note's rate into its subfolder.
    driver.press(QMessageBox::Yes); // not all are ready
    click("ExportButton");
    const auto run = brindlebox({"--export", moved + "/cli", moved + "/drums.brindlekit"});
    QVERIFY2(run.first == 0, qPrintable(run.second.join('\n')));
    const QStringList files = exported(moved + "/cli");
    QCOMPARE(files, exported(moved + "/out"));
    QCOMPARE(QStringList(files).replaceInStrings(QRegularExpression(" \\w+$"), ""),
             QStringList({"Kicks/kick 2.8svx 4390 Hz", "Kicks/kick.8svx 4144 Hz", "Snares/snare.8svx 8779 Hz",
                          "open hat.8svx 27928 Hz"}));
    QVERIFY(read8svx(moved + "/cli/Kicks/kick.8svx").repeat > 0);
    QCOMPARE(read8svx(moved + "/cli/Snares/snare.8svx").repeat, 0);
}

void TestKitFile::aBadKitChangesNothing_data()
{
    // A kit of two samples, the second going wrong where the row changes it.
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("said");
    QTest::newRow("cut short") << "CUT" << "" << "it is cut short";
    QTest::newRow("a note that is not one") << "\"C-3\"" << "\"H-2\""
                                          << "sample 2 (b.wav) has \"note\": \"H-2\", which is not one of the 34 notes";
    QTest::newRow("a crop past the end") << "\"frames\": 100" << "\"frames\": 9000"
                                       << "has a crop that ends at frame 9010, past the end of its recording (1600 frames)";
    QTest::newRow("a crossfade of no length") << "\"ready\": true" << "\"ready\": true, \"crossfade\": {\"ms\": 0}"
                                              << "sample 2 (b.wav) has a crossfade of 0 ms; a crossfade lasts more than 0 ms";
    QTest::newRow("a name a file cannot have") << "\"note\": \"C-3\"" << "\"note\": \"C-3\", \"name\": \"b/side.wav\""
                                             << "sample 2 (b.wav) has \"name\": \"b/side.wav\", which a file name cannot hold";
    QTest::newRow("100 MB of junk") << "JUNK" << "" << "it is 104857600 bytes long";
    QTest::newRow("a FIFO") << "FIFO" << "" << "it is not a regular file";
    QTest::newRow("a link that leads round in a circle") << "LOOP" << ""
                                                        << "it cannot be read: Too many levels of symbolic links";
    QTest::newRow("a name that is not UTF-8") << "NOT UTF-8" << "" << "its file name is not valid UTF-8; rename the file";
    QTest::newRow("the first sample bad, the second fine") << "{\"recording\": \"a.wav\"}"
                                                          << "{\"recording\": \"a.wav\", \"note\": \"H-2\"}"
                                                          << "sample 1 (a.wav) has \"note\": \"H-2\"";
    QTest::newRow("a misspelt key") << "\"sampleCount\": 2," << "\"sampleCount\": 2, \"outputDirectry\": \"out\","
                                   << "it has \"outputDirectry\", which a kit does not have";
    QTest::newRow("a misspelt count") << "\"sampleCount\"" << "\"sampelCount\""
                                     << "it has \"sampelCount\", which a kit does not have";
    QTest::newRow("a misspelt key in a crop") << "\"start\": 10," << "\"start\": 10, \"strat\": 10,"
                                             << "sample 2 (b.wav) has a crop that has \"strat\", which a crop does not have";
    QTest::newRow("a misspelt key in a loop") << "\"ready\": true" << "\"ready\": true, \"loop\": {\"start\": 20, \"end\": 60, \"ned\": 50}"
                                             << "sample 2 (b.wav) has a loop that has \"ned\", which a loop does not have";
    QTest::newRow("a key written twice") << "\"note\": \"C-3\"" << "\"note\": \"X\", \"note\": \"C-3\""
                                        << "sample 2 (b.wav) has \"note\" written twice";
    QTest::newRow("the version written twice") << "\"version\": 1" << "\"version\": 2, \"version\": 1"
                                              << "it has \"version\" written twice";
    QTest::newRow("a key written twice, escaped") << "\"ready\": true" << "\"ready\": true, \"re\\u0061dy\": false"
                                                 << "sample 2 (b.wav) has \"ready\" written twice";
    QTest::newRow("a high cut at 0 Hz") << "\"ready\": true" << "\"ready\": true, \"highCut\": true, \"highCutHz\": 0"
                                       << "sample 2 (b.wav) has a high cut at 0 Hz, which would leave no sound";
    QTest::newRow("a NUL in a subfolder") << "\"ready\": true" << "\"ready\": true, \"subfolder\": \"Kicks\\u0000/../..\""
                                         << "has \"subfolder\": \"Kicks\\u0000/../..\", which does not lie inside the "
                                            "folder it is exported into: a name cannot hold the character U+0000 (NUL)";
    QTest::newRow("a NUL in a crossfade's key") << "\"ready\": true" << "\"ready\": true, \"crossfade\": {\"ms\": 5, \"m\\u0000s\": 1}"
                                               << "sample 2 (b.wav) has a crossfade with \"m\\u0000s\", which a kit does not have";
    QTest::newRow("a NUL in a recording") << "\"b.wav\"" << "\"b\\u0000.wav\""
                                         << "sample 2 has \"recording\": \"b\\u0000.wav\", which names no file: a name "
                                            "cannot hold the character U+0000 (NUL)";
}

void TestKitFile::aBadKitChangesNothing()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, said);
    QTemporaryDir work;
    QVERIFY(makeWav(work.filePath("b.wav"), {"-r", "8000", "-c", "1"}, {"synth", "0.2", "sine", "300"}));
    // The byte 0x80 in the name, which Qt reads as U+FFFD.
    const QByteArray bytes = QFile::encodeName(work.path()) + (from == "NOT UTF-8" ? "/bad\x80.brindlekit" : "/bad.brindlekit");
    const QString path = QFile::decodeName(bytes);
    QByteArray kit = R"({"format": "brindlebox-kit", "version": 1, "sampleCount": 2, "samples": [{"recording": "a.wav"},
        {"recording": "b.wav", "note": "C-3", "ready": true, "crop": {"start": 10, "frames": 100}}]})";
    QFile file(path);
    if (from == "FIFO")
        QCOMPARE(::mkfifo(QFile::encodeName(path), 0600), 0);
    else if (from == "LOOP")
        QCOMPARE(::symlink("bad.brindlekit", bytes.constData()), 0);
    else if (from == "NOT UTF-8")
        QVERIFY(::close(::open(bytes.constData(), O_WRONLY | O_CREAT, 0600)) == 0);
    else if (!file.open(QIODevice::WriteOnly) || from == "JUNK")
        QVERIFY(file.resize(100 * 1024 * 1024));
    else
        file.write(from == "CUT" ? kit.left(kit.size() / 2) : kit.replace(from.toUtf8(), to.toUtf8()));
    file.close();

    // Qt's file dialog finds no file at such a path, where a file manager
    // or a terminal may still name it.
    QString message = QStringLiteral("Cannot open the kit %1: %2").arg(path, said);
    if (from != "LOOP" && from != "NOT UTF-8") {
        MainWindow window;
        window.loadFiles({work.filePath("b.wav")});
        const QStringList before = listOf(window);
        ModalDriver driver;
        driver.choose({path}).press(QMessageBox::Ok);
        useContextMenu(window.findChild<QWidget *>("sampleCombo"), "Open Kit…");
        // Read and refused before anyone is asked to lose the list.
        QCOMPARE(driver.texts().size(), 1);
        message = driver.texts().first();
        QVERIFY2(message.startsWith("Cannot open the kit " + path + ": ") && message.contains(said), qPrintable(message));
        QCOMPARE(listOf(window), before);
    }

    // The same words from the command line, where no sox can run, whole.
    FakeSox none;
    QProcess program;
    if (from == "NOT UTF-8")
        program.start("/bin/sh", {"-c", "exec \"$0\" --export \"$1\" \"$1/$(printf 'bad\\200.brindlekit')\"",
                                  BRINDLEBOX_PROGRAM, work.path()});
    else
        program.start(BRINDLEBOX_PROGRAM, {"--export", work.path(), path});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitCode(), 2);
    QCOMPARE(QString::fromLocal8Bit(program.readAllStandardError()).section('\n', 0, 0), "brindlebox: c" + message.mid(1));
}

void TestKitFile::saveWritesWholeOrNothing()
{
    SmallDisk small(64);
    if (!small.problem().isEmpty())
        QSKIP(qPrintable(small.problem()));
    QFile old(small.filePath("old.brindlekit"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    MainWindow window;
    window.loadFiles(touchFiles(small.path(), {"kick.wav"}));
    QVERIFY(small.fillLeaving(0));

    // Over the old kit: the dialog's accept is queued, so that its question
    // whether to replace the file can be answered.
    ModalDriver driver;
    driver.then([&old](QWidget *dialog) {
        dialog->findChild<QLineEdit *>("fileNameEdit")->setText(old.fileName());
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    driver.press(QMessageBox::Yes).press(QMessageBox::Ok);
    useContextMenu(window.findChild<QWidget *>("sampleCombo"), "Save Kit…");
    QVERIFY2(driver.texts().constLast().endsWith(": No space left on device"), qPrintable(driver.texts().join('\n')));
    QVERIFY(old.open(QIODevice::ReadOnly) && old.readAll() == "old");
    QCOMPARE(QDir(small.path()).entryList(QDir::Files), QStringList({"kick.wav", "old.brindlekit"}));
}

QTEST_MAIN(TestKitFile)
#include "tst_kitfile.moc"
