#pragma once

#include "trackersample.h"

#include <QString>

#include <utility>

// Where a finished loop's edges lie and how its seam is blended: the same
// code for the picture, the keys and the file.

/// \a layout with a crossfade of \a ms milliseconds at \a rate by \a law:
/// as long as asked, but no longer than the sound before the loop's start
/// or half the loop, and none for a loop of fewer than 4 bytes.
TrackerLayout withCrossfade(TrackerLayout layout, int rate, double ms, double law);

/// The most bytes a crossfade can take in \a layout: the sound before the
/// loop's start, at most half the loop; 0 for a loop of fewer than 4 bytes.
qint64 longestCrossfade(const TrackerLayout &layout);

/// The weights, at \a t from 0 to 1 through a fade by \a law, of the sound
/// coming in and of the sound going out: at Equal Gain (0) they sum to one,
/// at Equal Power (1) their squares do, and a law between mixes the two.
std::pair<double, double> crossfadeWeights(double t, double law);

/// Blends the loop's last fadeBytes bytes of \a body, a BODY laid out as
/// \a layout, fading out, with as many just before the loop's start, fading
/// in: the loop's last byte becomes the one before its start, so that the
/// byte after it is, in effect, its first.
void blendLoopEnd(char *body, const TrackerLayout &layout);

/// How many milliseconds \a bytes last at \a rate.
double millisecondsOf(qint64 bytes, int rate);

/// \a law in words: "Equal Gain", "halfway between Equal Gain and Equal
/// Power", "30 % of the way from Equal Gain to Equal Power", ...
QString lawWords(double law);

/// The crossfade of \a layout at \a rate as the waveform window's numbers
/// give it ("crossfade 40.2 ms, 667 bytes, halfway between Equal Gain and
/// Equal Power"), with what became of one asked for but shorter or left
/// out at this note; nothing when none was asked for.
QString crossfadeWords(const TrackerLayout &layout, int rate);

/// Why the crossfade asked for in \a layout is shorter than asked, or left
/// out, at \a rate, for the export's report; nothing when it is as asked.
QString crossfadeShortfall(const TrackerLayout &layout, int rate);
