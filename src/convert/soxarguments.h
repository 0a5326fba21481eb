#pragma once

#include "sample.h"

#include <QString>
#include <QStringList>

/// sox's output argument for the bare sound on its standard output.
inline const QString soundOnStandardOutput = QStringLiteral("-");

/// The arguments that turn \a sample into an 8-bit mono file at its note's
/// rate, written to \a outputPath; sox picks WAV or 8SVX from its extension,
/// and writes the bare sound to its standard output for
/// soundOnStandardOutput.
/// With the source's \a sourceRate known (not 0), a high cut at or above half
/// of it is left out: the recording holds nothing up there to cut, and sox
/// would refuse the whole conversion.
QStringList converterArguments(const Sample &sample, const QString &outputPath, int sourceRate = 0);
