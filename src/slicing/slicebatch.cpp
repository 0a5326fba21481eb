#include "slicebatch.h"

#include "notefitting.h"
#include "recordinglook.h"
#include "slices.h"

#include <QtConcurrent>

#include <numeric>

namespace {

/// One file's slices, or why it stays whole (empty: it cannot be read, and
/// the export says why).
struct Cut
{
    QList<KitEntry> slices;
    QString whole;
};

Cut cutOne(const KitEntry &entry, const SliceRequest &request)
{
    Cut cut;
    if (!entry.origin.problem.isEmpty())
        return cut;
    const QString &path = entry.sample.path;
    const WavFormat recording = readRecording(path);
    if (!recording.lengthKnown())
        return cut;
    const Looking what = request.kind == SliceRequest::Hits       ? Looking::Hits
        : request.kind == SliceRequest::Silences                  ? Looking::Silences
                                                                  : Looking::ZeroCrossings;
    const RecordingLook found = lookAtRecording(path, recording, entry.shape.crop, what);
    if (!found.problem.isEmpty())
        return cut;
    KitEntry marked = entry;
    marked.markers.recordingFrames = recording.frames;
    switch (request.kind) {
    case SliceRequest::Hits:
        for (const qint64 hit : found.hits->hits(defaultSensitivity))
            marked.markers.frames << found.start + hit;
        if (marked.markers.isEmpty())
            cut.whole = QStringLiteral("no hits were found");
        break;
    case SliceRequest::Silences:
        marked.markers.frames = markersAtSilences(found.silences);
        marked.markers.leaveOutSilence = true;
        if (marked.markers.isEmpty())
            cut.whole = QStringLiteral("no silence of at least %1 ms was found between its sounds").arg(shortestSilenceMs);
        break;
    case SliceRequest::Parts:
        cut.whole = equalPartsProblem(found.frames, found.rate, request.parts);
        if (cut.whole.isEmpty())
            marked.markers.frames = equalPartMarkers(found.start, found.frames, request.parts, found.rate, found.positive);
        break;
    }
    if (!cut.whole.isEmpty())
        return cut;
    const SlicePlan plan = planSlices(marked);
    if (!plan.problem.isEmpty())
        cut.whole = plan.problem;
    else
        cut.slices = slicedEntries(marked, plan.crops);
    return cut;
}

} // namespace

std::optional<SliceRequest> sliceRequest(const QString &text)
{
    if (text == QLatin1String("hits"))
        return SliceRequest{SliceRequest::Hits, 0};
    if (text == QLatin1String("silences"))
        return SliceRequest{SliceRequest::Silences, 0};
    bool ok = false;
    const int parts = text.toInt(&ok);
    if (ok && parts >= fewestParts && parts <= mostParts && !text.startsWith(QLatin1Char('+')))
        return SliceRequest{SliceRequest::Parts, parts};
    return std::nullopt;
}

SlicedSamples sliceSamples(const QList<Sample> &samples, const QList<SampleShape> &shapes,
                           const QList<FoundFile> &origins, const SliceRequest &request)
{
    QList<int> indexes(samples.size());
    std::iota(indexes.begin(), indexes.end(), 0);
    const QList<Cut> cuts = QtConcurrent::blockingMapped(indexes, [&](int i) {
        return cutOne(KitEntry{samples.at(i), shapes.value(i), origins.value(i), SliceMarkers()}, request);
    });
    SlicedSamples sliced;
    for (int i = 0; i < samples.size(); ++i) {
        const Cut &cut = cuts.at(i);
        if (cut.slices.isEmpty()) {
            sliced.samples << samples.at(i);
            sliced.shapes << shapes.value(i);
            sliced.origins << origins.value(i);
            if (!cut.whole.isEmpty())
                sliced.notSliced << nameInPack(samples.at(i), origins.value(i)) + QStringLiteral(": ") + cut.whole;
            continue;
        }
        for (const KitEntry &slice : cut.slices) {
            sliced.samples << slice.sample;
            sliced.shapes << slice.shape;
            sliced.origins << slice.origin;
        }
    }
    return sliced;
}
