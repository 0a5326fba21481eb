#include "waveformsummary.h"

#include <cstring>

namespace {

/// The peaks of each run of \a per values of \a values.
template<typename T>
std::vector<Peak> groupPeaks(const T *values, qint64 count, qint64 per)
{
    std::vector<Peak> peaks;
    peaks.reserve(size_t((count + per - 1) / per));
    for (qint64 start = 0; start < count; start += per) {
        Peak peak;
        for (qint64 i = start, end = qMin(start + per, count); i < end; ++i)
            peak.take(values[i]);
        peaks.push_back(peak);
    }
    return peaks;
}

} // namespace

Peak WaveformSummary::extent(qint64 from, qint64 to) const
{
    Peak peak;
    from = qMax<qint64>(from, 0);
    to = qMin(to, size());
    // Single bytes up to a block's edge, then the largest blocks that fit.
    while (from < to) {
        if (from % coarseBlock == 0 && from + coarseBlock <= to) {
            peak.take(coarse[size_t(from / coarseBlock)]);
            from += coarseBlock;
        } else if (from % fineBlock == 0 && from + fineBlock <= to) {
            peak.take(fine[size_t(from / fineBlock)]);
            from += fineBlock;
        } else {
            peak.take(at(from++));
        }
    }
    return peak;
}

KitSample kitSample(const WaveformSummary &summary, const QString &sampleName)
{
    const TrackerLayout &layout = summary.layout;
    return KitSample{trackerName(sampleName), summary.body, layout.looped ? layout.loopStart : 0,
                     layout.looped ? layout.loopLength : 0, summary.rate};
}

std::shared_ptr<const WaveformSummary> summarise(QByteArray sound, int rate, const WavFormat &source)
{
    auto summary = std::make_shared<WaveformSummary>();
    const qint64 soundBytes = sound.size();
    summary->layout = finishedLayout(sound, rate, source);
    summary->soundBytes = soundBytes;
    summary->rate = rate;
    summary->source = source;
    // The sound's own buffer grows into the BODY (a long one by remapping,
    // not copying), so no second copy of it is ever held.
    QByteArray &body = summary->body;
    body = std::move(sound);
    const qint64 silent = summary->layout.silentBytes;
    body.resize(summary->layout.bodySize);
    char *bytes = body.data();
    if (silent > 0) {
        std::memmove(bytes + silent, bytes, size_t(soundBytes));
        std::memset(bytes, 0, size_t(silent));
    }
    std::memset(bytes + silent + soundBytes, 0, size_t(body.size() - silent - soundBytes));
    summary->fine = groupPeaks(reinterpret_cast<const qint8 *>(body.constData()), body.size(),
                               WaveformSummary::fineBlock);
    summary->coarse = groupPeaks(summary->fine.data(), qint64(summary->fine.size()),
                                 WaveformSummary::coarseBlock / WaveformSummary::fineBlock);
    return summary;
}
