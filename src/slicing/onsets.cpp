#include "onsets.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// aubio's Kullback-Leibler detector (with its own whitening and
// compression) finds the soft hits of drum loops best of aubio's own: ghost
// notes and hi-hats under the tail of a kick or a snare. A step of 128
// frames at 44.1 kHz places a hit within 3 ms.
const char *const method = "kl";
constexpr int stepAt44k = 128;
constexpr int stepsPerWindow = 4;
// The kick drum's band: below 200 Hz, where a kick is all there is.
constexpr double lowBandHz = 200;
// The low band's curve peaks at every wobble of a long kick's tail: it
// takes a peak this many times as sharp as the whole spectrum does, and
// only where the band's energy rises by 2 dB above the loudest of the
// ~46 ms before, from 5 steps before the peak to 1 after.
constexpr double lowBandStricter = 1.5;
const double lowBandRise = std::pow(10.0, 0.2);
constexpr int riseFrom = 5;
constexpr int riseTo = 1;
// aubio's peak picker: a step's curve against the median and mean of the
// steps around it, from 5 before to 1 after.
constexpr int stepsBefore = 5;
constexpr int stepsAfter = 1;

/// How far a peak must stand above the curve around it at \a sensitivity,
/// as a share of the curve's mean there: 0.45 at the default, halved or
/// doubled every 25 steps of the slider.
double thresholdAt(int sensitivity)
{
    return 0.45 * std::exp2(double(defaultSensitivity - qBound(leastSensitivity, sensitivity, mostSensitivity)) / 25);
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

/// A second-order Butterworth low pass at \a hz, as aubio's biquad takes it.
aubio_filter_t *lowPass(double hz, int rate)
{
    const double w = 2 * M_PI * hz / rate;
    const double alpha = std::sin(w) / std::sqrt(2.0);
    const double c = std::cos(w);
    const double a0 = 1 + alpha;
    return new_aubio_filter_biquad((1 - c) / 2 / a0, (1 - c) / a0, (1 - c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0);
}

} // namespace

struct HitCurve::Detector
{
    aubio_onset_t *whole = nullptr;
    aubio_onset_t *low = nullptr;
    std::array<aubio_filter_t *, 2> lowPass{}; // two in a row: 24 dB an octave
    fvec_t *input = nullptr;
    fvec_t *lowInput = nullptr;
    fvec_t *output = nullptr;
    smpl_t silence = -70;

    bool ready() const { return whole && input && lowInput && output; }

    ~Detector()
    {
        for (aubio_onset_t *onset : {whole, low}) {
            if (onset)
                del_aubio_onset(onset);
        }
        for (aubio_filter_t *filter : lowPass) {
            if (filter)
                del_aubio_filter(filter);
        }
        for (fvec_t *vector : {input, lowInput, output}) {
            if (vector)
                del_fvec(vector);
        }
    }
};

HitCurve::HitCurve(int rate)
    : m_rate(qMax(rate, 1))
    , m_hop(stepFor(m_rate))
    , m_detector(std::make_unique<Detector>())
    , m_lowRise(m_hop)
{
    Detector &detector = *m_detector;
    const auto window = uint_t(m_hop * stepsPerWindow);
    detector.whole = new_aubio_onset(method, window, uint_t(m_hop), uint_t(m_rate));
    // A rate too low for the band has no kick band of its own.
    if (lowBandHz < m_rate * 0.4) {
        detector.low = new_aubio_onset(method, window, uint_t(m_hop), uint_t(m_rate));
        for (aubio_filter_t *&filter : detector.lowPass)
            filter = lowPass(lowBandHz, m_rate);
    }
    detector.input = new_fvec(uint_t(m_hop));
    detector.lowInput = new_fvec(uint_t(m_hop));
    detector.output = new_fvec(1);
    if (detector.whole) {
        detector.silence = aubio_onset_get_silence(detector.whole);
        m_shortestGap = aubio_onset_get_minioi(detector.whole);
    }
    // The curve's peak comes when the hit has filled about half the window:
    // measured on drum loops, 1.8 steps after the hit begins.
    m_placeBack = m_hop * 9 / 5;
    m_pending.reserve(size_t(m_hop));
}

HitCurve::~HitCurve() = default;
HitCurve::HitCurve(HitCurve &&) noexcept = default;
HitCurve &HitCurve::operator=(HitCurve &&) noexcept = default;

void HitCurve::take(const float *frames, qint64 count)
{
    if (!m_detector || !m_detector->ready())
        return;
    Detector &detector = *m_detector;
    m_frames += count;
    for (qint64 i = 0; i < count; ++i) {
        m_pending.push_back(frames[i]);
        if (qsizetype(m_pending.size()) < m_hop)
            continue;
        std::copy(m_pending.begin(), m_pending.end(), detector.input->data);
        m_pending.clear();
        aubio_onset_do(detector.whole, detector.input, detector.output);
        m_whole.value.push_back(aubio_onset_get_descriptor(detector.whole));
        m_quiet.push_back(aubio_silence_detection(detector.input, detector.silence) == 1);
        if (detector.low) {
            fvec_copy(detector.input, detector.lowInput);
            for (aubio_filter_t *filter : detector.lowPass)
                aubio_filter_do(filter, detector.lowInput);
            m_lowRise.take(detector.lowInput->data);
            aubio_onset_do(detector.low, detector.lowInput, detector.output);
            m_low.value.push_back(aubio_onset_get_descriptor(detector.low));
        }
    }
}

namespace {

/// Smooths \a band's curve as aubio's peak picker does (its low pass, run
/// forward and back so no peak moves) and keeps the median and mean of the
/// steps around each.
void settle(std::vector<float> &value, std::vector<float> &median, std::vector<float> &mean)
{
    const auto steps = qsizetype(value.size());
    if (steps == 0)
        return;
    aubio_filter_t *smooth = new_aubio_filter_biquad(0.1600, 0.3200, 0.1600, -0.5949, 0.2348);
    fvec_t *curve = new_fvec(uint_t(steps));
    fvec_t *scratch = new_fvec(uint_t(steps));
    if (smooth && curve && scratch) {
        std::copy(value.begin(), value.end(), curve->data);
        aubio_filter_do_filtfilt(smooth, curve, scratch);
        std::copy(curve->data, curve->data + steps, value.begin());
    }
    if (scratch)
        del_fvec(scratch);
    if (curve)
        del_fvec(curve);
    if (smooth)
        del_aubio_filter(smooth);

    median.assign(size_t(steps), 0);
    mean.assign(size_t(steps), 0);
    std::array<float, stepsBefore + 1 + stepsAfter> around{};
    for (qsizetype step = 0; step < steps; ++step) {
        double sum = 0;
        for (int i = 0; i < int(around.size()); ++i) {
            const qsizetype at = step - stepsBefore + i;
            around[size_t(i)] = at >= 0 && at < steps ? value[size_t(at)] : 0.0f;
            sum += around[size_t(i)];
        }
        std::nth_element(around.begin(), around.begin() + stepsBefore / 2 + 1, around.end());
        median[size_t(step)] = around[size_t(around.size() / 2)];
        mean[size_t(step)] = float(sum / around.size());
    }
}

} // namespace

void HitCurve::finish()
{
    if (!m_detector || !m_detector->ready())
        return;
    if (!m_pending.empty()) {
        const qint64 frames = m_frames;
        m_pending.resize(size_t(m_hop), 0.0f);
        const std::vector<float> last = m_pending;
        m_pending.clear();
        take(last.data(), m_hop);
        m_frames = frames;
    }
    // The curves are all that picking needs.
    m_detector.reset();
    settle(m_whole.value, m_whole.median, m_whole.mean);
    settle(m_low.value, m_low.median, m_low.mean);
    m_lowRise.finish();
}

void HitCurve::pick(const Band &band, double threshold, const BandRise *rise, QList<qint64> &found) const
{
    // A peak of how far the curve stands above the threshold made of the
    // steps around it, where the sound is not silent.
    const auto above = [&band, threshold](size_t step) {
        return band.value[step] - band.median[step] - threshold * band.mean[step];
    };
    struct Peak
    {
        qint64 hit;
        double height;
    };
    std::vector<Peak> peaks;
    for (size_t step = 1; step + 1 < band.value.size() && step < m_quiet.size(); ++step) {
        const double here = above(step);
        if (here <= 0 || here <= above(step - 1) || here <= above(step + 1) || m_quiet[step])
            continue;
        if (rise && rise->most(qsizetype(step) - riseFrom, qsizetype(step) + riseTo) < lowBandRise)
            continue;
        const qint64 hit = qint64(step) * m_hop - m_placeBack;
        if (hit < m_frames)
            peaks.push_back({hit, here});
    }
    // Of peaks closer than the shortest gap the highest stands, not the
    // first: the smoothed curve wobbles a little just before a hit rises, and
    // a marker there would cut the slice some 20 ms early.
    std::vector<size_t> order(peaks.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&peaks](size_t a, size_t b) { return peaks[a].height > peaks[b].height; });
    std::vector<bool> kept(peaks.size(), false);
    for (const size_t i : order) {
        bool free = peaks[i].hit >= m_shortestGap;
        for (size_t j = i; free && j-- > 0 && peaks[i].hit - peaks[j].hit < m_shortestGap;)
            free = !kept[j];
        for (size_t j = i + 1; free && j < peaks.size() && peaks[j].hit - peaks[i].hit < m_shortestGap; ++j)
            free = !kept[j];
        kept[i] = free;
    }
    for (size_t i = 0; i < peaks.size(); ++i) {
        if (kept[i])
            found << peaks[i].hit;
    }
}

QList<qint64> HitCurve::hits(int sensitivity) const
{
    const double threshold = thresholdAt(sensitivity);
    QList<qint64> both;
    pick(m_whole, threshold, nullptr, both);
    pick(m_low, threshold * lowBandStricter, &m_lowRise, both);
    std::sort(both.begin(), both.end());
    // A kick found in both bands is one hit: the first of any two closer
    // than the shortest gap stands.
    QList<qint64> found;
    for (const qint64 hit : both) {
        if (found.isEmpty() || hit - found.last() >= m_shortestGap)
            found << hit;
    }
    return found;
}
