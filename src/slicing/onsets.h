#pragma once

#include "hitrise.h"

#include <QList>
#include <QtGlobal>

#include <memory>
#include <vector>

// The hits of a recording, as aubio's onset detector finds them. This is the
// one place that speaks to aubio; the rest of the program speaks of hits.

/// How keenly hits are looked for: 0 takes only the strongest, 100 the
/// faintest; the default suits drum loops.
constexpr int leastSensitivity = 0;
constexpr int mostSensitivity = 100;
constexpr int defaultSensitivity = 50;

/// What aubio's detector makes of a recording once: how sharply its sound
/// changes at each step of a few milliseconds, over the whole spectrum and
/// in the kick drum's low band apart (where a kick under the tail of a
/// cymbal or snare changes little of the whole), and how far the low band's
/// energy rises at each step (a kick's does; a tail's wobble does not).
/// Picking the hits from it again at another sensitivity costs well under a
/// millisecond, so a slider can follow them.
class HitCurve
{
public:
    /// Ready to take the mono sound of a recording of \a rate frames a second.
    explicit HitCurve(int rate);
    ~HitCurve();
    HitCurve(HitCurve &&) noexcept;
    HitCurve &operator=(HitCurve &&) noexcept;

    /// Takes the next \a count frames of the sound.
    void take(const float *frames, qint64 count);
    /// Takes what is left over after the last frame; nothing more may come.
    void finish();

    /// The frames of the sound taken at which hits begin at \a sensitivity
    /// (leastSensitivity to mostSensitivity), in order, at least the
    /// shortest gap apart; none within that gap of the start, where the
    /// first slice begins anyway.
    QList<qint64> hits(int sensitivity) const;

    qint64 frames() const { return m_frames; }
    int rate() const { return m_rate; }

private:
    struct Detector;
    /// What one band's curve holds once finished: the curve smoothed, and
    /// the median and mean of it around each step, from which a step's
    /// threshold is made at any sensitivity.
    struct Band
    {
        std::vector<float> value;
        std::vector<float> median;
        std::vector<float> mean;
    };

    void pick(const Band &band, double threshold, const BandRise *rise, QList<qint64> &found) const;

    int m_rate;
    int m_hop;
    qint64 m_frames = 0;
    qint64 m_placeBack = 0;   // how late the curve's peak runs after the hit, in frames
    qint64 m_shortestGap = 0; // between two hits, in frames
    std::unique_ptr<Detector> m_detector; // while the sound comes
    std::vector<float> m_pending;         // frames short of a whole step
    std::vector<bool> m_quiet;            // whether each step is below the silence gate
    Band m_whole; // the detector's value at each step, whole spectrum
    Band m_low;   // and in the low band
    BandRise m_lowRise; // how far the low band's sound rises at each step
};
