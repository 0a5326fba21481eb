#include "slicingfixture.h"

#include "sample.h"
#include "testsupport.h"
#include "waveformsupport.h"

#include <QTest>

QStringList burstsAt(const QList<double> &starts, double burst, double seconds, const QString &sound)
{
    QStringList effects;
    double at = 0;
    for (const double start : starts) {
        if (start > at)
            effects << "synth" << QString::number(start - at, 'f', 6) << "sine" << "0" << ":";
        effects << "synth" << QString::number(burst, 'f', 6) << sound.split(' ') << ":";
        at = start + burst;
    }
    effects << "synth" << QString::number(seconds - at, 'f', 6) << "sine" << "0";
    return effects;
}

void SlicingFixture::makeRecordings()
{
    // Eight tone bursts of 0.2 s with 0.15 s between: what a sampler leaves
    // of eight notes played one after another.
    QVERIFY(makeWav(dir.filePath("notes.wav"), {"-r", "44100", "-c", "2", "-b", "16"},
                    burstsAt(burstStarts, 0.2, 2.9, "sine")));
    // A made drum pattern: bursts of noise that die away into the next, with
    // no gap, at uneven times.
    QStringList drums;
    const QList<double> lengths{0.21, 0.13, 0.27, 0.18, 0.24, 0.11, 0.3, 0.16};
    for (const double length : lengths)
        drums << "synth" << QString::number(length) << "whitenoise" << "fade" << "q" << "0.002" << QString::number(length)
              << QString::number(length * 0.9) << ":";
    drums.removeLast();
    QVERIFY(makeWav(dir.filePath("drums.wav"), {"-r", "44100", "-c", "1", "-b", "16"}, drums));
    // Eight tones of 0.25 s: a bar of eighth notes.
    QStringList eighths;
    for (int i = 0; i < 8; ++i)
        eighths << "synth" << "0.25" << "sine" << QString::number(200 + 50 * i) << ":";
    eighths.removeLast();
    QVERIFY(makeWav(dir.filePath("bar.wav"), {"-r", "44100", "-c", "1", "-b", "16"}, eighths));
}

WaveformView *SlicingFixture::showWaveform(const QString &path)
{
    return loadSamples(*window, {path}) ? openWaveform(*window) : nullptr;
}

bool SlicingFixture::says(WaveformView *view, const QString &text)
{
    return QTest::qWaitFor([&] { return view->accessibleDescription().contains(text); }, 10000);
}

QList<qint64> SlicingFixture::markersOnceThere(int count)
{
    QList<qint64> frames;
    (void)QTest::qWaitFor(
        [&] {
            frames = sliceMarkers(list(), list()->currentIndex()).frames;
            return frames.size() == count;
        },
        10000);
    return frames;
}
