#pragma once

#include "chunks.h"
#include "sampleshape.h"

#include <QString>

#include <functional>

/// What Trim Silence takes for silence: whatever stays this far below full
/// scale.
constexpr double defaultSilenceDb = 48;

/// How long a stretch the level is judged over, in milliseconds: a single
/// quiet value between two sounds is no silence.
constexpr int silenceWindowMs = 5;

/// Where the sound of a recording lies, with the silence at both ends cut.
struct SoundSpan
{
    enum Kind {
        Sound,     // from start, frames long
        Silent,    // silent throughout: nothing to cut to
        Unreadable // problem says why
    };
    Kind kind = Unreadable;
    qint64 start = 0; // the recording's frames
    qint64 frames = 0;
    QString problem;
    qint64 lookedAt = 0; // frames of the part looked through, from where it starts
};

/// Finds the sound of the recording at \a path (whose header is \a format)
/// within the part \a within keeps (none: all of it): from the first to the
/// last stretch of silenceWindowMs that rises to \a thresholdDb below full
/// scale on any channel, before Normalise. Plain PCM and float are read
/// where they lie, the ends only; other encodings, and every sound file but
/// a WAV, are decoded by sox, in the channels and at the rate \a format has
/// (readRecording() reads them); unreadable when it has none. NaN counts as
/// sound. Reads only a regular file; meant for a worker thread, asking
/// \a cancelled now and then.
SoundSpan findSound(const QString &path, const WavFormat &format, const std::optional<SampleShape::Crop> &within,
                    double thresholdDb = defaultSilenceDb, const std::function<bool()> &cancelled = {});

/// \a shape with its crop narrowed to \a span's sound; as it was when the
/// sound fills all that was looked through.
SampleShape trimmedTo(SampleShape shape, const SoundSpan &span);
