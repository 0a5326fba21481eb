#pragma once

#include "sampleshape.h"

#include <QList>
#include <QString>

#include <utility>

class QUndoStack;
class QWidget;

/// One sample's shape before and after a change: the entry's place in the
/// list and the two shapes, never any sound.
struct ShapeChange
{
    int index = 0;
    SampleShape before;
    SampleShape after;
};

/// The history of every change to the shapes of \a mainWindow's samples, in
/// order, for Undo and Redo in every window; made on first use. It holds
/// places in the list, so it is cleared whenever the list is replaced.
QUndoStack *shapeHistory(QWidget *mainWindow);

/// Gives each entry of \a changes its new shape, as one step of the history
/// named \a text ("Crop to Selection"); nothing where a shape stays as it
/// was.
void changeShapes(QWidget *mainWindow, const QList<ShapeChange> &changes, const QString &text);

/// Gives the entry at \a index the shape \a shape, as one step named \a text.
void changeShape(QWidget *mainWindow, int index, const SampleShape &shape, const QString &text);
