#pragma once

#include <QByteArray>
#include <QString>

/// Writes \a bytes as the new file \a fileName of \a directory: whole or
/// not at all (it is written unseen and only then given its name), never
/// over anything that is there unless \a replace (the user said so), with
/// the permissions of any new file of the user's. Returns why it could not,
/// in words for the user (a full disk, a name too long, something in the
/// way, a folder that is not there or cannot be written to), or an empty
/// string.
QString publishFile(const QString &directory, const QString &fileName, const QByteArray &bytes,
                    bool replace = false);
