#pragma once

// What a run of sox said on its standard error, in the program's words.

#include <QByteArray>
#include <QString>

/// How far Normalise may raise a recording before it is said that the
/// recording may be mostly noise, in dB.
constexpr double noiseRaiseDb = 40;

/// What Normalise did to the sound of a run of sox, from what sox's stat
/// effect said on its standard error: the warning of noiseWarning(), or
/// nothing.
QString noiseWarningIn(const QByteArray &soxErrorOutput);

/// Why sox gave up, from its standard error: its last FAIL line, which a
/// usage text may follow, else its last line; empty when it said nothing.
QString soxReason(const QByteArray &soxErrorOutput);

/// Why the file sox wrote at \a path is not whole (\a problem), in words for
/// the user: a full temporary folder is named as such.
QString incompleteOutput(const QString &path, const QString &problem);
