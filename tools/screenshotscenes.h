#pragma once

// What the screenshot tool does to the waveform window before it takes a
// picture: a loop set by hand, a crossfade, slices at hits.

#include <QPixmap>

#include <functional>

class QWidget;

/// How often the tool looks whether what it waits for has come, and when it
/// gives up, in milliseconds.
constexpr int pollMs = 20;
constexpr int giveUpMs = 10000;

/// Lets the event loop run until \a done says so; false when it never does.
bool waitFor(const std::function<bool()> &done);

/// Loops the shown sample by hand over the middle of its picture, as a
/// user does with Loop Selection, then selects a stretch before the loop.
bool shapeShownSample(QWidget *waveform);

/// The seam of the loop as it plays, before and after Crossfade Loop… with
/// its defaults, one above the other; a null picture when the crossfade
/// does not come.
QPixmap crossfadeBeforeAndAfter(QWidget *waveform);

/// Slices the shown sample at its hits, as a user does with Slice at
/// Hits… and OK at the sensitivity it opens with.
bool sliceShownSample(QWidget *waveform);
