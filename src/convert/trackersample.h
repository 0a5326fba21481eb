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

/// The name a tracker shows for a sample: its file name without its sound
/// file's extension in any letter case, each character outside printable
/// ASCII as "_".
QByteArray trackerName(const QString &sampleName);

/// Where sox's sound lies in a finished sample's BODY: after a silent first
/// word when it does not loop, the recording's loop in whole words, and the
/// BODY itself in whole words. The export writes it so, and the waveform
/// view and the note fitting reckon with it.
struct TrackerLayout
{
    qint64 silentBytes = 0; // before the sound: 2 for a one-shot
    qint64 bodySize = 0;
    bool looped = false;
    qint64 loopStart = 0; // bytes into the BODY
    qint64 loopLength = 0;
    /// The loop's crossfade: its last fadeBytes bytes blended with as many
    /// just before its start, by the law from 0 (Equal Gain) to 1 (Equal
    /// Power); fadeAsked bytes were asked for (0: no crossfade).
    qint64 fadeAsked = 0;
    qint64 fadeBytes = 0;
    double fadeLaw = 0.5;
};

/// The layout of \a soundBytes of sound at \a rate, with the first loop of
/// the recording \a source scaled to that rate.
TrackerLayout trackerLayout(qint64 soundBytes, int rate, const WavFormat &source);

/// The layout of \a sound, what sox made of \a source at \a rate, as the
/// export writes it: a loop set by hand has its edges moved, within 2 ms,
/// to word boundaries where the sound crosses zero the same way at both
/// edges and the bytes about them match best, so that it does not click;
/// and the loop's crossfade is as long as there is sound for it
/// (src/convert/loopseam.cpp).
TrackerLayout finishedLayout(QByteArrayView sound, int rate, const WavFormat &source);

/// How many bytes of sound sox makes of \a source at \a rate, as its header
/// tells before sox runs (its rate effect ends on the nearest whole frame);
/// -1 when the header does not say (not plain PCM or float, no data chunk,
/// no rate).
qint64 soundBytesAt(const WavFormat &source, int rate);

/// The highest note at which the finished sample of \a source fits what
/// classic trackers play, at \a ceilingRate or below (0: any); empty when it
/// fits at none or its length is not known.
QString highestFittingNote(const WavFormat &source, int ceilingRate = 0);

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
    QString crossfadeShortfall; // why its crossfade is shorter than asked, or left out
};

/// The 8SVX file of the bare sound sox made (\a sound, signed 8-bit at
/// \a rate) as trackers take it: named after \a sampleName, with the first
/// loop of the recording \a source scaled to the rate, a BODY of whole
/// 16-bit words, and, when it does not loop, two bytes of silence first
/// (trackers silence a one-shot sample's first word).
TrackerSample finishForTrackers(QByteArrayView sound, int rate, const QString &sampleName, const WavFormat &source);

/// The highest note at which a sample of \a soundSize bytes of sound at
/// \a rate (\a looped, or a one-shot with its silent word), made of the
/// recording \a source, fits what classic trackers play: from the source's
/// header when it tells the length, else from the sound sox made. Empty
/// when it fits at none.
QString fittingNote(qint64 soundSize, int rate, bool looped, const WavFormat &source);

/// A note on a written sample that a tracker would cut short, naming the
/// highest note at which it fits; an empty string when it fits.
QString lengthNote(const QString &fileName, const TrackerSample &sample, const WavFormat &source);
