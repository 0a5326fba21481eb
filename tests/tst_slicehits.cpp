#include "mainwindow.h"
#include "testsupport.h"
#include "waveformsupport.h"
#include "waveformview.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTest>

// Slice at Hits, as a user meets it: aubio finds the hits of a drum
// recording, the markers follow the Sensitivity slider, and OK sets them.
// How well it finds the hits of real drum loops is measured by
// brindlebox_bench_slicing.

namespace {

constexpr int rate = 44100;
const QList<double> burstLengths{0.21, 0.13, 0.27, 0.18, 0.24, 0.11, 0.3, 0.16};

} // namespace

class TestSliceHits : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void findsEveryHitAsTheSliderMoves_data();
    void findsEveryHitAsTheSliderMoves();
    void leavesNoMarkerWhereAKicksTailBeats();

private:
    template<typename T>
    T *find(const char *name) { return window->findChild<T *>(name); }
    QComboBox *list() { return find<QComboBox>("sampleCombo"); }
    WaveformView *showWaveform(const QString &path);
    /// The shown sample's markers, once there are \a count of them.
    QList<qint64> markersOnceThere(int count);

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

void TestSliceHits::initTestCase()
{
    // A made drum pattern: bursts of noise that die away into the next, with
    // no gap, at uneven times.
    QStringList drums;
    for (const double length : burstLengths)
        drums << "synth" << QString::number(length) << "whitenoise" << "fade" << "q" << "0.002" << QString::number(length)
              << QString::number(length * 0.9) << ":";
    drums.removeLast();
    QVERIFY(makeWav(dir.filePath("drums.wav"), {"-r", "44100", "-c", "1", "-b", "16"}, drums));
    // The same, struck unevenly hard, each dying away only to where the
    // next begins: the curve wobbles in the tail just before each hit.
    QStringList uneven;
    const QList<double> levels{0.9, 0.5, 0.8, 0.4, 1, 0.6, 0.7, 0.5};
    for (int i = 0; i < levels.size(); ++i) {
        const QString length = QString::number(burstLengths.at(i));
        uneven << "synth" << length << "whitenoise" << "vol" << QString::number(levels.at(i)) << "fade" << "h" << "0" << length
               << length << ":";
    }
    uneven.removeLast();
    QVERIFY(makeWav(dir.filePath("uneven.wav"), {"-R", "-r", "44100", "-c", "1", "-b", "16"}, uneven));
    // A beat as drums make it: kicks whose tails ring on, two soft hi-hats
    // under the first kick's tail (at -24 dB), and a kick under the tail of a
    // loud cymbal, where it changes little but the lowest band.
    const QString kick = "synth 0.45 sine 110-40 fade q 0.002 0.45 0.4";
    const QString silence = "synth %1 sine 0";
    QStringList kicks;
    for (const QString &part : {silence.arg(0.1), kick, silence.arg(0.8), kick, silence.arg(0.5), kick, silence.arg(0.3)})
        kicks << part.split(' ') << ":";
    kicks.removeLast();
    QVERIFY(makeWav(dir.filePath("kicks.wav"), {"-R", "-r", "44100", "-c", "1", "-b", "16"}, kicks));
    const QString hat = "synth 0.04 whitenoise vol 0.06 highpass 6000 fade q 0.001 0.04 0.035";
    QStringList cymbals;
    for (const QString &part : {silence.arg(0.25), hat, silence.arg(0.11), hat, silence.arg(1.0),
                                QString("synth 1.6 whitenoise vol 0.5 highpass 3000 fade q 0.001 1.6 1.55")})
        cymbals << part.split(' ') << ":";
    cymbals.removeLast();
    // The same noise and dither every run (-R): one in five draws of them
    // leaves a stray marker where the first kick's sweep dies away.
    QVERIFY(makeWav(dir.filePath("cymbals.wav"), {"-R", "-r", "44100", "-c", "1", "-b", "16"}, cymbals));
    QProcess mix;
    mix.start("sox", {"-R", "-m", dir.filePath("kicks.wav"), dir.filePath("cymbals.wav"), dir.filePath("beat.wav")});
    QVERIFY(mix.waitForFinished(30000) && mix.exitCode() == 0);
    // A kick at 0.1 s whose tail of two tones 5 Hz apart beats as it rings.
    for (const QString tone : {"50", "55"}) {
        QVERIFY(makeWav(dir.filePath(tone + ".wav"), {"-R", "-r", "44100", "-c", "1", "-b", "16"},
                        QString("synth 0.1 sine 0 : synth 1.5 sine %1 fade q 0.002 1.5 1.4").arg(tone).split(' ')));
    }
    mix.start("sox", {"-R", "-m", dir.filePath("50.wav"), dir.filePath("55.wav"), dir.filePath("beating.wav")});
    QVERIFY(mix.waitForFinished(30000) && mix.exitCode() == 0);
}

void TestSliceHits::init()
{
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestSliceHits::cleanup()
{
    window.reset();
}

WaveformView *TestSliceHits::showWaveform(const QString &path)
{
    return loadSamples(*window, {path}) ? openWaveform(*window) : nullptr;
}

QList<qint64> TestSliceHits::markersOnceThere(int count)
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

void TestSliceHits::findsEveryHitAsTheSliderMoves_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<double>>("hits");
    QTest::addColumn<bool>("fewerAtTheLeft");
    QList<double> bursts;
    double at = 0;
    for (int i = 0; i + 1 < burstLengths.size(); ++i)
        bursts << (at += burstLengths.at(i));
    // Equally loud bursts are all of the strongest.
    QTest::newRow("noise bursts dying into the next") << "drums.wav" << bursts << false;
    QTest::newRow("uneven bursts dying into the next") << "uneven.wav" << bursts << false;
    QTest::newRow("soft hi-hats under a kick, a kick under a cymbal") << "beat.wav"
                                                                     << QList<double>{0.1, 0.25, 0.4, 1.35, 1.44, 2.3} << true;
}

void TestSliceHits::findsEveryHitAsTheSliderMoves()
{
    QFETCH(QString, file);
    QFETCH(QList<double>, hits);
    QFETCH(bool, fewerAtTheLeft);
    WaveformView *view = showWaveform(dir.filePath(file));
    QVERIFY(view);
    useContextMenu(view, "Slice at Hits…");
    auto *dialog = find<QDialog>("hitsDialog");
    QVERIFY(dialog);
    auto *slider = dialog->findChild<QSlider *>("sensitivitySlider");
    auto *count = dialog->findChild<QLabel *>("hitCount");
    QTRY_VERIFY_WITH_TIMEOUT(count->text().endsWith("hits"), 10000);
    const int expected = int(hits.size());
    const auto shown = [view] {
        QStringList seconds;
        for (const qint64 marker : view->markers())
            seconds << QString::number(double(marker) / rate, 'f', 3);
        return seconds.join(' ');
    };
    // The markers follow the slider before anything is set: further left
    // only the strongest, further right the faintest too.
    QTRY_VERIFY2(view->markers().size() == expected, qPrintable(shown()));
    QCOMPARE(count->text(), QStringLiteral("%1 hits").arg(expected));
    QVERIFY(sliceMarkers(list(), 0).isEmpty());
    slider->setValue(slider->minimum());
    QVERIFY2(!view->markers().isEmpty() && view->markers().size() <= expected - (fewerAtTheLeft ? 1 : 0), qPrintable(shown()));
    slider->setValue(slider->maximum());
    QVERIFY2(view->markers().size() >= expected, qPrintable(shown()));
    slider->setValue(50);
    QVERIFY2(view->markers().size() == expected, qPrintable(shown()));
    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();

    // Every hit found within 20 ms of where it starts, and none found late
    // enough to cut its attack off the slice.
    const QList<qint64> markers = markersOnceThere(expected);
    QCOMPARE(markers.size(), expected);
    for (int i = 0; i < markers.size(); ++i) {
        const double off = double(markers.at(i)) / rate - hits.at(i);
        QVERIFY2(off >= -0.020 && off <= 0.005,
                 qPrintable(QStringLiteral("hit %1 at %2 s, sounds at %3 s").arg(i).arg(double(markers.at(i)) / rate).arg(hits.at(i))));
    }
}

void TestSliceHits::leavesNoMarkerWhereAKicksTailBeats()
{
    // The tail swells in the kick's own band five times a second, slowly:
    // no swell is a hit.
    WaveformView *view = showWaveform(dir.filePath("beating.wav"));
    QVERIFY(view);
    useContextMenu(view, "Slice at Hits…");
    auto *dialog = find<QDialog>("hitsDialog");
    QVERIFY(dialog);
    auto *count = dialog->findChild<QLabel *>("hitCount");
    QTRY_VERIFY_WITH_TIMEOUT(count->text().endsWith("hit") || count->text().endsWith("hits"), 10000);
    QCOMPARE(count->text(), QStringLiteral("1 hit"));
    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    const QList<qint64> markers = markersOnceThere(1);
    QCOMPARE(markers.size(), 1);
    QVERIFY2(markers.first() >= rate * 0.08 && markers.first() <= rate * 0.105, qPrintable(QString::number(markers.first())));
}

QTEST_MAIN(TestSliceHits)
#include "tst_slicehits.moc"
