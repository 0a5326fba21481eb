#pragma once

// What the tests of the kit window share: short recordings (a.wav to e.wav),
// a long one (pad.wav) and a text file, a shown main window for each test,
// and the kit window opened, read and keyed as a user does.

#include "windowfixture.h"

#include <QComboBox>
#include <QKeySequence>
#include <QTableView>
#include <QTemporaryDir>
#include <QUndoStack>

#include <memory>

class KitWindowFixture : public WindowFixture
{
protected:
    /// Makes the recordings (in initTestCase).
    void makeRecordings();
    /// Opens the kit window from the main window's context menu.
    QWidget *openKit();
    QTableView *table() { return find<QTableView>("kitTable"); }
    /// What the table shows in \a column, row by row.
    QStringList column(int column);
    /// The names of the list's samples, in order.
    QStringList names();
    /// Presses \a keys in the kit window, as a user does.
    void press(const QKeySequence &keys);
    QString undoText() { return find<QUndoStack>("kitHistory")->undoText(); }

    QTemporaryDir dir;
};
