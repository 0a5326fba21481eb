#include "waveformsupport.h"

#include "mainwindow.h"
#include "testsupport.h"
#include "waveformview.h"

#include <QComboBox>
#include <QTest>

void chooseNote(MainWindow &window, const QString &note)
{
    auto *notes = window.findChild<QComboBox *>("FrequencyCombo");
    QTest::keyClick(notes, Qt::Key_Home);
    while (notes->currentText() != note && notes->currentIndex() < notes->count() - 1)
        QTest::keyClick(notes, Qt::Key_Down);
}

WaveformView *openWaveform(MainWindow &window)
{
    useContextMenu(window.findChild<QWidget *>("centralwidget"), "Show Waveform");
    auto *view = window.findChild<WaveformView *>("waveformView");
    auto *waveform = window.findChild<QWidget *>("waveformWindow");
    if (!view || !waveform || !QTest::qWaitForWindowActive(waveform))
        return nullptr;
    return QTest::qWaitFor([view] { return view->summary() != nullptr; }, 10000) ? view : nullptr;
}
