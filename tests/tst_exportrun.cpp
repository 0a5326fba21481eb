#include "exportengine.h"
#include "exportfixture.h"
#include "modaldriver.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

/// How an export runs from the window: choosing its folder, the question
/// it asks, and the reports of what it could not write.
class TestExportRun : public QObject, private ExportFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { makeSources(); }
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }
    void showsItsDefaults();
    void browseSetsAndCancelClears();
    void emptyListExportsNothing();
    void readinessQuestion_data();
    void readinessQuestion();
    void reportsEverySampleNotWritten();
    void reportsVanishedFolder();
    void reportsMissingSox();
    void fullDisksWriteNothingAndSaySo_data();
    void fullDisksWriteNothingAndSaySo();
    void longReportFitsTheScreen();
};

void TestExportRun::showsItsDefaults()
{
    QCOMPARE(m_window->findChild<QLabel *>("DirectoryName")->text(), "Select a Directory");
    QVERIFY(outputDirectory.isEmpty());
}

void TestExportRun::browseSetsAndCancelClears()
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

void TestExportRun::emptyListExportsNothing()
{
    ModalDriver driver;
    browse(driver, m_out->path());
    exportAll();
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(exported(), QStringList());
}

void TestExportRun::readinessQuestion_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("Yes") << "Yes" << QStringList({"kick.8svx", "take.8svx"});
    QTest::newRow("No") << "No" << QStringList();
    QTest::newRow("Escape") << "Escape" << QStringList();
}

void TestExportRun::readinessQuestion()
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

void TestExportRun::reportsEverySampleNotWritten()
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

void TestExportRun::reportsVanishedFolder()
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

void TestExportRun::reportsMissingSox()
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

void TestExportRun::fullDisksWriteNothingAndSaySo_data()
{
    QTest::addColumn<int>("temporaryFreeKiB"); // -1: the output folder's disk fills instead
    QTest::newRow("temporary folder, nothing free") << 0;
    QTest::newRow("temporary folder, 4 KiB free") << 4;
    QTest::newRow("output folder") << -1;
    QTest::newRow("output folder, a module over an older one") << -2;
}

void TestExportRun::fullDisksWriteNothingAndSaySo()
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

void TestExportRun::longReportFitsTheScreen()
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

QTEST_MAIN(TestExportRun)
#include "tst_exportrun.moc"
