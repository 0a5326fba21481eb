#include "waveformwindow.h"

#include "audition.h"
#include "converter.h"
#include "notefitting.h"
#include "notetable.h"
#include "trackersample.h"
#include "waveformnumbers.h"
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

/// The open waveform window of \a mainWindow; one that is closing is gone.
WaveformWindow *openWindow(QWidget *mainWindow)
{
    for (auto *window : mainWindow->findChildren<WaveformWindow *>(Qt::FindDirectChildrenOnly)) {
        if (window->isVisible())
            return window;
    }
    return nullptr;
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

void followPreview(QWidget *mainWindow, QMediaPlayer *player, const Sample &sample, const SampleShape &shape)
{
    if (WaveformWindow *window = openWindow(mainWindow))
        window->follow(player, sample, shape);
}

WaveformWindow::WaveformWindow(QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Window)
    , m_mainWindow(mainWindow)
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
    makeActions();
    makeKeys();

    connect(m_view, &WaveformView::spanChanged, this, &WaveformWindow::followSpan);
    connect(m_view, &WaveformView::selectionChanged, this, [this] {
        showNumbers();
        updateActions();
    });
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

WaveformWindow::~WaveformWindow()
{
    if (m_finding)
        m_finding->cancel();
}

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
    const int current = m_samples->currentIndex();
    const Picture picture{currentSample(m_samples), sampleShape(m_samples, current)};
    setWindowTitle(tr("Waveform — %1").arg(picture.sample.name));
    if (m_wanted && convertsAlike(m_wanted->sample, m_wanted->shape, picture.sample, picture.shape))
        return;
    // Another sample's picture would be the wrong one meanwhile; the same
    // sample's stays until the new one is ready.
    if (!m_wanted || m_wanted->sample.path != picture.sample.path) {
        m_conversion.reset();
        m_summarising.reset();
        m_pictured.reset();
        showText(tr("Converting %1…").arg(picture.sample.name));
    }
    m_wanted = picture;
    updateActions();
    m_settle.start();
}

void WaveformWindow::convert()
{
    // The older sox is killed before the newer one starts.
    m_summarising.reset();
    m_conversion.reset();
    const int generation = ++m_generation;
    const Picture picture = *m_wanted;
    // A path that may name another file would picture that one.
    if (const QString problem = sampleOrigin(m_samples, m_samples->currentIndex()).problem; !problem.isEmpty()) {
        m_pictured.reset();
        showText(tr("%1 could not be converted: %2").arg(picture.sample.name, problem));
        return;
    }
    m_conversion = std::make_unique<Conversion>(picture.sample, ConversionOutput::Sound);
    m_conversion->setShape(picture.shape);
    m_conversion->holdLog();
    // Queued: the conversion is done with once its signal has returned.
    connect(
        m_conversion.get(), &Conversion::finished, this, [this, generation, picture] { converted(generation, picture); },
        Qt::QueuedConnection);
    m_conversion->start();
}

void WaveformWindow::converted(int generation, const Picture &picture)
{
    if (generation != m_generation || !m_conversion)
        return;
    if (const QString failure = m_conversion->failure(); !failure.isEmpty()) {
        m_conversion.reset();
        m_pictured.reset();
        showText(tr("%1 could not be converted: %2").arg(picture.sample.name, failure));
        return;
    }
    QByteArray sound = m_conversion->sound();
    const WavFormat source = m_conversion->source();
    const QString loopDropped = m_conversion->loopDropped();
    const QString crossfadeDropped = m_conversion->crossfadeDropped();
    const QString noise = m_conversion->noiseWarning();
    // With the conversion gone, the summary holds the only copy of the
    // sound, and finishes it in place.
    m_conversion.reset();
    m_summarising = std::make_unique<SummaryWatcher>();
    connect(m_summarising.get(), &SummaryWatcher::finished, this,
            [this, generation, picture, loopDropped, crossfadeDropped, noise] {
                m_loopDropped = loopDropped;
                m_crossfadeDropped = crossfadeDropped;
                m_noise = noise;
                pictured(generation, picture);
            });
    // QtConcurrent::run would hand an argument on as a copy, which the
    // finishing in place would then copy whole; a capture is moved.
    m_summarising->setFuture(QtConcurrent::run([sound = std::move(sound), rate = noteFrequencies.value(picture.sample.note),
                                                source, path = picture.sample.path]() mutable {
        // The note at which a sample too long fits is reckoned from the
        // frames sox reads, which sox counts where the header cannot.
        const bool tooLong = trackerLayout(sound.size(), rate, source).bodySize > classicTrackerSampleBytes;
        return summarise(std::move(sound), rate, tooLong ? withFramesCounted(source, path) : source);
    }));
}

void WaveformWindow::pictured(int generation, const Picture &picture)
{
    if (generation != m_generation || !m_summarising)
        return;
    const std::shared_ptr<const WaveformSummary> summary = m_summarising->result();
    m_pictured = picture;
    m_notice.clear();
    m_view->setSummary(summary);
    hearPicture();
    showNumbers();
    showPlayPosition();
    updateActions();
}

void WaveformWindow::showText(const QString &text)
{
    m_notice.clear();
    m_loopDropped.clear();
    m_crossfadeDropped.clear();
    m_view->showMessage(text);
    hearPicture();
    m_view->setAccessibleDescription(text);
    m_numbers->setText(m_heard);
    updateActions();
}

void WaveformWindow::showNumbers()
{
    const WaveformSummary *summary = m_view->summary();
    if (!summary || !m_pictured)
        return;
    QString text = numbersLine(m_pictured->sample, m_pictured->shape, *summary, m_noise);
    if (m_view->hasSelection()) {
        const qint64 bytes = m_view->selectionEnd() - m_view->selectionStart();
        text += QStringLiteral(" · selection from byte %1, %2 bytes, %3 s")
                    .arg(number(m_view->selectionStart()), number(bytes))
                    .arg(double(bytes) / qMax(summary->rate, 1), 0, 'f', 3);
    }
    const QString shapeNotice = m_shapeNotice.path == m_pictured->sample.path && m_shapeNotice.shape == m_pictured->shape
        ? m_shapeNotice.text
        : QString();
    for (const QString &said : {sentence(m_loopDropped), sentence(m_crossfadeDropped), shapeNotice, m_notice, m_heard}) {
        if (!said.isEmpty())
            text += QLatin1Char('\n') + said;
    }
    m_numbers->setText(text);
    m_view->setAccessibleDescription(text);
}

void WaveformWindow::notify(const QString &text)
{
    m_notice = text;
    if (m_view->summary())
        showNumbers();
    else
        m_numbers->setText(text);
}

void WaveformWindow::follow(QMediaPlayer *player, const Sample &sample, const SampleShape &shape)
{
    m_player = player;
    m_playing = Picture{sample, shape};
    m_playPoll.start();
}

void WaveformWindow::showPlayPosition()
{
    // Where the keys are heard comes first: the user is playing.
    if (const qint64 heard = m_audition->playPosition(); heard >= 0 && m_view->summary()) {
        m_view->setPlayPosition(heard);
        return;
    }
    if (!m_player) {
        if (!m_audition->isSounding())
            m_playPoll.stop();
        m_view->setPlayPosition(-1);
        return;
    }
    const WaveformSummary *shown = m_view->summary();
    if (!shown || !m_pictured
        || !convertsAlike(m_pictured->sample, m_pictured->shape, m_playing.sample, m_playing.shape)
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

bool WaveformWindow::upToDate() const
{
    return m_samples->count() > 0 && m_view->summary() && m_pictured && m_wanted
        && convertsAlike(m_pictured->sample, m_pictured->shape, m_wanted->sample, m_wanted->shape);
}

