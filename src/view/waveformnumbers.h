#pragma once

#include "sample.h"
#include "waveformsummary.h"

#include <QString>

// What the waveform window says in words under its picture.

/// \a value with its thousands grouped, as every number of the window
/// shows: "65,534".
QString number(qint64 value);

/// The numbers of what \a summary pictures: name, note and rate, length,
/// loop, the part of the recording kept, how far Normalise raised it when
/// that was far (\a noise), where a module, and so the keys, cut it, and,
/// when too long for a classic tracker, the note at which it fits, as the
/// export's report names it.
QString numbersLine(const Sample &sample, const SampleShape &shape, const WaveformSummary &summary,
                    const QString &noise);

/// \a text with its first letter in upper case: a sentence of its own.
QString sentence(QString text);
