#pragma once

#include "chunks.h"
#include "module.h"
#include "trackersample.h"

#include <QByteArray>
#include <QtGlobal>

#include <memory>
#include <vector>

/// The lowest and the highest byte of a stretch of sound, as signed 8-bit.
struct Peak
{
    qint8 low = 127;
    qint8 high = -128;

    bool isEmpty() const { return low > high; }
    void take(qint8 value)
    {
        low = qMin(low, value);
        high = qMax(high, value);
    }
    void take(Peak other)
    {
        low = qMin(low, other.low);
        high = qMax(high, other.high);
    }
};

/// A finished sample as the export writes its BODY, with the peaks of its
/// blocks at two sizes, so that a picture of any zoom reads a few hundred
/// values a pixel column at most.
struct WaveformSummary
{
    static constexpr qint64 fineBlock = 256;
    static constexpr qint64 coarseBlock = 16384;

    QByteArray body; // signed 8-bit, byte for byte the 8SVX BODY
    TrackerLayout layout;
    qint64 soundBytes = 0; // of the BODY, what sox made
    int rate = 0;
    WavFormat source; // the recording's header, for the note at which it fits
    std::vector<Peak> fine;
    std::vector<Peak> coarse;
    /// The loop's last bytes as they were before its crossfade, as many as
    /// any crossfade could take, from byte unfadedFrom: so that another
    /// crossfade can be tried without sox.
    QByteArray unfaded;
    qint64 unfadedFrom = 0;

    qint64 size() const { return body.size(); }
    qint8 at(qint64 index) const { return qint8(body.at(index)); }
    /// The peak of the bytes from \a from up to, not including, \a to.
    Peak extent(qint64 from, qint64 to) const;
};

/// The finished sample \a summary pictures, named \a sampleName, as it
/// goes into a module: what the keys play.
KitSample kitSample(const WaveformSummary &summary, const QString &sampleName);

/// Finishes sox's bare \a sound (signed 8-bit at \a rate) as the export
/// finishes it for trackers, in the same buffer, and summarises it. Meant
/// for a worker thread: a long recording takes a while.
std::shared_ptr<const WaveformSummary> summarise(QByteArray sound, int rate, const WavFormat &source);

/// \a summary as the export would finish it with its loop crossfaded over
/// \a ms milliseconds by \a law (\a ms 0: not crossfaded), made from its
/// own bytes at once, without sox: what the picture shows and the keys
/// play while a crossfade is being chosen. Without a loop, \a summary.
std::shared_ptr<const WaveformSummary> withCrossfade(const std::shared_ptr<const WaveformSummary> &summary, double ms,
                                                     double law);
