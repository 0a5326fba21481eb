#pragma once

#include "chunks.h"
#include "recording.h"

#include <QString>

/// What fitting a sample's note to what classic trackers play came to.
struct NoteFit
{
    enum Kind {
        Fits,         // at its note already: the note stays
        Lowered,      // at the highest lower note at which it fits
        FitsNowhere,  // too long even at C-1, where it is shortest
        LengthUnknown // its header does not tell: the note stays
    };
    Kind kind = LengthUnknown;
    QString note; // the note to make it at
};

/// The note at which the recording whose header is \a source plays whole in
/// a classic tracker (its finished BODY at most 65,534 bytes), from
/// \a note down: \a note itself when it fits there, else the highest lower
/// note that fits, else C-1. Reckoned exactly as the export will write it,
/// silent first word and whole words included.
NoteFit fitNote(const WavFormat &source, const QString &note);
