#include "shapingfixture.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

// Selecting on the waveform window's picture as in a tracker's sample
// editor, zooming, keeping what it showed across a change, and its menus.

class TestSelection : public QObject, private ShapingFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { makeRecordings(); }
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }
    void selectsAsInASampleEditor_data();
    void selectsAsInASampleEditor();
    void keepsWhatItShowedAcrossAChange();
    void menuKeysLeaveTheNotesFree();
};

void TestSelection::selectsAsInASampleEditor_data()
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

void TestSelection::selectsAsInASampleEditor()
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

void TestSelection::keepsWhatItShowedAcrossAChange()
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

void TestSelection::menuKeysLeaveTheNotesFree()
{
    WaveformView *view = showWaveform("pad.wav");
    QVERIFY(view);
    view->select(100, 200);
    for (QAction *title : find<QMenuBar>("waveformMenus")->actions()) {
        for (QAction *entry : title->menu()->actions()) {
            // No key of a letter or a digit alone: those play notes.
            const QString keys = entry->shortcut().toString();
            QVERIFY2(keys.isEmpty() || keys.contains('+') || keys.size() > 2 || !keys.at(0).isLetterOrNumber(), qPrintable(keys));
        }
    }
    // Show Whole Sample after Zoom to Selection.
    press(Qt::Key_E);
    QVERIFY(!view->showsWhole());
    press(Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(view->showsWhole());
}

QTEST_MAIN(TestSelection)
#include "tst_selection.moc"
