// Edits that reach every sample at once, from the context menu of the
// window's controls: a kit mostly shares one set of settings, and only the
// odd sample needs its own.

#include "mainwindow.h"
#include "mainwindowform.h"
#include "notetable.h"
#include "sample.h"
#include "kithistory.h"
#include "kitplayer.h"
#include "waveformwindow.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QToolTip>
#include <QUndoStack>

void MainWindow::connectBatchMenu()
{
    // Some controls keep a right-click to themselves, so the window never
    // hears of it: an enabled combo box, which shows nothing, and a disabled
    // button or check box, as all of them are while nothing is loaded.
    // Those are caught on their way in.
    ui->sampleCombo->installEventFilter(this);
    ui->FrequencyCombo->installEventFilter(this);
    for (QAbstractButton *button : ui->centralwidget->findChildren<QAbstractButton *>())
        button->installEventFilter(this);
}

void MainWindow::connectKitHistory()
{
    // The window's own actions, not the File menu's: the form stays as it is,
    // and the keys work wherever the window is, its controls disabled too.
    QUndoStack *history = kitHistory(this);
    QAction *undo = history->createUndoAction(this);
    undo->setObjectName(QStringLiteral("actionUndo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction *redo = history->createRedoAction(this);
    redo->setObjectName(QStringLiteral("actionRedo"));
    redo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    addActions({undo, redo});
    // A step of the history may change the shown sample's settings (a note
    // fitting chose, say), or bring samples into an empty list: the controls
    // show it as it now is. Only Clear All locks them again, as ever.
    connect(history, &QUndoStack::indexChanged, this, [this] {
        if (ui->sampleCombo->count() > 0)
            ui->centralwidget->setEnabled(true);
        refreshControls();
    });
}

void MainWindow::contextMenuEvent(QContextMenuEvent *event)
{
    // Right-clicks the other controls leave alone come up here, and so does
    // the Menu key; those over the menu bar and the status bar get no menu.
    if (!ui->centralwidget->geometry().contains(event->pos())) {
        QMainWindow::contextMenuEvent(event);
        return;
    }
    event->accept();
    showBatchMenu(event->globalPos());
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The frequency list's tip names the note shown as the trackers that
    // count octaves otherwise name it, below the tip the list has.
    if (event->type() == QEvent::ToolTip && watched == ui->FrequencyCombo && ui->FrequencyCombo->currentIndex() >= 0) {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(),
                           ui->FrequencyCombo->toolTip() + u'\n' + noteDescription(ui->FrequencyCombo->currentText()),
                           ui->FrequencyCombo);
        return true;
    }
    if (event->type() == QEvent::ContextMenu && watched->isWidgetType()
        && ui->centralwidget->isAncestorOf(static_cast<QWidget *>(watched))) {
        showBatchMenu(static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showBatchMenu(const QPoint &globalPos)
{
    QMenu menu(this);
    menu.addAction(findChild<QAction *>(QStringLiteral("actionUndo")));
    menu.addAction(findChild<QAction *>(QStringLiteral("actionRedo")));
    menu.addSeparator();
    addKitListEntries(menu);
    menu.addSeparator();
    const bool haveSamples = ui->sampleCombo->count() > 0;
    const auto addEntry = [&](const QString &text, const std::function<void()> &edit) {
        QAction *entry = menu.addAction(text);
        entry->setEnabled(haveSamples);
        connect(entry, &QAction::triggered, this, edit);
    };
    addEntry(tr("Apply These Settings to All Samples"), [this] { applySettingsToAll(); });
    addEntry(tr("Mark All Ready"), [this] { markAllReady(true); });
    addEntry(tr("Mark All Not Ready"), [this] { markAllReady(false); });
    addEntry(tr("Trim Silence of All Samples"), [this] { trimSilenceOfAllSamples(); });
    addEntry(tr("Fit Notes to Tracker Length"), [this] { fitNotesToTrackerLength(); });
    menu.addAction(findChild<QAction *>(QStringLiteral("actionFit_Kit_into_Size")));
    menu.addAction(findChild<QAction *>(QStringLiteral("actionOpen_Kit")));
    menu.addAction(findChild<QAction *>(QStringLiteral("actionSave_Kit")));
    menu.addAction(findChild<QAction *>(QStringLiteral("actionExport_Kit_as_Module")));
    addEntry(tr("Play Kit as Module"), [this] { playKitAsModule(); });
    // Ticked while the kit plays: choosing it again stops it.
    menu.actions().constLast()->setCheckable(true);
    menu.actions().constLast()->setChecked(findChild<KitPlayer *>(QStringLiteral("kitPlayer"))->isPlaying());
    menu.addSeparator();
    menu.addAction(findChild<QAction *>(QStringLiteral("actionShow_Kit")));
    addEntry(tr("Show Waveform"), [this] { showWaveformWindow(this); });
    menu.exec(globalPos);
}

void MainWindow::applySettingsToAll()
{
    // How a sample is converted travels; which file it is and whether the
    // user has checked it stay with each sample.
    const Sample settings = currentSample(ui->sampleCombo);
    const QList<Sample> samples = allSamples(ui->sampleCombo);
    for (int i = 0; i < samples.size(); ++i) {
        Sample sample = samples.at(i);
        sample.normalise = settings.normalise;
        sample.lowCut = settings.lowCut;
        sample.lowCutFrequency = settings.lowCutFrequency;
        sample.highCut = settings.highCut;
        sample.highCutFrequency = settings.highCutFrequency;
        sample.note = settings.note;
        storeSample(ui->sampleCombo, i, sample);
    }
}

void MainWindow::markAllReady(bool ready)
{
    const QList<Sample> samples = allSamples(ui->sampleCombo);
    for (int i = 0; i < samples.size(); ++i) {
        Sample sample = samples.at(i);
        sample.ready = ready;
        storeSample(ui->sampleCombo, i, sample);
        relabelSample(ui->sampleCombo, i, sample);
    }
}
