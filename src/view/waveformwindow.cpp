#include "waveformwindow.h"

#include "converter.h"
#include "notefitting.h"
#include "notetable.h"
#include "shapehistory.h"
#include "shaping.h"
#include "trackersample.h"
#include "waveformview.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QMediaPlayer>
#include <QMenu>
#include <QScrollBar>
#include <QUndoStack>
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
bool convertsAlike(const Sample &a, const SampleShape &aShape, const Sample &b, const SampleShape &bShape)
{
    return a.path == b.path && a.normalise == b.normalise && a.note == b.note && a.lowCut == b.lowCut
        && (!a.lowCut || a.lowCutFrequency == b.lowCutFrequency) && a.highCut == b.highCut
        && (!a.highCut || a.highCutFrequency == b.highCutFrequency) && aShape == bShape;
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

QString number(qint64 value)
{
    return QLocale(QLocale::English).toString(value);
}

/// The numbers of what \a summary pictures: name, note and rate, length,
/// loop, the part of the recording kept, how far Normalise raised it when
/// that was far (\a noise) and, when too long for a classic tracker, the
/// note at which it fits, as the export's report names it.
QString numbersLine(const Sample &sample, const SampleShape &shape, const WaveformSummary &summary,
                    const QString &noise)
{
    const TrackerLayout &layout = summary.layout;
    QStringList parts{sample.name, QStringLiteral("%1, %2 Hz").arg(sample.note).arg(summary.rate)};
    parts << QStringLiteral("%1 bytes, %2 s")
                 .arg(number(layout.bodySize))
                 .arg(double(layout.bodySize) / qMax(summary.rate, 1), 0, 'f', 2);
    parts << (layout.looped ? QStringLiteral("loop from byte %1, %2 bytes long")
                                  .arg(number(layout.loopStart), number(layout.loopLength))
                            : QStringLiteral("no loop"));
    if (shape.crop) {
        parts << QStringLiteral("frames %1 to %2 of the recording kept")
                     .arg(number(shape.crop->start), number(shape.crop->start + shape.crop->frames - 1));
    }
    if (!noise.isEmpty())
        parts << noise;
    if (layout.bodySize > classicTrackerSampleBytes) {
        const QString note = fittingNote(summary.soundBytes, summary.rate, layout.looped, summary.source);
        parts << (note.isEmpty() ? QStringLiteral("too long for classic trackers: only a shorter recording fits")
                                 : QStringLiteral("too long for classic trackers: at %1 or lower it fits").arg(note));
    }
    return parts.join(QStringLiteral(" · "));
}

/// \a text with its first letter in upper case: a sentence of its own.
QString sentence(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
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

void WaveformWindow::makeActions()
{
    const auto action = [this](const QString &text, const QKeySequence &keys, void (WaveformWindow::*slot)()) {
        auto *made = new QAction(text, this);
        made->setShortcut(keys);
        if (slot)
            connect(made, &QAction::triggered, this, slot);
        addAction(made);
        return made;
    };
    m_selectAll = action(tr("Select All"), QKeySequence::SelectAll, nullptr);
    connect(m_selectAll, &QAction::triggered, m_view, &WaveformView::selectAll);
    m_clearSelection = action(tr("Clear Selection"), QKeySequence(Qt::Key_Escape), nullptr);
    connect(m_clearSelection, &QAction::triggered, m_view, &WaveformView::clearSelection);
    m_crop = action(tr("Crop to Selection"), QKeySequence(QStringLiteral("Ctrl+T")), &WaveformWindow::cropToSelection);
    m_loop = action(tr("Loop Selection"), QKeySequence(QStringLiteral("Ctrl+L")), &WaveformWindow::loopSelection);
    m_clearLoop = action(tr("Clear Loop"), QKeySequence(), &WaveformWindow::clearLoop);
    m_trim = action(tr("Trim Silence"), QKeySequence(QStringLiteral("Ctrl+Shift+T")), &WaveformWindow::trimSilence);
    m_restore = action(tr("Restore Whole Recording"), QKeySequence(), &WaveformWindow::restoreWholeRecording);
    // One history for every window: what is shaped here is taken back from
    // the main window too, and the other way round.
    QUndoStack *history = shapeHistory(m_mainWindow);
    QAction *undo = history->createUndoAction(this);
    undo->setShortcut(QKeySequence::Undo);
    QAction *redo = history->createRedoAction(this);
    redo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    addActions({undo, redo});

    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, [this, undo, redo](const QPoint &at) {
        updateActions();
        QMenu menu(this);
        menu.addActions({m_selectAll, m_clearSelection});
        menu.addSeparator();
        menu.addActions({m_crop, m_loop, m_clearLoop, m_trim, m_restore});
        menu.addSeparator();
        menu.addActions({undo, redo});
        menu.exec(m_view->mapToGlobal(at));
    });
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
    const QString noise = m_conversion->noiseWarning();
    // With the conversion gone, the summary holds the only copy of the
    // sound, and finishes it in place.
    m_conversion.reset();
    m_summarising = std::make_unique<SummaryWatcher>();
    connect(m_summarising.get(), &SummaryWatcher::finished, this, [this, generation, picture, loopDropped, noise] {
        m_loopDropped = loopDropped;
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
    showNumbers();
    showPlayPosition();
    updateActions();
}

void WaveformWindow::showText(const QString &text)
{
    m_notice.clear();
    m_loopDropped.clear();
    m_view->showMessage(text);
    m_view->setAccessibleDescription(text);
    m_numbers->clear();
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
    for (const QString &said : {sentence(m_loopDropped), m_notice}) {
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
    if (!m_player) {
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

void WaveformWindow::updateActions()
{
    const bool shown = upToDate();
    const bool selected = shown && m_view->hasSelection();
    m_selectAll->setEnabled(shown);
    m_clearSelection->setEnabled(m_view->hasSelection());
    m_crop->setEnabled(selected);
    m_loop->setEnabled(selected);
    m_clearLoop->setEnabled(shown && m_view->summary()->layout.looped);
    m_trim->setEnabled(shown && !m_finding);
    // A shape that no longer fits its recording is put right here too,
    // though there is no picture of it.
    m_restore->setEnabled(m_wanted && !m_wanted->shape.isWhole());
}

qint64 WaveformWindow::frameAt(qint64 byte) const
{
    const WaveformSummary &summary = *m_view->summary();
    const WavFormat &source = summary.source;
    const qint64 sound = qBound<qint64>(0, byte - summary.layout.silentBytes, summary.soundBytes);
    const double framesPerByte = double(source.sampleRate) / qMax(summary.rate, 1);
    const qint64 kept = source.lengthKnown() ? source.frames : qRound64(summary.soundBytes * framesPerByte);
    // Both ends of the sound are the ends of the part kept, exactly.
    const qint64 frame = sound == summary.soundBytes ? kept : qBound<qint64>(0, qRound64(sound * framesPerByte), kept);
    const std::optional<SampleShape::Crop> &crop = m_pictured->shape.crop;
    return (crop ? crop->start : 0) + frame;
}

void WaveformWindow::reshape(const SampleShape &shape, const QString &text)
{
    changeShape(m_mainWindow, m_samples->currentIndex(), shape, text);
}

void WaveformWindow::cropToSelection()
{
    if (!upToDate() || !m_view->hasSelection())
        return;
    const qint64 from = frameAt(m_view->selectionStart());
    const qint64 to = frameAt(m_view->selectionEnd());
    if (m_view->selectionEnd() - m_view->selectionStart() < 2 || to <= from) {
        notify(tr("The selection is shorter than a word (2 bytes): select more to crop to it."));
        return;
    }
    SampleShape shape = m_pictured->shape;
    shape.crop = SampleShape::Crop{from, to - from};
    reshape(shape, tr("Crop to Selection"));
}

void WaveformWindow::loopSelection()
{
    if (!upToDate() || !m_view->hasSelection())
        return;
    const QString tooShort = tr("A loop needs at least two bytes: select more to loop it.");
    if (m_view->selectionEnd() - m_view->selectionStart() < 2) {
        notify(tooShort);
        return;
    }
    SampleShape shape = m_pictured->shape;
    shape.loop = SampleShape::Loop::Set;
    shape.loopStart = frameAt(m_view->selectionStart());
    shape.loopEnd = frameAt(m_view->selectionEnd()) - 1;
    // At this note the frames must still make two bytes, whole words.
    const WaveformSummary &summary = *m_view->summary();
    WavFormat looped = summary.source;
    const qint64 cropStart = shape.crop ? shape.crop->start : 0;
    looped.loop = WavLoop{shape.loopStart - cropStart, shape.loopEnd - cropStart, true};
    if (shape.loopEnd < shape.loopStart || !trackerLayout(summary.soundBytes, summary.rate, looped).looped) {
        notify(tooShort);
        return;
    }
    reshape(shape, tr("Loop Selection"));
}

void WaveformWindow::clearLoop()
{
    if (!upToDate())
        return;
    SampleShape shape = m_pictured->shape;
    shape.loop = SampleShape::Loop::None;
    reshape(shape, tr("Clear Loop"));
}

void WaveformWindow::restoreWholeRecording()
{
    if (m_samples->count() > 0)
        reshape(SampleShape(), tr("Restore Whole Recording"));
}

void WaveformWindow::trimSilence()
{
    if (!upToDate() || m_finding)
        return;
    const Picture picture = *m_pictured;
    m_finding = std::make_unique<QFutureWatcher<SoundSpan>>();
    connect(m_finding.get(), &QFutureWatcherBase::finished, this, [this, picture] {
        const SoundSpan span = m_finding->result();
        m_finding.reset();
        updateActions();
        // The user may have gone on meanwhile: the silence found is only
        // that of the sample as it was asked for.
        if (!m_wanted || m_wanted->sample.path != picture.sample.path || m_wanted->shape != picture.shape)
            return;
        const QString &name = picture.sample.name;
        if (span.kind == SoundSpan::Silent)
            notify(tr("%1 is silent throughout (below −%2 dB): it is left whole.").arg(name).arg(defaultSilenceDb));
        else if (span.kind == SoundSpan::Unreadable)
            notify(tr("%1 could not be read to find its silence: %2").arg(name, span.problem));
        else if (trimmedTo(picture.shape, span) == picture.shape)
            notify(tr("%1 has no silence at its ends to trim.").arg(name));
        else
            reshape(trimmedTo(picture.shape, span), tr("Trim Silence"));
    });
    const QString path = picture.sample.path;
    const std::optional<SampleShape::Crop> crop = picture.shape.crop;
    m_finding->setFuture(QtConcurrent::run([path, crop](QPromise<SoundSpan> &promise) {
        promise.addResult(findSound(path, readWavFormat(path), crop, defaultSilenceDb,
                                    [&promise] { return promise.isCanceled(); }));
    }));
    updateActions();
}
