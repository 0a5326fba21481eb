#pragma once

#include <QString>

/// ProTracker's notes, C-1 (0) to B-3 (35): three octaves.
constexpr int trackerNoteCount = 36;

/// The period of tracker note \a note on a PAL Amiga: C-1 856, C-2 428,
/// B-3 113.
int trackerNotePeriod(int note);

/// What trackers call \a note: "C-1", "C#1", ... "B-3".
QString trackerNoteName(int note);

/// The note at which a sample made at \a rate sounds at its own pitch, the
/// note a module plays it at: the one whose period is nearest the sample's.
int ownTrackerNote(int rate);
