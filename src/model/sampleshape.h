#pragma once

#include <QMetaType>
#include <QtGlobal>

#include <optional>
#include <utility>

/// How much of its recording a sample keeps and where it loops, as the user
/// shaped it on the picture. Kept in the recording's own frames, so that it
/// holds at every note; the default keeps the whole recording with the loop
/// its file brings, if any.
struct SampleShape
{
    /// The frames kept: \a frames of them from \a start.
    struct Crop
    {
        qint64 start = 0;
        qint64 frames = 0;
        bool operator==(const Crop &other) const { return start == other.start && frames == other.frames; }
    };
    /// Whose loop the sample plays: its recording's own (a sampler's smpl
    /// chunk), none (it plays once), or one set by hand.
    enum class Loop { Recording, None, Set };
    /// The loop's last stretch blended with the sound just before the loop's
    /// start, so that its end leads into its start as the start's own past
    /// did. Its length is in milliseconds, which hold at every note.
    struct Crossfade
    {
        double ms = 0;
        double law = 0.5; // 0: Equal Gain (weights summing to one), 1: Equal Power (their squares do)
        /// The loop it was made for, in the recording's frames (first and
        /// last played); none: whichever loop the sample plays.
        std::optional<std::pair<qint64, qint64>> loopFrames;
        bool operator==(const Crossfade &other) const
        {
            return ms == other.ms && law == other.law && loopFrames == other.loopFrames;
        }
    };

    std::optional<Crop> crop; // none: the whole recording
    Loop loop = Loop::Recording;
    qint64 loopStart = 0; // with Loop::Set: the first frame played
    qint64 loopEnd = 0;   // and the last, as a smpl loop counts them
    std::optional<Crossfade> crossfade;

    /// Whether it is the recording as it came, with its own loop.
    bool isWhole() const { return !crop && loop == Loop::Recording && !crossfade; }
    bool operator==(const SampleShape &other) const
    {
        return crop == other.crop && loop == other.loop
            && (loop != Loop::Set || (loopStart == other.loopStart && loopEnd == other.loopEnd))
            && crossfade == other.crossfade;
    }
    bool operator!=(const SampleShape &other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(SampleShape)
