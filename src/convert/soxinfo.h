#pragma once

// What sox says of a recording whose header the program does not read
// itself (any sound file but a RIFF WAV), as `sox --info` prints it.

#include "chunks.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

/// The lines of `sox --info` that tell a recording's shape.
struct SoxInfo
{
    int channels = 0;
    int sampleRate = 0;
    qint64 frames = 0; // as its header counts them; 0 when it does not say
    /// Bits a sample takes in the file when it is stored plainly (PCM,
    /// µ-law, A-law); 0 for an encoding that compresses (FLAC, Vorbis, MP3,
    /// ADPCM), whose size tells nothing of its length.
    int storedBits = 0;
    /// Whether frames is what sox reads, as far as the file holds them: so
    /// for plain samples, FLAC and Ogg Vorbis, whose headers count them;
    /// not for MP3, whose count sox only reckons.
    bool framesTold = false;
};

/// The arguments that have sox tell of the recording at \a path, its name
/// taken as it is.
QStringList soxInfoArguments(const QString &path);

/// What `sox --info` printed, \a output; all zeros where it says nothing.
SoxInfo parseSoxInfo(const QByteArray &output);

/// \a format (read from the file's own header, or nothing) with what sox
/// said of the recording where the header did not tell it: channels, rate,
/// and its frames, taken as counted only when they are what sox reads and a
/// file of \a fileSize bytes can hold them (a file cut short keeps the count
/// of the whole).
WavFormat withSoxInfo(WavFormat format, const SoxInfo &info, qint64 fileSize);

/// sox's name for \a path: one that starts with "-" would be an option.
QString soxName(const QString &path);
