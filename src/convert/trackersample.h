#pragma once

#include "chunks.h"

#include <QByteArray>
#include <QString>

// A classic four-channel tracker module stores a sample's length in 16-bit
// words in a 16-bit field, so no sample can be longer than 65,535 words; the
// classic players, and their faithful clones by default, stop one word
// short of half of that.
constexpr qint64 classicTrackerSampleBytes = 65534;
constexpr qint64 trackerSampleBytesLimit = 131070;

/// \a text as trackers can show it: each character outside printable
/// ASCII as "_".
QByteArray printableAscii(const QString &text);

/// The name a tracker shows for a sample: its file name without a final
/// ".wav" in any letter case, each character outside printable ASCII as "_".
QByteArray trackerName(const QString &sampleName);

/// An 8SVX file as trackers take it.
struct TrackerSample
{
    QByteArray bytes; // the whole file; empty when it could not be made
    QString problem;  // why not
    int rate = 0; // samples a second
    qint64 bodySize = 0;
    qint64 soundSize = 0; // of it, sox's sound: without a silent word or a pad byte
    bool looped = false;
    qint64 loopStart = 0; // bytes into the BODY, as oneShot says when it loops
    qint64 loopLength = 0;
};

/// The 8SVX file of the bare sound sox made (\a sound, signed 8-bit at
/// \a rate) as trackers take it: named after \a sampleName, with the first
/// loop of the recording \a source scaled to the rate, a BODY of whole
/// 16-bit words, and, when it does not loop, two bytes of silence first
/// (trackers silence a one-shot sample's first word).
TrackerSample finishForTrackers(QByteArrayView sound, int rate, const QString &sampleName, const WavFormat &source);

/// A note on a written sample that a tracker would cut short, naming the
/// highest note at which it fits; an empty string when it fits.
QString lengthNote(const QString &fileName, const TrackerSample &sample);
