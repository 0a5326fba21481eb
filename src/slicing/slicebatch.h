#pragma once

#include "folderwalk.h"
#include "sample.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/// How the command line's --slice cuts each file: at its hits (at the
/// default sensitivity), at its silences, or into a number of equal parts.
struct SliceRequest
{
    enum Kind { Hits, Silences, Parts };
    Kind kind = Hits;
    int parts = 0;
};

/// The request \a text names: "hits", "silences" or a number of parts from
/// fewestParts to mostParts; nothing for anything else.
std::optional<SliceRequest> sliceRequest(const QString &text);

/// Samples with each replaced by its slices.
struct SlicedSamples
{
    QList<Sample> samples;
    QList<SampleShape> shapes;
    QList<FoundFile> origins;
    /// Those left whole, "name: why" (no hit found, no silence, too short).
    QStringList notSliced;
};

/// Cuts each of \a samples (shaped as \a shapes, found as \a origins) as
/// \a request asks, each file on a core of its own, and puts its slices in
/// its place, named after it (`kick-01.wav`, ...). A file that cannot be
/// read is left whole for the export to say why; one in which nothing is
/// found to cut at is left whole and named in notSliced.
SlicedSamples sliceSamples(const QList<Sample> &samples, const QList<SampleShape> &shapes,
                           const QList<FoundFile> &origins, const SliceRequest &request);
