#include "crossfadesupport.h"
#include "kithistory.h"
#include "testsupport.h"
#include "trackersample.h"
#include "waveformview.h"

#include <QFile>
#include <QProcess>
#include <QTest>

// What cannot be crossfaded, and where that is said: in the waveform window,
// after the recording changes under its kit, and from the command line; and
// the loop's own edges, kept and snapped where they match.

namespace {

QPair<int, QString> brindlebox(const QStringList &arguments)
{
    QProcess program;
    program.start(QStringLiteral(BRINDLEBOX_PROGRAM), arguments);
    program.waitForFinished(60000);
    return {program.exitCode(), QString::fromLocal8Bit(program.readAllStandardError())};
}

} // namespace

class TestCrossfadeLimits : public QObject, private CrossfadeFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { makeRecordings(); }
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }
    void saysWhatCannotBeCrossfaded_data();
    void saysWhatCannotBeCrossfaded();
    void crossfadesFromTheCommandLine();
    void loopEdgesKeepTheirLengthAndMatch();
};

void TestCrossfadeLimits::saysWhatCannotBeCrossfaded_data()
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

void TestCrossfadeLimits::saysWhatCannotBeCrossfaded()
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

void TestCrossfadeLimits::crossfadesFromTheCommandLine()
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

void TestCrossfadeLimits::loopEdgesKeepTheirLengthAndMatch()
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

QTEST_MAIN(TestCrossfadeLimits)
#include "tst_crossfadelimits.moc"
