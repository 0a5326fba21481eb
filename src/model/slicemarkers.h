#pragma once

#include <QList>
#include <QMetaType>
#include <QtGlobal>

/// Where the user means to cut a recording into slices: each marker is the
/// frame of the recording at which one slice ends and the next begins.
/// Kept in the recording's own frames, so that they hold at every note.
struct SliceMarkers
{
    QList<qint64> frames;       // in order, none twice
    qint64 recordingFrames = 0; // how long the recording was when they were set: a change on disk shows
    bool leaveOutSilence = false; // set at silences: each slice keeps only its sound

    bool isEmpty() const { return frames.isEmpty(); }
    bool operator==(const SliceMarkers &other) const
    {
        return frames == other.frames && recordingFrames == other.recordingFrames
            && leaveOutSilence == other.leaveOutSilence;
    }
    bool operator!=(const SliceMarkers &other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(SliceMarkers)
