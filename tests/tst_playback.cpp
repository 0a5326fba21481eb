#include "audition.h"
#include "kitplayer.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "soundstream.h"
#include "testsupport.h"
#include "waveformview.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QComboBox>
#include <QLabel>
#include <QDir>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

// A preview heard through a real sound server: a private PulseAudio server
// whose only sink is a null sink, so nothing sounds and no other server or
// user setting is touched.
class TestPlayback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void previewPlaysToTheEndAndIsReleased();
    void keysPlayThroughTheSoundOutput();
    void kitPlaysUntilItEndsOrIsStopped();

private:
    QTemporaryDir m_runtime;
    QTemporaryDir m_sources;
    QTemporaryDir m_temp;
    QProcess m_server;
    std::vector<std::unique_ptr<ScopedEnvironment>> m_environment;
};

void TestPlayback::initTestCase()
{
    const QString pulseaudio = QStandardPaths::findExecutable("pulseaudio");
    if (pulseaudio.isEmpty())
        QSKIP("pulseaudio is not installed (scripts/test installs it)");
    QVERIFY(m_runtime.isValid() && m_sources.isValid() && m_temp.isValid());

    // Server and client find each other only through this directory; the
    // client gets its config home here too, so nothing lands in ~/.config.
    const QByteArray runtime = QFile::encodeName(m_runtime.path());
    const QByteArray socket = runtime + "/pulse/native";
    for (const auto &[name, value] : std::initializer_list<std::pair<const char *, QByteArray>>{
             {"XDG_RUNTIME_DIR", runtime},
             {"XDG_CONFIG_HOME", runtime + "/config"},
             {"PULSE_RUNTIME_PATH", runtime + "/pulse"},
             {"PULSE_STATE_PATH", runtime + "/state"},
             {"PULSE_SERVER", "unix:" + socket}})
        m_environment.push_back(std::make_unique<ScopedEnvironment>(name, value));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", m_runtime.path());
    environment.insert("LC_ALL", "C"); // the sink's name as checked below
    m_server.setProcessEnvironment(environment);
    // The server must not outlive this test, even if the test crashes.
    m_server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    // -n: no default script, so only our two modules load. As root the
    // server warns but runs; anonymous clients need no cookie.
    m_server.start(pulseaudio, {"--daemonize=no", "--system=no", "-n", "--exit-idle-time=-1",
                                "--high-priority=no", "--realtime=no", "--log-target=stderr",
                                "--log-level=info", "--load=module-null-sink",
                                "--load=module-native-protocol-unix auth-anonymous=1"});
    QVERIFY2(m_server.waitForStarted(), qPrintable(m_server.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QFile::decodeName(socket))
                                 || m_server.state() == QProcess::NotRunning,
                             10000);
    QVERIFY2(m_server.state() == QProcess::Running, m_server.readAllStandardError().constData());

    QVERIFY(makeWav(m_sources.filePath("tone.wav")));
    QVERIFY(makeWav(m_sources.filePath("short.wav"), {"-r", "44100", "-c", "1", "-b", "16"}, {"synth", "0.3", "sine", "300"}));
    m_environment.push_back(
        std::make_unique<ScopedEnvironment>("TMPDIR", QFile::encodeName(m_temp.path())));
}

void TestPlayback::cleanupTestCase()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(5000)) {
        m_server.kill();
        m_server.waitForFinished();
    }
    QCOMPARE(m_server.state(), QProcess::NotRunning);
}

void TestPlayback::previewPlaysToTheEndAndIsReleased()
{
    QCOMPARE(QMediaDevices::defaultAudioOutput().description(), "Null Output");

    MainWindow window;
    QVERIFY(loadSamples(window, {m_sources.filePath("tone.wav")}));
    window.findChild<QPushButton *>("previewButton")->click();

    const QList<QMediaPlayer *> players = window.findChildren<QMediaPlayer *>();
    QCOMPARE(players.size(), 1);
    QPointer<QMediaPlayer> player = players.constFirst();
    QPointer<QAudioOutput> output = player->audioOutput();
    QSignalSpy statuses(player, &QMediaPlayer::mediaStatusChanged);
    QSignalSpy errors(player, &QMediaPlayer::errorOccurred);
    QSignalSpy positions(player, &QMediaPlayer::positionChanged);
    QCOMPARE(output->device().description(), "Null Output");

    // One second of sound; the bound only keeps a broken player from hanging us.
    QTRY_VERIFY_WITH_TIMEOUT(player.isNull(), 30000);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.value(0).value(1).toString()));
    QVERIFY(!statuses.isEmpty());
    QCOMPARE(statuses.constLast().constFirst().value<QMediaPlayer::MediaStatus>(),
             QMediaPlayer::EndOfMedia);
    // It got there by playing the whole second, not by giving up.
    QVERIFY(!positions.isEmpty());
    QVERIFY2(qAbs(positions.constLast().constFirst().toLongLong() - 1000) <= 1,
             qPrintable(positions.constLast().constFirst().toString()));
    QVERIFY(output.isNull());
    QVERIFY(window.findChildren<QMediaPlayer *>().isEmpty());
    QCOMPARE(QDir(m_temp.path()).entryList(QDir::Files), QStringList()); // its file went with it

    // The sound went to our server's null sink, not anywhere else.
    const QByteArray log = m_server.readAllStandardError();
    QVERIFY2(log.contains("Created input") && log.contains("on null"), log.constData());
}

void TestPlayback::keysPlayThroughTheSoundOutput()
{
    MainWindow window;
    QVERIFY(loadSamples(window, {m_sources.filePath("tone.wav")}));
    useContextMenu(window.findChild<QWidget *>("centralwidget"), "Show Waveform");
    auto *view = window.findChild<WaveformView *>("waveformView");
    QVERIFY(view);
    QTRY_VERIFY_WITH_TIMEOUT(view->summary(), 10000);
    auto *audition = window.findChild<Audition *>("audition");
    QVERIFY(audition);
    // The device pulls the sound on a thread of its own.
    SoundStream *stream = audition->stream();
    QVERIFY(stream && stream->thread() != QThread::currentThread());
    QTRY_VERIFY_WITH_TIMEOUT(stream->framesRendered() > 0, 10000);

    // A key held sounds, and the play line follows it.
    QTest::keyPress(view, Qt::Key_Q);
    QVERIFY2(window.findChild<QLabel *>("waveformNumbers")->text().endsWith("\nPlaying C-3 (period 214)"),
             qPrintable(window.findChild<QLabel *>("waveformNumbers")->text()));
    QTRY_VERIFY_WITH_TIMEOUT(view->playPosition() > 0, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(view->playPosition() > view->summary()->size() / 4, 5000);
    QTest::keyRelease(view, Qt::Key_Q);
    QTRY_COMPARE_WITH_TIMEOUT(view->playPosition(), qint64(-1), 1000);
    QVERIFY(!audition->isSounding());
}

void TestPlayback::kitPlaysUntilItEndsOrIsStopped()
{
    MainWindow window;
    QVERIFY(loadSamples(window, {m_sources.filePath("short.wav"), m_sources.filePath("tone.wav")}));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *player = window.findChild<KitPlayer *>("kitPlayer");
    auto *area = window.findChild<QWidget *>("centralwidget");
    const auto play = [&] {
        useContextMenu(area, "Play Kit as Module");
        return player->isPlaying();
    };
    // Chosen again, or Escape, or a change to the list, stops it.
    QVERIFY(play());
    QVERIFY(useContextMenu(area).contains("Play Kit as Module"));
    useContextMenu(area, "Play Kit as Module");
    QVERIFY(!player->isPlaying());
    QVERIFY(play());
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(!player->isPlaying());
    QVERIFY(play());
    window.findChild<QPushButton *>("readyButton")->click();
    QVERIFY(!player->isPlaying());
    // Left alone, it plays the song to its end: the two samples, about
    // 1.3 s, after the device starts to pull.
    QVERIFY(play());
    QTRY_VERIFY_WITH_TIMEOUT(!player->isPlaying(), 15000);
    // Nothing was written anywhere.
    QCOMPARE(QDir(m_temp.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
}

QTEST_MAIN(TestPlayback)
#include "tst_playback.moc"
