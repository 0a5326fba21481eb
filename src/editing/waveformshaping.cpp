// The waveform window's editing: its actions and keys, and the changes to
// the shown sample's shape that they make, each one step of the kit's
// history.

#include "waveformwindow.h"

#include "kithistory.h"
#include "recording.h"
#include "soxarguments.h"
#include "shaping.h"
#include "silence.h"
#include "slicing.h"
#include "trackersample.h"
#include "waveformview.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QUndoStack>
#include <QtConcurrent>

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
    m_crossfade = action(tr("Crossfade Loop…"), QKeySequence(), &WaveformWindow::crossfadeLoop);
    m_removeCrossfade = action(tr("Remove Crossfade"), QKeySequence(), &WaveformWindow::removeCrossfade);
    m_zoom = action(tr("Zoom to Selection"), QKeySequence(QStringLiteral("Ctrl+E")), nullptr);
    connect(m_zoom, &QAction::triggered, this, [this] { m_view->zoomTo(m_view->selectionStart(), m_view->selectionEnd()); });
    m_whole = action(tr("Show Whole Sample"), QKeySequence(QStringLiteral("Ctrl+Shift+E")), nullptr);
    connect(m_whole, &QAction::triggered, m_view, &WaveformView::showWhole);
    // One history for every window: what is shaped here is taken back from
    // the main window too, and the other way round.
    QUndoStack *history = kitHistory(m_mainWindow);
    QAction *undo = history->createUndoAction(this);
    undo->setShortcut(QKeySequence::Undo);
    QAction *redo = history->createRedoAction(this);
    redo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    addActions({undo, redo});
    m_slicing = new WaveformSlicing(this);
    makeMenus(undo, redo);

    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, [this, undo, redo](const QPoint &at) {
        updateActions();
        QMenu menu(this);
        menu.addActions({m_selectAll, m_clearSelection});
        menu.addSeparator();
        menu.addActions({m_crop, m_loop, m_clearLoop, m_crossfade, m_removeCrossfade, m_trim, m_restore});
        menu.addSeparator();
        menu.addActions(m_slicing->actions());
        menu.addSeparator();
        menu.addActions({undo, redo});
        menu.addSeparator();
        addSoundMenu(&menu);
        menu.exec(m_view->mapToGlobal(at));
    });
}

void WaveformWindow::updateActions()
{
    const bool shown = upToDate();
    const bool selected = shown && m_view->hasSelection();
    m_selectAll->setEnabled(shown);
    m_clearSelection->setEnabled(m_view->hasSelection());
    m_crop->setEnabled(selected);
    m_loop->setEnabled(selected);
    m_zoom->setEnabled(selected);
    m_whole->setEnabled(shown);
    m_clearLoop->setEnabled(shown && m_view->summary()->layout.looped);
    m_crossfade->setEnabled(shown && m_view->summary()->layout.looped);
    m_removeCrossfade->setEnabled(shown && m_pictured->shape.crossfade);
    m_trim->setEnabled(shown && !m_finding);
    // A shape that no longer fits its recording is put right here too,
    // though there is no picture of it.
    m_restore->setEnabled(m_wanted && !m_wanted->shape.isWhole());
    if (m_slicing)
        m_slicing->updateActions();
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
    reshape(cropped(m_pictured->shape, SampleShape::Crop{from, to - from}), tr("Crop to Selection"));
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
    reshape(droppingCrossfade(shape, tr("The loop moved, so its crossfade is dropped.")), tr("Loop Selection"));
}

void WaveformWindow::clearLoop()
{
    if (!upToDate())
        return;
    SampleShape shape = m_pictured->shape;
    shape.loop = SampleShape::Loop::None;
    reshape(droppingCrossfade(shape, tr("The loop is cleared, and its crossfade with it.")), tr("Clear Loop"));
}

void WaveformWindow::restoreWholeRecording()
{
    if (m_samples->count() == 0)
        return;
    if (m_wanted && m_wanted->shape.crossfade)
        m_shapeNotice = {m_wanted->sample.path, SampleShape(), tr("The whole recording is restored, without the crossfade.")};
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
        else if (const SampleShape trimmed = trimmedTo(picture.shape, span); trimmed.crop)
            reshape(cropped(picture.shape, *trimmed.crop), tr("Trim Silence"));
    });
    const QString path = picture.sample.path;
    const std::optional<SampleShape::Crop> crop = picture.shape.crop;
    m_finding->setFuture(QtConcurrent::run([path, crop](QPromise<SoundSpan> &promise) {
        promise.addResult(findSound(path, readRecording(path), crop, defaultSilenceDb,
                                    [&promise] { return promise.isCanceled(); }));
    }));
    updateActions();
}
