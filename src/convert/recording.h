#pragma once

// A recording's header as far as it can be known before it is converted:
// the program reads a RIFF WAV's itself, and sox tells the rest. Each of
// these runs sox and waits for it: never on the window's thread.

#include "chunks.h"

#include <QString>

/// The header of the recording at \a path: a WAV, FLAC or AIFF file's own,
/// as readSoundHeader() reads it, and for any other sound file sox reads
/// (Ogg Vorbis, MP3, AU, Wave64, CAF, 8SVX, …) what sox says of it. Its frames are those sox
/// reads: counted by sox where the header alone cannot tell them (µ-law,
/// ADPCM, GSM, any file but a WAV), and counted in full where the file
/// holds less than its header claims. Length unknown when sox cannot read
/// the file either.
WavFormat readRecording(const QString &path);

/// \a source with its frames counted by sox from the recording at \a path
/// where they are not known yet; as it is otherwise.
WavFormat withFramesCounted(WavFormat source, const QString &path);
