#pragma once

#include "chunks.h"
#include "onsets.h"
#include "sampleshape.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// One read of a recording, as it is (before Normalise, as Trim Silence
// reads it), for what slicing needs of it: its hits, its stretches of
// silence, or where its sound crosses zero. sox decodes it, so every file
// sox reads can be sliced. Meant for a worker thread.

/// What slicing looks for in a recording.
enum class Looking { Hits, Silences, ZeroCrossings };

/// What one read of a recording found, within the part it was read in.
struct RecordingLook
{
    QString problem;   // empty once read whole
    qint64 start = 0;  // the recording's frame at which the part read begins
    qint64 frames = 0; // frames read
    int rate = 0;
    qint64 recordingFrames = 0; // of the whole recording, where its reader tells them
    /// Hits: aubio's curve, from which hits are picked at any sensitivity.
    std::shared_ptr<const HitCurve> hits;
    /// Silences: each stretch of silence at least shortestSilenceMs long
    /// that lies between sounds, as the recording's frames [first, end).
    QList<std::pair<qint64, qint64>> silences;
    /// ZeroCrossings: whether each frame of the part, its channels mixed,
    /// is at or above zero.
    std::vector<bool> positive;
};

/// The shortest silence at which Slice at Silences cuts, in milliseconds.
constexpr int shortestSilenceMs = 50;

/// Reads the recording at \a path (whose header is \a format) within
/// \a within (none: all of it) and finds \a what. Asks \a cancelled now and
/// then.
RecordingLook lookAtRecording(const QString &path, const WavFormat &format,
                              const std::optional<SampleShape::Crop> &within, Looking what,
                              const std::function<bool()> &cancelled = {});
