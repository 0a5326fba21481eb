#pragma once

#include "chunks.h"
#include "sampleshape.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

/// A recording as a sample's shape leaves it.
struct ShapedRecording
{
    /// Its header as the sample has it: its frames those kept, its loop the
    /// one it plays, counted from the first frame kept.
    WavFormat source;
    /// Why the shape cannot be carried out (the recording has become shorter
    /// than the part kept): nothing is to be made of it.
    QString problem;
    /// Why its loop is left out: it lies outside the part kept.
    QString loopDropped;
    /// Why its crossfade is left out: it has no loop to crossfade, or its
    /// recording's loop is no longer the one it was made for.
    QString crossfadeDropped;
    /// The crossfade is left out only because there is no loop at all.
    bool noLoopToCrossfade = false;
};

/// What \a shape makes of the recording whose header is \a recording.
ShapedRecording shapeRecording(const WavFormat &recording, const SampleShape &shape);

/// sox's effect that keeps \a shape's part of the recording, first in the
/// chain; nothing for the whole recording.
QStringList trimArguments(const SampleShape &shape);

/// Whether sox, told to keep part of a recording, said that the recording
/// ended before that part did.
bool trimFellShort(const QByteArray &soxErrorOutput);

/// What the export says when the recording ended before its part did.
QString recordingShorterThanCrop();
