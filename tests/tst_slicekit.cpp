#include "kitfile.h"
#include "modaldriver.h"
#include "slicingfixture.h"
#include "testsupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <cmath>
#include <cstring>

// Slices beyond the waveform window: their markers kept in the kit file and
// refused when bad, played back as a break in the module, and made on the
// command line.

namespace {

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

} // namespace

class TestSliceKit : public QObject, private SlicingFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { makeRecordings(); }
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }
    void keepsMarkersInTheKit();
    void refusesBadMarkersInAKit_data();
    void refusesBadMarkersInAKit();
    void playsTheBreakBack();
    void slicesOnTheCommandLine();
};

void TestSliceKit::keepsMarkersInTheKit()
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

void TestSliceKit::refusesBadMarkersInAKit_data()
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

void TestSliceKit::refusesBadMarkersInAKit()
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

void TestSliceKit::playsTheBreakBack()
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

void TestSliceKit::slicesOnTheCommandLine()
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

QTEST_MAIN(TestSliceKit)
#include "tst_slicekit.moc"
