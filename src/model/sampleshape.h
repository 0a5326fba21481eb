#pragma once

#include <QMetaType>
#include <QtGlobal>

#include <optional>

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

    std::optional<Crop> crop; // none: the whole recording
    Loop loop = Loop::Recording;
    qint64 loopStart = 0; // with Loop::Set: the first frame played
    qint64 loopEnd = 0;   // and the last, as a smpl loop counts them

    /// Whether it is the recording as it came, with its own loop.
    bool isWhole() const { return !crop && loop == Loop::Recording; }
    bool operator==(const SampleShape &other) const
    {
        return crop == other.crop && loop == other.loop
            && (loop != Loop::Set || (loopStart == other.loopStart && loopEnd == other.loopEnd));
    }
    bool operator!=(const SampleShape &other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(SampleShape)
