#include "kithistory.h"
#include "modaldriver.h"
#include "slicingfixture.h"
#include "testsupport.h"

#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QMouseEvent>
#include <QTest>
#include <QUndoStack>
#include <QtEndian>

// Slicing one recording into a kit in the waveform window, as a user meets
// it: markers set at its silences or in equal parts (its hits: tst_slicehits),
// moved and removed by hand, and the slices made samples that export exactly.

namespace {

/// Moves the pointer over \a view to \a at, no button held.
void hover(QWidget *view, const QPoint &at)
{
    QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
}

} // namespace

class TestSlicing : public QObject, private SlicingFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { makeRecordings(); }
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }
    void slicesAtSilencesIntoOneSampleEach();
    void cutsIntoEqualPartsEndToEnd();
    void marksByHand();
    void saysWhenTheRecordingChanged();
};

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

QTEST_MAIN(TestSlicing)
#include "tst_slicing.moc"
