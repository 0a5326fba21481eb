#include "onsets.h"

// aubio's peak picker, which its onset detector runs inside, is in its
// "unstable" part: picking again from a kept curve needs it.
#define AUBIO_UNSTABLE 1
#include <aubio/aubio.h>

#include <cmath>

namespace {

// The complex-domain detector finds the hits of drum loops best of aubio's
// own (with its own whitening and compression); a step of 128 frames at
// 44.1 kHz places a hit within 3 ms.
const char *const method = "complex";
constexpr int stepAt44k = 128;
constexpr int stepsPerWindow = 4;

/// aubio's peak-picking threshold at \a sensitivity: 0.4 at the default,
/// halved or doubled every 25 steps of the slider.
smpl_t thresholdAt(int sensitivity)
{
    return smpl_t(0.4 * std::exp2(double(defaultSensitivity - qBound(leastSensitivity, sensitivity, mostSensitivity)) / 25));
}

/// A step near 3 ms whatever the rate: a power of two.
int stepFor(int rate)
{
    int step = stepAt44k;
    while (step < 4096 && rate / step > 44100 / stepAt44k * 3 / 2)
        step *= 2;
    while (step > 16 && rate / step < 44100 / stepAt44k * 2 / 3)
        step /= 2;
    return step;
}

} // namespace

struct HitCurve::Detector
{
    aubio_onset_t *onset = nullptr;
    fvec_t *input = nullptr;
    fvec_t *output = nullptr;
    smpl_t silence = -70;

    ~Detector()
    {
        if (onset)
            del_aubio_onset(onset);
        if (input)
            del_fvec(input);
        if (output)
            del_fvec(output);
    }
};

HitCurve::HitCurve(int rate)
    : m_rate(qMax(rate, 1))
    , m_hop(stepFor(m_rate))
    , m_detector(std::make_unique<Detector>())
{
    m_detector->onset = new_aubio_onset(method, uint_t(m_hop * stepsPerWindow), uint_t(m_hop), uint_t(m_rate));
    m_detector->input = new_fvec(uint_t(m_hop));
    m_detector->output = new_fvec(1);
    if (m_detector->onset) {
        m_detector->silence = aubio_onset_get_silence(m_detector->onset);
        m_delay = aubio_onset_get_delay(m_detector->onset);
        m_shortestGap = aubio_onset_get_minioi(m_detector->onset);
    }
    m_pending.reserve(size_t(m_hop));
}

HitCurve::~HitCurve() = default;
HitCurve::HitCurve(HitCurve &&) noexcept = default;
HitCurve &HitCurve::operator=(HitCurve &&) noexcept = default;

void HitCurve::take(const float *frames, qint64 count)
{
    if (!m_detector || !m_detector->onset)
        return;
    m_frames += count;
    fvec_t *input = m_detector->input;
    for (qint64 i = 0; i < count; ++i) {
        m_pending.push_back(frames[i]);
        if (qsizetype(m_pending.size()) < m_hop)
            continue;
        std::copy(m_pending.begin(), m_pending.end(), input->data);
        m_pending.clear();
        aubio_onset_do(m_detector->onset, input, m_detector->output);
        m_curve.push_back(aubio_onset_get_descriptor(m_detector->onset));
        m_quiet.push_back(aubio_silence_detection(input, m_detector->silence) == 1);
    }
}

void HitCurve::finish()
{
    if (!m_detector || !m_detector->onset)
        return;
    if (!m_pending.empty()) {
        const qint64 frames = m_frames;
        m_pending.resize(size_t(m_hop), 0.0f);
        const std::vector<float> last = m_pending;
        m_pending.clear();
        take(last.data(), m_hop);
        m_frames = frames;
    }
    // The curve is all that picking needs.
    m_detector.reset();
}

QList<qint64> HitCurve::hits(int sensitivity) const
{
    // As aubio_onset_do picks them as it goes, from the kept curve: a peak
    // above the threshold, where the step is not silent, at least the
    // shortest gap after the last, placed back by the detector's delay.
    QList<qint64> found;
    aubio_peakpicker_t *picker = new_aubio_peakpicker();
    if (!picker)
        return found;
    aubio_peakpicker_set_threshold(picker, thresholdAt(sensitivity));
    fvec_t *value = new_fvec(1);
    fvec_t *peak = new_fvec(1);
    qint64 last = 0;
    for (size_t step = 0; step < m_curve.size(); ++step) {
        const qint64 at = qint64(step) * m_hop;
        value->data[0] = m_curve[step];
        aubio_peakpicker_do(picker, value, peak);
        if (peak->data[0] > 0) {
            if (m_quiet[step])
                continue;
            const qint64 onset = at + qint64(std::floor(peak->data[0] * m_hop + 0.5));
            if (last + m_shortestGap >= onset || (last > 0 && m_delay > onset))
                continue;
            last = qMax(m_delay, onset);
            const qint64 hit = last - m_delay;
            if (hit >= m_shortestGap && hit < m_frames)
                found << hit;
        } else if (at <= m_delay && !m_quiet[step] && (at == 0 || last + m_shortestGap < at)) {
            // Sound from the very start: aubio takes that as a hit there.
            last = at + m_delay;
        }
    }
    del_fvec(peak);
    del_fvec(value);
    del_aubio_peakpicker(picker);
    return found;
}
