#pragma once

// The options of Brindlebox's command line, shared by the reader that
// checks a command line and the first look that decides, before anything
// is loaded, whether the window is wanted.

#include <QString>
#include <QStringList>

class QCommandLineParser;

namespace options {

inline const QString exportOption = QStringLiteral("export");
inline const QString moduleOption = QStringLiteral("module");
inline const QString noteOption = QStringLiteral("note");
inline const QString noNormaliseOption = QStringLiteral("no-normalise");
inline const QString lowCutOption = QStringLiteral("low-cut");
inline const QString highCutOption = QStringLiteral("high-cut");
inline const QString jobsOption = QStringLiteral("jobs");
inline const QString fitOption = QStringLiteral("fit");
inline const QString moduleSizeOption = QStringLiteral("module-size");
inline const QString notesOption = QStringLiteral("notes");
inline const QString trimSilenceOption = QStringLiteral("trim-silence");
inline const QString crossfadeOption = QStringLiteral("crossfade");
// --trim-silence=DB, as QCommandLineParser cannot give a flag a value of its
// own: the value comes under this name, which --help does not show.
inline const QString trimSilenceDbOption = QStringLiteral("trim-silence-db");


} // namespace options

/// \a arguments with --trim-silence=DB (or -trim-silence=DB) as
/// --trim-silence-db DB, up to a "--" after which every argument is a file.
QStringList withTrimSilenceValue(const QStringList &arguments);

/// Tells \a parser every option, with the words --help shows.
void describeOptions(QCommandLineParser &parser);
