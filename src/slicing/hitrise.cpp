#include "hitrise.h"

#include <algorithm>

namespace {

// What a rise is measured over, in steps of about 3 ms: the ~12 ms from a
// step on, against the loudest ~12 ms within the ~46 ms before it.
constexpr int stepsAfter = 4;
constexpr int stepsBack = 16;

} // namespace

BandRise::BandRise(int step)
    : m_step(qMax(step, 1))
{
}

void BandRise::take(const float *frames)
{
    double sum = 0;
    for (int i = 0; i < m_step; ++i)
        sum += double(frames[i]) * frames[i];
    m_energy.push_back(float(sum));
}

void BandRise::finish()
{
    const auto steps = qsizetype(m_energy.size());
    // The energy of the stretch from each step on.
    std::vector<double> stretch(size_t(steps), 0.0);
    for (qsizetype step = 0; step + stepsAfter <= steps; ++step) {
        for (int i = 0; i < stepsAfter; ++i)
            stretch[size_t(step)] += m_energy[size_t(step + i)];
    }
    // A floor far below hearing, so that digital silence rises nowhere.
    const double floor = 1e-9 * m_step;
    m_rise.assign(size_t(steps), 0.0f);
    for (qsizetype step = stepsAfter; step + stepsAfter <= steps; ++step) {
        double before = floor;
        for (qsizetype earlier = qMax<qsizetype>(0, step - stepsAfter - stepsBack); earlier <= step - stepsAfter; ++earlier)
            before = std::max(before, stretch[size_t(earlier)]);
        m_rise[size_t(step)] = float((stretch[size_t(step)] + floor) / before);
    }
    m_energy = {};
}

double BandRise::most(qsizetype first, qsizetype last) const
{
    double most = 0;
    for (qsizetype step = qMax<qsizetype>(first, 0); step <= last && step < qsizetype(m_rise.size()); ++step)
        most = std::max(most, double(m_rise[size_t(step)]));
    return most;
}
