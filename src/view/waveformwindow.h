#pragma once

#include "sample.h"
#include "waveformsummary.h"

#include <QFutureWatcher>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class Conversion;
class QComboBox;
class QLabel;
class QMediaPlayer;
class QScrollBar;
class WaveformView;

/// Shows the waveform window of \a mainWindow, making it when none is
/// open, and raises it.
void showWaveformWindow(QWidget *mainWindow);

/// Hands a preview's \a player of \a sample to the waveform window of
/// \a mainWindow, if one is open: while the picture shows that sample as it
/// is playing, the playing position is marked.
void followPreview(QWidget *mainWindow, QMediaPlayer *player, const Sample &sample);

/// A window of its own beside the main window, not modal, that pictures the
/// sample the main window shows as the export will write it, with its
/// numbers underneath, and follows every change of that sample or of which
/// sample is shown. Its conversions run while the user goes on editing, one
/// sox at a time; closing the window stops it.
class WaveformWindow : public QWidget
{
    Q_OBJECT

public:
    /// Follows the sample list (sampleCombo) of \a mainWindow.
    explicit WaveformWindow(QWidget *mainWindow);
    ~WaveformWindow() override;

    /// Marks where \a player is while it plays \a sample and the picture
    /// shows that sample with the same settings.
    void follow(QMediaPlayer *player, const Sample &sample);

private:
    using SummaryWatcher = QFutureWatcher<std::shared_ptr<const WaveformSummary>>;

    void followSampleList();
    void convert();
    void converted(int generation, const Sample &sample);
    void pictured(int generation, const Sample &sample);
    void showText(const QString &text);
    void showPlayPosition();
    void followSpan(qint64 first, qint64 shown, qint64 total);

    QComboBox *m_samples;
    WaveformView *m_view;
    QScrollBar *m_scroll;
    QLabel *m_numbers;
    QTimer m_settle;
    QTimer m_playPoll;
    std::unique_ptr<Conversion> m_conversion;
    std::unique_ptr<SummaryWatcher> m_summarising;
    std::optional<Sample> m_wanted;   // what the picture is to show
    std::optional<Sample> m_pictured; // what it shows
    int m_generation = 0;             // of the newest conversion; older ones' results are dropped
    QPointer<QMediaPlayer> m_player;
    Sample m_playing;
    qint64 m_scrollUnit = 1; // bytes a step of the scroll bar, whose range is an int
};
