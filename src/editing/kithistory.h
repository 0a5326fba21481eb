#pragma once

#include "sample.h"

#include <QList>
#include <QString>

class QUndoStack;
class QWidget;

// Every change to the kit that Undo can take back, in one history for all of
// the program's windows: the shapes of its samples, the notes fitting
// chooses, and the list itself (samples added, removed, moved, renamed,
// replaced). Each step holds entries and places in the list, never sound.
// Undo and Redo show the sample a step changes, when it changes one.

/// The history of \a mainWindow's sample list, made on first use. It holds
/// places in the list, so it is cleared whenever the list is replaced.
QUndoStack *kitHistory(QWidget *mainWindow);

/// One entry before and after a change. A step writes only what differs
/// between the two, so that it never takes back what was changed outside
/// the history meanwhile (a note picked in the list, a cut switched on).
struct EntryChange
{
    int index = 0;
    KitEntry before;
    KitEntry after;
};

/// Makes \a changes to many samples one step of the history named \a text
/// ("Fit Kit into Size"); nothing when no entry would change.
void changeEntries(QWidget *mainWindow, const QList<EntryChange> &changes, const QString &text);

/// Makes \a change to one sample one step of the history, named \a text and
/// the sample's name ("Rename of kick.wav"), that shows the sample when it
/// is done, undone or redone.
void changeEntry(QWidget *mainWindow, const EntryChange &change, const QString &text);

/// One sample's shape before and after a change.
struct ShapeChange
{
    int index = 0;
    SampleShape before;
    SampleShape after;
};

/// Gives each entry of \a changes its new shape, as one step named \a text
/// ("Trim Silence of All Samples"); nothing where a shape stays as it was.
void changeShapes(QWidget *mainWindow, const QList<ShapeChange> &changes, const QString &text);

/// Gives the entry at \a index the shape \a shape, as one step named
/// \a text and the sample's name ("Crop to Selection of kick.wav").
void changeShape(QWidget *mainWindow, int index, const SampleShape &shape, const QString &text);

/// Replaces the \a count entries from \a at with \a entries, as one step
/// named \a text: an insertion when \a count is 0, a removal when
/// \a entries is empty. The first new entry is shown, or, when none came,
/// the one now at \a at (the last, past the end).
void replaceEntries(QWidget *mainWindow, int at, int count, const QList<KitEntry> &entries, const QString &text);

/// Moves the entry at \a from to \a to as one step named \a text, and shows
/// it there.
void moveEntry(QWidget *mainWindow, int from, int to, const QString &text);
