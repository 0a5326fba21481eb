// The waveform window's slicing: its actions and keys, and the slice
// markers of the shown sample, drawn and set by hand.

#include "slicing.h"

#include "kithistory.h"
#include "notefitting.h"
#include "waveformview.h"
#include "waveformwindow.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QtConcurrent>

WaveformSlicing::WaveformSlicing(WaveformWindow *window)
    : QObject(window)
    , m_window(window)
    , m_sensitivity(defaultSensitivity)
{
    const auto action = [this, window](const QString &text, const QKeySequence &keys, void (WaveformSlicing::*slot)()) {
        auto *made = new QAction(text, window);
        made->setShortcut(keys);
        connect(made, &QAction::triggered, this, slot);
        window->addAction(made);
        return made;
    };
    m_add = action(tr("Add Slice Marker"), QKeySequence(QStringLiteral("Ctrl+M")), &WaveformSlicing::addMarker);
    m_remove = action(tr("Remove Slice Marker"), QKeySequence::Delete, &WaveformSlicing::removeMarker);
    m_hits = action(tr("Slice at Hits…"), QKeySequence(), &WaveformSlicing::sliceAtHits);
    m_silences = action(tr("Slice at Silences"), QKeySequence(), &WaveformSlicing::sliceAtSilences);
    m_equal = action(tr("Slice into Equal Parts…"), QKeySequence(), &WaveformSlicing::sliceIntoEqualParts);
    m_clear = action(tr("Clear Slice Markers"), QKeySequence(), &WaveformSlicing::clearMarkers);
    m_toSamples = action(tr("Slices to Samples"), QKeySequence(), &WaveformSlicing::slicesToSamples);
    connect(window->m_view, &WaveformView::markerMoved, this, &WaveformSlicing::moveMarker);
    // A marker's change is no change of the sound: the picture stays, the
    // markers follow.
    connect(window->m_samples->model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                const int current = m_window->m_samples->currentIndex();
                if (topLeft.row() <= current && current <= bottomRight.row())
                    showMarkers();
            });
}

WaveformSlicing::~WaveformSlicing()
{
    for (QFutureWatcherBase *watcher : std::initializer_list<QFutureWatcherBase *>{m_looking.get(), m_planning.get()}) {
        if (watcher)
            watcher->cancel();
    }
}

QList<QAction *> WaveformSlicing::actions() const
{
    return {m_add, m_remove, m_hits, m_silences, m_equal, m_clear, m_toSamples};
}

int WaveformSlicing::shownIndex() const
{
    return m_window->upToDate() ? m_window->m_samples->currentIndex() : -1;
}

void WaveformSlicing::updateActions()
{
    const bool shown = shownIndex() >= 0;
    const bool idle = !m_looking && !m_planning && !m_hitsDialog;
    const bool marked = shown && !shownMarkers().isEmpty();
    m_add->setEnabled(shown && idle);
    m_remove->setEnabled(marked && idle);
    m_hits->setEnabled(shown && idle);
    m_silences->setEnabled(shown && idle);
    m_equal->setEnabled(shown && idle);
    m_clear->setEnabled(marked && idle);
    m_toSamples->setEnabled(marked && idle);
}

QList<qint64> WaveformSlicing::shownMarkers() const
{
    if (m_preview)
        return *m_preview;
    if (!m_window->m_pictured)
        return {};
    const int index = m_window->m_samples->currentIndex();
    const SliceMarkers markers = sliceMarkers(m_window->m_samples, index);
    const WaveformSummary *summary = m_window->m_view->summary();
    const SampleShape &shape = m_window->m_pictured->shape;
    const qint64 start = shape.crop ? shape.crop->start : 0;
    const qint64 frames = shape.crop ? shape.crop->frames : (summary ? summary->source.frames : 0);
    return markersWithin(markers, start, frames);
}

qint64 WaveformSlicing::byteOf(qint64 frame) const
{
    const WaveformSummary &summary = *m_window->m_view->summary();
    const qint64 start = m_window->m_pictured->shape.crop ? m_window->m_pictured->shape.crop->start : 0;
    const double bytesPerFrame = double(summary.rate) / qMax(summary.source.sampleRate, 1);
    return summary.layout.silentBytes + qBound<qint64>(0, qRound64((frame - start) * bytesPerFrame), summary.soundBytes);
}

void WaveformSlicing::showMarkers()
{
    WaveformView *view = m_window->m_view;
    if (!view->summary() || !m_window->m_pictured) {
        view->setMarkers({});
        return;
    }
    QList<qint64> bytes;
    for (const qint64 frame : shownMarkers())
        bytes << byteOf(frame);
    view->setMarkers(bytes);
    // The length of the recording, for markers set by hand.
    const QString path = m_window->m_pictured->sample.path;
    if (path != m_measured && !m_measuring) {
        m_measured = path;
        m_recordingFrames = -1;
        m_measuring = std::make_unique<QFutureWatcher<qint64>>();
        connect(m_measuring.get(), &QFutureWatcherBase::finished, this, [this] {
            m_recordingFrames = m_measuring->result();
            m_measuring.reset();
            showMarkers();
            if (const std::optional<qint64> frame = std::exchange(m_pendingMarker, std::nullopt))
                addMarkerAt(*frame);
        });
        m_measuring->setFuture(QtConcurrent::run([path] {
            const WavFormat recording = readRecording(path);
            return recording.lengthKnown() ? recording.frames : qint64(-1);
        }));
    }
    m_window->showNumbers();
    updateActions();
}

QString WaveformSlicing::numbers() const
{
    const qsizetype count = shownMarkers().size();
    if (count == 0)
        return QString();
    return count == 1 ? QStringLiteral(" · 1 slice marker, 2 slices")
                      : QStringLiteral(" · %1 slice markers, %2 slices").arg(count).arg(count + 1);
}

void WaveformSlicing::store(const SliceMarkers &markers, const QString &text)
{
    const int index = m_window->m_samples->currentIndex();
    const KitEntry before = sampleEntry(m_window->m_samples, index);
    KitEntry after = before;
    after.markers = markers;
    changeEntry(m_window->m_mainWindow, EntryChange{index, before, after}, text);
    showMarkers();
}

void WaveformSlicing::addMarker()
{
    if (shownIndex() < 0)
        return;
    const qint64 byte = m_window->m_view->pointerByte();
    const WaveformSummary &summary = *m_window->m_view->summary();
    if (byte < 0) {
        m_window->notify(tr("Point at the picture where the slice marker goes, then press Ctrl+M."));
        return;
    }
    const qint64 frame = m_window->frameAt(byte);
    SliceMarkers markers = sliceMarkers(m_window->m_samples, m_window->m_samples->currentIndex());
    if (markers.isEmpty())
        markers.recordingFrames = m_recordingFrames;
    if (markers.recordingFrames <= 0) {
        // Set once the length of its recording is known, in a moment.
        if (m_measuring)
            m_pendingMarker = frame;
        else
            m_window->notify(tr("The length of its recording cannot be read, so no marker can be set on it."));
        return;
    }
    if (byte <= summary.layout.silentBytes) {
        m_window->notify(tr("A slice marker on the first or the last frame cuts nothing: put it within the sound."));
        return;
    }
    addMarkerAt(frame);
}

void WaveformSlicing::addMarkerAt(qint64 frame)
{
    if (shownIndex() < 0)
        return;
    SliceMarkers markers = sliceMarkers(m_window->m_samples, m_window->m_samples->currentIndex());
    if (markers.isEmpty())
        markers.recordingFrames = m_recordingFrames;
    const auto [start, frames] = keptPart(m_window->m_pictured->shape, markers.recordingFrames);
    if (frame <= start || frame >= start + frames - 1) {
        m_window->notify(tr("A slice marker on the first or the last frame cuts nothing: put it within the sound."));
        return;
    }
    if (markers.frames.contains(frame)) {
        m_window->notify(tr("There is a slice marker on that frame already."));
        return;
    }
    markers.frames << frame;
    std::sort(markers.frames.begin(), markers.frames.end());
    store(markers, tr("Add Slice Marker"));
}

void WaveformSlicing::removeMarker()
{
    const int marker = m_window->m_view->markerUnderPointer();
    if (shownIndex() < 0 || marker < 0) {
        if (shownIndex() >= 0)
            m_window->notify(tr("Point at the slice marker to remove, then press Delete."));
        return;
    }
    SliceMarkers markers = sliceMarkers(m_window->m_samples, m_window->m_samples->currentIndex());
    markers.frames.removeOne(shownMarkers().value(marker));
    if (markers.frames.isEmpty())
        markers = SliceMarkers();
    store(markers, tr("Remove Slice Marker"));
}

void WaveformSlicing::moveMarker(int index, qint64 byte)
{
    const QList<qint64> shown = shownMarkers();
    if (shownIndex() < 0 || index < 0 || index >= shown.size())
        return;
    SliceMarkers markers = sliceMarkers(m_window->m_samples, m_window->m_samples->currentIndex());
    const qint64 frame = m_window->frameAt(byte);
    const auto [start, frames] = keptPart(m_window->m_pictured->shape, markers.recordingFrames);
    // Dropped past its end, or onto another, it would cut nothing.
    if (frame <= start || frame >= start + frames - 1 || (frame != shown.at(index) && markers.frames.contains(frame))) {
        m_window->notify(tr("A slice marker goes within the sound, one to a frame: it stays where it was."));
        showMarkers();
        return;
    }
    markers.frames.removeOne(shown.at(index));
    markers.frames << frame;
    std::sort(markers.frames.begin(), markers.frames.end());
    store(markers, tr("Move Slice Marker"));
}

void WaveformSlicing::clearMarkers()
{
    if (shownIndex() >= 0)
        store(SliceMarkers(), tr("Clear Slice Markers"));
}
