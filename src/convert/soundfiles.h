#pragma once

// Which files are sound files: those whose extension names a format that sox
// reads, in any letter case. The file dialog, the folder walk, drops and
// exported names all go by this one list.

#include <QString>
#include <QStringList>

/// The extensions of the sound files sox reads, without their dots, lower
/// case: WAV, FLAC, AIFF and AIFF-C, Ogg Vorbis, MP3, Sun/NeXT AU, Wave64,
/// CAF and IFF 8SVX.
QStringList soundFileExtensions();

/// Whether \a name ends in ".<extension>" of a sound file, in any letter case.
bool isSoundFileName(const QString &name);

/// The same for a name as the system has it, in bytes.
bool isSoundFileName(const char *name);

/// \a name without its final sound file extension ("BD_01.aiff": "BD_01");
/// any other name as it is.
QString withoutSoundExtension(const QString &name);

/// A file dialog's patterns of every sound file: "*.wav *.flac …".
QString soundFilePatterns();
