#pragma once

#include "sample.h"
#include "silence.h"
#include "waveformsummary.h"

#include <QFutureWatcher>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class Audition;
class Conversion;
class QAction;
class QComboBox;
class QLabel;
class QMediaPlayer;
class QMenu;
class QScrollBar;
class WaveformView;

/// Shows the waveform window of \a mainWindow, making it when none is
/// open, and raises it.
void showWaveformWindow(QWidget *mainWindow);

/// Hands a preview's \a player of \a sample, shaped as \a shape, to the
/// waveform window of \a mainWindow, if one is open: while the picture shows
/// that sample as it is playing, the playing position is marked.
void followPreview(QWidget *mainWindow, QMediaPlayer *player, const Sample &sample, const SampleShape &shape);

/// A window of its own beside the main window, not modal, that pictures the
/// sample the main window shows as the export will write it, with its
/// numbers underneath, and follows every change of that sample or of which
/// sample is shown. Its conversions run while the user goes on editing, one
/// sox at a time; closing the window stops it. Here the user shapes the
/// sample by eye: crops it to a selection, loops a selection, trims its
/// silence, and takes any of it back. Its actions and their edits live
/// beside the other editing code, in src/editing/waveformshaping.cpp. And
/// here the keyboard plays the sample as a tracker plays it (its keys are
/// in src/sound/waveformkeys.cpp).
class WaveformWindow : public QWidget
{
    Q_OBJECT

public:
    /// Follows the sample list (sampleCombo) of \a mainWindow.
    explicit WaveformWindow(QWidget *mainWindow);
    ~WaveformWindow() override;

    /// Marks where \a player is while it plays \a sample, shaped as
    /// \a shape, and the picture shows that sample so.
    void follow(QMediaPlayer *player, const Sample &sample, const SampleShape &shape);

    /// Pictures the shown sample with its loop crossfaded over \a ms
    /// milliseconds by \a law (0 Equal Gain to 1 Equal Power), as a try made
    /// from the finished bytes without sox: the picture's summary, which
    /// the keys play, and the numbers show it until the next conversion.
    void tryCrossfade(double ms, double law);

    /// What the keys play: the pictured sample, given to it whenever the
    /// picture changes. A dialog over the window may give it a sample of
    /// its own for a while, and forward its key events to it.
    Audition *audition() const { return m_audition; }
    /// Gives the keys the pictured sample again, or nothing when there is
    /// no picture.
    void hearPicture();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    /// A sample as the picture is to show it, or shows it.
    struct Picture
    {
        Sample sample;
        SampleShape shape;
    };
    using SummaryWatcher = QFutureWatcher<std::shared_ptr<const WaveformSummary>>;

    /// The window's actions with their keys, and its context menu
    /// (src/editing/waveformshaping.cpp).
    void makeActions();
    /// The keys' audition, and what it says (src/sound/waveformkeys.cpp).
    void makeKeys();
    /// The context menu's choice of the Amiga's sound.
    void addSoundMenu(QMenu *menu);
    void followSampleList();
    void convert();
    void converted(int generation, const Picture &picture);
    void pictured(int generation, const Picture &picture);
    void showText(const QString &text);
    void showNumbers();
    /// Says \a text under the numbers until the picture next changes.
    void notify(const QString &text);
    void showPlayPosition();
    void followSpan(qint64 first, qint64 shown, qint64 total);
    void updateActions();

    /// Whether the picture shows the sample the main window shows, as it is
    /// now: only then may it be shaped here.
    bool upToDate() const;
    /// The frame of the recording at the byte boundary \a byte of the
    /// picture.
    qint64 frameAt(qint64 byte) const;
    void cropToSelection();
    void loopSelection();
    void clearLoop();
    void trimSilence();
    void restoreWholeRecording();
    void reshape(const SampleShape &shape, const QString &text);
    /// Crossfade Loop… and Remove Crossfade (src/editing/crossfading.cpp).
    void crossfadeLoop();
    void removeCrossfade();
    /// The pictured loop, in the recording's frames (first and last played).
    std::optional<std::pair<qint64, qint64>> loopFramesShown() const;
    /// \a shape without its crossfade, which no longer has its loop, as
    /// \a why says under the picture once it shows \a shape.
    SampleShape droppingCrossfade(SampleShape shape, const QString &why);
    /// \a shape keeping only \a crop of its recording, without its
    /// crossfade when the crop leaves out the loop.
    SampleShape cropped(SampleShape shape, const SampleShape::Crop &crop);

    QWidget *m_mainWindow;
    QComboBox *m_samples;
    WaveformView *m_view;
    QScrollBar *m_scroll;
    QLabel *m_numbers;
    QTimer m_settle;
    QTimer m_playPoll;
    std::unique_ptr<Conversion> m_conversion;
    std::unique_ptr<SummaryWatcher> m_summarising;
    std::unique_ptr<QFutureWatcher<SoundSpan>> m_finding;
    std::optional<Picture> m_wanted;   // what the picture is to show
    std::optional<Picture> m_pictured; // what it shows
    QString m_loopDropped;             // why the pictured sample's loop was left out
    QString m_noise;                   // how far Normalise raised it, when that was far
    QString m_notice;
    QString m_heard; // what the keys said last: the note played, or that nothing can sound
    Audition *m_audition = nullptr;
    QString m_crossfadeDropped;   // why the pictured sample's crossfade was left out
    /// Said while the picture shows that sample (its path) so shaped.
    struct ShapeNotice
    {
        QString path;
        SampleShape shape;
        QString text;
    } m_shapeNotice;
    int m_generation = 0;             // of the newest conversion; older ones' results are dropped
    QPointer<QMediaPlayer> m_player;
    Picture m_playing;
    qint64 m_scrollUnit = 1; // bytes a step of the scroll bar, whose range is an int
    QAction *m_selectAll;
    QAction *m_clearSelection;
    QAction *m_crop;
    QAction *m_loop;
    QAction *m_clearLoop;
    QAction *m_trim;
    QAction *m_restore;
    QAction *m_crossfade;
    QAction *m_removeCrossfade;
};
