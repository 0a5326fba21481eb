#pragma once

#include "sample.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>

class QCloseEvent;
class QContextMenuEvent;
class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QMenu;
struct Kit;
struct MainWindowForm;

/// The program's one window. Its handlers are bound to the form's widgets by
/// name (on_<object>_<signal>) and live beside the subsystem they belong to:
/// loading, editing and batch editing in src/editing, preview and export in
/// src/convert.
/// Every loaded file's settings live in the form's sample list.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    /// Loads \a paths as Load Samples loads the files chosen in its dialog,
    /// asking first if samples are loaded, each with \a settings (the
    /// command line's options) and, when found in a folder, where it lay
    /// there (\a origins, in the same order), which Export keeps. Returns
    /// whether the list was replaced. The command line and drops use it.
    bool loadFiles(const QStringList &paths, const Sample &settings = Sample(),
                   const QList<FoundFile> &origins = {});
    /// Replaces the list with \a kit's samples, each with its own settings,
    /// shape and subfolder, as Open Kit does: asking first if samples are
    /// loaded; the kit's output directory, when it keeps one, becomes
    /// Export's. Returns whether the list was replaced. The command line
    /// uses it.
    bool loadKit(const Kit &kit);
    /// Counts \a files in the folders the loaded samples came from that are
    /// not sound files, for Export's report; the command line uses it.
    void noteFilesNotSound(qsizetype files);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void on_actionQuit_triggered();
    void on_actionLoad_Samples_triggered();
    void closeEvent(QCloseEvent *event) override;
    void on_browseButton_clicked();
    void on_sampleCombo_currentIndexChanged(int index);
    void on_NormaliseCheckbox_clicked();
    void on_lowCutCheckbox_clicked();
    void on_highCutCheckbox_clicked();
    void on_lowCutSlider_sliderMoved(int position);
    void on_highCutSlider_sliderMoved(int position);
    void on_actionClear_All_triggered();
    void on_readyButton_clicked();
    void on_previewButton_clicked();
    void on_FrequencyCombo_activated(int index);
    void on_ExportButton_clicked();

private:
    void confirmQuit();
    bool confirmDiscardSamples();
    bool startNewSampleList();
    void appendSamples(const QStringList &paths, const Sample &settings = Sample(),
                       const QList<FoundFile> &origins = {});
    /// Loads what was dropped, each folder standing for the sound files under
    /// it, which are looked for away from the window's thread.
    void loadDropped(const QStringList &paths);
    void refreshControls();
    void updateCutSliders();
    /// Lets every move of a cut slider by the user reach its handler, not
    /// only drags.
    void connectCutSliderActions();
    /// Lets a right-click open the batch menu over the controls that keep
    /// it to themselves, too.
    void connectBatchMenu();
    /// Undo and Redo of every change to the kit, with their keys, for the
    /// batch menu and the window; the controls follow what a step changes.
    void connectKitHistory();
    /// Show Kit (Ctrl+K), and Export Kit as Module and Fit Kit into Size as
    /// actions that the kit window and the waveform window offer too
    /// (src/kit/kitmainwindow.cpp).
    void connectKitWindow();
    /// Adding, removing, moving, renaming and duplicating samples, for the
    /// batch menu.
    void addKitListEntries(QMenu &menu);
    /// The menu of edits that reach every sample, opened at \a globalPos.
    void showBatchMenu(const QPoint &globalPos);
    void applySettingsToAll();
    void markAllReady(bool ready);
    /// Cuts the silence at both ends of every sample, as one step that Undo
    /// takes back, and says which could not be trimmed.
    void trimSilenceOfAllSamples();
    /// Lowers each sample's note, where it must, until a classic tracker
    /// plays it whole, and says which it lowered.
    void fitNotesToTrackerLength();
    /// Lowers the notes, longest sounds first or all under one ceiling, as
    /// one step of the kit's history, until the module Export Kit as Module
    /// would write takes at most a size the user chooses.
    void fitKitIntoSize();
    /// Writes every sample into one module file that trackers open whole.
    void exportKitAsModule();
    /// The kit's player, and Escape to stop it while it plays.
    void connectKitPlaying();
    /// Plays the module Export Kit as Module would write, writing no file;
    /// stops it when it plays.
    void playKitAsModule();
    /// Open Kit and Save Kit, with their keys, for the batch menu and the
    /// window; Save Kit only while there are samples.
    void connectKitDocuments();
    /// Asks for a kit file, reads and checks it whole away from the window's
    /// thread, and only then asks to replace the list.
    void openKitFile();
    /// Writes every sample's recording, settings, shape and subfolder, and
    /// the output directory, into a kit file the user chooses.
    void saveKitFile();

    /// The read-modify-write of every edit: applies \a edit to a copy of the
    /// current entry's Sample and stores the copy back; does nothing while
    /// the list is empty.
    void editCurrentSample(const std::function<void(Sample &)> &edit);

    MainWindowForm *ui;
};
