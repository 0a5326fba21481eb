#include "crossfadesupport.h"

#include "sample.h"
#include "waveformsupport.h"

#include <QTest>

#include <cmath>

double seam(const SvxFile &svx)
{
    const qint64 end = svx.oneShot + svx.repeat;
    double sum = 0;
    for (int j = 0; j < 4; ++j)
        sum += qAbs(int(qint8(svx.body.at(end - 4 + j))) - int(qint8(svx.body.at(svx.oneShot - 4 + j))));
    return sum / 4;
}

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

void CrossfadeFixture::makeRecordings()
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

WaveformView *CrossfadeFixture::showWaveform(const QString &path, const QString &note)
{
    if (!loadSamples(*window, {path}))
        return nullptr;
    chooseNote(*window, note);
    WaveformView *view = openWaveform(*window);
    return view && pictured(view, QString()) ? view : nullptr;
}

bool CrossfadeFixture::pictured(WaveformView *view, const QString &says)
{
    return QTest::qWaitFor(
        [&] {
            const Sample sample = currentSample(list());
            const QString numbers = view->accessibleDescription();
            return view->summary() && numbers.startsWith(sample.name + " · " + sample.note + ",") && numbers.contains(says);
        },
        10000);
}

void CrossfadeFixture::crossfadeLoop(WaveformView *view, const ModalDriver::Action &answer)
{
    ModalDriver driver;
    driver.then(answer);
    useContextMenu(view, "Crossfade Loop…");
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(driver.pending(), 0);
}
