#pragma once

#include <QtGlobal>

#include <vector>

// How far a band of a recording's sound rises at each step above the most
// it held over the steps just before. A kick drum struck rises above the
// tail it falls into within a few milliseconds; the wobble of a long kick's
// tail, or a ringing cymbal's swell heard in the same band, does not.

class BandRise
{
public:
    /// Ready to take steps of \a step frames.
    explicit BandRise(int step);

    /// Takes the band's sound for the next step, \a step frames.
    void take(const float *frames);
    /// Works out the rises once the last step is taken.
    void finish();

    /// The most the band rises at a step from \a first to \a last, as a
    /// ratio of power; 0 where it is not known.
    double most(qsizetype first, qsizetype last) const;

private:
    int m_step;
    std::vector<float> m_energy; // of each step
    std::vector<float> m_rise;   // at each step
};
