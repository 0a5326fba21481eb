#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/// Writes \a bytes as the new file \a fileName of \a directory: whole or
/// not at all (it is written unseen and only then given its name), never
/// over anything that is there unless \a replace (the user said so), with
/// the permissions of any new file of the user's. Returns why it could not,
/// in words for the user (a full disk, a name too long, something in the
/// way, a folder that is not there or cannot be written to), or an empty
/// string.
QString publishFile(const QString &directory, const QString &fileName, const QByteArray &bytes,
                    bool replace = false);

/// Makes \a subfolder ("Kicks", "Snares/Rim") of \a directory, each part
/// that is not there yet, never over something of that name that is not a
/// folder. Returns why it could not, in words for the user, or an empty
/// string; the folders it made, even when it then failed, go into \a made.
QString makeFolders(const QString &directory, const QString &subfolder, QStringList *made = nullptr);

/// Removes the folders \a made (as makeFolders() gives them) that are
/// empty, deepest first.
void removeEmptyFolders(const QStringList &made);
