#include "slices.h"

#include "notefitting.h"
#include "silence.h"

#include <QLocale>

namespace {

QString number(qint64 value)
{
    return QLocale(QLocale::English).toString(value);
}

} // namespace

std::pair<qint64, qint64> keptPart(const SampleShape &shape, qint64 recordingFrames)
{
    if (shape.crop)
        return {shape.crop->start, shape.crop->frames};
    return {0, recordingFrames};
}

QList<qint64> markersWithin(const SliceMarkers &markers, qint64 start, qint64 frames)
{
    QList<qint64> within;
    for (const qint64 frame : markers.frames) {
        if (frame > start && frame < start + frames && (within.isEmpty() || frame > within.constLast()))
            within << frame;
    }
    return within;
}

QList<SampleShape::Crop> sliceCrops(qint64 start, qint64 frames, const QList<qint64> &markers)
{
    QList<SampleShape::Crop> crops;
    qint64 from = start;
    for (const qint64 marker : markers) {
        crops << SampleShape::Crop{from, marker - from};
        from = marker;
    }
    crops << SampleShape::Crop{from, start + frames - from};
    return crops;
}

QString sliceName(const QString &name, int number, int count)
{
    const int digits = qMax(2, int(QString::number(count).size()));
    const QString tag = QStringLiteral("-%1").arg(number, digits, 10, QLatin1Char('0'));
    // The extension stays last, whatever kind of sound file it names.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) + tag + name.mid(dot) : name + tag;
}

QList<qint64> markersAtSilences(const QList<std::pair<qint64, qint64>> &silences)
{
    QList<qint64> markers;
    for (const auto &[first, end] : silences)
        markers << first + (end - first) / 2;
    return markers;
}

QString equalPartsProblem(qint64 frames, int rate, int parts)
{
    const qint64 shortest = qMax<qint64>(1, qint64(rate) * shortestPartMs / 1000);
    if (parts < fewestParts || parts > mostParts)
        return QStringLiteral("it is cut into %1 to %2 parts, not %3").arg(fewestParts).arg(mostParts).arg(parts);
    if (frames / parts >= shortest)
        return QString();
    const qint64 most = frames / shortest;
    return QStringLiteral("it is too short for %1 parts: %2 frames make parts of %3 ms, and a part is at least %4 ms%5")
        .arg(parts)
        .arg(number(frames))
        .arg(double(frames) / parts * 1000 / qMax(rate, 1), 0, 'f', 1)
        .arg(shortestPartMs)
        .arg(most >= fewestParts ? QStringLiteral("; it makes at most %1").arg(most)
                                 : QStringLiteral("; it is too short to slice"));
}

QList<qint64> equalPartMarkers(qint64 start, qint64 frames, int parts, int rate, const std::vector<bool> &positive)
{
    const qint64 reach = qint64(rate) * zeroCrossingReachMs / 1000;
    const auto crossesAt = [&positive](qint64 at) {
        return at > 0 && at < qint64(positive.size()) && positive[size_t(at - 1)] != positive[size_t(at)];
    };
    QList<qint64> markers;
    for (int part = 1; part < parts; ++part) {
        const qint64 even = qRound64(double(frames) * part / parts);
        qint64 at = even;
        for (qint64 distance = 0; distance <= reach; ++distance) {
            if (crossesAt(even - distance)) {
                at = even - distance;
                break;
            }
            if (crossesAt(even + distance)) {
                at = even + distance;
                break;
            }
        }
        markers << start + qBound<qint64>(1, at, frames - 1);
    }
    return markers;
}

QList<KitEntry> slicedEntries(const KitEntry &entry, const QList<SampleShape::Crop> &crops)
{
    QList<KitEntry> slices;
    for (int i = 0; i < crops.size(); ++i) {
        KitEntry slice = entry;
        slice.sample.name = sliceName(entry.sample.name, i + 1, int(crops.size()));
        slice.sample.ready = false;
        slice.shape.crop = crops.at(i);
        slice.markers = SliceMarkers();
        slices << slice;
    }
    return slices;
}

SlicePlan planSlices(const KitEntry &entry, const std::function<bool()> &cancelled)
{
    SlicePlan plan;
    const WavFormat recording = readRecording(entry.sample.path);
    if (!recording.lengthKnown()) {
        plan.problem = QStringLiteral("its recording cannot be read, so its length is not known");
        return plan;
    }
    // Frames counted on another recording would cut this one in the wrong
    // places.
    if (entry.markers.recordingFrames != recording.frames) {
        plan.problem = QStringLiteral("its recording has changed on disk since it was marked: it held %1 frames and "
                                      "holds %2 now; set its markers again")
                           .arg(number(entry.markers.recordingFrames), number(recording.frames));
        return plan;
    }
    const auto [start, frames] = keptPart(entry.shape, recording.frames);
    if (start + frames > recording.frames) {
        plan.problem = QStringLiteral("its recording has become shorter than the part it keeps");
        return plan;
    }
    const QList<qint64> markers = markersWithin(entry.markers, start, frames);
    if (markers.isEmpty()) {
        plan.problem = QStringLiteral("none of its slice markers lies within the part it keeps");
        return plan;
    }
    const QList<SampleShape::Crop> crops = sliceCrops(start, frames, markers);
    if (!entry.markers.leaveOutSilence) {
        plan.crops = crops;
        return plan;
    }
    for (const SampleShape::Crop &crop : crops) {
        const SoundSpan span = findSound(entry.sample.path, recording, crop, defaultSilenceDb, cancelled);
        if (span.kind == SoundSpan::Unreadable) {
            plan.problem = span.problem;
            plan.crops.clear();
            return plan;
        }
        // A slice of nothing but silence is left out with the silence.
        if (span.kind == SoundSpan::Sound)
            plan.crops << SampleShape::Crop{span.start, span.frames};
    }
    if (plan.crops.isEmpty())
        plan.problem = QStringLiteral("it is silent throughout");
    return plan;
}
