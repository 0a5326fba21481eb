#include "kitfile.h"
#include "kithistory.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "testsupport.h"
#include "waveformsupport.h"
#include "waveformview.h"

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QInputDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUndoStack>
#include <QtEndian>

#include <cmath>

// Slicing one recording into a kit, as a user meets it: markers set at its
// silences or in equal parts (its hits: tst_slicehits), moved and removed by hand, the
// slices made samples, kept in the kit file, exported exactly, and played
// back as a break in the module.

namespace {

constexpr int rate = 44100;

/// sox effects for a sound of \a seconds, each burst \a burst long at the
/// times \a starts, silent between: a made recording whose hits are known.
QStringList burstsAt(const QList<double> &starts, double burst, double seconds, const QString &sound = "whitenoise")
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

/// Onsets in mono \a frames: where the sound reaches \a level after at
/// least \a quietFrames below it, each taken back to where it first rose
/// past a quarter of it, within the 5 ms before.
QList<qint64> onsetsIn(const std::vector<float> &frames, float level, qint64 quietFrames)
{
    QList<qint64> onsets;
    qint64 quiet = quietFrames;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (std::fabs(frames[i]) < level) {
            ++quiet;
            continue;
        }
        if (quiet >= quietFrames) {
            size_t rise = i;
            for (size_t j = i; j + 240 > i && j > 0 && std::fabs(frames[j - 1]) >= level / 4; --j)
                rise = j - 1;
            onsets << qint64(rise);
        }
        quiet = 0;
    }
    return onsets;
}

/// The sound of the module \a path from its first pattern that sets speed
/// 1 (the break) on, as libopenmpt plays it: mono floats at \a renderRate.
std::vector<float> renderBreak(const QString &path, const QString &work, int renderRate)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray module = file.readAll();
    const int songLength = quint8(module.at(950));
    int breakOrder = -1;
    for (int order = 0; order < songLength && breakOrder < 0; ++order) {
        const char *row = module.constData() + 1084 + quint8(module.at(952 + order)) * 1024;
        for (int channel = 0; channel < 4; ++channel) {
            if ((row[channel * 4 + 2] & 0x0f) == 0xf && row[channel * 4 + 3] == 1)
                breakOrder = order;
        }
    }
    if (breakOrder < 0)
        return {};
    // The song from the break on: the audition before it is left out.
    const QByteArray orders = module.mid(952 + breakOrder, songLength - breakOrder);
    module[950] = char(songLength - breakOrder);
    module.replace(952, 128, orders + QByteArray(128 - orders.size(), '\0'));
    QFile breakOnly(work + "/break.mod");
    if (!breakOnly.open(QIODevice::WriteOnly) || breakOnly.write(module) != module.size())
        return {};
    breakOnly.close();
    QProcess player;
    player.start("openmpt123", {"--batch", "--quiet", "--stdout", "--channels", "1", "--samplerate",
                                QString::number(renderRate), breakOnly.fileName()});
    if (!player.waitForFinished(30000))
        return {};
    const QByteArray sound = player.readAllStandardOutput();
    std::vector<float> frames(size_t(sound.size()) / sizeof(float));
    std::memcpy(frames.data(), sound.constData(), frames.size() * sizeof(float));
    return frames;
}

/// Moves the pointer over \a view to \a at, no button held.
void hover(QWidget *view, const QPoint &at)
{
    QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
}

} // namespace

class TestSlicing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void slicesAtSilencesIntoOneSampleEach();
    void cutsIntoEqualPartsEndToEnd();
    void marksByHand();
    void keepsMarkersInTheKit();
    void refusesBadMarkersInAKit_data();
    void refusesBadMarkersInAKit();
    void saysWhenTheRecordingChanged();
    void playsTheBreakBack();
    void slicesOnTheCommandLine();

private:
    template<typename T>
    T *find(const char *name) { return window->findChild<T *>(name); }
    QComboBox *list() { return find<QComboBox>("sampleCombo"); }
    WaveformView *showWaveform(const QString &path);
    /// Waits until the picture's numbers contain \a says.
    bool says(WaveformView *view, const QString &text);
    /// The shown sample's markers, once there are \a count of them.
    QList<qint64> markersOnceThere(int count);

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
    QList<double> burstStarts{0.1, 0.45, 0.8, 1.15, 1.5, 1.85, 2.2, 2.55};
};

void TestSlicing::initTestCase()
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

void TestSlicing::init()
{
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestSlicing::cleanup()
{
    window.reset();
}

WaveformView *TestSlicing::showWaveform(const QString &path)
{
    return loadSamples(*window, {path}) ? openWaveform(*window) : nullptr;
}

bool TestSlicing::says(WaveformView *view, const QString &text)
{
    return QTest::qWaitFor([&] { return view->accessibleDescription().contains(text); }, 10000);
}

QList<qint64> TestSlicing::markersOnceThere(int count)
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

void TestSlicing::slicesAtSilencesIntoOneSampleEach()
{
    WaveformView *view = showWaveform(dir.filePath("notes.wav"));
    QVERIFY(view);
    useContextMenu(view, "Slice at Silences");
    const QList<qint64> markers = markersOnceThere(7);
    QCOMPARE(markers.size(), 7);
    QVERIFY2(says(view, "7 slice markers, 8 slices"), qPrintable(view->accessibleDescription()));
    QCOMPARE(view->markers().size(), 7);
    // Each in the silence between two notes.
    for (int i = 0; i < markers.size(); ++i) {
        const double at = double(markers.at(i)) / rate;
        QVERIFY2(at > burstStarts.at(i) + 0.2 && at < burstStarts.at(i + 1), qPrintable(QString::number(at)));
    }

    useContextMenu(view, "Slices to Samples");
    QTRY_COMPARE_WITH_TIMEOUT(list()->count(), 8, 10000);
    for (int i = 0; i < 8; ++i) {
        const KitEntry slice = sampleEntry(list(), i);
        QCOMPARE(slice.sample.name, QStringLiteral("notes-%1.wav").arg(i + 1, 2, 10, QLatin1Char('0')));
        QVERIFY(!slice.sample.ready);
        QVERIFY(slice.markers.isEmpty());
        // Its note, without the silence around it: the attack within one
        // window of 5 ms, the release too.
        const qint64 onset = qRound64(burstStarts.at(i) * rate);
        QVERIFY2(slice.shape.crop && slice.shape.crop->start <= onset && slice.shape.crop->start > onset - 221,
                 qPrintable(QString::number(slice.shape.crop->start - onset)));
        QVERIFY2(qAbs(slice.shape.crop->frames - qint64(0.2 * rate)) <= 442, qPrintable(QString::number(slice.shape.crop->frames)));
        // Exactly its frames at the note's rate, as sox's rate effect counts
        // them, with its note in it.
        const SvxFile svx = exportSample(slice.sample, slice.shape).file;
        QVERIFY2(svx.problem.isEmpty(), qPrintable(svx.problem));
        QCOMPARE(svx.bodySize, (2 + qint64(slice.shape.crop->frames * (8287.0 / rate) + .5) + 1) & ~qint64(1));
        int peak = 0;
        for (const char byte : svx.body)
            peak = qMax(peak, qAbs(int(qint8(byte))));
        QVERIFY(peak > 40);
    }
    // One Undo brings the whole sample back, its markers with it.
    kitHistory(window.get())->undo();
    QCOMPARE(list()->count(), 1);
    QCOMPARE(currentSample(list()).name, QStringLiteral("notes.wav"));
    QCOMPARE(sliceMarkers(list(), 0).frames, markers);
}

void TestSlicing::cutsIntoEqualPartsEndToEnd()
{
    WaveformView *view = showWaveform(dir.filePath("bar.wav"));
    QVERIFY(view);
    ModalDriver driver;
    driver.then([](QWidget *dialog) {
        auto *input = qobject_cast<QInputDialog *>(dialog);
        QCOMPARE(input->intValue(), 8);
        input->accept();
    });
    useContextMenu(view, "Slice into Equal Parts…");
    const QList<qint64> markers = markersOnceThere(7);
    QCOMPARE(markers.size(), 7);
    // Each within 2 ms of its eighth, where the sound crosses zero.
    QFile file(dir.filePath("bar.wav"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray wav = file.readAll();
    const auto value = [&wav](qint64 frame) { return qFromLittleEndian<qint16>(wav.constData() + 44 + 2 * frame); };
    for (int i = 0; i < markers.size(); ++i) {
        QVERIFY2(qAbs(markers.at(i) - (i + 1) * rate / 4) <= rate / 500, qPrintable(QString::number(markers.at(i))));
        QVERIFY2((value(markers.at(i) - 1) >= 0) != (value(markers.at(i)) >= 0), qPrintable(QString::number(i)));
    }

    useContextMenu(view, "Slices to Samples");
    QTRY_COMPARE_WITH_TIMEOUT(list()->count(), 8, 10000);
    // End to end, from the first frame to the last, none lost or doubled.
    qint64 next = 0;
    for (int i = 0; i < 8; ++i) {
        const KitEntry slice = sampleEntry(list(), i);
        QVERIFY(slice.shape.crop);
        QCOMPARE(slice.shape.crop->start, next);
        next += slice.shape.crop->frames;
        QCOMPARE(next, i < 7 ? markers.at(i) : qint64(2 * rate));
    }
}

void TestSlicing::marksByHand()
{
    WaveformView *view = showWaveform(dir.filePath("bar.wav"));
    QVERIFY(view);
    auto *waveform = find<QWidget>("waveformWindow");
    const int y = view->height() / 3;
    const auto xOf = [view](double seconds) { return int((2 + seconds * 8287) * view->width() / view->summary()->size()); };
    // Ctrl+M where the pointer is.
    hover(view, QPoint(xOf(0.5), y));
    QTest::keyClick(waveform, Qt::Key_M, Qt::ControlModifier);
    QList<qint64> markers = markersOnceThere(1);
    QVERIFY2(qAbs(markers.value(0) - rate / 2) < 200, qPrintable(view->accessibleDescription()));
    QVERIFY(says(view, "1 slice marker, 2 slices"));
    // Not on the very first frame, nor twice on one.
    hover(view, QPoint(0, y));
    QTest::keyClick(waveform, Qt::Key_M, Qt::ControlModifier);
    QVERIFY(says(view, "cuts nothing"));
    hover(view, QPoint(xOf(0.5), y));
    QTest::keyClick(waveform, Qt::Key_M, Qt::ControlModifier);
    QVERIFY(says(view, "already"));
    QCOMPARE(sliceMarkers(list(), 0).frames.size(), 1);
    // Dragged, it moves; Delete with the pointer on it removes it.
    const int from = xOf(double(markers.value(0)) / rate);
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(from, y));
    QTest::mouseMove(view, QPoint(xOf(1.0), y));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(xOf(1.0), y));
    QTRY_VERIFY(qAbs(sliceMarkers(list(), 0).frames.value(0) - rate) < 200);
    QVERIFY(!view->hasSelection());
    hover(view, QPoint(xOf(1.0), y));
    QTest::keyClick(waveform, Qt::Key_Delete);
    QTRY_VERIFY(sliceMarkers(list(), 0).isEmpty());
    QCOMPARE(kitHistory(window.get())->undoText(), QStringLiteral("Remove Slice Marker of bar.wav"));
}

void TestSlicing::keepsMarkersInTheKit()
{
    WaveformView *view = showWaveform(dir.filePath("notes.wav"));
    QVERIFY(view);
    useContextMenu(view, "Slice at Silences");
    QTRY_COMPARE(sliceMarkers(list(), 0).frames.size(), 7);
    const SliceMarkers set = sliceMarkers(list(), 0);
    QVERIFY(set.leaveOutSilence);
    QCOMPARE(set.recordingFrames, qRound64(2.9 * rate));

    const QString kit = dir.filePath("notes.brindlekit");
    {
        ModalDriver driver;
        driver.choose({kit});
        useContextMenu(find<QWidget>("sampleCombo"), "Save Kit…");
    }
    window = std::make_unique<MainWindow>();
    window->show();
    ModalDriver driver;
    driver.choose({kit});
    useContextMenu(find<QWidget>("centralwidget"), "Open Kit…");
    QTRY_COMPARE(list()->count(), 1);
    QCOMPARE(sliceMarkers(list(), 0), set);
}

void TestSlicing::refusesBadMarkersInAKit_data()
{
    QTest::addColumn<QString>("markers");
    QTest::addColumn<QString>("says");
    QTest::newRow("on the first frame") << R"({"at": [0, 100], "recordingFrames": 1000})" << "a slice marker at 0";
    QTest::newRow("on the last frame") << R"({"at": [999], "recordingFrames": 1000})" << "a slice marker at 999";
    QTest::newRow("two on one frame") << R"({"at": [100, 100], "recordingFrames": 1000})" << "a slice marker at 100";
    QTest::newRow("out of order") << R"({"at": [300, 200], "recordingFrames": 1000})" << "a slice marker at 200";
    QTest::newRow("not a list") << R"({"at": 5, "recordingFrames": 1000})" << "not {\"at\"";
    QTest::newRow("a key it does not have") << R"({"at": [5], "recordingFrames": 1000, "sensitivity": 3})"
                                            << "\"sensitivity\", which a kit does not have";
}

void TestSlicing::refusesBadMarkersInAKit()
{
    QFETCH(QString, markers);
    QFETCH(QString, says);
    QFile kit(dir.filePath("bad.brindlekit"));
    QVERIFY(kit.open(QIODevice::WriteOnly | QIODevice::Truncate));
    kit.write(QStringLiteral(R"({"format": "brindlebox-kit", "version": 1, "sampleCount": 1,
                               "samples": [{"recording": "notes.wav", "markers": %1}]})")
                  .arg(markers)
                  .toUtf8());
    kit.close();
    const KitReading reading = readKit(kit.fileName());
    QVERIFY2(reading.problem.contains(says), qPrintable(reading.problem));
}

void TestSlicing::saysWhenTheRecordingChanged()
{
    const QString path = dir.filePath("changing.wav");
    QVERIFY(QFile::copy(dir.filePath("bar.wav"), path));
    WaveformView *view = showWaveform(path);
    QVERIFY(view);
    ModalDriver driver;
    driver.then([](QWidget *dialog) { qobject_cast<QInputDialog *>(dialog)->accept(); });
    useContextMenu(view, "Slice into Equal Parts…");
    QCOMPARE(markersOnceThere(7).size(), 7);
    // Another take saved over it, longer than the one that was marked.
    QVERIFY(QFile::remove(path));
    QVERIFY(makeWav(path, {"-r", "44100", "-c", "1", "-b", "16"}, {"synth", "3", "sine", "300"}));
    useContextMenu(view, "Slices to Samples");
    QVERIFY(says(view, "has changed on disk since it was marked: it held 88,200 frames and holds 132,300 now"));
    QCOMPARE(list()->count(), 1);
}

void TestSlicing::playsTheBreakBack()
{
    if (QStandardPaths::findExecutable("openmpt123").isEmpty())
        QSKIP("openmpt123 (Debian package openmpt123) is not installed");
    // Bursts at uneven times, each slice from its burst to the next: the
    // musician's kit of a break, side by side, made at A-3.
    const QList<double> starts{0.0, 0.1266, 0.3057, 0.4488, 0.6923, 0.8071};
    QVERIFY(makeWav(dir.filePath("break.wav"), {"-r", "44100", "-c", "1", "-b", "16"}, burstsAt(starts, 0.04, 1.0, "square 700")));
    QString samples;
    for (int i = 0; i < starts.size(); ++i) {
        const qint64 start = qRound64(starts.at(i) * rate);
        const qint64 end = i + 1 < starts.size() ? qRound64(starts.at(i + 1) * rate) : rate * 9 / 10;
        samples += QStringLiteral(R"(%1{"recording": "break.wav", "note": "A-3", "crop": {"start": %2, "frames": %3}})")
                       .arg(i ? "," : "")
                       .arg(start)
                       .arg(end - start);
    }
    QFile kit(dir.filePath("break.brindlekit"));
    QVERIFY(kit.open(QIODevice::WriteOnly | QIODevice::Truncate));
    kit.write(QStringLiteral(R"({"format": "brindlebox-kit", "version": 1, "sampleCount": %1, "samples": [%2]})")
                  .arg(starts.size())
                  .arg(samples)
                  .toUtf8());
    kit.close();
    const QString module = dir.filePath("break.mod");
    QFile::remove(module);
    QProcess program;
    program.start(BRINDLEBOX_PROGRAM, {"--module", module, kit.fileName()});
    QVERIFY(program.waitForFinished(60000));
    QVERIFY2(program.exitCode() == 0, program.readAllStandardError().constData());

    // The break starts at once, after a first row that a tracker plays at
    // the audition's tempo (20 ms); then each slice at its time in the
    // recording after the first, within half a tick of 10 ms (and a
    // millisecond for the player's resampling).
    const int renderRate = 48000;
    const std::vector<float> sound = renderBreak(module, dir.path(), renderRate);
    const QList<qint64> onsets = onsetsIn(sound, 0.04f, renderRate / 50);
    QCOMPARE(onsets.size(), starts.size());
    const double first = double(onsets.at(0)) / renderRate;
    QVERIFY2(first <= 0.021, qPrintable(QString::number(first)));
    for (int i = 1; i < starts.size(); ++i) {
        const double heard = double(onsets.at(i)) / renderRate - first;
        QVERIFY2(std::fabs(heard - starts.at(i)) <= 0.006,
                 qPrintable(QStringLiteral("slice %1 at %2 s, recorded at %3 s").arg(i + 1).arg(heard).arg(starts.at(i))));
    }
}

void TestSlicing::slicesOnTheCommandLine()
{
    QTemporaryDir out;
    const auto run = [&out](const QStringList &arguments) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        program.setProcessEnvironment(environment);
        program.start(BRINDLEBOX_PROGRAM, arguments);
        program.waitForFinished(60000);
        return std::pair(program.exitCode(), QString::fromLocal8Bit(program.readAllStandardError()));
    };
    // Eight equal parts of the bar, each exact to the byte, end to end.
    const auto [status, said] = run({"--export", out.path(), "--slice", "8", dir.filePath("bar.wav"), dir.filePath("drums.wav")});
    QCOMPARE(status, 0);
    qint64 frames = 0;
    for (int i = 1; i <= 8; ++i) {
        const SvxFile svx = read8svx(out.filePath(QStringLiteral("bar-%1.8svx").arg(i, 2, 10, QLatin1Char('0'))));
        QVERIFY2(svx.problem.isEmpty(), qPrintable(svx.problem));
        // Each part's end moves by at most 2 ms, to where the sound crosses zero.
        QVERIFY2(qAbs(svx.soundSize() - 0.25 * 8287) <= 36, qPrintable(QString::number(svx.soundSize())));
        frames += svx.soundSize();
        QVERIFY(QFile::exists(out.filePath(QStringLiteral("drums-%1.8svx").arg(i, 2, 10, QLatin1Char('0')))));
    }
    QVERIFY2(qAbs(frames - 2 * 8287) <= 8, qPrintable(QString::number(frames)));

    // One with no silence to cut at is made whole and named.
    const auto [wholeStatus, wholeSaid] = run({"--export", out.path(), "--slice", "silences", dir.filePath("drums.wav")});
    QCOMPARE(wholeStatus, 0);
    QVERIFY(QFile::exists(out.filePath("drums.8svx")));
    QVERIFY2(wholeSaid.contains("Not sliced, so made whole:\n\ndrums.wav: no silence of at least 50 ms"), qPrintable(wholeSaid));

    for (const QString wrong : {"1", "65", "bars", ""}) {
        const auto [wrongStatus, wrongSaid] = run({"--export", out.path(), "--slice", wrong, dir.filePath("bar.wav")});
        QCOMPARE(wrongStatus, 2);
        QVERIFY2(wrongSaid.contains("--slice takes hits, silences or a number of parts from 2 to 64"), qPrintable(wrongSaid));
    }
}

QTEST_MAIN(TestSlicing)
#include "tst_slicing.moc"
