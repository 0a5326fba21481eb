#pragma once

#include "sample.h"

#include <QString>
#include <QStringList>

/// How long one run of sox may take before it is stopped, in milliseconds.
constexpr int converterTimeLimitMs = 30000;

/// The arguments that turn \a sample into an 8-bit mono file at its note's
/// rate, written to \a outputPath; sox picks WAV or 8SVX from its extension.
QStringList converterArguments(const Sample &sample, const QString &outputPath);

/// Runs sox once on \a sample, writing a WAV file (\a toWav) or an 8SVX file
/// into a new file of the system temporary directory, and returns its path.
/// The file is left there for the caller. When the conversion fails the
/// returned path names no file, so nothing half-written is played or copied.
/// Blocks until sox ends, at most converterTimeLimitMs.
QString convertSample(Sample sample, bool toWav);

/// As above, with its own time limit, so a hanging converter can be tried
/// out without waiting the full limit.
QString convertSample(Sample sample, bool toWav, int timeLimitMs);
