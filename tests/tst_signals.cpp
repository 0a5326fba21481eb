#include "export.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "programrun.h"
#include "testsupport.h"

#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <csignal>

// How the program ends on the signals that ask it to, exporting from a
// terminal or in its window, and what it leaves behind.

namespace {

/// Which way the program is running when a signal comes.
enum class Doing { CommandLine, CommandLineUnderNohup, WindowExporting, WindowPreviewing, WindowPlaying, WindowIdle };

const char *childVariable = "BRINDLEBOX_TEST_WINDOW_CHILD";

} // namespace

Q_DECLARE_METATYPE(Doing)

class TestSignals : public QObject, private CommandLineSources
{
    Q_OBJECT

private slots:
    void initTestCase();
    void signalsEndItCleanly_data();
    void signalsEndItCleanly();
    void windowChild();
};

void TestSignals::initTestCase()
{
    // A window of a child process leaves nothing of the test behind.
    if (qEnvironmentVariableIsSet(childVariable))
        return;
    makeSources();
}

void TestSignals::signalsEndItCleanly_data()
{
    QTest::addColumn<Doing>("doing");
    QTest::addColumn<int>("signal");
    QTest::newRow("command line, SIGTERM") << Doing::CommandLine << SIGTERM;
    QTest::newRow("command line, Ctrl+C") << Doing::CommandLine << SIGINT;
    QTest::newRow("command line, SIGHUP") << Doing::CommandLine << SIGHUP;
    QTest::newRow("command line, killed outright") << Doing::CommandLine << SIGKILL;
    QTest::newRow("command line under nohup, SIGHUP then SIGTERM") << Doing::CommandLineUnderNohup << SIGTERM;
    QTest::newRow("window exporting, SIGTERM") << Doing::WindowExporting << SIGTERM;
    QTest::newRow("window previewing, Ctrl+C") << Doing::WindowPreviewing << SIGINT;
    QTest::newRow("window playing a preview, SIGTERM") << Doing::WindowPlaying << SIGTERM;
    QTest::newRow("window idle, SIGHUP") << Doing::WindowIdle << SIGHUP;
}

void TestSignals::signalsEndItCleanly()
{
    QFETCH(Doing, doing);
    QFETCH(int, signal);
    QTemporaryDir work;
    for (const QString folder : {"tmp", "out", "runtime"})
        QVERIFY(QDir(work.path()).mkdir(folder));
    QVERIFY(QFile::setPermissions(work.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString pids = work.filePath("sox.pids");
    const QString ready = work.filePath("ready");
    FakeSox hanging(hangingSox(pids, "slow"));
    for (const QString name : {"slow1.wav", "slow2.wav"})
        QVERIFY(QFile::copy(source("kick.wav"), work.filePath(name)));
    const QStringList sources{source("kick.wav"), work.filePath("slow1.wav"), work.filePath("slow2.wav")};

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", work.filePath("tmp"));
    // Not in TMPDIR, where Qt would put it without.
    environment.insert("XDG_RUNTIME_DIR", work.filePath("runtime"));
    const bool commandLine = doing == Doing::CommandLine || doing == Doing::CommandLineUnderNohup;
    const bool windowWaits = doing == Doing::WindowIdle || doing == Doing::WindowPlaying;
    if (commandLine) {
        // As nohup starts it: SIGHUP ignored, which it must leave so.
        if (doing == Doing::CommandLineUnderNohup)
            program.setChildProcessModifier([] { ::signal(SIGHUP, SIG_IGN); });
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(BRINDLEBOX_PROGRAM),
                      QStringList{"--export", work.filePath("out"), "--jobs", "2"} + sources);
    } else {
        // This test program itself, running its window as a child does.
        environment.insert(childVariable, QString::number(int(doing)));
        environment.insert("BRINDLEBOX_TEST_SOURCES", sources.join('\n'));
        environment.insert("BRINDLEBOX_TEST_OUT", work.filePath("out"));
        environment.insert("BRINDLEBOX_TEST_READY", ready);
        program.setProcessEnvironment(environment);
        program.start(QCoreApplication::applicationFilePath(), {"windowChild"});
    }
    // Both slow conversions under way (or the window up, idle or playing),
    // and the quick one written before them.
    const int soxRunning = doing == Doing::WindowPreviewing ? 1 : 2;
    const auto underWay = [&] {
        if (windowWaits)
            return QFileInfo::exists(ready);
        QFile file(pids);
        return file.open(QIODevice::ReadOnly) && file.readAll().count('\n') == soxRunning;
    };
    QTRY_VERIFY_WITH_TIMEOUT(underWay(), 20000);
    if (doing == Doing::CommandLineUnderNohup) {
        QVERIFY(::kill(pid_t(program.processId()), SIGHUP) == 0);
        QVERIFY(!program.waitForFinished(500));
    }
    QVERIFY(::kill(pid_t(program.processId()), signal) == 0);
    QVERIFY(program.waitForFinished(10000));

    QCOMPARE(program.exitStatus(), QProcess::CrashExit);
    QCOMPARE(program.exitCode(), signal);
    if (signal == SIGKILL) {
        // Nothing of ours can run then, but sox dies with us all the same.
        QTRY_VERIFY_WITH_TIMEOUT(processEnded(pids), 5000);
        return;
    }
    if (!windowWaits)
        QVERIFY(processEnded(pids));
    QCOMPARE(QDir(work.filePath("tmp")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System),
             QStringList());
    const QStringList written = QDir(work.filePath("out")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    if (commandLine || doing == Doing::WindowExporting) {
        QCOMPARE(written, QStringList{"kick.8svx"});
        QVERIFY(read8svx(work.filePath("out/kick.8svx")).problem.isEmpty());
    } else {
        QCOMPARE(written, QStringList());
    }
}

void TestSignals::windowChild()
{
    const QByteArray doing = qgetenv(childVariable);
    if (doing.isEmpty())
        QSKIP("the window that signalsEndItCleanly starts in a child process");
    MainWindow window;
    window.show();
    ModalDriver driver;
    driver.press(QMessageBox::Yes); // not all samples are ready
    const QStringList sources = qEnvironmentVariable("BRINDLEBOX_TEST_SOURCES").split('\n');
    switch (Doing(doing.toInt())) {
    case Doing::WindowExporting:
        window.loadFiles(sources);
        exportJobs = 2;
        outputDirectory = qEnvironmentVariable("BRINDLEBOX_TEST_OUT");
        window.findChild<QPushButton *>("ExportButton")->click();
        break;
    case Doing::WindowPreviewing:
        window.loadFiles(sources.mid(1, 1));
        window.findChild<QPushButton *>("previewButton")->click();
        break;
    default:
        window.loadFiles(sources.mid(0, 1));
        // Playing: the preview's file stays while its second of sound plays.
        if (Doing(doing.toInt()) == Doing::WindowPlaying) {
            window.findChild<QPushButton *>("previewButton")->click();
            if (QDir::temp().entryList({"brindlebox-*.wav"}).isEmpty())
                QFAIL("no preview plays");
        }
        QFile(qEnvironmentVariable("BRINDLEBOX_TEST_READY")).open(QIODevice::WriteOnly);
        QEventLoop().exec();
    }
    QFAIL("the window went on after the signal");
}

QTEST_MAIN(TestSignals)
#include "tst_signals.moc"
