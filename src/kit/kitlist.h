#pragma once

#include "folderwalk.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class QWidget;

// Building the kit piece by piece: samples added, removed, moved, renamed
// and duplicated in the main window's sample list, each one step of the
// kit's history, whichever window asked. Each acts on the shown sample,
// and says in words what it did or why it did nothing; nothing is lost
// either way.

/// What a change to the list came to.
struct ListEdit
{
    bool done = false;
    QString said; // what it did ("Removed kick.wav…"), or why it did nothing; may be empty when done
};

/// Appends the recordings at \a paths (found as \a origins, when from a
/// folder) to the list of \a mainWindow as one step, and shows the first;
/// nothing is asked, and a name another sample has already is made its own
/// ("kick 2.wav").
ListEdit addRecordings(QWidget *mainWindow, const QStringList &paths, const QList<FoundFile> &origins = {});

/// Asks, over \a parent, for recordings to add to the list of \a mainWindow
/// in Qt's file dialog, and appends them.
ListEdit addSamples(QWidget *parent, QWidget *mainWindow);

/// Takes the shown sample out of the list; the one after it is shown.
ListEdit removeShownSample(QWidget *mainWindow);

/// Moves the shown sample \a by places (-1: up, 1: down); past either end
/// it stays, and that is said.
ListEdit moveShownSample(QWidget *mainWindow, int by);

/// Moves the sample at \a from to \a to, the others closing up behind it,
/// as a row dragged in the kit's table.
ListEdit moveSample(QWidget *mainWindow, int from, int to);

/// Names the shown sample \a name, the name its exported file, its NAME
/// chunk and its module slot take; its recording stays. A name emptied,
/// one a file name cannot hold, or one that another sample has, is refused.
ListEdit renameShownSample(QWidget *mainWindow, const QString &name);

/// Asks, over \a parent, for the shown sample's new name, and renames it.
ListEdit askToRenameShownSample(QWidget *parent, QWidget *mainWindow);

/// Puts a second sample of the shown sample's recording after it, with the
/// same settings and shape but a name of its own, and shows it.
ListEdit duplicateShownSample(QWidget *mainWindow);

/// Why \a name cannot be a sample's name, in words; empty when it can.
QString sampleNameProblem(const QString &name);

/// Where a sample named \a name, found in \a subfolder, is exported to
/// under the export folder: two samples of one such path would be one file.
QString exportedAs(const QString &name, const QString &subfolder);

/// A name like \a name whose exportedAs() in \a subfolder none of \a taken
/// is: "kick 2.wav", "kick 3.wav", ...; \a name itself when it is free.
QString freeName(const QString &name, const QString &subfolder, const QSet<QString> &taken);
