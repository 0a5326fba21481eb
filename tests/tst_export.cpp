#include "converter.h"
#include "export.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "notetable.h"
#include "progress.h"
#include "testsupport.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

Q_DECLARE_METATYPE(CancelBy)

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
    for (const QString seconds : {"2.5", "5"})
        QVERIFY(makeWav(m_sources.filePath(seconds + "s.wav"), {"-r", "44100"}, {"synth", seconds, "sine", "440"}));
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
        QVERIFY(qAbs(svx.bodySize - svx.samplesPerSec) <= 2); // one second, one byte a sample
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
    QTest::newRow("other extension") << "take.aiff" << "take.aiff.8svx";
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
    QCOMPARE(report[2], "kick.wav: another sample with the same name was already written");
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
    connect(&ticker, &QTimer::timeout, [&] {
        if (++ticks == 20) {
            for (const Qt::Key key : {Qt::Key_L, Qt::Key_W, Qt::Key_Q})
                QTest::keyClick(m_window.get(), key, Qt::ControlModifier);
            dropped = dropOn(*m_window, {QUrl::fromLocalFile(m_sources.filePath("kick.wav"))});
        }
    });
    ticker.start(10);
    ModalDriver driver;
    driver.cancelProgress(way).press(QMessageBox::Ok);
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
    addSample("2.5s.wav", "A-3");
    addSample("5s.wav", "A-3");
    outputDirectory = m_out->path();
    ModalDriver driver;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    driver.then([&icon](QWidget *box) {
        icon = static_cast<QMessageBox *>(box)->icon();
        static_cast<QMessageBox *>(box)->accept();
    });
    exportAll();

    // What a tracker loads is the BODY of the written file.
    const qint64 over = read8svx(m_out->filePath("2.5s.8svx")).bodySize;
    const qint64 far = read8svx(m_out->filePath("5s.8svx")).bodySize;
    QVERIFY(over > 65534 && over <= 131070 && far > 131070);
    const QLocale english(QLocale::English);
    QCOMPARE(driver.texts(),
             QStringList{"Too long for a tracker to play whole:\n\n"
                         "2.5s.8svx: " + english.toString(over) + " bytes of sound; classic trackers play at most "
                         "65,534 bytes (131,070 in newer ones). A lower note or a shorter recording makes it fit.\n"
                         "5s.8svx: " + english.toString(far) + " bytes of sound; no tracker of the classic kind "
                         "holds more than 131,070 bytes of one sample, so it will be cut short. A lower note or a "
                         "shorter recording makes it fit."});
    QCOMPARE(icon, QMessageBox::Information);
    QCOMPARE(exported().size(), 3);
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
