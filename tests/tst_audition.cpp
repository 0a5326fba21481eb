#include "amigamodel.h"
#include "audition.h"
#include "exportengine.h"
#include "soundstream.h"
#include "testsupport.h"

#include <QKeyEvent>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>

// The keys of the waveform window heard as a tracker plays the sample: the
// same code the window runs, with the device left out and the stream read
// as a device reads it, 20 ms at a time.

namespace {

constexpr int rate = 48000;                 // what Audition::Output::Memory renders at
constexpr qint64 tick = rate / 50;          // 20 ms, a tick at the default tempo
constexpr quint32 scanZ = 52, scanC = 54, scanQ = 24, scanY = 29;

using Frames = QList<qint16>;

/// What a device hears next from \a audition: \a frames, pulled a tick at a
/// time.
Frames listen(Audition &audition, qint64 frames)
{
    Frames heard(frames);
    for (qint64 done = 0; done < frames; done += tick) {
        const qint64 piece = qMin(tick, frames - done);
        audition.stream()->read(reinterpret_cast<char *>(heard.data() + done), piece * 2);
    }
    return heard;
}

/// Presses (or releases) the key with X keycode \a scanCode, whatever
/// letter it bears; \a key without a code.
bool press(Audition &audition, quint32 scanCode, bool down = true, int key = 0, bool autoRepeat = false)
{
    QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, key, Qt::NoModifier, scanCode, 0, 0, QString(),
                    autoRepeat);
    return audition.handleKey(&event);
}

/// The frequency of a tone: rising crossings of a third of its peak, which
/// the steps of 8-bit sound cannot cross twice.
double frequency(const Frames &frames)
{
    int peak = 0;
    for (const qint16 frame : frames)
        peak = qMax(peak, qAbs(int(frame)));
    const int threshold = peak / 3;
    bool high = false;
    qint64 first = -1, last = -1, crossings = 0;
    for (qint64 i = 0; i < frames.size(); ++i) {
        if (!high && frames[i] > threshold) {
            high = true;
            first = first < 0 ? i : first;
            last = i;
            ++crossings;
        } else if (high && frames[i] < -threshold) {
            high = false;
        }
    }
    return crossings < 2 ? 0 : double(crossings - 1) * rate / double(last - first);
}

/// The last frame louder than \a floor, -1 for none. The Amiga 500's
/// filter rings on faintly for a few milliseconds after a sound.
qint64 lastSound(const Frames &frames, int floor = 0)
{
    for (qint64 i = frames.size() - 1; i >= 0; --i) {
        if (qAbs(frames[i]) > floor)
            return i;
    }
    return -1;
}

/// The energy of the first 2048 of \a frames above \a hz.
double energyAbove(const Frames &frames, double hz)
{
    const int n = 2048;
    double above = 0;
    for (int k = int(hz * n / rate) + 1; k < n / 2; ++k) {
        double re = 0, im = 0;
        for (int i = 0; i < n; ++i) {
            const double window = 0.5 - 0.5 * std::cos(2 * M_PI * i / n);
            re += frames[i] * window * std::cos(2 * M_PI * k * i / n);
            im -= frames[i] * window * std::sin(2 * M_PI * k * i / n);
        }
        above += re * re + im * im;
    }
    return above;
}

/// The sample the export writes of \a wav at \a note, as a module takes it.
KitSample exported(const QString &wav, const QString &note)
{
    Sample sample;
    sample.path = wav;
    sample.name = QFileInfo(wav).fileName();
    sample.note = note;
    const SvxFile file = exportSample(sample).file;
    return KitSample{"tone", file.body, file.repeat ? file.oneShot : 0, file.repeat, file.samplesPerSec, std::nullopt};
}

} // namespace

Q_DECLARE_METATYPE(AmigaModel)

class TestAudition : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void playsByThePlacesOfTheKeys_data();
    void playsByThePlacesOfTheKeys();
    void soundsAtTheNotesPitch_data();
    void soundsAtTheNotesPitch();
    void holdsTheSoundWhileTheKeyIsDown();
    void spacePlaysTheSampleAtItsOwnNote();
    void amiga500FiltersTheHighs();
    void playsWhatTheExportedModulePlays_data();
    void playsWhatTheExportedModulePlays();

private:
    QTemporaryDir m_dir;
};

void TestAudition::initTestCase()
{
    QVERIFY(makeWav(m_dir.filePath("tone.wav"), {"-r", "44100", "-c", "1", "-b", "16"}, {"synth", "1", "sine", "440"}));
    // Looped from 0.25 s to 0.75 s, as a sampler marks it.
    QVERIFY(makeWav(m_dir.filePath("looped.wav"), {"-r", "44100", "-c", "1", "-b", "16"}, {"synth", "1", "sine", "440"}));
    QVERIFY(appendRiffChunk(m_dir.filePath("looped.wav"), "smpl", smplData(1, {{0, 11025, 33074}})));
    QVERIFY(makeWav(m_dir.filePath("short.wav"), {"-r", "44100", "-c", "1", "-b", "16"}, {"synth", "0.25", "sine", "440"}));
    QVERIFY(makeWav(m_dir.filePath("noise.wav"), {"-r", "44100", "-c", "1", "-b", "16"}, {"synth", "1", "whitenoise"}));
}

void TestAudition::init()
{
    AmigaSound::instance()->setModel(AmigaModel::Amiga500);
}

void TestAudition::playsByThePlacesOfTheKeys_data()
{
    QTest::addColumn<int>("octaveKey");
    QTest::addColumn<quint32>("scanCode");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("said");
    // F2 at first: the bottom row from C-2, the row above from C-3.
    QTest::newRow("QWERTY Z") << 0 << scanZ << int(Qt::Key_Z) << true << "Playing C-2 (period 428)";
    QTest::newRow("AZERTY W, left of X") << 0 << scanZ << int(Qt::Key_W) << true << "Playing C-2 (period 428)";
    QTest::newRow("AZERTY A, where Q is") << 0 << scanQ << int(Qt::Key_A) << true << "Playing C-3 (period 214)";
    QTest::newRow("M") << 0 << quint32(58) << int(Qt::Key_M) << true << "Playing B-2 (period 226)";
    QTest::newRow("2") << 0 << quint32(11) << int(Qt::Key_2) << true << "Playing C#3 (period 202)";
    QTest::newRow("U") << 0 << quint32(30) << int(Qt::Key_U) << true << "Playing B-3 (period 113)";
    QTest::newRow("I, past B-3") << 0 << quint32(31) << int(Qt::Key_I) << true << "";
    QTest::newRow("F1 Z") << int(Qt::Key_F1) << scanZ << int(Qt::Key_Z) << true << "Playing C-1 (period 856)";
    QTest::newRow("F1 Q") << int(Qt::Key_F1) << scanQ << int(Qt::Key_Q) << true << "Playing C-2 (period 428)";
    QTest::newRow("F1 P") << int(Qt::Key_F1) << quint32(33) << int(Qt::Key_P) << true << "Playing E-3 (period 170)";
    QTest::newRow("F1 then F2 Z") << int(Qt::Key_F2) << scanZ << int(Qt::Key_Z) << true << "Playing C-2 (period 428)";
    QTest::newRow("US Z without a scan code") << 0 << 0u << int(Qt::Key_Z) << true << "Playing C-2 (period 428)";
    QTest::newRow("US 9 without a scan code") << int(Qt::Key_F1) << 0u << int(Qt::Key_9) << true << "Playing C#3 (period 202)";
    QTest::newRow("A, no note") << 0 << quint32(38) << int(Qt::Key_A) << false << "";
}

void TestAudition::playsByThePlacesOfTheKeys()
{
    QFETCH(int, octaveKey);
    QFETCH(quint32, scanCode);
    QFETCH(int, key);
    QFETCH(bool, taken);
    QFETCH(QString, said);
    Audition audition(Audition::Output::Memory);
    audition.setSample(exported(m_dir.filePath("tone.wav"), "C-2"));
    QSignalSpy sayings(&audition, &Audition::said);
    if (octaveKey == Qt::Key_F2)
        QVERIFY(press(audition, 0, true, Qt::Key_F1));
    if (octaveKey)
        QVERIFY(press(audition, 0, true, octaveKey));
    QCOMPARE(press(audition, scanCode, true, key), taken);
    QCOMPARE(sayings.isEmpty() ? QString() : sayings.constLast().constFirst().toString(), said);
    // A note key sounds, a key past B-3 does not.
    QCOMPARE(lastSound(listen(audition, tick)) >= 0, !said.isEmpty());
}

void TestAudition::soundsAtTheNotesPitch_data()
{
    QTest::addColumn<quint32>("scanCode");
    QTest::addColumn<double>("hz");
    // A tone made at C-2 sounds at its own pitch on C-2, an octave up on C-3.
    QTest::newRow("C-2") << scanZ << 440.0;
    QTest::newRow("C-3") << scanQ << 880.0;
    QTest::newRow("E-2") << scanC << 440.0 * 428 / 339;
}

void TestAudition::soundsAtTheNotesPitch()
{
    QFETCH(quint32, scanCode);
    QFETCH(double, hz);
    Audition audition(Audition::Output::Memory);
    audition.setSample(exported(m_dir.filePath("tone.wav"), "C-2"));
    QVERIFY(press(audition, scanCode));
    const Frames heard = listen(audition, rate / 2);
    QVERIFY2(qAbs(frequency(heard) / hz - 1) < 0.005, qPrintable(QString::number(frequency(heard))));
}

void TestAudition::holdsTheSoundWhileTheKeyIsDown()
{
    Audition audition(Audition::Output::Memory);
    audition.setSample(exported(m_dir.filePath("looped.wav"), "C-2"));
    // Held for 2 s, a looped sample sounds all along, reading round its loop.
    QVERIFY(press(audition, scanZ));
    Frames held = listen(audition, 2 * rate);
    for (qint64 at = tick; at < held.size(); at += tick) {
        const auto piece = held.mid(at, tick);
        QVERIFY2(*std::max_element(piece.cbegin(), piece.cend()) > 1000, qPrintable(QString::number(at)));
    }
    QVERIFY(audition.playPosition() >= 0);
    QVERIFY(press(audition, scanZ, false));
    // Let go, it stops within a tick.
    const Frames after = listen(audition, rate / 2);
    QVERIFY2(lastSound(after) < tick, qPrintable(QString::number(lastSound(after))));
    QCOMPARE(audition.playPosition(), -1);

    // The key's auto-repeat is no new note: the same frames as held still.
    Audition repeated(Audition::Output::Memory);
    repeated.setSample(exported(m_dir.filePath("looped.wav"), "C-2"));
    press(repeated, scanZ);
    Frames heard;
    for (int i = 0; i < 20; ++i) {
        heard += listen(repeated, rate / 10);
        press(repeated, scanZ, false, 0, true);
        press(repeated, scanZ, true, 0, true);
    }
    QVERIFY(heard == held);

    // Two keys at once sound together: the two notes mixed.
    Audition chord(Audition::Output::Memory);
    chord.setSample(exported(m_dir.filePath("looped.wav"), "C-2"));
    press(chord, scanZ);
    press(chord, scanC);
    const Frames both = listen(chord, rate / 2);
    Audition single(Audition::Output::Memory);
    single.setSample(exported(m_dir.filePath("looped.wav"), "C-2"));
    press(single, scanC);
    const Frames upper = listen(single, rate / 2);
    for (qint64 i = 0; i < both.size(); ++i)
        QVERIFY2(qAbs(both[i] - held[i] - upper[i]) <= 2, qPrintable(QString::number(i)));

    // A sample that plays once stops at its end, the key still down.
    Audition once(Audition::Output::Memory);
    once.setSample(exported(m_dir.filePath("short.wav"), "C-2"));
    QVERIFY(press(once, scanZ));
    const Frames oneShot = listen(once, 2 * rate);
    QVERIFY2(qAbs(lastSound(oneShot, 100) - rate / 4) < tick, qPrintable(QString::number(lastSound(oneShot, 100))));
}

void TestAudition::spacePlaysTheSampleAtItsOwnNote()
{
    Audition audition(Audition::Output::Memory);
    audition.setSample(exported(m_dir.filePath("looped.wav"), "A-3"));
    QSignalSpy sayings(&audition, &Audition::said);
    QVERIFY(press(audition, 0, true, Qt::Key_Space));
    QCOMPARE(sayings.constLast().constFirst().toString(), "Playing A-3 (period 127)");
    // Its own pitch, and held without a key down.
    QVERIFY(press(audition, 0, false, Qt::Key_Space));
    QVERIFY(qAbs(frequency(listen(audition, rate)) / 440 - 1) < 0.005);
    QVERIFY(press(audition, 0, true, Qt::Key_Space));
    QVERIFY(lastSound(listen(audition, rate / 4)) < tick);
}

void TestAudition::amiga500FiltersTheHighs()
{
    QMap<AmigaModel, double> highs;
    for (const AmigaModel model : {AmigaModel::Amiga500, AmigaModel::Amiga1200, AmigaModel::Unfiltered}) {
        AmigaSound::instance()->setModel(model);
        Audition audition(Audition::Output::Memory);
        audition.setSample(exported(m_dir.filePath("noise.wav"), "A-3"));
        QVERIFY(press(audition, scanY));
        highs[model] = energyAbove(listen(audition, rate / 4).mid(rate / 8), 6000);
    }
    qDebug() << "above 6 kHz: Amiga 500" << highs[AmigaModel::Amiga500] << "Amiga 1200" << highs[AmigaModel::Amiga1200]
             << "unfiltered" << highs[AmigaModel::Unfiltered];
    // Its filter takes away about four fifths up there; the Amiga 1200's,
    // far higher, hardly any.
    QVERIFY(highs[AmigaModel::Amiga500] * 3 < highs[AmigaModel::Unfiltered]);
    QVERIFY(highs[AmigaModel::Amiga500] * 3 < highs[AmigaModel::Amiga1200]);
}

void TestAudition::playsWhatTheExportedModulePlays_data()
{
    QTest::addColumn<QString>("wav");
    QTest::addColumn<QString>("note");
    QTest::addColumn<quint32>("scanCode");
    QTest::addColumn<AmigaModel>("model");
    QTest::addColumn<QString>("type");
    QTest::newRow("looped, C-2, Amiga 500") << "looped.wav" << "C-2" << scanZ << AmigaModel::Amiga500 << "a500";
    QTest::newRow("once, A-3, unfiltered") << "short.wav" << "A-3" << scanY << AmigaModel::Unfiltered << "unfiltered";
    QTest::newRow("looped, C-3, Amiga 1200") << "looped.wav" << "C-3" << scanQ << AmigaModel::Amiga1200 << "a1200";
}

void TestAudition::playsWhatTheExportedModulePlays()
{
    QFETCH(QString, wav);
    QFETCH(QString, note);
    QFETCH(quint32, scanCode);
    QFETCH(AmigaModel, model);
    QFETCH(QString, type);
    const QString player = QStandardPaths::findExecutable("openmpt123");
    if (player.isEmpty())
        QSKIP("openmpt123 is not installed (scripts/test installs it)");

    // The module Export Kit as Module writes of this one sample, as a
    // module player built on libopenmpt plays it: its song plays the sample
    // at its own note for about 2 s.
    QTemporaryDir out;
    Sample sample;
    sample.path = m_dir.filePath(wav);
    sample.name = wav;
    sample.note = note;
    ExportEngine engine({sample}, QString(), 1);
    engine.setModule(out.filePath("kit.mod"));
    QSignalSpy finished(&engine, &ExportEngine::finished);
    engine.start();
    QVERIFY(engine.isFinished() || finished.wait(30000));
    QProcess render;
    render.start(player, {"--render", "--output-type", "wav", "--samplerate", QString::number(rate), "--channels", "1",
                          "--no-float", "--dither", "0", "--ctl", "render.resampler.emulate_amiga=1", "--ctl",
                          "render.resampler.emulate_amiga_type=" + type, out.filePath("kit.mod")});
    QVERIFY(render.waitForFinished(30000));
    QFile file(out.filePath("kit.mod.wav"));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(render.readAllStandardError()));
    const QByteArray bytes = file.readAll();
    const qsizetype data = bytes.indexOf("data") + 8;
    QVERIFY(data >= 8);
    // The song's 17 rows of 6 ticks; a sample that plays once, its rows.
    const qint64 frames = qMin<qint64>((bytes.size() - data) / 2, 17 * 6 * tick);
    Frames song(frames);
    std::memcpy(song.data(), bytes.constData() + data, size_t(frames) * 2);

    AmigaSound::instance()->setModel(model);
    Audition audition(Audition::Output::Memory);
    audition.setSample(exported(m_dir.filePath(wav), note));
    QVERIFY(press(audition, scanCode));
    const Frames keys = listen(audition, frames);
    QVERIFY(lastSound(song) > rate / 10);
    for (qint64 i = 0; i < frames; ++i)
        QVERIFY2(keys[i] == song[i], qPrintable(QStringLiteral("frame %1: %2, not %3").arg(i).arg(keys[i]).arg(song[i])));
}

QTEST_MAIN(TestAudition)
#include "tst_audition.moc"
