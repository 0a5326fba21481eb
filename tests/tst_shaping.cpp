#include "exportengine.h"
#include "kithistory.h"
#include "modaldriver.h"
#include "notetable.h"
#include "shapingfixture.h"
#include "testsupport.h"

#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

// Shaping a sample by eye, as in a tracker's sample editor: crop, loop,
// trim the silence, take it back; what it cannot shape; and what the export
// then writes.

namespace {

/// Whether the sound crosses zero the given way within a byte of the word
/// boundary \a at (between bytes at - 1 and at).
bool crossesNear(const QByteArray &body, qint64 at, bool rising)
{
    for (qint64 i = qMax<qint64>(at - 1, 1); i <= qMin<qint64>(at + 1, body.size() - 1); ++i) {
        const qint8 before = qint8(body.at(i - 1));
        const qint8 after = qint8(body.at(i));
        if (rising ? before < 0 && after >= 0 : before >= 0 && after < 0)
            return true;
    }
    return false;
}

/// The loudest byte of \a body from \a from, \a count of them.
int peakOf(const QByteArray &body, qint64 from, qint64 count)
{
    int peak = 0;
    for (qint64 i = from; i < from + count && i < body.size(); ++i)
        peak = qMax(peak, qAbs(int(qint8(body.at(i)))));
    return peak;
}

} // namespace

class TestShaping : public QObject, private ShapingFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { makeRecordings(); }
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }
    void cropsAndLoopsWhatIsSelected_data();
    void cropsAndLoopsWhatIsSelected();
    void trimsTheSilenceAtTheEnds_data();
    void trimsTheSilenceAtTheEnds();
    void saysWhatCannotBeShaped_data();
    void saysWhatCannotBeShaped();
};

void TestShaping::cropsAndLoopsWhatIsSelected_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("WAV") << "hit.wav";
    QTest::newRow("FLAC") << "hit.flac";
}

void TestShaping::cropsAndLoopsWhatIsSelected()
{
    QFETCH(QString, file);
    WaveformView *view = showWaveform(file);
    QVERIFY(view);
    const Sample sample = currentSample(list());
    const QByteArray whole = view->summary()->body;

    // Dragged over the tone, from 0.35 s to 0.85 s.
    const int y = view->height() / 2;
    const int from = xOf(view, 2 + qint64(0.35 * 8287));
    const int to = xOf(view, 2 + qint64(0.85 * 8287));
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(from, y));
    QTest::mouseMove(view, QPoint((from + to) / 2, y));
    QTest::mouseMove(view, QPoint(to, y));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(to, y));
    const qint64 start = view->selectionStart();
    const qint64 bytes = view->selectionEnd() - start;
    QVERIFY(bytes > 4000);
    QVERIFY2(view->accessibleDescription().contains(
                 QStringLiteral("selection from byte %1, %2 bytes, ").arg(QLocale(QLocale::English).toString(start),
                                                                         QLocale(QLocale::English).toString(bytes))),
             qPrintable(view->accessibleDescription()));

    // Cropped, the export writes what was selected: the same sound, at the
    // note's rate, after the silent word of a one-shot.
    press(Qt::Key_T);
    QVERIFY(pictured(view, "of the recording kept"));
    const SampleShape cropped = sampleShape(list(), 0);
    SvxFile svx = exportSample(sample, cropped).file;
    QVERIFY2(svx.problem.isEmpty(), qPrintable(svx.problem));
    QVERIFY2(qAbs(svx.soundSize() - bytes) <= 1, qPrintable(QString::number(svx.soundSize())));
    QCOMPARE(svx.samplesPerSec, 8287);
    // Exactly the frames kept at the note's rate, as sox's rate effect
    // counts them, after the silent word, in whole words.
    QCOMPARE(svx.bodySize, (2 + qint64(cropped.crop->frames * (8287.0 / 44100) + .5) + 1) & ~qint64(1));
    for (qint64 i = 16; i < bytes - 16; ++i)
        QVERIFY2(qAbs(int(qint8(svx.body.at(2 + i))) - int(qint8(whole.at(start + i)))) <= 3, qPrintable(QString::number(i)));
    QCOMPARE(view->summary()->body, svx.body);
    // The preview plays what is kept.
    find<QPushButton>("previewButton")->click();
    QCOMPARE(find<QLabel>("SizeLabel")->text(), QLocale().formattedDataSize(44 + svx.soundSize(), 0, QLocale::DataSizeIecFormat));

    // The crop holds at another note.
    QTest::keyClick(find<QComboBox>("FrequencyCombo"), Qt::Key_Down);
    QVERIFY(pictured(view, "C#2, 8779 Hz"));
    svx = exportSample(currentSample(list()), sampleShape(list(), 0)).file;
    QVERIFY2(qAbs(svx.soundSize() - bytes * 8779 / 8287) <= 2, qPrintable(QString::number(svx.soundSize())));

    // Looped where the selection lies, both ends where the sound crosses
    // zero the same way, in the file and in the module alike.
    const qint64 loopFrom = view->summary()->size() / 4;
    const qint64 loopTo = view->summary()->size() * 3 / 4;
    view->select(loopFrom, loopTo);
    press(Qt::Key_L);
    QVERIFY(pictured(view, "loop from byte"));
    QTemporaryDir out;
    ExportEngine engine({currentSample(list())}, out.path(), 1);
    engine.setShapes(allShapes(list()));
    engine.setModule(out.filePath("kit.mod"));
    QSignalSpy finished(&engine, &ExportEngine::finished);
    engine.start();
    QVERIFY(finished.wait(30000));
    svx = read8svx(out.filePath("hit.8svx"));
    QVERIFY2(svx.problem.isEmpty(), qPrintable(svx.problem));
    const qint64 reach = 8779 * 2 / 1000 + 2;
    QVERIFY2(qAbs(svx.oneShot - loopFrom) <= reach && qAbs(svx.oneShot + svx.repeat - loopTo) <= reach,
             qPrintable(QStringLiteral("%1 + %2").arg(svx.oneShot).arg(svx.repeat)));
    const bool rising = crossesNear(svx.body, svx.oneShot, true);
    QVERIFY(rising || crossesNear(svx.body, svx.oneShot, false));
    QVERIFY(crossesNear(svx.body, svx.oneShot + svx.repeat, rising));
    QVERIFY2(view->accessibleDescription().contains(QStringLiteral("loop from byte %1, %2 bytes long")
                                                        .arg(QLocale(QLocale::English).toString(svx.oneShot),
                                                             QLocale(QLocale::English).toString(svx.repeat))),
             qPrintable(view->accessibleDescription()));
    QFile module(out.filePath("kit.mod"));
    QVERIFY(module.open(QIODevice::ReadOnly));
    const QByteArray header = module.read(20 + 30).mid(20);
    QCOMPARE(qint64(qFromBigEndian<quint16>(header.constData() + 26)), svx.oneShot / 2);
    QCOMPARE(qint64(qFromBigEndian<quint16>(header.constData() + 28)), svx.repeat / 2);

    // Undo, from the main window's menu or the waveform window's keys, goes
    // back step by step to the whole recording.
    QCOMPARE(useContextMenu(find<QWidget>("centralwidget"), "Undo Loop Selection of " + file).mid(0, 2),
             QStringList({"Undo Loop Selection of " + file, "Redo (disabled)"}));
    QVERIFY(pictured(view, "no loop"));
    QCOMPARE(sampleShape(list(), 0), cropped);
    press(Qt::Key_Z);
    QTRY_COMPARE_WITH_TIMEOUT(view->summary()->size(), 2 + qint64(57330 * 8779.0 / 44100 + .5) + 1, 10000);
    QVERIFY(sampleShape(list(), 0).isWhole());
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(pictured(view, "of the recording kept"));
    QCOMPARE(sampleShape(list(), 0), cropped);
}

void TestShaping::trimsTheSilenceAtTheEnds_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("file");
    QTest::newRow("in the waveform window") << "Ctrl+Shift+T" << "hit.wav";
    QTest::newRow("every sample, from the main window") << "Trim Silence of All Samples" << "hit.wav";
    QTest::newRow("every sample, within a crop by hand") << "Trim Silence of All Samples, cropped" << "hit.wav";
    QTest::newRow("from the command line") << "--trim-silence" << "hit.wav";
    QTest::newRow("from the command line, fitted") << "--fit" << "hit.wav";
    QTest::newRow("silent throughout, in the waveform window") << "Ctrl+Shift+T" << "hush.wav";
    QTest::newRow("silent throughout, every sample") << "Trim Silence of All Samples" << "hush.wav";
    QTest::newRow("silent throughout, from the command line") << "--trim-silence" << "hush.wav";
    QTest::newRow("with a higher threshold, from the command line") << "--trim-silence=70" << "hush.wav";
    QTest::newRow("stereo FLAC, in the waveform window") << "Ctrl+Shift+T" << "hit.flac";
    QTest::newRow("stereo AIFF, from the command line") << "--trim-silence" << "hit.aiff";
    QTest::newRow("an AIFF named .wav, every sample") << "Trim Silence of All Samples" << "aiff.wav";
    QTest::newRow("a big-endian RIFX named .wav, from the command line") << "--trim-silence" << "rifx.wav";
    QTest::newRow("NaN, in the waveform window") << "Ctrl+Shift+T" << "nan.wav";
}

void TestShaping::trimsTheSilenceAtTheEnds()
{
    QFETCH(QString, way);
    QFETCH(QString, file);
    const bool silent = file == "hush.wav" && way != "--trim-silence=70";
    QTemporaryDir out;
    SvxFile svx;
    QString said;
    if (way.startsWith("--")) {
        QProcess program;
        const QStringList options = way == "--fit" ? QStringList{"--trim-silence", "--fit", "--note", "A-3"} : QStringList{way};
        program.start(BRINDLEBOX_PROGRAM, QStringList{"--export", out.path()} + options + QStringList{dir.filePath(file)});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
        said = QString::fromLocal8Bit(program.readAllStandardError());
        svx = read8svx(out.filePath(exportFileName(file)));
    } else if (way == "Ctrl+Shift+T") {
        WaveformView *view = showWaveform(file);
        QVERIFY(view);
        press(Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(pictured(view, silent ? "is silent throughout" : "of the recording kept"));
        said = view->accessibleDescription();
        svx = exportSample(currentSample(list()), sampleShape(list(), 0)).file;
    } else {
        QVERIFY(loadSamples(*window, {dir.filePath(file), dir.filePath("tail.wav")}));
        // Cropped by hand to half the tone and the silence after it, which
        // is all that is looked through.
        SampleShape byHand;
        if (way.endsWith(", cropped")) {
            byHand.crop = SampleShape::Crop{qint64(0.6 * 44100), qint64(0.7 * 44100)};
            changeShape(window.get(), 0, byHand, "Crop to Selection");
        }
        ModalDriver driver;
        if (silent)
            driver.press(QMessageBox::Ok);
        useContextMenu(find<QWidget>("centralwidget"), way.section(',', 0, 0));
        QCOMPARE(driver.unexpected(), 0);
        said = driver.texts().join('\n');
        svx = exportSample(currentSample(list()), sampleShape(list(), 0)).file;
        // One step takes every sample back.
        QCOMPARE(useContextMenu(find<QWidget>("centralwidget")).value(0), "Undo Trim Silence of All Samples");
        QVERIFY(!sampleShape(list(), 1).isWhole());
        find<QAction>("actionUndo")->trigger();
        QVERIFY(sampleShape(list(), 0) == byHand && sampleShape(list(), 1).isWhole());
    }
    QVERIFY2(svx.problem.isEmpty(), qPrintable(svx.problem));
    const int rate = way == "--fit" ? noteFrequencies.value("A-3") : 8287;
    QCOMPARE(svx.samplesPerSec, rate);
    if (file == "hush.wav") {
        // Left whole, and said so.
        QCOMPARE(svx.bodySize, (2 + rate + 1) & ~1);
        QCOMPARE(said.contains("ilent throughout"), silent);
        return;
    }
    // The tone, and no more than the few milliseconds over which silence is
    // judged on either side.
    const qint64 tone = qint64((way.endsWith(", cropped") ? 0.3 : 0.6) * rate);
    QVERIFY2(svx.soundSize() >= tone && svx.soundSize() <= tone + 2 * rate / 200 + 2, qPrintable(QString::number(svx.soundSize())));
    QVERIFY(peakOf(svx.body, 2 + rate / 200 + 1, 20) > 20);
    QVERIFY(peakOf(svx.body, svx.bodySize - rate / 200 - 22, 20) > 20);
    QVERIFY2(!said.contains("silent"), qPrintable(said));
}

void TestShaping::saysWhatCannotBeShaped_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("view");   // what the waveform window says
    QTest::addColumn<QString>("report"); // what the export's report says
    QTest::newRow("a selection shorter than a word")
        << "select 1 byte, crop" << "The selection is shorter than a word (2 bytes): select more to crop to it." << "";
    QTest::newRow("a loop of a byte") << "select 1 byte, loop" << "A loop needs at least two bytes: select more to loop it."
                                      << "";
    QTest::newRow("a recording shorter on disk than its crop")
        << "crop, then shorten" << "pad.wav could not be converted: its recording has become shorter: it holds 22,050 frames"
        << "pad.wav: its recording has become shorter: it holds 22,050 frames";
    QTest::newRow("a loop outside the crop")
        << "loop, then crop past it" << "Its loop (frames 0 to "
        << "Their loops lie outside the part they keep, so they play once:\n\npad.wav: its loop (frames 0 to ";
}

void TestShaping::saysWhatCannotBeShaped()
{
    QFETCH(QString, what);
    QFETCH(QString, view);
    QFETCH(QString, report);
    QTemporaryDir work;
    const QString pad = work.filePath("pad.wav");
    QVERIFY(QFile::copy(dir.filePath("pad.wav"), pad));
    QVERIFY(loadSamples(*window, {pad}));
    useContextMenu(find<QWidget>("centralwidget"), "Show Waveform");
    auto *picture = find<WaveformView>("waveformView");
    QVERIFY(picture && QTest::qWaitForWindowActive(find<QWidget>("waveformWindow")) && pictured(picture));
    const qint64 size = picture->summary()->size();
    if (what.startsWith("select 1 byte")) {
        picture->select(size / 2, size / 2 + 1);
        press(what.endsWith("crop") ? Qt::Key_T : Qt::Key_L);
        QVERIFY(sampleShape(list(), 0).isWhole());
    } else if (what == "crop, then shorten") {
        picture->select(size / 2, size);
        press(Qt::Key_T);
        QVERIFY(pictured(picture, "of the recording kept"));
        QVERIFY(makeWav(pad, {"-r", "22050", "-c", "1", "-b", "16"}, {"synth", "1", "sine", "300"}));
        QTest::keyClick(find<QComboBox>("FrequencyCombo"), Qt::Key_Down);
    } else {
        picture->select(0, size / 4);
        press(Qt::Key_L);
        QVERIFY(pictured(picture, "loop from byte"));
        const qint64 looped = picture->summary()->size();
        picture->select(looped / 2, looped);
        press(Qt::Key_T);
    }
    QTRY_VERIFY2_WITH_TIMEOUT(picture->accessibleDescription().contains(view), qPrintable(picture->accessibleDescription()),
                              10000);
    if (report.isEmpty())
        return;
    QTemporaryDir out;
    ExportEngine engine(allSamples(list()), out.path(), 1);
    engine.setShapes(allShapes(list()));
    QSignalSpy finished(&engine, &ExportEngine::finished);
    engine.start();
    QVERIFY(finished.wait(30000));
    QVERIFY2(reportText(engine.report()).contains(report), qPrintable(reportText(engine.report())));
    // Restored whole, it is pictured again, with the recording's own loop.
    useContextMenu(picture, "Restore Whole Recording");
    QVERIFY(sampleShape(list(), 0).isWhole());
    QVERIFY(pictured(picture, "no loop"));
}

QTEST_MAIN(TestShaping)
#include "tst_shaping.moc"
