#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <functional>

/// A sound file to load, and where it lies under the folder it was found in.
struct FoundFile
{
    QString path;      // as named, or the folder named + "/" + the path under it
    QString subfolder; // "Kicks", "Snares/Rim"; empty when named or at the top of a folder
    /// Why it must not be converted, or empty: a name on its way that is
    /// not valid UTF-8, which Qt cannot say back, so its path may name
    /// another file.
    QString problem;
};

Q_DECLARE_METATYPE(FoundFile)

/// What a search of the paths found.
struct FileSearch
{
    QList<FoundFile> files;
    QStringList unreadable;   // "<folder>: <the system's reason>"
    QStringList emptyFolders; // folders named that hold no sound file and nothing unreadable
    /// Files in the folders that are not sound files, so were left out:
    /// regular files, and links to them, that are not hidden.
    qsizetype notSound = 0;
};

/// The files \a paths stand for, in order. A path that is not a folder is
/// taken as it is, even one that does not exist or is not a sound file: the
/// caller decides. A folder stands for every regular file under it whose
/// name is a sound file's (isSoundFileName()), depth first in comesBefore()
/// order; hidden entries are skipped, links to files followed and links to
/// folders not (a folder named may itself be a link). With more than one
/// folder named, each keeps its own name as the first part of its files'
/// subfolders, as copying them into one folder would. \a enough is asked
/// before each folder is read, with what was found so far; once it says
/// yes (cancelled, or the first file is all that is wanted), that is
/// returned.
FileSearch findSoundFiles(const QStringList &paths, const std::function<bool(const FileSearch &)> &enough = {});

/// The order of a folder's entries: letter case ignored, runs of digits by
/// value. Names that would tie ("kick 02", "kick 2") go by their plain text,
/// so the order never rests on the folder's own.
bool comesBefore(const QString &a, const QString &b);
