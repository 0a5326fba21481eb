// The waveform window's slicing, continued: what reads the recording (its
// hits, its silences, where it crosses zero) and the samples its slices
// become, each away from the window's thread.

#include "slicing.h"

#include "kithistory.h"
#include "notefitting.h"
#include "waveformnumbers.h"
#include "waveformview.h"
#include "waveformwindow.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <QtConcurrent>

void WaveformSlicing::look(Looking what, std::function<void(const RecordingLook &)> then)
{
    if (shownIndex() < 0 || m_looking)
        return;
    const Sample sample = m_window->m_pictured->sample;
    const SampleShape shape = m_window->m_pictured->shape;
    m_looking = std::make_unique<QFutureWatcher<RecordingLook>>();
    connect(m_looking.get(), &QFutureWatcherBase::finished, this, [this, sample, shape, then] {
        const bool cancelled = m_looking->isCanceled();
        const RecordingLook found = cancelled ? RecordingLook() : m_looking->result();
        m_looking.reset();
        updateActions();
        if (cancelled)
            return;
        // The user may have gone on meanwhile: what was found is only that
        // of the sample as it was looked at.
        if (shownIndex() < 0 || m_window->m_pictured->sample.path != sample.path || m_window->m_pictured->shape != shape)
            return;
        if (!found.problem.isEmpty()) {
            m_window->notify(tr("%1 could not be read to slice it: %2").arg(sample.name, found.problem));
            return;
        }
        then(found);
    });
    const std::optional<SampleShape::Crop> crop = shape.crop;
    m_looking->setFuture(QtConcurrent::run([path = sample.path, crop, what](QPromise<RecordingLook> &promise) {
        const WavFormat recording = readRecording(path);
        RecordingLook found = lookAtRecording(path, recording, crop, what, [&promise] { return promise.isCanceled(); });
        found.recordingFrames = recording.lengthKnown() ? recording.frames : 0;
        promise.addResult(std::move(found));
    }));
    updateActions();
}

void WaveformSlicing::sliceAtSilences()
{
    look(Looking::Silences, [this](const RecordingLook &found) {
        const QList<qint64> markers = markersAtSilences(found.silences);
        if (markers.isEmpty()) {
            m_window->notify(tr("%1 has no silence of at least %2 ms between its sounds: nothing to slice at.")
                                 .arg(m_window->m_pictured->sample.name)
                                 .arg(shortestSilenceMs));
            return;
        }
        store(SliceMarkers{markers, found.recordingFrames, true}, tr("Slice at Silences"));
    });
}

void WaveformSlicing::sliceIntoEqualParts()
{
    if (shownIndex() < 0)
        return;
    bool ok = false;
    const int parts = QInputDialog::getInt(m_window, tr("Slice into Equal Parts"), tr("Parts:"), defaultParts, fewestParts,
                                           mostParts, 1, &ok);
    if (!ok)
        return;
    look(Looking::ZeroCrossings, [this, parts](const RecordingLook &found) {
        if (const QString problem = equalPartsProblem(found.frames, found.rate, parts); !problem.isEmpty()) {
            m_window->notify(sentence(QStringLiteral("%1: %2").arg(m_window->m_pictured->sample.name, problem)));
            return;
        }
        store(SliceMarkers{equalPartMarkers(found.start, found.frames, parts, found.rate, found.positive),
                           found.recordingFrames, false},
              tr("Slice into Equal Parts"));
    });
}

void WaveformSlicing::slicesToSamples()
{
    const int index = shownIndex();
    if (index < 0 || m_planning)
        return;
    const KitEntry entry = sampleEntry(m_window->m_samples, index);
    m_planning = std::make_unique<QFutureWatcher<SlicePlan>>();
    connect(m_planning.get(), &QFutureWatcherBase::finished, this, [this, entry, index] {
        const SlicePlan plan = m_planning->isCanceled() ? SlicePlan{tr("cancelled"), {}} : m_planning->result();
        m_planning.reset();
        updateActions();
        QComboBox *list = m_window->m_samples;
        // Only the sample as it was planned is replaced.
        if (index >= list->count() || sampleEntry(list, index).markers != entry.markers
            || sampleEntry(list, index).shape != entry.shape || sampleEntry(list, index).sample.path != entry.sample.path)
            return;
        if (!plan.problem.isEmpty()) {
            m_window->notify(tr("%1 cannot be sliced: %2").arg(entry.sample.name, plan.problem));
            return;
        }
        replaceEntries(m_window->m_mainWindow, index, 1, slicedEntries(entry, plan.crops),
                       tr("Slices to Samples of %1").arg(entry.sample.name));
    });
    m_planning->setFuture(QtConcurrent::run([entry](QPromise<SlicePlan> &promise) {
        promise.addResult(planSlices(entry, [&promise] { return promise.isCanceled(); }));
    }));
    updateActions();
}

void WaveformSlicing::sliceAtHits()
{
    if (shownIndex() < 0 || m_hitsDialog)
        return;
    auto *dialog = new QDialog(m_window);
    m_hitsDialog = dialog;
    dialog->setObjectName(QStringLiteral("hitsDialog"));
    dialog->setWindowTitle(tr("Slice at Hits"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto *slider = new QSlider(Qt::Horizontal, dialog);
    slider->setObjectName(QStringLiteral("sensitivitySlider"));
    slider->setRange(leastSensitivity, mostSensitivity);
    slider->setValue(m_sensitivity);
    slider->setToolTip(tr("Further right finds fainter hits, and more of them; further left only the strongest."));
    auto *count = new QLabel(tr("Finding the hits…"), dialog);
    count->setObjectName(QStringLiteral("hitCount"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    auto *layout = new QVBoxLayout(dialog);
    auto *label = new QLabel(tr("&Sensitivity:"), dialog);
    label->setBuddy(slider);
    layout->addWidget(label);
    layout->addWidget(slider);
    layout->addWidget(count);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    // The markers follow the slider as it moves, before anything is set.
    const auto follow = [this, count](int sensitivity) {
        m_sensitivity = sensitivity;
        previewHits(sensitivity);
        if (m_preview)
            count->setText(m_preview->size() == 1 ? tr("1 hit") : tr("%1 hits").arg(m_preview->size()));
    };
    connect(slider, &QSlider::valueChanged, this, follow);
    connect(dialog, &QDialog::finished, this, [this](int result) {
        const std::optional<QList<qint64>> hits = m_preview;
        const RecordingLook found = m_hitLook;
        m_preview.reset();
        m_hitLook = RecordingLook();
        if (result == QDialog::Accepted && hits && shownIndex() >= 0) {
            if (hits->isEmpty())
                m_window->notify(tr("No hits were found at that sensitivity: the markers are as they were."));
            else
                store(SliceMarkers{*hits, found.recordingFrames, false}, tr("Slice at Hits"));
        }
        if (m_looking)
            m_looking->cancel();
        showMarkers();
    });
    look(Looking::Hits, [this, slider, buttons, follow](const RecordingLook &found) {
        if (!m_hitsDialog)
            return;
        m_hitLook = found;
        buttons->button(QDialogButtonBox::Ok)->setEnabled(true);
        follow(slider->value());
    });
    dialog->open();
    updateActions();
}

void WaveformSlicing::previewHits(int sensitivity)
{
    if (!m_hitLook.hits || shownIndex() < 0)
        return;
    QList<qint64> frames;
    for (const qint64 hit : m_hitLook.hits->hits(sensitivity))
        frames << m_hitLook.start + hit;
    m_preview = frames;
    showMarkers();
}
