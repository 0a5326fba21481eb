#pragma once

#include "sample.h"
#include "sampleshape.h"

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
/// sox keeps \a shape's part of the recording first, so that everything
/// after works on that part alone; and it dithers alike on every run, so
/// that every conversion of one sample makes the same bytes.
QStringList converterArguments(const Sample &sample, const QString &outputPath, int sourceRate = 0,
                               const SampleShape &shape = SampleShape());

/// Whether sox makes the same sound of \a a shaped as \a aShape and of
/// \a b shaped as \a bShape: everything a conversion reads is alike.
bool convertsAlike(const Sample &a, const SampleShape &aShape, const Sample &b, const SampleShape &bShape);
