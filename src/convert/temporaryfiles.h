#pragma once

#include <QString>

/// The one owner of the files this program makes in the system temporary
/// directory. Each is created exclusively, so nobody can plant a file or a
/// link under its name first, and each is removed through here: by whoever
/// is done with it, and whatever is left when the program ends.
namespace TemporaryFiles {

/// Creates a new, empty, private file named brindlebox-XXXXXX<suffix> and
/// returns its path; an empty string when none can be made.
QString create(const QString &suffix);

/// Removes a file made by create().
void remove(const QString &path);

/// Removes every file made by create() that is still there: for a program
/// that must end now, without its usual clearing up.
void removeAll();

} // namespace TemporaryFiles
