// The waveform window's crossfade of the loop: chosen in a dialog while the
// picture and the keys follow each change, applied as one step of the
// kit's history, and dropped with a word when its loop goes.

#include "waveformwindow.h"

#include "crossfadedialog.h"
#include "loopseam.h"
#include "waveformview.h"

void WaveformWindow::crossfadeLoop()
{
    if (!upToDate() || !m_view->summary()->layout.looped)
        return;
    const std::shared_ptr<const WaveformSummary> finished = m_view->sharedSummary();
    const TrackerLayout &layout = finished->layout;
    if (layout.loopLength < 4) {
        notify(tr("The loop is shorter than 4 bytes: there is too little of it to crossfade. Loop more of the sample "
                  "first."));
        return;
    }
    if (layout.loopStart == 0) {
        notify(tr("The loop starts at the sample's first byte: there is no sound before it to fade in from. Loop from "
                  "a later byte first."));
        return;
    }
    const Picture picture = *m_pictured;
    CrossfadeDialog dialog(*finished, picture.shape.crossfade, this);
    connect(&dialog, &CrossfadeDialog::changed, this, &WaveformWindow::tryCrossfade);
    tryCrossfade(dialog.milliseconds(), dialog.law());
    const bool accepted = dialog.exec() == QDialog::Accepted;
    // Meanwhile the picture may have moved on to another sample.
    const bool same = m_pictured && m_pictured->sample.path == picture.sample.path && m_pictured->shape == picture.shape;
    if (!accepted || !same || !upToDate()) {
        if (same && m_view->summary()) {
            m_view->showChangedBytes(finished);
            hearPicture();
        }
        showNumbers();
        return;
    }
    SampleShape shape = picture.shape;
    shape.crossfade = SampleShape::Crossfade{dialog.milliseconds(), dialog.law(), loopFramesShown()};
    if (shape == picture.shape)
        return;
    // The picture of the try stays until the sample's own is made: they are
    // the same bytes.
    reshape(shape, tr("Crossfade Loop"));
}

void WaveformWindow::removeCrossfade()
{
    if (!upToDate() || !m_pictured->shape.crossfade)
        return;
    SampleShape shape = m_pictured->shape;
    shape.crossfade.reset();
    reshape(shape, tr("Remove Crossfade"));
}

void WaveformWindow::tryCrossfade(double ms, double law)
{
    if (!m_view->summary() || !m_view->summary()->layout.looped)
        return;
    m_view->showChangedBytes(withCrossfade(m_view->sharedSummary(), ms, law));
    // The keys play the try, so the seam is heard as it changes.
    hearPicture();
    showNumbers();
}

std::optional<std::pair<qint64, qint64>> WaveformWindow::loopFramesShown() const
{
    const WaveformSummary *summary = m_view->summary();
    if (!summary || !m_pictured || !summary->source.loop)
        return std::nullopt;
    // The summary's loop counts from the first frame kept.
    const qint64 cropStart = m_pictured->shape.crop ? m_pictured->shape.crop->start : 0;
    return std::pair{summary->source.loop->start + cropStart, summary->source.loop->end + cropStart};
}

SampleShape WaveformWindow::droppingCrossfade(SampleShape shape, const QString &why)
{
    if (shape.crossfade) {
        shape.crossfade.reset();
        m_shapeNotice = {m_pictured ? m_pictured->sample.path : QString(), shape, why};
    }
    return shape;
}

SampleShape WaveformWindow::cropped(SampleShape shape, const SampleShape::Crop &crop)
{
    const std::optional<std::pair<qint64, qint64>> loop = loopFramesShown();
    shape.crop = crop;
    if (!loop || loop->first < crop.start || loop->second >= crop.start + crop.frames)
        return droppingCrossfade(shape, tr("The crop leaves out the loop, so its crossfade is dropped."));
    return shape;
}
