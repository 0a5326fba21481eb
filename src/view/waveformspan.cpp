// What of the sample the picture shows: the scroll bar under it, and the
// part looked at kept across a new picture of the same recording.

#include "waveformwindow.h"

#include "waveformview.h"

#include <QScrollBar>

#include <limits>

namespace {

/// Recording frames a byte of \a summary's picture spans.
double framesPerByte(const WaveformSummary &summary)
{
    return double(summary.source.sampleRate) / qMax(summary.rate, 1);
}

} // namespace

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

std::optional<WaveformWindow::FrameSpan> WaveformWindow::shownFrames() const
{
    const WaveformSummary *summary = m_view->summary();
    if (!summary || !m_pictured || m_view->showsWhole() || summary->source.sampleRate <= 0)
        return std::nullopt;
    const double cropStart = m_pictured->shape.crop ? double(m_pictured->shape.crop->start) : 0;
    const auto frameOf = [&](double byte) { return cropStart + (byte - summary->layout.silentBytes) * framesPerByte(*summary); };
    const double first = m_view->firstShown();
    return FrameSpan{frameOf(first), frameOf(first + m_view->width() * m_view->bytesPerPixel())};
}

void WaveformWindow::showFrames(const FrameSpan &span)
{
    const WaveformSummary *summary = m_view->summary();
    if (!summary || !m_pictured || summary->source.sampleRate <= 0)
        return;
    const double cropStart = m_pictured->shape.crop ? double(m_pictured->shape.crop->start) : 0;
    const auto byteOf = [&](double frame) { return summary->layout.silentBytes + (frame - cropStart) / framesPerByte(*summary); };
    const double first = byteOf(span.first);
    const double last = byteOf(span.last);
    // Cropped away altogether, it is gone: the whole sample shows.
    if (last <= 0 || first >= double(summary->size()) || last <= first)
        return;
    m_view->showSpan(first, (last - first) / qMax(m_view->width(), 1));
}
