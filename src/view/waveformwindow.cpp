#include "waveformwindow.h"

#include "converter.h"
#include "notetable.h"
#include "trackersample.h"
#include "waveformview.h"

#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QMediaPlayer>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <limits>

namespace {

// Long enough to take a slider's drag as one change, short enough that a
// few seconds of sound are redrawn well within a third of a second.
constexpr int settleMs = 30;
constexpr int playPollMs = 33;

/// Whether sox makes the same sound of \a a and \a b: what a conversion
/// reads is alike.
bool convertsAlike(const Sample &a, const Sample &b)
{
    return a.path == b.path && a.normalise == b.normalise && a.note == b.note && a.lowCut == b.lowCut
        && (!a.lowCut || a.lowCutFrequency == b.lowCutFrequency) && a.highCut == b.highCut
        && (!a.highCut || a.highCutFrequency == b.highCutFrequency);
}

/// The open waveform window of \a mainWindow; one that is closing is gone.
WaveformWindow *openWindow(QWidget *mainWindow)
{
    for (auto *window : mainWindow->findChildren<WaveformWindow *>(Qt::FindDirectChildrenOnly)) {
        if (window->isVisible())
            return window;
    }
    return nullptr;
}

/// The numbers of what \a summary pictures: name, note and rate, length,
/// loop and, when too long for a classic tracker, the note at which it fits,
/// as the export's report names it.
QString numbersLine(const Sample &sample, const WaveformSummary &summary)
{
    const QLocale english(QLocale::English);
    const TrackerLayout &layout = summary.layout;
    QStringList parts{sample.name, QStringLiteral("%1, %2 Hz").arg(sample.note).arg(summary.rate)};
    parts << QStringLiteral("%1 bytes, %2 s")
                 .arg(english.toString(layout.bodySize))
                 .arg(double(layout.bodySize) / qMax(summary.rate, 1), 0, 'f', 2);
    parts << (layout.looped ? QStringLiteral("loop from byte %1, %2 bytes long")
                                  .arg(english.toString(layout.loopStart), english.toString(layout.loopLength))
                            : QStringLiteral("no loop"));
    if (layout.bodySize > classicTrackerSampleBytes) {
        const QString note = fittingNote(summary.soundBytes, summary.rate, layout.looped, summary.source);
        parts << (note.isEmpty() ? QStringLiteral("too long for classic trackers: only a shorter recording fits")
                                 : QStringLiteral("too long for classic trackers: at %1 or lower it fits").arg(note));
    }
    return parts.join(QStringLiteral(" · "));
}

} // namespace

void showWaveformWindow(QWidget *mainWindow)
{
    WaveformWindow *window = openWindow(mainWindow);
    if (!window)
        window = new WaveformWindow(mainWindow);
    window->show();
    window->raise();
    window->activateWindow();
}

void followPreview(QWidget *mainWindow, QMediaPlayer *player, const Sample &sample)
{
    if (WaveformWindow *window = openWindow(mainWindow))
        window->follow(player, sample);
}

WaveformWindow::WaveformWindow(QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Window)
    , m_samples(mainWindow->findChild<QComboBox *>(QStringLiteral("sampleCombo")))
    , m_view(new WaveformView(this))
    , m_scroll(new QScrollBar(Qt::Horizontal, this))
    , m_numbers(new QLabel(this))
{
    setObjectName(QStringLiteral("waveformWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_view->setObjectName(QStringLiteral("waveformView"));
    m_scroll->setObjectName(QStringLiteral("waveformScroll"));
    m_numbers->setObjectName(QStringLiteral("waveformNumbers"));
    m_numbers->setWordWrap(true);
    m_numbers->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_scroll);
    layout->addWidget(m_numbers);
    resize(720, 300);

    connect(m_view, &WaveformView::spanChanged, this, &WaveformWindow::followSpan);
    connect(m_scroll, &QScrollBar::valueChanged, this, [this](int value) { m_view->scrollTo(value * m_scrollUnit); });
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &WaveformWindow::convert);
    m_playPoll.setInterval(playPollMs);
    connect(&m_playPoll, &QTimer::timeout, this, &WaveformWindow::showPlayPosition);

    // Every edit ends in the list's data, and every change of the shown
    // sample in its current index.
    connect(m_samples, &QComboBox::currentIndexChanged, this, &WaveformWindow::followSampleList);
    connect(m_samples->model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                const int current = m_samples->currentIndex();
                if (topLeft.row() <= current && current <= bottomRight.row())
                    followSampleList();
            });
    followSampleList();
}

WaveformWindow::~WaveformWindow() = default;

void WaveformWindow::followSampleList()
{
    if (m_samples->count() == 0) {
        m_settle.stop();
        m_conversion.reset();
        m_summarising.reset();
        m_wanted.reset();
        m_pictured.reset();
        setWindowTitle(tr("Waveform"));
        showText(tr("No samples are loaded."));
        return;
    }
    const Sample sample = currentSample(m_samples);
    setWindowTitle(tr("Waveform — %1").arg(sample.name));
    if (m_wanted && convertsAlike(*m_wanted, sample))
        return;
    // Another sample's picture would be the wrong one meanwhile; the same
    // sample's stays until the new one is ready.
    if (!m_wanted || m_wanted->path != sample.path) {
        m_conversion.reset();
        m_summarising.reset();
        m_pictured.reset();
        showText(tr("Converting %1…").arg(sample.name));
    }
    m_wanted = sample;
    m_settle.start();
}

void WaveformWindow::convert()
{
    // The older sox is killed before the newer one starts.
    m_summarising.reset();
    m_conversion.reset();
    const int generation = ++m_generation;
    const Sample sample = *m_wanted;
    // A path that may name another file would picture that one.
    if (const QString problem = sampleOrigin(m_samples, m_samples->currentIndex()).problem; !problem.isEmpty()) {
        m_pictured.reset();
        showText(tr("%1 could not be converted: %2").arg(sample.name, problem));
        return;
    }
    m_conversion = std::make_unique<Conversion>(sample, ConversionOutput::Sound);
    m_conversion->holdLog();
    // Queued: the conversion is done with once its signal has returned.
    connect(
        m_conversion.get(), &Conversion::finished, this, [this, generation, sample] { converted(generation, sample); },
        Qt::QueuedConnection);
    m_conversion->start();
}

void WaveformWindow::converted(int generation, const Sample &sample)
{
    if (generation != m_generation || !m_conversion)
        return;
    if (const QString failure = m_conversion->failure(); !failure.isEmpty()) {
        m_conversion.reset();
        m_pictured.reset();
        showText(tr("%1 could not be converted: %2").arg(sample.name, failure));
        return;
    }
    QByteArray sound = m_conversion->sound();
    const WavFormat source = m_conversion->source();
    // With the conversion gone, the summary holds the only copy of the
    // sound, and finishes it in place.
    m_conversion.reset();
    m_summarising = std::make_unique<SummaryWatcher>();
    connect(m_summarising.get(), &SummaryWatcher::finished, this,
            [this, generation, sample] { pictured(generation, sample); });
    // QtConcurrent::run would hand an argument on as a copy, which the
    // finishing in place would then copy whole; a capture is moved.
    m_summarising->setFuture(QtConcurrent::run(
        [sound = std::move(sound), rate = noteFrequencies.value(sample.note), source]() mutable {
            return summarise(std::move(sound), rate, source);
        }));
}

void WaveformWindow::pictured(int generation, const Sample &sample)
{
    if (generation != m_generation || !m_summarising)
        return;
    const std::shared_ptr<const WaveformSummary> summary = m_summarising->result();
    m_pictured = sample;
    m_view->setSummary(summary);
    const QString numbers = numbersLine(sample, *summary);
    m_numbers->setText(numbers);
    m_view->setAccessibleDescription(numbers);
    showPlayPosition();
}

void WaveformWindow::showText(const QString &text)
{
    m_view->showMessage(text);
    m_view->setAccessibleDescription(text);
    m_numbers->clear();
}

void WaveformWindow::follow(QMediaPlayer *player, const Sample &sample)
{
    m_player = player;
    m_playing = sample;
    m_playPoll.start();
}

void WaveformWindow::showPlayPosition()
{
    if (!m_player) {
        m_playPoll.stop();
        m_view->setPlayPosition(-1);
        return;
    }
    const WaveformSummary *shown = m_view->summary();
    if (!shown || !m_pictured || !convertsAlike(*m_pictured, m_playing)
        || m_player->playbackState() != QMediaPlayer::PlayingState) {
        m_view->setPlayPosition(-1);
        return;
    }
    // The preview plays sox's sound, which a one-shot's BODY holds after
    // its silent word.
    m_view->setPlayPosition(shown->layout.silentBytes + m_player->position() * shown->rate / 1000);
}

void WaveformWindow::followSpan(qint64 first, qint64 shown, qint64 total)
{
    m_scrollUnit = total / std::numeric_limits<int>::max() + 1;
    const QSignalBlocker quiet(m_scroll);
    m_scroll->setRange(0, int((total - shown) / m_scrollUnit));
    m_scroll->setPageStep(int(qMax<qint64>(shown / m_scrollUnit, 1)));
    m_scroll->setSingleStep(int(qMax<qint64>(shown / m_scrollUnit / 10, 1)));
    m_scroll->setValue(int(first / m_scrollUnit));
    m_scroll->setEnabled(shown < total);
}
