#include "shapingfixture.h"

#include "sample.h"
#include "testsupport.h"
#include "waveformsupport.h"

#include <QFile>
#include <QProcess>
#include <QTest>
#include <QtEndian>

void ShapingFixture::makeRecordings()
{
    // 0.3 s of silence, 0.6 s of a tone and 0.4 s of silence: what a
    // recorder leaves around a hit.
    QVERIFY(makeWav(dir.filePath("hit.wav"), {"-r", "44100", "-c", "2", "-b", "16"},
                    {"synth", "0.3", "sine", "0", ":", "synth", "0.6", "sine", "440", ":", "synth", "0.4", "sine", "0"}));
    QVERIFY(makeWav(dir.filePath("hush.wav"), {"-r", "22050", "-c", "1", "-b", "16"},
                    {"synth", "1", "whitenoise", "gain", "-60"}));
    QVERIFY(makeWav(dir.filePath("tail.wav"), {"-r", "8000", "-c", "1", "-b", "16"},
                    {"synth", "0.2", "sine", "300", ":", "synth", "0.2", "sine", "0"}));
    QVERIFY(makeWav(dir.filePath("pad.wav"), {"-r", "22050", "-c", "1", "-b", "16"}, {"synth", "2", "sine", "300"}));
    // The hit in other sound files, and in files named .wav that are not
    // RIFF WAV files.
    const QString hit = dir.filePath("hit.wav");
    for (const auto &[name, type] : {std::pair{"hit.flac", "flac"}, {"hit.aiff", "aiff"}, {"aiff.wav", "aiff"}})
        QCOMPARE(QProcess::execute("sox", {hit, "-t", type, dir.filePath(name)}), 0);
    QCOMPARE(QProcess::execute("sox", {hit, "-B", "-t", "wav", dir.filePath("rifx.wav")}), 0);
    // The tone as NaN in a float recording: sox makes it full scale.
    QVERIFY(makeWav(dir.filePath("nan.wav"), {"-r", "44100", "-c", "2", "-e", "floating-point", "-b", "32"},
                    {"synth", "0.3", "sine", "0", ":", "synth", "0.6", "sine", "440", ":", "synth", "0.4", "sine", "0"}));
    QFile nan(dir.filePath("nan.wav"));
    QVERIFY(nan.open(QIODevice::ReadWrite));
    const qint64 data = nan.readAll().indexOf("data") + 8;
    const QByteArray quiet(4, '\0');
    QByteArray notANumber(4, '\0');
    qToLittleEndian<quint32>(0x7fc00000, notANumber.data());
    for (qint64 frame = qint64(0.3 * 44100); frame < qint64(0.9 * 44100); ++frame)
        QVERIFY(nan.seek(data + frame * 8) && nan.write(notANumber + notANumber) == 8);
}

WaveformView *ShapingFixture::showWaveform(const QString &file)
{
    if (!loadSamples(*window, {dir.filePath(file)}))
        return nullptr;
    WaveformView *view = openWaveform(*window);
    return view && pictured(view) ? view : nullptr;
}

bool ShapingFixture::pictured(WaveformView *view, const QString &says)
{
    return QTest::qWaitFor(
        [&] {
            const Sample sample = currentSample(list());
            const QString numbers = view->accessibleDescription();
            return view->summary() && numbers.startsWith(sample.name + " · " + sample.note + ",")
                && (says.isEmpty() || numbers.contains(says));
        },
        10000);
}

void ShapingFixture::press(int key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(find<QWidget>("waveformWindow"), Qt::Key(key), modifiers);
}
