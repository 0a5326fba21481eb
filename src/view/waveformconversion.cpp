// The waveform window's picture of the shown sample: converted by sox when
// the sample list changes it, then finished and summarised away from the
// window's thread.

#include "waveformwindow.h"

#include "converter.h"
#include "notefitting.h"
#include "notetable.h"
#include "slicing.h"
#include "trackersample.h"
#include "waveformview.h"

#include <QComboBox>
#include <QtConcurrent>


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
    // A new picture of the same recording (a crop, a loop, a trim, another
    // note) shows the part that was looked at, where it still is.
    const bool sameRecording = m_pictured && m_pictured->sample.path == picture.sample.path;
    const std::optional<FrameSpan> looked = sameRecording ? shownFrames() : std::nullopt;
    m_pictured = picture;
    m_notice.clear();
    m_view->setSummary(summary);
    if (looked)
        showFrames(*looked);
    hearPicture();
    showNumbers();
    showPlayPosition();
    updateActions();
    m_slicing->showMarkers();
}

bool WaveformWindow::upToDate() const
{
    return m_samples->count() > 0 && m_view->summary() && m_pictured && m_wanted
        && convertsAlike(m_pictured->sample, m_pictured->shape, m_wanted->sample, m_wanted->shape);
}
