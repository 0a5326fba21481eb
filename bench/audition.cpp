// The keys of the waveform window: how far into the rendered stream the
// first sound of a note lies, what one second of a held looped note costs
// the processor at each Amiga setting; then, in the real waveform window
// through a PulseAudio server of its own with a null sink (pulled as a
// desktop's device pulls), how much sound the device holds, how soon after
// a key press the note is rendered, and the longest the window's event
// loop goes without turning while a note sounds.
//
//   brindlebox_bench_audition [presses]
//
// Meant for the offscreen platform (bench/run sets it up).

#include "amigamodel.h"
#include "audition.h"
#include "benchsupport.h"
#include "mainwindow.h"
#include "soundstream.h"
#include "testsupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <ctime>
#include <sys/prctl.h>

namespace {

constexpr quint32 scanZ = 52;

void pressZ(Audition &audition, bool down)
{
    QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_Z, Qt::NoModifier, scanZ, 0, 0);
    audition.handleKey(&event);
}

/// Presses or lets go Z in \a widget, as the keyboard does.
void pressZ(QWidget *widget, bool down)
{
    QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_Z, Qt::NoModifier, scanZ, 0, 0);
    QApplication::sendEvent(widget, &event);
}

qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

/// A sound server of this process's own whose one sink is a null sink, so
/// that the keys are pulled as a device pulls them and nothing is heard.
struct PrivateSoundServer
{
    QTemporaryDir runtime;
    QProcess server;
    std::vector<std::unique_ptr<ScopedEnvironment>> environment;

    bool start()
    {
        const QString pulseaudio = QStandardPaths::findExecutable("pulseaudio");
        if (pulseaudio.isEmpty() || !runtime.isValid())
            return false;
        const QByteArray path = QFile::encodeName(runtime.path());
        for (const auto &[name, value] : std::initializer_list<std::pair<const char *, QByteArray>>{
                 {"XDG_RUNTIME_DIR", path},
                 {"XDG_CONFIG_HOME", path + "/config"},
                 {"PULSE_RUNTIME_PATH", path + "/pulse"},
                 {"PULSE_STATE_PATH", path + "/state"},
                 {"PULSE_SERVER", "unix:" + path + "/pulse/native"}})
            environment.push_back(std::make_unique<ScopedEnvironment>(name, value));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", runtime.path());
        server.setProcessEnvironment(env);
        server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        // Its log would fill the pipe while this process is busy measuring.
        server.setStandardOutputFile(QProcess::nullDevice());
        server.setStandardErrorFile(QProcess::nullDevice());
        server.start(pulseaudio, {"--daemonize=no", "--system=no", "-n", "--exit-idle-time=-1", "--high-priority=no",
                                  "--realtime=no", "--load=module-null-sink",
                                  "--load=module-native-protocol-unix auth-anonymous=1"});
        return server.waitForStarted()
            && QTest::qWaitFor([&] { return QFile::exists(runtime.filePath("pulse/native")); }, 10000);
    }
    ~PrivateSoundServer()
    {
        server.terminate();
        server.waitForFinished(5000);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int presses = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 50;
    QTemporaryDir work;
    const QString tmp = temporaryDirectoryIn(work);
    const QString wav = work.filePath("pad.wav");
    // One second of a tone looped from 0.25 s to 0.75 s, made for C-2.
    if (tmp.isEmpty() || !makeWav(wav, {"-r", "44100", "-c", "1", "-b", "16"}, {"synth", "1", "sine", "440"})
        || !appendRiffChunk(wav, "smpl", smplData(1, {{0, 11025, 33074}}))) {
        err() << "could not make the sample\n";
        return 1;
    }
    Sample sample;
    sample.path = wav;
    sample.name = QStringLiteral("pad.wav");
    const SvxFile file = exportSample(sample).file;
    const KitSample kit{"pad", file.body, file.oneShot, file.repeat, file.samplesPerSec};
    if (!file.problem.isEmpty() || file.repeat == 0) {
        err() << "the sample did not loop: " << file.problem << "\n";
        return 1;
    }

    // Within the rendered stream: where the note's first sound lies after
    // the read that starts it.
    {
        Audition audition(Audition::Output::Memory);
        audition.setSample(kit);
        const int tick = audition.stream()->rate() / 50;
        QList<qint16> frames(tick);
        audition.stream()->read(reinterpret_cast<char *>(frames.data()), tick * 2);
        pressZ(audition, true);
        audition.stream()->read(reinterpret_cast<char *>(frames.data()), tick * 2);
        const auto first = std::find_if(frames.cbegin(), frames.cend(), [](qint16 frame) { return frame != 0; });
        printFigure("audition_first_sound_in_stream_ms",
                    double(first - frames.cbegin()) * 1000 / audition.stream()->rate(), 3);
    }

    // One second of a held looped note, rendered a tick at a time.
    for (const AmigaModel model : {AmigaModel::Amiga500, AmigaModel::Amiga1200, AmigaModel::Unfiltered}) {
        AmigaSound::instance()->setModel(model);
        QList<double> costs;
        for (int round = 0; round < 5; ++round) {
            Audition audition(Audition::Output::Memory);
            audition.setSample(kit);
            pressZ(audition, true);
            const int rate = audition.stream()->rate();
            QList<qint16> frames(rate / 50);
            const qint64 before = threadCpuNs();
            for (int tick = 0; tick < 50; ++tick)
                audition.stream()->read(reinterpret_cast<char *>(frames.data()), frames.size() * 2);
            costs << double(threadCpuNs() - before) / 1e6;
        }
        const QString name = amigaModelName(model).toLower().replace(' ', '_');
        printFigure("audition_cpu_per_held_second_ms_" + name, median(costs), 2);
    }
    AmigaSound::instance()->setModel(AmigaModel::Amiga500);

    // Through a device.
    PrivateSoundServer server;
    if (!server.start()) {
        printFigure("audition_device", QStringLiteral("none (pulseaudio could not be started)"));
        return 0;
    }
    MainWindow window;
    if (!loadSamples(window, {wav})) {
        err() << "could not load the sample\n";
        return 1;
    }
    useContextMenu(window.findChild<QWidget *>("centralwidget"), "Show Waveform");
    auto *view = window.findChild<QWidget *>("waveformView");
    auto *audition = window.findChild<Audition *>("audition");
    if (!view || !audition
        || !QTest::qWaitFor([&] { return view->accessibleDescription().startsWith("pad.wav · C-2"); }, 10000)) {
        err() << "the waveform window did not picture the sample\n";
        return 1;
    }
    SoundStream *stream = audition->stream();
    // A null sink starts pulling after a while of its own.
    if (!stream || !QTest::qWaitFor([&] { return stream->framesRendered() > stream->rate(); }, 10000)) {
        printFigure("audition_device", QStringLiteral("none (the sink did not pull)"));
        return 0;
    }
    printFigure("audition_buffered_ms", audition->bufferedMs(), 1);
    QList<double> delays;
    for (int press = 0; press < presses; ++press) {
        QThread::usleep(QRandomGenerator::global()->bounded(20000));
        const qint64 since = stream->framesRendered();
        const qint64 pressed = monotonicNs();
        pressZ(view, true);
        for (;;) {
            const std::optional<SoundStream::Span> span = stream->span(0);
            if (span && span->start >= since)
                break;
            QThread::usleep(50);
        }
        delays << double(monotonicNs() - pressed) / 1e6;
        QThread::usleep(30000);
        pressZ(view, false);
    }
    std::sort(delays.begin(), delays.end());
    printFigure("audition_presses", QString::number(presses));
    printFigure("audition_key_to_rendered_median_ms", median(delays), 2);
    printFigure("audition_key_to_rendered_max_ms", delays.constLast(), 2);
    // The device plays on while the note waits to be rendered, and the note
    // goes in right after what it then holds: it is heard once what the
    // device held at the key press is played, unless the wait was longer.
    printFigure("audition_key_to_sound_at_most_ms", qMax(delays.constLast(), audition->bufferedMs()), 1);

    // The window goes on drawing its play line meanwhile.
    GapMeter gaps;
    pressZ(view, true);
    gaps.start();
    QTest::qWait(2000);
    printFigure("audition_window_longest_gap_while_held_ms", gaps.stop(), 1);
    pressZ(view, false);
    return 0;
}
