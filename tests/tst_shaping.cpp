#include "exportengine.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "notetable.h"
#include "kithistory.h"
#include "testsupport.h"
#include "waveformsupport.h"
#include "waveformview.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

// Shaping a sample by eye, as in a tracker's sample editor: select on the
// picture, crop, loop, trim the silence, take it back; and what the export
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

class TestShaping : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cropsAndLoopsWhatIsSelected_data();
    void cropsAndLoopsWhatIsSelected();
    void selectsAsInASampleEditor_data();
    void selectsAsInASampleEditor();
    void trimsTheSilenceAtTheEnds_data();
    void trimsTheSilenceAtTheEnds();
    void saysWhatCannotBeShaped_data();
    void saysWhatCannotBeShaped();
    void keepsWhatItShowedAcrossAChange();
    void offersEveryActionInItsMenus();

private:
    template<typename T>
    T *find(const char *name) { return window->findChild<T *>(name); }
    QComboBox *list() { return find<QComboBox>("sampleCombo"); }
    /// Loads \a file, opens the waveform window and returns its view once
    /// it pictures the file.
    WaveformView *showWaveform(const QString &file);
    /// Waits until the picture is of the sample as it now is, and its
    /// numbers contain \a says.
    bool pictured(WaveformView *view, const QString &says = QString());
    /// Presses \a key with \a modifiers in the waveform window.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier);
    int xOf(WaveformView *view, qint64 byte) const
    {
        return int(byte * view->width() / view->summary()->size());
    }

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

void TestShaping::initTestCase()
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

void TestShaping::init()
{
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestShaping::cleanup()
{
    window.reset();
}

WaveformView *TestShaping::showWaveform(const QString &file)
{
    if (!loadSamples(*window, {dir.filePath(file)}))
        return nullptr;
    WaveformView *view = openWaveform(*window);
    return view && pictured(view) ? view : nullptr;
}

bool TestShaping::pictured(WaveformView *view, const QString &says)
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

void TestShaping::press(int key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(find<QWidget>("waveformWindow"), Qt::Key(key), modifiers);
}

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

void TestShaping::selectsAsInASampleEditor_data()
{
    // Each step: "drag A B", "shift-click A", "click A", "double-click A"
    // at those tenths of the view's width, or a key. The selection after,
    // in tenths; nothing: none.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<bool>("zoomed"); // in the end, a part of the sample shown
    QTest::newRow("drag") << QStringList{"drag 2 5"} << QList<int>{2, 5} << false;
    QTest::newRow("drag leftwards") << QStringList{"drag 6 3"} << QList<int>{3, 6} << false;
    QTest::newRow("shift-click extends") << QStringList{"drag 2 5", "shift-click 8"} << QList<int>{2, 8} << false;
    QTest::newRow("an edge dragged") << QStringList{"drag 2 5", "drag 5 7"} << QList<int>{2, 7} << false;
    QTest::newRow("a click clears") << QStringList{"drag 2 5", "click 8"} << QList<int>{} << false;
    QTest::newRow("Escape clears") << QStringList{"drag 2 5", "Escape"} << QList<int>{} << false;
    QTest::newRow("Ctrl+A selects all") << QStringList{"Ctrl+A"} << QList<int>{0, 10} << false;
    QTest::newRow("the wheel zooms around the pointer and keeps it") << QStringList{"drag 2 5", "wheel 7"}
                                                                      << QList<int>{2, 5} << true;
    QTest::newRow("a double-click shows it whole and keeps it") << QStringList{"drag 2 5", "wheel 3", "double-click 8"}
                                                               << QList<int>{2, 5} << false;
}

void TestShaping::selectsAsInASampleEditor()
{
    QFETCH(QStringList, steps);
    QFETCH(QList<int>, selected);
    QFETCH(bool, zoomed);
    WaveformView *view = showWaveform("pad.wav");
    QVERIFY(view);
    const qint64 size = view->summary()->size();
    // Nothing to crop, loop, restore or undo yet.
    QCOMPARE(useContextMenu(view),
             QStringList({"Select All", "Clear Selection (disabled)", "", "Crop to Selection (disabled)",
                          "Loop Selection (disabled)", "Clear Loop (disabled)", "Crossfade Loop… (disabled)",
                          "Remove Crossfade (disabled)", "Trim Silence",
                          "Restore Whole Recording (disabled)", "", "Add Slice Marker",
                          "Remove Slice Marker (disabled)", "Slice at Hits…", "Slice at Silences",
                          "Slice into Equal Parts…", "Clear Slice Markers (disabled)", "Slices to Samples (disabled)", "",
                          "Undo (disabled)", "Redo (disabled)", "", "Amiga Sound"}));

    const int y = view->height() / 2;
    const auto at = [&](const QString &step, int word) { return QPoint(step.section(' ', word, word).toInt() * view->width() / 10, y); };
    for (const QString &step : steps) {
        if (step.startsWith("drag")) {
            QTest::mousePress(view, Qt::LeftButton, {}, at(step, 1));
            QTest::mouseMove(view, at(step, 2));
            QTest::mouseRelease(view, Qt::LeftButton, {}, at(step, 2));
        } else if (step.startsWith("shift-click")) {
            QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, at(step, 1));
        } else if (step.startsWith("click")) {
            QTest::mouseClick(view, Qt::LeftButton, {}, at(step, 1));
        } else if (step.startsWith("double-click")) {
            QTest::mouseDClick(view, Qt::LeftButton, {}, at(step, 1));
        } else if (step.startsWith("wheel")) {
            // The byte under the pointer stays under it.
            const auto *scroll = find<QScrollBar>("waveformScroll");
            const auto under = [&] { return scroll->value() + double(at(step, 1).x()) * scroll->pageStep() / view->width(); };
            const double before = under();
            QWheelEvent wheel(at(step, 1), view->mapToGlobal(at(step, 1)), {}, {0, 240}, Qt::NoButton, {},
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(view, &wheel);
            QVERIFY2(qAbs(under() - before) <= 2 + double(scroll->pageStep()) / view->width(),
                     qPrintable(QStringLiteral("%1 became %2").arg(before).arg(under())));
        } else if (step == "Escape") {
            press(Qt::Key_Escape, {});
        } else if (step == "Ctrl+A") {
            press(Qt::Key_A);
        }
    }
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QCOMPARE(find<QScrollBar>("waveformScroll")->isEnabled(), zoomed);
    if (selected.isEmpty()) {
        QVERIFY(!view->hasSelection());
        QVERIFY(!view->accessibleDescription().contains("selection"));
        return;
    }
    const qint64 bytesPerTenth = size / 10;
    QVERIFY2(qAbs(view->selectionStart() - selected.at(0) * bytesPerTenth) <= size / 100
                 && qAbs(view->selectionEnd() - selected.at(1) * bytesPerTenth) <= size / 100,
             qPrintable(QStringLiteral("%1 to %2 of %3").arg(view->selectionStart()).arg(view->selectionEnd()).arg(size)));
    QVERIFY(useContextMenu(view).contains("Crop to Selection"));

    // Drawn so that it cannot be taken for a loop: lighter than the loop's
    // shading, with a frame of the loop's colour.
    if (steps.constLast().startsWith("wheel"))
        return;
    const QImage picture = view->grab().toImage();
    const QColor highlight = view->palette().color(QPalette::Highlight);
    const int middle = (xOf(view, view->selectionStart()) + xOf(view, view->selectionEnd())) / 2;
    const QColor inside = picture.pixelColor(middle, view->height() / 10);
    QVERIFY(inside != highlight && inside != view->palette().color(QPalette::Window));
    QCOMPARE(picture.pixelColor(middle, 1), highlight);
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

void TestShaping::keepsWhatItShowedAcrossAChange()
{
    // 2 s at C-2: 16,576 bytes, the first two silent.
    WaveformView *view = showWaveform("pad.wav");
    QVERIFY(view);
    // Zoomed in on bytes 4,002 to 6,002, to look at what is about to be cut.
    view->select(4002, 6002);
    press(Qt::Key_E);
    const double bytesPerPixel = view->bytesPerPixel();
    QCOMPARE(view->firstShown(), 4002.0);
    // Cropped from byte 2,002 on: the same sound is now 2,000 bytes in, after
    // the silent word, at the same zoom.
    view->select(2002, 12002);
    press(Qt::Key_T);
    QVERIFY(pictured(view, "of the recording kept"));
    QVERIFY2(qAbs(view->firstShown() - 2002) <= 1, qPrintable(QString::number(view->firstShown())));
    QCOMPARE(view->bytesPerPixel(), bytesPerPixel);
    // Looped, it has no silent word: the same sound two bytes earlier.
    view->select(1000, 8000);
    press(Qt::Key_L);
    QVERIFY(pictured(view, "loop from byte"));
    QVERIFY2(qAbs(view->firstShown() - 2000) <= 1, qPrintable(QString::number(view->firstShown())));
    QCOMPARE(view->bytesPerPixel(), bytesPerPixel);
    // Cropped to a part without it, the whole sample shows.
    view->select(6000, 9000);
    press(Qt::Key_T);
    QTRY_VERIFY_WITH_TIMEOUT(pictured(view) && view->summary()->size() < 4000, 10000);
    QVERIFY(view->showsWhole());
}

void TestShaping::offersEveryActionInItsMenus()
{
    WaveformView *view = showWaveform("pad.wav");
    QVERIFY(view);
    view->select(100, 200);
    QStringList menus;
    for (QAction *title : find<QMenuBar>("waveformMenus")->actions()) {
        QStringList entries;
        for (QAction *entry : title->menu()->actions()) {
            const QString keys = entry->shortcut().toString();
            entries << entry->text() + (keys.isEmpty() ? QString() : " (" + keys + ")");
            // No key of a letter or a digit alone: those play notes.
            QVERIFY2(keys.isEmpty() || keys.contains('+') || keys.size() > 2 || !keys.at(0).isLetterOrNumber(), qPrintable(keys));
        }
        menus << title->text() + ": " + entries.join(", ");
    }
    QCOMPARE(menus, QStringList({"&Edit: Undo (Ctrl+Z), Redo (Ctrl+Shift+Z), , Select All (Ctrl+A), Clear Selection (Esc), , "
                                 "Crop to Selection (Ctrl+T), Loop Selection (Ctrl+L), Clear Loop, Crossfade Loop…, "
                                 "Remove Crossfade, Trim Silence (Ctrl+Shift+T), Restore Whole Recording",
                                 "&View: Zoom to Selection (Ctrl+E), Show Whole Sample (Ctrl+Shift+E)",
                                 "S&lice: Add Slice Marker (Ctrl+M), Remove Slice Marker (Del), Slice at Hits…, "
                                 "Slice at Silences, Slice into Equal Parts…, Clear Slice Markers, Slices to Samples",
                                 "S&ound: Amiga Sound",
                                 "&Kit: Open Kit… (Ctrl+O), Save Kit… (Ctrl+S), Show Kit (Ctrl+K), Export Kit as Module…, , "
                                 "Clear All (Ctrl+W)"}));
    // Show Whole Sample after Zoom to Selection.
    press(Qt::Key_E);
    QVERIFY(!view->showsWhole());
    press(Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(view->showsWhole());
}

QTEST_MAIN(TestShaping)
#include "tst_shaping.moc"
