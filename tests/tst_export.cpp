#include "converter.h"
#include "export.h"
#include "exportengine.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "notetable.h"
#include "progress.h"
#include "testsupport.h"

#include <QComboBox>
#include <QDir>
#include <QScreen>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QProgressDialog>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

Q_DECLARE_METATYPE(CancelBy)

namespace {

/// What sndfile-info, a reader of the trackers' kind of file, finds in one:
/// "OneShotHiSamples", "RepeatHiSamples" and "Frames" to their numbers, and
/// "Errors" to how many lines say something went wrong.
QMap<QString, qint64> asSndfileReadsIt(const QString &path)
{
    QProcess info;
    info.start("sndfile-info", {path});
    QMap<QString, qint64> fields;
    if (!info.waitForFinished(10000))
        return fields;
    for (const QByteArray &line : info.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(':');
        const QByteArray field = parts.value(0).trimmed();
        if (parts.size() == 2 && (field.endsWith("HiSamples") || field == "Frames"))
            fields[QString::fromLatin1(field)] = parts[1].trimmed().toLongLong();
        if (line.contains("Error") || line.contains("Unknown") || line.contains("denied"))
            ++fields["Errors"];
    }
    return fields;
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void showsItsDefaults();
    void browseSetsAndCancelClears();
    void emptyListExportsNothing();
    void readinessQuestion_data();
    void readinessQuestion();
    void writes8svxAtNoteRates();
    void exportFileNames_data();
    void exportFileNames();
    void reportsEverySampleNotWritten();
    void reportsVanishedFolder();
    void reportsMissingSox();
    void trailingSeparator();
    void exportedFilesFollowUmask_data();
    void exportedFilesFollowUmask();
    void longExportKeepsTurningAndCancels_data();
    void longExportKeepsTurningAndCancels();
    void cancelAsTheNextSampleStartsStopsIt();
    void notesSamplesTooLongForATracker();
    void trackersTakeLoopsNamesAndWholeWords_data();
    void trackersTakeLoopsNamesAndWholeWords();
    void fullDisksWriteNothingAndSaySo_data();
    void fullDisksWriteNothingAndSaySo();
    void longReportFitsTheScreen();

private:
    void addSample(const QString &source, const QString &note = "C-2", bool ready = true);
    void browse(ModalDriver &driver, const QString &directory);
    void exportAll() { m_window->findChild<QPushButton *>("ExportButton")->click(); }
    QStringList exported() const { return QDir(m_out->path()).entryList(QDir::Files, QDir::Name); }
    QStringList converted() const { return QDir(m_temp.path()).entryList(QDir::Files); }

    QTemporaryDir m_sources;
    QTemporaryDir m_temp;
    std::unique_ptr<QTemporaryDir> m_out;
    std::unique_ptr<ScopedEnvironment> m_tmpdir;
    std::unique_ptr<MainWindow> m_window;
};

void TestExport::initTestCase()
{
    QVERIFY(m_sources.isValid() && m_temp.isValid());
    QVERIFY(QDir(m_sources.path()).mkdir("other"));
    for (const QString name : {"kick.wav", "other/kick.wav", "wavetable.wav", "KICK.WAV", "take", "slow.wav"})
        QVERIFY(makeWav(m_sources.filePath(name), {"-t", "wav", "-r", "44100", "-c", "2", "-b", "16"}));
    for (const QString seconds : {"3", "5"})
        QVERIFY(makeWav(m_sources.filePath(seconds + "s.wav"), {"-r", "44100"}, {"synth", seconds, "sine", "440"}));
    // At C-2 these stay as long as they are: one sample short of the classic
    // limit with the silent first word, one over it, and one too long even
    // at C-1.
    for (const QString frames : {"65532", "65533"})
        QVERIFY(makeWav(m_sources.filePath(frames + ".wav"), {"-r", "8287", "-c", "1"}, {"synth", "9", "sine", "440", "rate", "8287", "trim", "0", frames + "s"}));
    QVERIFY(makeWav(m_sources.filePath("16s.wav"), {"-r", "8000", "-c", "1"}, {"synth", "16", "sine", "440"}));
    m_tmpdir = std::make_unique<ScopedEnvironment>("TMPDIR", QFile::encodeName(m_temp.path()));
}

void TestExport::init()
{
    m_out = std::make_unique<QTemporaryDir>(m_sources.filePath("out-XXXXXX"));
    m_window = std::make_unique<MainWindow>();
    m_window->findChild<QWidget *>("centralwidget")->setEnabled(true);
}

void TestExport::cleanup()
{
    m_window.reset();
    m_out.reset();
    outputDirectory.clear();
    for (const QString &name : converted())
        QFile::remove(m_temp.filePath(name));
}

void TestExport::addSample(const QString &source, const QString &note, bool ready)
{
    Sample sample;
    sample.path = m_sources.filePath(source);
    sample.name = QFileInfo(source).fileName();
    sample.note = note;
    sample.ready = ready;
    appendSample(m_window->findChild<QComboBox *>("sampleCombo"), sample);
}

void TestExport::browse(ModalDriver &driver, const QString &directory)
{
    driver.choose({directory});
    m_window->findChild<QPushButton *>("browseButton")->click();
}

void TestExport::showsItsDefaults()
{
    QCOMPARE(m_window->findChild<QLabel *>("DirectoryName")->text(), "Select a Directory");
    QVERIFY(outputDirectory.isEmpty());
}

void TestExport::browseSetsAndCancelClears()
{
    addSample("kick.wav");
    ModalDriver driver;
    FileDialogLook look;
    driver.lookAndCancel(look);
    m_window->findChild<QPushButton *>("browseButton")->click();
    QCOMPARE(look.caption, QStringLiteral("Open Directory"));
    QCOMPARE(look.directory, QStringLiteral("/home"));
    QVERIFY(look.options.testFlag(QFileDialog::ShowDirsOnly));
    QVERIFY(look.options.testFlag(QFileDialog::DontResolveSymlinks));

    browse(driver, m_out->path());
    QCOMPARE(outputDirectory, m_out->path());
    QCOMPARE(m_window->findChild<QLabel *>("DirectoryName")->text(), m_out->path());

    driver.cancel();
    m_window->findChild<QPushButton *>("browseButton")->click();
    QVERIFY(outputDirectory.isEmpty());
    QCOMPARE(m_window->findChild<QLabel *>("DirectoryName")->text(), QString());

    driver.press(QMessageBox::Ok);
    exportAll();
    QCOMPARE(driver.texts(), QStringList{"no output directory selected!"});
    QCOMPARE(converted(), QStringList());
    QCOMPARE(driver.unexpected(), 0);
}

void TestExport::emptyListExportsNothing()
{
    ModalDriver driver;
    browse(driver, m_out->path());
    exportAll();
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(exported(), QStringList());
}

void TestExport::readinessQuestion_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("Yes") << "Yes" << QStringList({"kick.8svx", "take.8svx"});
    QTest::newRow("No") << "No" << QStringList();
    QTest::newRow("Escape") << "Escape" << QStringList();
}

void TestExport::readinessQuestion()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, files);
    addSample("kick.wav", "C-2", true);
    addSample("take", "C-2", false);
    ModalDriver driver;
    browse(driver, m_out->path());
    if (answer == "Escape")
        driver.escape();
    else
        driver.press(answer == "Yes" ? QMessageBox::Yes : QMessageBox::No);
    LogCapture log;
    exportAll();
    QCOMPARE(driver.texts(),
             QStringList{"Not all samples are marked as ready. Do you want to proceed?"});
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(exported(), files);
    // No answer but Yes runs sox: each run logs its argument list.
    QCOMPARE(log.messages.filter("dither").size(), files.size());
}

void TestExport::writes8svxAtNoteRates()
{
    struct Case { QString source, note; bool normalise, lowCut, highCut; QString file; };
    const QList<Case> cases{
        {"kick.wav", "C-2", true, false, false, "kick.8svx"},
        {"wavetable.wav", "A-3", false, true, true, "wavetable.8svx"},
        {"KICK.WAV", "C-1", true, true, false, "KICK.8svx"},
        {"take", "F#2", false, false, true, "take.8svx"},
    };
    auto *combo = m_window->findChild<QComboBox *>("sampleCombo");
    for (const Case &c : cases) {
        Sample sample;
        sample.path = m_sources.filePath(c.source);
        sample.name = c.source;
        sample.note = c.note;
        sample.normalise = c.normalise;
        sample.lowCut = c.lowCut;
        sample.highCut = c.highCut;
        sample.highCutFrequency = 9000;
        sample.ready = true;
        appendSample(combo, sample);
    }
    ModalDriver driver;
    browse(driver, m_out->path());
    LogCapture log;
    exportAll();

    QCOMPARE(driver.unexpected(), 0); // all ready: no question, and nothing to report
    QStringList destinations;
    for (const Case &c : cases) {
        destinations << QLatin1Char('"') + m_out->filePath(c.file) + QLatin1Char('"');
        const SvxFile svx = read8svx(m_out->filePath(c.file));
        QVERIFY2(svx.problem.isEmpty(), qPrintable(c.file + ": " + svx.problem));
        QCOMPARE(svx.samplesPerSec, noteFrequencies.value(c.note));
        QCOMPARE(svx.channels, 1);
        QVERIFY(qAbs(svx.soundSize() - svx.samplesPerSec) <= 2); // one second, one byte a sample
    }
    QCOMPARE(exported().size(), cases.size());
    for (const QString &destination : destinations)
        QVERIFY2(log.messages.contains(destination), qPrintable(destination));
    QVERIFY(!log.busy.contains(false)); // the busy cursor showed throughout
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(converted(), QStringList()); // nothing of ours left behind
}

void TestExport::exportFileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");
    QTest::newRow("kick.wav") << "kick.wav" << "kick.8svx";
    QTest::newRow("wav inside the name") << "wavetable.wav" << "wavetable.8svx";
    QTest::newRow("upper case") << "KICK.WAV" << "KICK.8svx";
    QTest::newRow("mixed case") << "Snare.Wav" << "Snare.8svx";
    QTest::newRow("no extension") << "take" << "take.8svx";
    QTest::newRow("an extension of no sound file") << "take.txt" << "take.txt.8svx";
    QTest::newRow("AIFF") << "BD_01.aiff" << "BD_01.8svx";
    QTest::newRow("FLAC in upper case") << "kick.FLAC" << "kick.8svx";
    QTest::newRow("Ogg Vorbis") << "pad.ogg" << "pad.8svx";
    QTest::newRow("8SVX itself") << "hat.8svx" << "hat.8svx";
    QTest::newRow("WAV inside, FLAC outside") << "kick.wav.flac" << "kick.wav.8svx";
    QTest::newRow("wav without dot") << "slowav" << "slowav.8svx";
    QTest::newRow("twice") << "a.wav.wav" << "a.wav.8svx";
}

void TestExport::exportFileNames()
{
    QFETCH(QString, name);
    QFETCH(QString, file);
    QCOMPARE(exportFileName(name), file);
}

void TestExport::reportsEverySampleNotWritten()
{
    QFile existing(m_out->filePath("take.8svx"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();

    addSample("kick.wav", "C-2");
    addSample("other/kick.wav", "A-3");
    addSample("gone.wav");
    addSample("take");
    addSample("wavetable.wav");

    ModalDriver driver;
    browse(driver, m_out->path());
    bool busyDuringReport = true;
    driver.then([&busyDuringReport](QWidget *box) {
        busyDuringReport = QGuiApplication::overrideCursor() != nullptr;
        static_cast<QMessageBox *>(box)->accept();
    });
    exportAll();

    QCOMPARE(driver.texts().size(), 1);
    const QStringList report = driver.texts().constFirst().split('\n');
    QCOMPARE(report.size(), 5);
    QCOMPARE(report[0], "3 of 5 samples were not written:");
    // The one left out is named by its path, to tell it from the other.
    QCOMPARE(report[2], m_sources.filePath("other/kick.wav") + ": another sample with the same name was already written");
    QCOMPARE(report[3], "gone.wav: sox FAIL formats: can't open input file `" + m_sources.filePath("gone.wav")
                            + "': No such file or directory");
    QCOMPARE(report[4], "take: a file named take.8svx is already in the folder");
    QVERIFY(!busyDuringReport);

    QCOMPARE(exported(), QStringList({"kick.8svx", "take.8svx", "wavetable.8svx"}));
    QCOMPARE(read8svx(m_out->filePath("kick.8svx")).samplesPerSec, 8287); // the first kick.wav
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), "keep me");
}

void TestExport::reportsVanishedFolder()
{
    addSample("kick.wav");
    ModalDriver driver;
    browse(driver, m_out->path());
    QVERIFY(m_out->remove());
    driver.press(QMessageBox::Ok);
    exportAll();
    QCOMPARE(driver.texts().size(), 1);
    QVERIFY(driver.texts().constFirst().endsWith("kick.wav: the folder does not exist"));
}

void TestExport::reportsMissingSox()
{
    addSample("kick.wav");
    ModalDriver driver;
    browse(driver, m_out->path());
    FakeSox none;
    driver.press(QMessageBox::Ok);
    exportAll();
    QCOMPARE(driver.texts().size(), 1);
    QVERIFY(driver.texts().constFirst().endsWith("kick.wav: sox was not found"));
}

void TestExport::trailingSeparator()
{
    addSample("kick.wav");
    outputDirectory = m_out->path() + '/';
    ModalDriver driver;
    exportAll();
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(exported(), QStringList{"kick.8svx"});
}

void TestExport::exportedFilesFollowUmask_data()
{
    QTest::addColumn<int>("umask");
    QTest::addColumn<QFileDevice::Permissions>("permissions");
    const QFileDevice::Permissions mine = QFileDevice::ReadOwner | QFileDevice::WriteOwner
        | QFileDevice::ReadUser | QFileDevice::WriteUser;
    QTest::newRow("022") << 022 << (mine | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    QTest::newRow("077") << 077 << mine;
    QTest::newRow("002") << 002 << (mine | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther);
    QTest::newRow("027") << 027 << (mine | QFileDevice::ReadGroup);
}

void TestExport::exportedFilesFollowUmask()
{
    QFETCH(int, umask);
    QFETCH(QFileDevice::Permissions, permissions);
    addSample("kick.wav");
    outputDirectory = m_out->path();
    const mode_t old = ::umask(umask);
    exportAll();
    ::umask(old);
    QCOMPARE(QFile::permissions(m_out->filePath("kick.8svx")), permissions);
}

void TestExport::longExportKeepsTurningAndCancels_data()
{
    QTest::addColumn<CancelBy>("way");
    QTest::newRow("Cancel button") << CancelBy::Button;
    QTest::newRow("Escape") << CancelBy::Escape;
    QTest::newRow("closing the dialog") << CancelBy::Closing;
}

void TestExport::longExportKeepsTurningAndCancels()
{
    QFETCH(CancelBy, way);
    const QString pidFile = m_sources.filePath("sox.pid");
    FakeSox slow(hangingSox(pidFile, "slow"));
    addSample("kick.wav");
    addSample("slow.wav");
    addSample("take");
    outputDirectory = m_out->path();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));

    // While sox runs the event loop turns, and neither the File menu's
    // shortcuts nor a drop of WAV files do anything.
    int ticks = 0;
    Qt::DropAction dropped = Qt::CopyAction;
    QTimer ticker;
    ModalDriver driver;
    connect(&ticker, &QTimer::timeout, [&] {
        if (++ticks == 20) {
            for (const Qt::Key key : {Qt::Key_L, Qt::Key_W, Qt::Key_Q})
                QTest::keyClick(m_window.get(), key, Qt::ControlModifier);
            dropped = dropOn(*m_window, {QUrl::fromLocalFile(m_sources.filePath("kick.wav"))});
            // Cancelled only now: a loaded machine may show the dialog
            // before the loop has turned this often.
            driver.cancelProgress(way).press(QMessageBox::Ok);
        }
    });
    ticker.start(10);
    exportAll();
    ticker.stop();

    QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
    QCOMPARE(dropped, Qt::IgnoreAction);
    QCOMPARE(driver.texts(), QStringList({"Exporting 2 of 3: slow.wav",
                                          "2 of 3 samples were not written:\n\n"
                                          "slow.wav: the export was cancelled\n"
                                          "take: the export was cancelled"}));
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(m_window->findChild<QComboBox *>("sampleCombo")->count(), 3);
    QCOMPARE(exported(), QStringList{"kick.8svx"});
    QVERIFY(read8svx(m_out->filePath("kick.8svx")).problem.isEmpty());
    QCOMPARE(converted(), QStringList());
    QVERIFY(processEnded(pidFile));

    // Once the export is over, the shortcuts work again (activated as a
    // window manager would once the dialogs are gone).
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    driver.press(QMessageBox::No);
    QTest::keyClick(m_window.get(), Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(driver.texts().constLast(), "Are you sure you want to quit?");
}

void TestExport::cancelAsTheNextSampleStartsStopsIt()
{
    // Between two samples the dialog takes the clicks that came while the
    // last one was copied; a Cancel among them must stop the next one.
    const QString runs = m_sources.filePath("runs");
    FakeSox slow(QStringLiteral("echo >> '%1'; sleep 1.5; exec '%2' \"$@\"")
                     .arg(runs, QStandardPaths::findExecutable("sox")));
    Sample sample;
    sample.path = m_sources.filePath("kick.wav");
    Conversion first(sample, false), second(sample, false);
    ConversionProgress progress(m_window.get(), 2);
    progress.run(first, "first", 0);
    auto *dialog = m_window->findChild<QProgressDialog *>();
    QVERIFY(first.failure().isEmpty() && dialog->isVisible());

    QMetaObject::invokeMethod(dialog->findChild<QPushButton *>(), "click", Qt::QueuedConnection);
    progress.run(second, "second", 1);
    QVERIFY(progress.wasCancelled());
    QVERIFY(second.wasCancelled());
    QVERIFY(!QFileInfo::exists(second.outputPath()));
    QFile ran(runs);
    QVERIFY(ran.open(QIODevice::ReadOnly));
    QCOMPARE(ran.readAll().count('\n'), 1); // sox never started on the second
}

void TestExport::notesSamplesTooLongForATracker()
{
    addSample("kick.wav", "A-3");
    addSample("3s.wav", "A-3");
    addSample("5s.wav", "A-3");
    addSample("65532.wav", "C-2");
    addSample("65533.wav", "C-2");
    addSample("16s.wav", "C-1");
    outputDirectory = m_out->path();
    ModalDriver driver;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    driver.then([&icon](QWidget *box) {
        icon = static_cast<QMessageBox *>(box)->icon();
        static_cast<QMessageBox *>(box)->accept();
    });
    exportAll();

    // What a tracker loads is the BODY of the written file; exactly the
    // classic limit still fits.
    QMap<QString, qint64> body;
    for (const QString &file : exported()) {
        const SvxFile svx = read8svx(m_out->filePath(file));
        QVERIFY2(svx.problem.isEmpty(), qPrintable(file + ": " + svx.problem));
        body[file] = svx.bodySize;
    }
    QCOMPARE(body.size(), 6);
    QCOMPARE(body["65532.8svx"], 65534);
    QCOMPARE(body["65533.8svx"], 65536);
    QVERIFY(body["3s.8svx"] > 65534 && body["3s.8svx"] <= 131070 && body["5s.8svx"] > 131070);
    const QLocale english(QLocale::English);
    const auto bytes = [&](const char *file) { return english.toString(body[file]) + " bytes of sound; "; };
    const QString classic = "classic trackers play at most 65,534 bytes (131,070 in newer ones); ";
    QCOMPARE(driver.texts(),
             QStringList{"Too long for a tracker to play whole:\n\n"
                         "3s.8svx: " + bytes("3s.8svx") + classic + "at E-3 or lower it fits.\n"
                         "5s.8svx: " + bytes("5s.8svx") + "no tracker of the classic kind holds more than 131,070 "
                         "bytes of one sample, so it will be cut short; at G-2 or lower it fits.\n"
                         "65533.8svx: " + bytes("65533.8svx") + classic + "at B-1 or lower it fits.\n"
                         "16s.8svx: " + bytes("16s.8svx") + classic + "it is too long even at C-1, so only a "
                         "shorter recording fits."});
    QCOMPARE(icon, QMessageBox::Information);
}

void TestExport::trackersTakeLoopsNamesAndWholeWords_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArrayList>("smpl"); // each smpl chunk's data, in order
    QTest::addColumn<int>("cutShort");        // bytes taken off the end of the file
    QTest::addColumn<QString>("note");
    QTest::addColumn<double>("loopStart");    // seconds; -1 for a one-shot
    QTest::addColumn<double>("loopEnd");
    QTest::addColumn<QByteArray>("trackerName");

    // A second of a tone at 44.1 kHz, looped from 0.25 to 0.75 s.
    const SmplLoop middle{0, 11025, 33074};
    const auto row = [](const char *name, const QString &file, const QByteArrayList &smpl, const QString &note,
                        double start, double end, const QByteArray &trackerName, int cutShort = 0) {
        QTest::newRow(name) << file << smpl << cutShort << note << start << end << trackerName;
    };
    row("loop at C-1", "pad.wav", {smplData(1, {middle})}, "C-1", 0.25, 0.75, "pad");
    row("loop at C-2", "pad.wav", {smplData(1, {middle})}, "C-2", 0.25, 0.75, "pad");
    row("loop at A-3", "pad.wav", {smplData(1, {middle})}, "A-3", 0.25, 0.75, "pad");
    row("ping-pong plays forward", "pad.wav", {smplData(1, {{1, 11025, 33074}})}, "C-2", 0.25, 0.75, "pad");
    row("the first smpl chunk counts", "pad.wav", {smplData(1, {{0, 4410, 8819}}), smplData(1, {middle})},
        "C-2", 0.1, 0.2, "pad");
    row("more loops said than there are", "pad.wav", {smplData(3, {middle})}, "C-2", 0.25, 0.75, "pad");
    row("zero sample period", "pad.wav", {smplData(1, {middle}, 0)}, "C-2", 0.25, 0.75, "pad");
    row("no smpl, a name to clean", "Bässe 1.WAV", {}, "C-2", -1, -1, "B_sse 1");
    row("a name beyond one UTF-16 unit", "kick 🥁.wav", {}, "A-3", -1, -1, "kick _");
    row("loop count 0xFFFFFFFF and no loop", "pad.wav", {smplData(0xffffffff, {})}, "C-2", -1, -1, "pad");
    row("no loops", "pad.wav", {smplData(0, {middle})}, "C-2", -1, -1, "pad");
    row("chunk shorter than one loop", "pad.wav", {smplData(1, {middle}).left(50)}, "C-2", -1, -1, "pad");
    row("chunk cut off by the end of the file", "pad.wav", {smplData(1, {middle})}, "C-2", -1, -1, "pad", 40);
    row("loop past the data", "pad.wav", {smplData(1, {{0, 11025, 44100}})}, "C-2", -1, -1, "pad");
    row("start after end", "pad.wav", {smplData(1, {{0, 33074, 11025}})}, "C-2", -1, -1, "pad");
    row("backward loop", "pad.wav", {smplData(1, {{2, 11025, 33074}})}, "C-2", -1, -1, "pad");
    row("a loop of a few frames at C-1", "pad.wav", {smplData(1, {{0, 1000, 1004}})}, "C-1", -1, -1, "pad");
}

void TestExport::trackersTakeLoopsNamesAndWholeWords()
{
    QFETCH(QString, name);
    QFETCH(QByteArrayList, smpl);
    QFETCH(int, cutShort);
    QFETCH(QString, note);
    QFETCH(double, loopStart);
    QFETCH(double, loopEnd);
    QFETCH(QByteArray, trackerName);

    QTemporaryDir sources(m_sources.filePath("loop-XXXXXX"));
    const QString source = sources.filePath(name);
    QVERIFY(makeWav(source, {"-r", "44100", "-c", "2", "-b", "16"}));
    for (const QByteArray &data : smpl)
        QVERIFY(appendRiffChunk(source, "smpl", data));
    if (cutShort)
        QVERIFY(QFile::resize(source, QFileInfo(source).size() - cutShort));
    Sample sample;
    sample.path = source;
    sample.name = name;
    sample.note = note;
    sample.ready = true;
    appendSample(m_window->findChild<QComboBox *>("sampleCombo"), sample);
    outputDirectory = m_out->path();
    ModalDriver driver;
    exportAll();
    QCOMPARE(driver.unexpected(), 0);

    const QString written = m_out->filePath(exportFileName(name));
    const SvxFile svx = read8svx(written);
    QVERIFY2(svx.problem.isEmpty(), qPrintable(svx.problem));
    QCOMPARE(svx.name, trackerName);
    const int rate = noteFrequencies.value(note);
    QCOMPARE(svx.samplesPerSec, rate);
    if (loopStart < 0) {
        QCOMPARE(svx.repeat, 0);
        QVERIFY(qAbs(svx.soundSize() - rate) <= 2);
    } else {
        QVERIFY2(qAbs(svx.oneShot - loopStart * rate) <= 3, qPrintable(QString::number(svx.oneShot)));
        QVERIFY2(qAbs(svx.oneShot + svx.repeat - loopEnd * rate) <= 3, qPrintable(QString::number(svx.repeat)));
        QVERIFY(qAbs(svx.bodySize - rate) <= 2); // the sound after the loop stays
    }

    if (QStandardPaths::findExecutable("sndfile-info").isEmpty())
        QSKIP("sndfile-info (Debian package sndfile-programs) is not installed");
    const QMap<QString, qint64> seen = asSndfileReadsIt(written);
    QCOMPARE(seen.value("Errors"), 0);
    QCOMPARE(seen.value("OneShotHiSamples", -1), svx.oneShot);
    QCOMPARE(seen.value("RepeatHiSamples", -1), svx.repeat);
    QCOMPARE(seen.value("Frames", -1), svx.bodySize);
}

void TestExport::fullDisksWriteNothingAndSaySo_data()
{
    QTest::addColumn<int>("temporaryFreeKiB"); // -1: the output folder's disk fills instead
    QTest::newRow("temporary folder, nothing free") << 0;
    QTest::newRow("temporary folder, 4 KiB free") << 4;
    QTest::newRow("output folder") << -1;
    QTest::newRow("output folder, a module over an older one") << -2;
}

void TestExport::fullDisksWriteNothingAndSaySo()
{
    QFETCH(int, temporaryFreeKiB);
    SmallDisk disk(64);
    if (!disk.problem().isEmpty())
        QSKIP(qPrintable(disk.problem()));
    if (temporaryFreeKiB == -2) {
        // Replacing it, as the user agreed to, but the new kit does not fit.
        QFile old(disk.filePath("kit.mod"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("an older kit") > 0);
        old.close();
        QVERIFY(disk.fillLeaving(20));
        ExportEngine engine({sampleOfFile(m_sources.filePath("5s.wav"))}, QString(), 1);
        engine.setModule(old.fileName(), true);
        QSignalSpy finished(&engine, &ExportEngine::finished);
        engine.start();
        QVERIFY(finished.wait(30000));
        QCOMPARE(engine.report().moduleProblem, "no space left on the disk of " + disk.path());
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), "an older kit");
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList({".filler", "kit.mod"}));
        return;
    }
    ModalDriver driver;
    if (temporaryFreeKiB < 0) {
        // The first fills most of the disk; the second finds too little.
        addSample("5s.wav");
        addSample("3s.wav");
        outputDirectory = disk.path();
        driver.press(QMessageBox::Ok);
        exportAll();
        QCOMPARE(driver.texts(), QStringList{"1 of 2 samples were not written:\n\n"
                                             "3s.wav: no space left on the disk of " + disk.path()});
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"5s.8svx"});
        QVERIFY(read8svx(disk.filePath("5s.8svx")).problem.isEmpty());
        return;
    }

    // sox exits 0 with its file cut short: the preview does not take it.
    // The export needs no room there, as sox hands it the sound through a
    // pipe.
    QVERIFY(disk.fillLeaving(temporaryFreeKiB));
    ScopedEnvironment temporary("TMPDIR", QFile::encodeName(disk.path()));
    addSample("kick.wav");
    outputDirectory = m_out->path();
    const QString reason = "sox's output is incomplete: the temporary folder " + disk.path() + " is full";
    driver.press(QMessageBox::Ok);
    exportAll();
    m_window->findChild<QPushButton *>("previewButton")->click();
    QCOMPARE(driver.texts(), QStringList{"kick.wav could not be previewed: " + reason});
    QCOMPARE(exported(), QStringList{"kick.8svx"});
    QVERIFY(read8svx(m_out->filePath("kick.8svx")).problem.isEmpty());
    QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList{".filler"});
}

void TestExport::longReportFitsTheScreen()
{
    for (int i = 1; i <= 40; ++i)
        addSample(QStringLiteral("gone %1.wav").arg(i));
    outputDirectory = m_out->path();
    ModalDriver driver;
    QString details;
    QRect box;
    driver.then([&](QWidget *dialog) {
        box = dialog->frameGeometry();
        details = static_cast<QMessageBox *>(dialog)->detailedText();
        static_cast<QMessageBox *>(dialog)->accept();
    });
    exportAll();

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(screen.height() <= 800, "the test's screen is not a small one");
    QVERIFY2(screen.contains(box), qPrintable(QStringLiteral("%1x%2 on a screen of %3x%4")
                                              .arg(box.width()).arg(box.height()).arg(screen.width()).arg(screen.height())));
    const QStringList shown = driver.texts().value(0).split('\n');
    QCOMPARE(shown.size(), 2 + 10 + 1);
    QCOMPARE(shown.at(0), "40 of 40 samples were not written:");
    QVERIFY(shown.at(11).startsWith("gone 10.wav: sox FAIL"));
    QCOMPARE(shown.at(12), "… and 30 more");
    const QStringList whole = details.split('\n');
    QCOMPARE(whole.size(), 2 + 40);
    QVERIFY(whole.at(41).startsWith("gone 40.wav: sox FAIL"));
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
