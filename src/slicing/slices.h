#pragma once

#include "sample.h"

#include <QList>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

// Cutting one sample into slices at its markers: where the markers go
// (at silences, in equal parts) and what each slice keeps, exactly. The
// slices of a part, laid end to end, cover it from its first frame to its
// last, each marker the frame where one ends and the next begins.

/// The shortest part Slice into Equal Parts makes, in milliseconds.
constexpr int shortestPartMs = 5;
/// How far, in milliseconds, an equal part's marker moves to a zero crossing.
constexpr int zeroCrossingReachMs = 2;
constexpr int fewestParts = 2;
constexpr int mostParts = 64;
constexpr int defaultParts = 8;

/// The part of its recording that \a shape keeps, of a recording of
/// \a recordingFrames: its first frame and how many.
std::pair<qint64, qint64> keptPart(const SampleShape &shape, qint64 recordingFrames);

/// The markers of \a markers strictly inside the part from \a start,
/// \a frames long.
QList<qint64> markersWithin(const SliceMarkers &markers, qint64 start, qint64 frames);

/// The slices of the part from \a start, \a frames long, cut at \a markers
/// (each strictly inside it, in order): the first from \a start, each next
/// from the marker where the one before ends, the last to the part's end.
QList<SampleShape::Crop> sliceCrops(qint64 start, qint64 frames, const QList<qint64> &markers);

/// The name of slice \a number (from 1) of \a count cut from the sample
/// \a name: the number, of two digits or as many as \a count needs, after
/// "-" before the name's extension ("amen.wav", 3 of 12: "amen-03.wav").
QString sliceName(const QString &name, int number, int count);

/// A marker in the middle of each stretch of silence [first, end).
QList<qint64> markersAtSilences(const QList<std::pair<qint64, qint64>> &silences);

/// Why the part of \a frames frames at \a rate cannot be cut into \a parts
/// equal parts of at least shortestPartMs, in words; empty when it can.
QString equalPartsProblem(qint64 frames, int rate, int parts);

/// The markers that cut the part from \a start, \a frames long, into
/// \a parts equal parts, each moved to the nearest frame within
/// zeroCrossingReachMs at which the sound (\a positive: whether each frame
/// of the part is at or above zero) crosses zero, where there is one.
QList<qint64> equalPartMarkers(qint64 start, qint64 frames, int parts, int rate, const std::vector<bool> &positive);

/// The samples that replace \a entry, one for each of \a crops: the same
/// recording cropped to its slice, with its settings and loop, named
/// after it, not ready, no markers.
QList<KitEntry> slicedEntries(const KitEntry &entry, const QList<SampleShape::Crop> &crops);

/// What cutting a sample at its markers comes to: its slices, or why it
/// cannot be cut.
struct SlicePlan
{
    QString problem;
    QList<SampleShape::Crop> crops;
};

/// Reads the header of \a entry's recording (sox counts its frames where
/// the header cannot tell them), checks that it is as long as when it was
/// marked, and cuts the part it keeps at its markers; with its markers set
/// at silences, each slice keeps only its sound, as Trim Silence judges it.
/// Meant for a worker thread.
SlicePlan planSlices(const KitEntry &entry, const std::function<bool()> &cancelled = {});
