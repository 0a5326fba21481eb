#pragma once

#include "chunks.h"
#include "sample.h"

#include <QString>

// What is known to be wrong before sox runs, said in plain words rather
// than left to sox, or to a FIFO that would hold the window.

/// Why sox should not be given \a path at all, or an empty string: not a
/// regular file, or named in bytes Qt cannot say back. Where the source
/// cannot be found, sox is left to say so in its own words.
QString sourceProblem(const QString &path);

/// Why \a path cannot be trusted to name its file, or an empty string: it
/// names no file, and a name on its way is one that is not UTF-8, which Qt
/// reads with U+FFFD and cannot say back.
QString nameProblem(const QString &path);

/// Why \a sample's settings cannot be carried out on the recording whose
/// header is \a source (a low cut above all it holds, a high cut at 0 Hz),
/// or an empty string.
QString settingsProblem(const Sample &sample, const WavFormat &source);
