#include "waveformsummary.h"

#include "loopseam.h"

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

/// Keeps what the loop's end of \a summary holds before any crossfade,
/// then crossfades it as its layout says.
void crossfadeKeepingUnfaded(WaveformSummary &summary)
{
    const TrackerLayout &layout = summary.layout;
    summary.unfaded.clear();
    summary.unfadedFrom = 0;
    if (!layout.looped)
        return;
    summary.unfadedFrom = layout.loopStart + layout.loopLength - longestCrossfade(layout);
    summary.unfaded = summary.body.mid(summary.unfadedFrom, longestCrossfade(layout));
    blendLoopEnd(summary.body.data(), layout);
}

/// The peaks of \a summary's blocks anew, from byte \a from up to \a to.
void repeak(WaveformSummary &summary, qint64 from, qint64 to)
{
    constexpr qint64 fine = WaveformSummary::fineBlock;
    constexpr qint64 coarse = WaveformSummary::coarseBlock;
    const auto *bytes = reinterpret_cast<const qint8 *>(summary.body.constData());
    for (qint64 block = from / fine; block * fine < to; ++block) {
        Peak peak;
        for (qint64 i = block * fine; i < qMin((block + 1) * fine, summary.size()); ++i)
            peak.take(bytes[i]);
        summary.fine[size_t(block)] = peak;
    }
    for (qint64 block = from / coarse; block * coarse < to; ++block) {
        Peak peak;
        for (qint64 i = block * coarse / fine; i < qMin((block + 1) * coarse / fine, qint64(summary.fine.size())); ++i)
            peak.take(summary.fine[size_t(i)]);
        summary.coarse[size_t(block)] = peak;
    }
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
    crossfadeKeepingUnfaded(*summary);
    summary->fine = groupPeaks(reinterpret_cast<const qint8 *>(body.constData()), body.size(),
                               WaveformSummary::fineBlock);
    summary->coarse = groupPeaks(summary->fine.data(), qint64(summary->fine.size()),
                                 WaveformSummary::coarseBlock / WaveformSummary::fineBlock);
    return summary;
}

std::shared_ptr<const WaveformSummary> withCrossfade(const std::shared_ptr<const WaveformSummary> &summary, double ms,
                                                     double law)
{
    if (!summary || !summary->layout.looped)
        return summary;
    auto tried = std::make_shared<WaveformSummary>(*summary);
    std::memcpy(tried->body.data() + tried->unfadedFrom, tried->unfaded.constData(), size_t(tried->unfaded.size()));
    tried->layout = withCrossfade(summary->layout, summary->rate, ms, law);
    if (tried->source.loop) {
        tried->source.loop->fadeMs = ms;
        tried->source.loop->fadeLaw = law;
    }
    blendLoopEnd(tried->body.data(), tried->layout);
    repeak(*tried, tried->unfadedFrom, tried->unfadedFrom + tried->unfaded.size());
    return tried;
}
