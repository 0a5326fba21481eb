#include "audition.h"
#include "kithistory.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "testsupport.h"
#include "waveformsupport.h"
#include "trackersample.h"
#include "waveformview.h"
#include "waveformwindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QLabel>
#include <QProcess>
#include <QSlider>
#include <QTest>

#include <cmath>

// Loops that do not click: a looped recording crossfaded in the waveform
// window and from the command line, heard and seen as the export writes
// it; and the loop's own edges, kept and snapped where they match.

namespace {

/// How far, on average, the loop's last four bytes lie from the four just
/// before its start: what the loop jumps by where it starts again.
double seam(const SvxFile &svx)
{
    const qint64 end = svx.oneShot + svx.repeat;
    double sum = 0;
    for (int j = 0; j < 4; ++j)
        sum += qAbs(int(qint8(svx.body.at(end - 4 + j))) - int(qint8(svx.body.at(svx.oneShot - 4 + j))));
    return sum / 4;
}

/// Where the bytes of \a after differ from those of \a before: the first
/// and one past the last; {0, 0} where none do.
QPair<qint64, qint64> changedSpan(const QByteArray &before, const QByteArray &after)
{
    qint64 first = -1;
    qint64 last = -1;
    for (qint64 i = 0; i < qMin(before.size(), after.size()); ++i) {
        if (before.at(i) != after.at(i)) {
            first = first < 0 ? i : first;
            last = i;
        }
    }
    return first < 0 ? QPair<qint64, qint64>{0, 0} : QPair<qint64, qint64>{first, last + 1};
}

/// Each faded byte of \a after against the blend of \a before's loop end
/// and the sound before its start by \a law (0 Equal Gain, 1 Equal Power):
/// the largest difference.
int offTheLaw(const SvxFile &before, const SvxFile &after, qint64 fade, double law)
{
    const qint64 end = after.oneShot + after.repeat;
    int worst = 0;
    for (qint64 i = 0; i < fade; ++i) {
        const double t = double(i + 1) / fade;
        // Equal Gain: the weights sum to one; Equal Power: their squares do.
        const double in = (1 - law) * t + law * std::sin(t * M_PI / 2);
        const double out = (1 - law) * (1 - t) + law * std::cos(t * M_PI / 2);
        const double blend = out * qint8(before.body.at(end - fade + i)) + in * qint8(before.body.at(after.oneShot - fade + i));
        worst = qMax(worst, qAbs(int(qint8(after.body.at(end - fade + i))) - qBound(-128, int(std::lround(blend)), 127)));
    }
    return worst;
}

QPair<int, QString> brindlebox(const QStringList &arguments)
{
    QProcess program;
    program.start(QStringLiteral(BRINDLEBOX_PROGRAM), arguments);
    program.waitForFinished(60000);
    return {program.exitCode(), QString::fromLocal8Bit(program.readAllStandardError())};
}

/// Counts the keys that reach a widget.
class KeysSeen : public QObject
{
public:
    QList<int> keys;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            keys << static_cast<QKeyEvent *>(event)->key();
        return false;
    }
};

} // namespace

class TestCrossfade : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void crossfadesTheLoopThatClicks();
    void followsTheLaw_data();
    void followsTheLaw();
    void saysWhatCannotBeCrossfaded_data();
    void saysWhatCannotBeCrossfaded();
    void crossfadesFromTheCommandLine();
    void loopEdgesKeepTheirLengthAndMatch();

private:
    template<typename T>
    T *find(const char *name) { return window->findChild<T *>(name); }
    QComboBox *list() { return find<QComboBox>("sampleCombo"); }
    /// Loads the recording at \a path at \a note and opens its waveform
    /// once it is pictured.
    WaveformView *showWaveform(const QString &path, const QString &note);
    bool pictured(WaveformView *view, const QString &says);
    SvxFile exported() { return exportSample(currentSample(list()), sampleShape(list(), 0)).file; }
    /// Chooses Crossfade Loop… and answers its dialog with \a answer.
    void crossfadeLoop(WaveformView *view, const ModalDriver::Action &answer);

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

void TestCrossfade::initTestCase()
{
    // A tone whose sampler loop holds 88.5 of its periods: it jumps by half
    // a wave at the seam.
    const QStringList mono{"-r", "22050", "-c", "1", "-b", "16"};
    const QStringList tone{"synth", "1", "sine", "441"};
    for (const char *name : {"pad.wav", "whole.wav", "plain.wav", "early.wav", "tiny.wav"})
        QVERIFY(makeWav(dir.filePath(name), mono, tone));
    QVERIFY(appendRiffChunk(dir.filePath("pad.wav"), "smpl", smplData(1, {{0, 2222, 2222 + 4425 - 1}})));
    QVERIFY(appendRiffChunk(dir.filePath("whole.wav"), "smpl", smplData(1, {{0, 2222, 2222 + 4000 - 1}})));
    QVERIFY(appendRiffChunk(dir.filePath("early.wav"), "smpl", smplData(1, {{0, 0, 4424}})));
    QVERIFY(appendRiffChunk(dir.filePath("tiny.wav"), "smpl", smplData(1, {{0, 2222, 2222 + 8 - 1}})));
}

void TestCrossfade::init()
{
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestCrossfade::cleanup()
{
    window.reset();
}

WaveformView *TestCrossfade::showWaveform(const QString &path, const QString &note)
{
    if (!loadSamples(*window, {path}))
        return nullptr;
    chooseNote(*window, note);
    WaveformView *view = openWaveform(*window);
    return view && pictured(view, QString()) ? view : nullptr;
}

bool TestCrossfade::pictured(WaveformView *view, const QString &says)
{
    return QTest::qWaitFor(
        [&] {
            const Sample sample = currentSample(list());
            const QString numbers = view->accessibleDescription();
            return view->summary() && numbers.startsWith(sample.name + " · " + sample.note + ",") && numbers.contains(says);
        },
        10000);
}

void TestCrossfade::crossfadeLoop(WaveformView *view, const ModalDriver::Action &answer)
{
    ModalDriver driver;
    driver.then(answer);
    useContextMenu(view, "Crossfade Loop…");
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(driver.pending(), 0);
}

void TestCrossfade::crossfadesTheLoopThatClicks()
{
    WaveformView *view = showWaveform(dir.filePath("pad.wav"), "C-3");
    QVERIFY(view);
    const SvxFile before = exported();
    QVERIFY2(seam(before) > 20, qPrintable(QString::number(seam(before))));
    const QByteArray clicking = view->summary()->body;
    QCOMPARE(clicking, before.body);

    // The defaults: a fifth of the loop, halfway between the laws; each
    // change tried on the picture at once, and the keys left to play it.
    const qint64 fifth = before.repeat / 5;
    KeysSeen seen;
    find<QWidget>("waveformWindow")->installEventFilter(&seen);
    QByteArray tried;
    crossfadeLoop(view, [&](QWidget *dialog) {
        auto *length = dialog->findChild<QSlider *>("fadeLengthSlider");
        QCOMPARE(qint64(length->value()), fifth);
        QVERIFY(dialog->findChild<QLabel *>("fadeLengthWords")->text().startsWith(
            QStringLiteral("%1 ms, %2 bytes").arg(fifth * 1000.0 / 16574, 0, 'f', 1).arg(fifth)));
        tried = view->summary()->body;
        // The keys play the try, so the seam is heard as it changes.
        const Audition *keys = find<WaveformWindow>("waveformWindow")->audition();
        QCOMPARE(keys->sample().body, tried);
        length->setFocus();
        for (const Qt::Key key : {Qt::Key_Z, Qt::Key_Space, Qt::Key_F1, Qt::Key_5})
            QTest::keyClick(length, key);
        QCOMPARE(qint64(length->value()), fifth);
        QTest::keyClick(length, Qt::Key_Right);
        QVERIFY(view->summary()->body != tried);
        QCOMPARE(keys->sample().body, view->summary()->body);
        QTest::keyClick(length, Qt::Key_Left);
        QCOMPARE(view->summary()->body, tried);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(seen.keys, QList<int>({Qt::Key_Z, Qt::Key_Space, Qt::Key_F1, Qt::Key_5}));
    QVERIFY(tried != clicking);
    QVERIFY(pictured(view, QStringLiteral("crossfade %1 ms, %2 bytes, halfway between Equal Gain and Equal Power")
                               .arg(fifth * 1000.0 / 16574, 0, 'f', 1)
                               .arg(fifth)));

    // The loop's end now leads into its start as its own past did; nothing
    // else changed, and the picture is the file.
    SvxFile after = exported();
    QVERIFY2(seam(after) <= 4, qPrintable(QString::number(seam(after))));
    QVERIFY(changedSpan(before.body, after.body).first >= after.oneShot + after.repeat - fifth);
    QVERIFY(changedSpan(before.body, after.body).second <= after.oneShot + after.repeat);
    QCOMPARE(std::pair(after.oneShot, after.repeat), std::pair(before.oneShot, before.repeat));
    QVERIFY(offTheLaw(before, after, fifth, 0.5) <= 1);
    QCOMPARE(view->summary()->body, after.body);
    QCOMPARE(tried, after.body);

    // Undo brings the click back, Redo takes it away.
    find<QWidget>("waveformWindow")->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(find<QWidget>("waveformWindow")));
    QTest::keyClick(find<QWidget>("waveformWindow"), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(pictured(view, "loop from byte"));
    QTRY_COMPARE_WITH_TIMEOUT(view->summary()->body, clicking, 10000);
    QVERIFY(sampleShape(list(), 0).isWhole());
    QTest::keyClick(find<QWidget>("waveformWindow"), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE_WITH_TIMEOUT(view->summary()->body, after.body, 10000);

    // At another note the crossfade lasts as long.
    QTest::keyClick(find<QComboBox>("FrequencyCombo"), Qt::Key_Down);
    QVERIFY(pictured(view, "C#3, 17559 Hz"));
    after = exported();
    QVERIFY2(seam(after) <= 4, qPrintable(QString::number(seam(after))));
    const qint64 bytes = qRound64(fifth * 17559 / 16574.0);
    QVERIFY2(view->accessibleDescription().contains(
                 QStringLiteral("crossfade %1 ms, %2 bytes").arg(bytes * 1000.0 / 17559, 0, 'f', 1).arg(bytes)),
             qPrintable(view->accessibleDescription()));

    // Taken off again, the loop clicks as before.
    useContextMenu(view, "Remove Crossfade");
    QVERIFY(sampleShape(list(), 0).isWhole());
    QTRY_VERIFY_WITH_TIMEOUT(!view->accessibleDescription().contains("crossfade"), 10000);
    QVERIFY(seam(exported()) > 20);
}

void TestCrossfade::followsTheLaw_data()
{
    QTest::addColumn<int>("law");
    QTest::addColumn<int>("length"); // in bytes; 0: the longest there can be
    QTest::addColumn<bool>("accepted");
    QTest::newRow("Equal Gain") << 0 << 400 << true;
    QTest::newRow("Equal Power, as long as can be") << 100 << 0 << true;
    QTest::newRow("cancelled") << 100 << 400 << false;
}

void TestCrossfade::followsTheLaw()
{
    QFETCH(int, law);
    QFETCH(int, length);
    QFETCH(bool, accepted);
    WaveformView *view = showWaveform(dir.filePath("pad.wav"), "C-3");
    QVERIFY(view);
    const SvxFile before = exported();
    crossfadeLoop(view, [&](QWidget *dialog) {
        auto *lengthSlider = dialog->findChild<QSlider *>("fadeLengthSlider");
        // At most half the loop, and the sound before its start.
        QCOMPARE(qint64(lengthSlider->maximum()), qMin(before.oneShot, before.repeat / 2));
        lengthSlider->setValue(length ? length : lengthSlider->maximum());
        length = lengthSlider->value();
        dialog->findChild<QSlider *>("fadeLawSlider")->setValue(law);
        auto *buttons = dialog->findChild<QDialogButtonBox *>();
        buttons->button(accepted ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    });
    if (!accepted) {
        QVERIFY(sampleShape(list(), 0).isWhole());
        QCOMPARE(view->summary()->body, before.body);
        QVERIFY(!view->accessibleDescription().contains("crossfade"));
        return;
    }
    QVERIFY(pictured(view, law ? "Equal Power" : "Equal Gain"));
    const SvxFile after = exported();
    QVERIFY2(offTheLaw(before, after, length, law / 100.0) <= 1, qPrintable(QString::number(offTheLaw(before, after, length, law / 100.0))));
    QVERIFY2(seam(after) <= 4, qPrintable(QString::number(seam(after))));
}

void TestCrossfade::saysWhatCannotBeCrossfaded_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("doing");
    QTest::addColumn<QString>("said");
    QTest::newRow("a loop of fewer than 4 bytes") << "tiny.wav" << "C-1" << "crossfade"
                                                  << "The loop is shorter than 4 bytes";
    QTest::newRow("no sound before the loop") << "early.wav" << "C-2" << "crossfade"
                                              << "there is no sound before it to fade in from";
    QTest::newRow("the loop moved") << "pad.wav" << "C-2" << "Loop Selection" << "The loop moved, so its crossfade is dropped.";
    QTest::newRow("the loop cleared") << "pad.wav" << "C-2" << "Clear Loop" << "The loop is cleared, and its crossfade with it.";
    QTest::newRow("cropped past the loop") << "pad.wav" << "C-2" << "Crop to Selection"
                                           << "The crop leaves out the loop, so its crossfade is dropped.";
    QTest::newRow("a fade longer than the sound before the loop")
        << "pad.wav" << "C-2" << "longer" << "shortened to the sound before the loop's start (100.0 ms asked)";
    QTest::newRow("its recording has since changed")
        << "pad.wav" << "C-2" << "another loop"
        << "Its crossfade was made for the loop from frame 2,222 to 6,646, but its loop now runs from frame 100 to 4,524";
}

void TestCrossfade::saysWhatCannotBeCrossfaded()
{
    QFETCH(QString, file);
    QFETCH(QString, note);
    QFETCH(QString, doing);
    QFETCH(QString, said);
    QTemporaryDir work;
    const QString recording = work.filePath(file);
    QVERIFY(QFile::copy(dir.filePath(file), recording));
    WaveformView *view = showWaveform(recording, note);
    QVERIFY(view && pictured(view, "loop from byte"));
    if (doing == "crossfade") {
        ModalDriver driver;
        useContextMenu(view, "Crossfade Loop…");
        QCOMPARE(driver.unexpected(), 0);
        QVERIFY2(view->accessibleDescription().contains(said), qPrintable(view->accessibleDescription()));
        QVERIFY(sampleShape(list(), 0).isWhole());
        return;
    }
    SampleShape shape = sampleShape(list(), 0);
    if (doing == "longer") {
        shape.loop = SampleShape::Loop::Set;
        shape.loopStart = 1000;
        shape.loopEnd = 8999;
        shape.crossfade = SampleShape::Crossfade{100, 0.5, std::nullopt};
        changeShape(window.get(), 0, shape, "Crossfade Loop");
        QVERIFY(pictured(view, said));
        const TrackerLayout layout = view->summary()->layout;
        QVERIFY(view->accessibleDescription().contains(QStringLiteral("crossfade %1 ms, %2 bytes,")
                                                            .arg(layout.loopStart * 1000.0 / 8287, 0, 'f', 1)
                                                            .arg(layout.loopStart)));
        return;
    }
    shape.crossfade = SampleShape::Crossfade{30, 0.5, std::pair<qint64, qint64>{2222, 2222 + 4425 - 1}};
    changeShape(window.get(), 0, shape, "Crossfade Loop");
    QVERIFY(pictured(view, "crossfade 30.0 ms"));
    if (doing != "another loop") {
        const qint64 size = view->summary()->size();
        if (doing == "Crop to Selection")
            view->select(size / 2, size);
        else
            view->select(size / 4, size / 2);
        useContextMenu(view, doing);
        QVERIFY(!sampleShape(list(), 0).crossfade);
        QVERIFY(pictured(view, said));
        return;
    }
    // Kept in a kit; then its sampler makes the recording again, with its
    // loop elsewhere.
    const QString kit = work.filePath("pad.brindlekit");
    ModalDriver driver;
    driver.choose({kit});
    useContextMenu(find<QWidget>("centralwidget"), "Save Kit…");
    QCOMPARE(driver.unexpected(), 0);
    QVERIFY(makeWav(recording, {"-r", "22050", "-c", "1", "-b", "16"}, {"synth", "1", "sine", "441"}));
    QVERIFY(appendRiffChunk(recording, "smpl", smplData(1, {{0, 100, 100 + 4425 - 1}})));
    QTest::keyClick(find<QComboBox>("FrequencyCombo"), Qt::Key_Down);
    QTest::keyClick(find<QComboBox>("FrequencyCombo"), Qt::Key_Up);
    QTRY_VERIFY2_WITH_TIMEOUT(view->accessibleDescription().contains(said), qPrintable(view->accessibleDescription()),
                              10000);
    // Made without it, as if it had none, and said so.
    QTemporaryDir out;
    const auto run = brindlebox({"--export", out.path(), kit});
    QCOMPARE(run.first, 0);
    QVERIFY2(run.second.contains("Their crossfades are shorter than asked, or left out:\n\npad.wav: " + said.mid(0, 1).toLower()
                                 + said.mid(1)),
             qPrintable(run.second));
    const QByteArray unfaded = exportSample(currentSample(list())).file.body;
    QCOMPARE(read8svx(out.filePath("pad.8svx")).body, unfaded);
    QCOMPARE(exported().body, unfaded);
}

void TestCrossfade::crossfadesFromTheCommandLine()
{
    QTemporaryDir plainOut;
    QTemporaryDir out;
    const QStringList files{dir.filePath("pad.wav"), dir.filePath("plain.wav"), dir.filePath("early.wav")};
    QCOMPARE(brindlebox(QStringList{"--export", plainOut.path(), "--note", "C-3"} + files).first, 0);
    const auto run = brindlebox(QStringList{"--export", out.path(), "--module", out.filePath("kit.mod"), "--note", "C-3",
                                            "--crossfade", "20"} + files);
    QCOMPARE(run.first, 0);
    // The files without a loop to crossfade are made as they are, and named.
    QVERIFY2(run.second.contains("No loop to crossfade, so made without a crossfade:\n\nplain.wav\n")
                 && run.second.contains("Their crossfades are shorter than asked, or left out:\n\nearly.wav: its loop "
                                        "starts at its first byte"),
             qPrintable(run.second));
    for (const char *name : {"plain.8svx", "early.8svx"})
        QCOMPARE(read8svx(out.filePath(name)).body, read8svx(plainOut.filePath(name)).body);
    const SvxFile before = read8svx(plainOut.filePath("pad.8svx"));
    const SvxFile after = read8svx(out.filePath("pad.8svx"));
    QVERIFY2(seam(after) <= 4, qPrintable(QString::number(seam(after))));
    // 20 ms at C-3, halfway between Equal Gain and Equal Power.
    const qint64 fade = qRound64(20 * 16574 / 1000.0);
    QCOMPARE(changedSpan(before.body, after.body).second, after.oneShot + after.repeat);
    QVERIFY(changedSpan(before.body, after.body).first >= after.oneShot + after.repeat - fade);
    QVERIFY(offTheLaw(before, after, fade, 0.5) <= 1);
    // The module holds the same sound.
    QFile module(out.filePath("kit.mod"));
    QVERIFY(module.open(QIODevice::ReadOnly) && module.readAll().contains(after.body));
}

void TestCrossfade::loopEdgesKeepTheirLengthAndMatch()
{
    // A recording's own loop of 80 whole periods keeps its length within a
    // byte: 4,000 frames at 22,050 Hz are 3,006.7 bytes at C-3.
    Sample sample = sampleOfFile(dir.filePath("whole.wav"));
    sample.note = "C-3";
    const SvxFile whole = exportSample(sample).file;
    QVERIFY2(qAbs(whole.repeat - 4000 * 16574.0 / 22050) <= 1, qPrintable(QString::number(whole.repeat)));

    // A loop set by hand, its end asked for where a one-byte wiggle crosses
    // zero inside a falling stretch: it ends a little later, where the sound
    // rises through zero as it does at the loop's start.
    QByteArray sound(200, char(60));
    const QList<int> rising{-60, -48, -32, -16, -1, 15, 31, 47};
    for (int i = 0; i < 36; ++i)
        sound[i] = char(-60);
    for (int i = 0; i < rising.size(); ++i) {
        sound[35 + i] = char(rising.at(i));
        sound[145 + i] = char(rising.at(i));
    }
    const QList<int> falling{44, 29, 14, -1, 3, -12, -27, -43, -60, -60, -60};
    for (int i = 0; i < falling.size(); ++i)
        sound[134 + i] = char(falling.at(i));
    WavFormat source;
    source.sampleRate = 8287;
    source.loop = WavLoop{40, 137, true};
    const TrackerLayout layout = finishedLayout(sound, 8287, source);
    QCOMPARE(std::pair(layout.loopStart, layout.loopStart + layout.loopLength), std::pair(qint64(40), qint64(150)));
}

QTEST_MAIN(TestCrossfade)
#include "tst_crossfade.moc"
