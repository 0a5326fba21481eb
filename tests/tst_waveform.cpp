#include "export.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "testsupport.h"
#include "waveformsupport.h"
#include "waveformview.h"

#include <QApplication>
#include <QCheckBox>
#include <QMediaPlayer>
#include <QWheelEvent>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

// The waveform window as a user meets it: opened from the context menu,
// looked at, and checked against what the export writes.

namespace {

/// The note the export's report ends with for a sample too long for a
/// tracker ("at E-3 or lower it fits"), or nothing.
QString fittingSaid(const QString &tooLong)
{
    // "...; at E-3 or lower it fits." or "...; it is too long even at C-1,
    // so only a shorter recording fits."
    return tooLong.isEmpty() ? QString() : tooLong.section("; ", -1).section(", so ", -1).chopped(1);
}

QString number(qint64 value)
{
    return QLocale(QLocale::English).toString(value);
}

/// How the numbers line gives the rate and length of \a svx: its bytes,
/// and the seconds they play at its rate.
QString rateAndLength(const SvxFile &svx)
{
    return QStringLiteral("%1 Hz · %2 bytes, %3 s · ")
        .arg(svx.samplesPerSec)
        .arg(number(svx.bodySize))
        .arg(double(svx.bodySize) / svx.samplesPerSec, 0, 'f', 2);
}

bool near(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) < 24;
}

} // namespace

class TestWaveform : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void picturesWhatTheExportWrites_data();
    void picturesWhatTheExportWrites();
    void followsTheShownSampleAndItsSettings();
    void showsWhyAConversionFailed();
    void drawsOneUnbrokenLine_data();
    void drawsOneUnbrokenLine();

private:
    template<typename T>
    T *find(const char *name) { return window->findChild<T *>(name); }
    Sample shown() { return currentSample(find<QComboBox>("sampleCombo")); }
    /// Loads \a files, picks \a note as a user does, opens the view and
    /// returns it once it pictures the first file at that note.
    QWidget *showWaveform(const QStringList &files, const QString &note = QStringLiteral("C-2"));
    QWidget *openView();

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

void TestWaveform::initTestCase()
{
    // Five seconds, looped from 0.5 s to 1.25 s: at A-3 past both limits.
    const QString looped = dir.filePath("looped.wav");
    QVERIFY(makeWav(looped, {"-r", "44100", "-c", "1", "-b", "16"}, {"synth", "5", "sine", "440"}));
    QVERIFY(appendRiffChunk(looped, "smpl", smplData(1, {{0, 22050, 55124}})));
    QVERIFY(makeWav(dir.filePath("oneshot.wav"), {"-r", "22050", "-c", "2", "-b", "16"}, {"synth", "0.5", "sine", "300"}));
    // Hiss far below any sound: Normalise makes a loud noise of it.
    QVERIFY(makeWav(dir.filePath("hiss.wav"), {"-r", "22050", "-c", "1", "-b", "16"}, {"synth", "0.5", "whitenoise", "gain", "-80"}));
    // Tones peaking at -43 and -52 dB: raised by 37 and 46 dB to -6 dB.
    for (const QString peak : {"43", "52"})
        QVERIFY(makeWav(dir.filePath("tone-" + peak + ".wav"), {"-r", "22050", "-c", "1", "-b", "16"},
                        {"synth", "0.5", "sine", "440", "gain", "-" + peak}));
}

void TestWaveform::init()
{
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestWaveform::cleanup()
{
    window.reset();
}

QWidget *TestWaveform::openView()
{
    useContextMenu(find<QWidget>("centralwidget"), "Show Waveform");
    auto *view = find<QWidget>("waveformView");
    return view && view->isVisible() ? view : nullptr;
}

QWidget *TestWaveform::showWaveform(const QStringList &files, const QString &note)
{
    QStringList paths;
    for (const QString &file : files)
        paths << dir.filePath(file);
    if (!loadSamples(*window, paths))
        return nullptr;
    chooseNote(*window, note);
    QWidget *view = openView();
    const QString expected = QStringLiteral("%1 · %2, ").arg(files.constFirst(), note);
    return view && QTest::qWaitFor([&] { return view->accessibleDescription().startsWith(expected); }, 10000) ? view
                                                                                                           : nullptr;
}

void TestWaveform::picturesWhatTheExportWrites_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("raised"); // the dB Normalise is said to raise it by; empty: nothing said
    QTest::newRow("looped, C-1, within both limits") << "looped.wav" << "C-1" << "";
    QTest::newRow("looped, A-3, past both limits") << "looped.wav" << "A-3" << "";
    QTest::newRow("one-shot") << "oneshot.wav" << "F#2" << "";
    QTest::newRow("raised far by Normalise") << "hiss.wav" << "C-2" << "\\d+";
    QTest::newRow("raised by 37 dB, not far") << "tone-43.wav" << "C-2" << "";
    QTest::newRow("raised by 46 dB, far") << "tone-52.wav" << "C-2" << "46";
}

void TestWaveform::picturesWhatTheExportWrites()
{
    QFETCH(QString, file);
    QFETCH(QString, note);
    QFETCH(QString, raised);
    QWidget *view = showWaveform({file}, note);
    QVERIFY(view);
    const ExportedSample exported = exportSample(shown());
    const SvxFile &svx = exported.file;
    QVERIFY2(svx.problem.isEmpty(), qPrintable(svx.problem));

    // The numbers, as the line under the picture and a screen reader give them.
    const QString line = find<QLabel>("waveformNumbers")->text();
    QCOMPARE(view->accessibleDescription(), line);
    QVERIFY2(line.contains(rateAndLength(svx)), qPrintable(line));
    const QString loop = svx.repeat ? QStringLiteral("loop from byte %1, %2 bytes long").arg(number(svx.oneShot), number(svx.repeat))
                                    : QStringLiteral("no loop");
    QVERIFY2(line.contains(loop), qPrintable(line));
    // How far Normalise raised it, as the report says it, when that was far.
    QCOMPARE(exported.noise.isEmpty(), raised.isEmpty());
    QVERIFY2(raised.isEmpty()
                 || exported.noise.contains(QRegularExpression("^" + QRegularExpression::escape(file) + ": raised by "
                                                               + raised + " dB: it may be mostly noise$")),
             qPrintable(exported.noise));
    QVERIFY2(exported.noise.isEmpty() || line.contains(" · " + exported.noise.section(": ", 1)), qPrintable(line));
    // Past what a module holds, the keys play it cut there, and say so.
    QCOMPARE(line.contains(" · the keys play it cut at 131,070 bytes, as a module holds it"), svx.bodySize > 131070);
    if (exported.tooLong.isEmpty())
        QVERIFY2(!line.contains("too long"), qPrintable(line));
    else
        QVERIFY2(line.endsWith(fittingSaid(exported.tooLong)), qPrintable(line + " / " + exported.tooLong));

    // The picture is the file's BODY, byte for byte, and zoomed in on its
    // start it draws the first bytes where they are.
    auto *waveform = static_cast<WaveformView *>(view);
    QCOMPARE(waveform->summary()->body, svx.body);
    // What the keys play of it is the file's too: its loop and rate.
    const KitSample heard = kitSample(*waveform->summary(), file);
    QCOMPARE(heard.body, svx.body);
    QCOMPARE(heard.loopStart, svx.repeat ? svx.oneShot : 0);
    QCOMPARE(heard.loopLength, svx.repeat);
    QCOMPARE(heard.rate, svx.samplesPerSec);
    for (int notch = 0; notch < 40; ++notch) {
        QWheelEvent wheel(QPointF(0, 10), view->mapToGlobal(QPointF(0, 10)), {}, {0, 120}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
    }
    const QImage start = view->grab().toImage();
    const double middle = (start.height() - 1) / 2.0;
    for (int byte = 0; byte < 12; ++byte) {
        const int expected = qRound(middle - qint8(svx.body.at(byte)) * middle / 128);
        bool drawn = false;
        for (int y = expected - 3; y <= expected + 3; ++y)
            drawn = drawn || near(start.pixelColor(32 * byte + 16, y), view->palette().color(QPalette::WindowText));
        QVERIFY2(drawn, qPrintable(QString::number(byte)));
    }
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(5, 5), view->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                            Qt::LeftButton, {});
    QApplication::sendEvent(view, &doubleClick);

    const QImage picture = view->grab().toImage();
    const int height = picture.height();
    const auto columnOf = [&](qint64 byte) { return int(byte * picture.width() / svx.bodySize); };
    const QColor highlight = view->palette().color(QPalette::Highlight);
    const QColor ink = view->palette().color(QPalette::WindowText);
    // Above the wave, which normalised stays within the middle half.
    const auto shaded = [&](int column) { return picture.pixelColor(column, height / 10) == highlight; };
    const qint64 loopStart = svx.repeat ? svx.oneShot : svx.bodySize / 2;
    const qint64 loopEnd = svx.repeat ? svx.oneShot + svx.repeat : svx.bodySize / 2;
    QCOMPARE(shaded(columnOf((loopStart + loopEnd) / 2)), svx.repeat > 0);
    if (svx.repeat) {
        QVERIFY(shaded(columnOf(loopStart) + 2));
        QVERIFY(shaded(columnOf(loopEnd - 1) - 2));
        QVERIFY(!shaded(columnOf(loopStart) - 2));
        QVERIFY(!shaded(columnOf(loopEnd) + 2));
    }

    // A mark is ink in the strip below the wave.
    const auto marked = [&](int column) {
        for (int y = height * 17 / 20; y < height - 1; ++y) {
            if (near(picture.pixelColor(column, y), ink))
                return true;
        }
        return false;
    };
    for (const qint64 limit : {65534, 131070}) {
        if (limit >= svx.bodySize)
            continue;
        const int at = columnOf(limit);
        QVERIFY2(marked(at - 1) || marked(at) || marked(at + 1), qPrintable(QString::number(limit)));
        QVERIFY(!marked(at - 6) && !marked(at + 6));
    }
    // The wave crosses the middle of every column: plain before the second
    // limit, dimmed past it.
    if (svx.bodySize > 131070) {
        QCOMPARE(picture.pixelColor(columnOf((loopEnd + 65534) / 2), height / 2), ink);
        const QColor past = picture.pixelColor(columnOf((131070 + svx.bodySize) / 2), height / 2);
        QVERIFY(!near(past, ink) && !near(past, view->palette().color(QPalette::Window)));
    }
}

void TestWaveform::followsTheShownSampleAndItsSettings()
{
    QWidget *view = showWaveform({"looped.wav", "oneshot.wav"});
    QVERIFY(view);
    QPointer<QWidget> waveform = find<QWidget>("waveformWindow");
    QCOMPARE(waveform->windowTitle(), "Waveform — looped.wav");

    // Each change is pictured as the export then writes it, byte for byte.
    const auto agreesWithExport = [&] {
        const SvxFile svx = exportSample(shown()).file;
        return QTest::qWaitFor(
            [&] {
                const WaveformSummary *summary = static_cast<WaveformView *>(view)->summary();
                return view->accessibleDescription().contains(rateAndLength(svx)) && summary && summary->body == svx.body;
            },
            5000);
    };
    QTest::keyClick(find<QComboBox>("FrequencyCombo"), Qt::Key_Down);
    QVERIFY2(agreesWithExport(), qPrintable(view->accessibleDescription()));
    find<QCheckBox>("NormaliseCheckbox")->click();
    QVERIFY2(agreesWithExport(), qPrintable(view->accessibleDescription()));

    QTest::keyClick(find<QComboBox>("sampleCombo"), Qt::Key_Down);
    QCOMPARE(waveform->windowTitle(), "Waveform — oneshot.wav");
    QVERIFY2(agreesWithExport(), qPrintable(view->accessibleDescription()));
    QVERIFY(view->accessibleDescription().startsWith("oneshot.wav · C-2,"));

    // While a preview of the shown sample plays, a line moves along it.
    find<QPushButton>("previewButton")->click();
    auto *player = window->findChild<QMediaPlayer *>();
    QVERIFY(player);
    QTRY_COMPARE(player->playbackState(), QMediaPlayer::PlayingState);
    const QImage playing = view->grab().toImage();
    QTRY_VERIFY(view->grab().toImage() != playing);

    // Closed, it goes; chosen again, it comes back with the shown sample.
    waveform->close();
    QTRY_VERIFY(waveform.isNull());
    view = openView();
    QVERIFY(view);
    QVERIFY(agreesWithExport());
}

void TestWaveform::showsWhyAConversionFailed()
{
    // The file goes after it was loaded.
    const QString gone = dir.filePath("gone.wav");
    QVERIFY(QFile::copy(dir.filePath("oneshot.wav"), gone));
    QVERIFY(loadSamples(*window, {gone}));
    QVERIFY(QFile::remove(gone));
    ModalDriver driver;
    driver.press(QMessageBox::Ok);
    find<QPushButton>("previewButton")->click();
    const QString previewSaid = driver.texts().value(0).section(": ", 1);

    QWidget *view = openView();
    QVERIFY(view);
    QTRY_COMPARE(view->accessibleDescription(), "gone.wav could not be converted: " + previewSaid);
    QCOMPARE(driver.unexpected(), 0);
    // Said in the picture's own area.
    const QImage picture = view->grab().toImage();
    int drawn = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            drawn += !near(picture.pixelColor(x, y), view->palette().color(QPalette::Window));
    }
    QVERIFY2(drawn > 500, qPrintable(QString::number(drawn)));
}

void TestWaveform::drawsOneUnbrokenLine_data()
{
    // How many bytes a pixel column holds once zoomed to a selection.
    QTest::addColumn<double>("bytesPerPixel");
    QTest::newRow("a byte and a half") << 1.5;
    QTest::newRow("three bytes") << 3.0;
    QTest::newRow("the whole sample") << 0.0;
}

void TestWaveform::drawsOneUnbrokenLine()
{
    QFETCH(double, bytesPerPixel);
    // A clap: 0.2 s of noise, each byte far from the one before.
    QVERIFY(makeWav(dir.filePath("clap.wav"), {"-r", "44100", "-c", "1", "-b", "16"}, {"synth", "0.2", "whitenoise"}));
    auto *view = static_cast<WaveformView *>(showWaveform({"clap.wav"}, "A-3"));
    QVERIFY(view);
    auto *waveform = find<QWidget>("waveformWindow");
    if (bytesPerPixel > 0) {
        view->select(0, qint64(view->width() * bytesPerPixel));
        QTest::keySequence(waveform, QKeySequence("Ctrl+E"));
        QCOMPARE(view->bytesPerPixel(), bytesPerPixel);
        QTest::keyClick(waveform, Qt::Key_Escape);
    }
    QVERIFY(!view->hasSelection());
    // Each column's stroke reaches the next column's: the ink of every two
    // neighbouring columns overlaps or touches.
    const QImage picture = view->grab().toImage();
    const QColor ink = view->palette().color(QPalette::WindowText);
    const auto inked = [&](int x) {
        int top = -1, bottom = -1;
        for (int y = 0; y < picture.height(); ++y) {
            if (picture.pixelColor(x, y) == ink) {
                if (top < 0)
                    top = y;
                bottom = y;
            }
        }
        return std::make_pair(top, bottom);
    };
    const int columns = qMin<int>(picture.width(), int(view->summary()->size() / qMax(view->bytesPerPixel(), 1.0))) - 1;
    for (int x = 0; x + 1 < columns; ++x) {
        const auto [top, bottom] = inked(x);
        const auto [nextTop, nextBottom] = inked(x + 1);
        QVERIFY2(top >= 0 && nextTop >= 0 && nextTop <= bottom + 1 && top <= nextBottom + 1,
                 qPrintable(QStringLiteral("column %1: %2 to %3, then %4 to %5").arg(x).arg(top).arg(bottom).arg(nextTop).arg(nextBottom)));
    }
}

QTEST_MAIN(TestWaveform)
#include "tst_waveform.moc"
