#pragma once

// The headers the program reads itself, on any thread: a few small reads of
// a regular file, as cheap as a WAV file's chunk headers. A sound file of
// another kind is left to sox (recording.h), which takes a run of its own:
// tens of milliseconds, most of them spent loading sox's format libraries.

#include "chunks.h"

#include <QString>

/// The header of the sound file at \a path where the program reads it
/// itself: a RIFF WAV file's (readWavFormat()), a FLAC file's STREAMINFO,
/// an AIFF or AIFF-C file's COMM chunk. Its frames count as read only where
/// the file holds them (an AIFF file's sound bytes as far as it holds them,
/// a FLAC file's count as its header gives it). Rate 0 for any other kind
/// of file, or one whose header makes no sense. Survives any bytes, and
/// reads nothing but a regular file.
WavFormat readSoundHeader(const QString &path);
