#include "drumloops.h"

#include <QProcess>
#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

const QString samplesFolder = QStringLiteral("/usr/share/sonic-pi/samples/");

/// One second-order section (the cookbook's low and high passes).
class Biquad
{
public:
    Biquad(double frequency, bool high)
    {
        const double w = 2 * M_PI * frequency / loopRate;
        const double alpha = std::sin(w) / std::sqrt(2.0);
        const double c = std::cos(w);
        const double a0 = 1 + alpha;
        const double b1 = high ? -(1 + c) : 1 - c;
        m_b = {(high ? (1 + c) / 2 : (1 - c) / 2) / a0, b1 / a0, (high ? (1 + c) / 2 : (1 - c) / 2) / a0};
        m_a = {-2 * c / a0, (1 - alpha) / a0};
    }
    std::vector<float> run(const float *in, size_t count) const
    {
        std::vector<float> out(count);
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (size_t i = 0; i < count; ++i) {
            const double y = m_b[0] * in[i] + m_b[1] * x1 + m_b[2] * x2 - m_a[0] * y1 - m_a[1] * y2;
            x2 = x1;
            x1 = in[i];
            y2 = y1;
            y1 = y;
            out[i] = float(y);
        }
        return out;
    }

private:
    std::array<double, 3> m_b;
    std::array<double, 2> m_a;
};

/// Four bands: the kick's, the body of snares and toms, their crack, and
/// the hi-hats'.
std::vector<float> band(int which, const std::vector<float> &sound)
{
    static const double edges[] = {150, 1000, 4000};
    std::vector<float> out = sound;
    if (which > 0)
        out = Biquad(edges[which - 1], true).run(out.data(), out.size());
    if (which < 3)
        out = Biquad(edges[which], false).run(out.data(), out.size());
    return out;
}

double energy(const std::vector<float> &sound, qint64 from, qint64 count)
{
    double sum = 0;
    for (qint64 i = from; i < from + count && i < qint64(sound.size()); ++i)
        sum += double(sound[size_t(i)]) * sound[size_t(i)];
    return sum;
}

} // namespace

std::vector<float> decodeSound(const QString &path)
{
    QProcess sox;
    sox.start(QStringLiteral("sox"), {path, QStringLiteral("-t"), QStringLiteral("f32"), QStringLiteral("-c"),
                                      QStringLiteral("1"), QStringLiteral("-r"), QString::number(loopRate), QStringLiteral("-")});
    sox.waitForFinished(30000);
    const QByteArray bytes = sox.readAllStandardOutput();
    std::vector<float> sound(size_t(bytes.size()) / sizeof(float));
    std::memcpy(sound.data(), bytes.constData(), sound.size() * sizeof(float));
    return sound;
}

bool writeSound(const QString &path, std::vector<float> sound)
{
    float peak = 1e-9f;
    for (const float value : sound)
        peak = qMax(peak, std::fabs(value));
    for (float &value : sound)
        value *= 0.9f / peak;
    QProcess sox;
    sox.start(QStringLiteral("sox"), {QStringLiteral("-t"), QStringLiteral("f32"), QStringLiteral("-r"), QString::number(loopRate),
                                      QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-"), QStringLiteral("-b"),
                                      QStringLiteral("16"), path});
    sox.write(reinterpret_cast<const char *>(sound.data()), qint64(sound.size() * sizeof(float)));
    sox.closeWriteChannel();
    return sox.waitForFinished(30000) && sox.exitCode() == 0;
}

Loop madePattern(int seed, double seconds)
{
    QRandomGenerator random{quint32(seed)};
    Loop loop{QStringLiteral("made%1").arg(seed), std::vector<float>(size_t(seconds * loopRate)), {}};
    qint64 at = 0;
    while (at < qint64(loop.sound.size()) - loopRate / 10) {
        const qint64 length = loopRate * (60 + random.bounded(240)) / 1000;
        const double level = 0.3 + 0.7 * random.generateDouble();
        loop.hits << LoopHit{at, {}, true, QStringLiteral("n")};
        for (qint64 i = 0; i < length && at + i < qint64(loop.sound.size()); ++i)
            loop.sound[size_t(at + i)] = float(level * (2 * random.generateDouble() - 1) * std::exp(-5.0 * i / length));
        at += length;
    }
    return loop;
}

DrumKit tuningKit()
{
    return {{{'k', {"drum_bass_hard", "bd_haus", "bd_808", "drum_heavy_kick", "bd_klub"}},
             {'s', {"drum_snare_hard", "sn_dolf", "sn_generic", "elec_snare", "sn_dub"}},
             {'h', {"drum_cymbal_closed", "drum_cymbal_pedal", "elec_tick"}},
             {'o', {"drum_cymbal_open"}},
             {'t', {"drum_tom_mid_hard", "drum_tom_lo_hard", "drum_tom_hi_hard"}},
             {'g', {"drum_snare_soft"}}},
            {90, 110, 128, 140, 170}};
}

DrumKit heldOutKit()
{
    // Ghost notes from full-level snares, so at half the tuning kit's gain
    // they lie as low under the rest.
    return {{{'k', {"bd_fat", "bd_tek", "bd_gas", "bd_pure", "drum_bass_soft", "bd_zome"}},
             {'s', {"sn_zome", "elec_hi_snare", "elec_mid_snare", "elec_lo_snare", "perc_snap"}},
             {'h', {"elec_cymbal", "drum_cymbal_soft"}},
             {'o', {"drum_cymbal_hard", "drum_splash_soft"}},
             {'t', {"drum_tom_mid_soft", "drum_tom_lo_soft", "drum_tom_hi_soft", "elec_fuzz_tom"}},
             {'g', {"elec_mid_snare", "sn_zome"}}},
            {100, 120, 135, 150, 160}};
}

Loop drumPattern(const QString &name, const QStringList &steps, int variant, const DrumKit &kit)
{
    // Sounds are kept for the life of the bench: each hit points at its own.
    static QMap<QString, std::vector<float>> decoded;
    QRandomGenerator random{quint32(variant * 7919 + int(qHash(name)))};
    QMap<QChar, const std::vector<float> *> sounds;
    for (auto kind = kit.sounds.constBegin(); kind != kit.sounds.constEnd(); ++kind) {
        const QString sound = kind.value().at(random.bounded(int(kind.value().size())));
        if (!decoded.contains(sound))
            decoded.insert(sound, decodeSound(samplesFolder + sound + ".flac"));
        sounds[kind.key()] = &decoded[sound];
    }
    const double ghostScale = kit.sounds.value('g').contains("drum_snare_soft") ? 1.0 : 0.5;
    const int bpm = kit.tempos.at(random.bounded(int(kit.tempos.size())));
    const double step = 60.0 / bpm / 4;
    const double swing = QList<double>{0, 0.08, 0.15}.at(random.bounded(3));
    const int bars = 2;
    Loop loop{QStringLiteral("%1%2 (%3 bpm)").arg(name).arg(variant).arg(bpm),
              std::vector<float>(size_t((step * 16 * bars + 1.5) * loopRate)), {}};
    for (int bar = 0; bar < bars; ++bar) {
        for (int i = 0; i < steps.size(); ++i) {
            if (steps.at(i).isEmpty())
                continue;
            // A drummer's few milliseconds early or late.
            const double jitter = (random.generateDouble() - 0.5) * 0.02;
            const double at = 0.1 + (bar * 16 + i) * step + (i % 2 ? swing * step : 0) + jitter;
            LoopHit hit{qint64(at * loopRate), {}, true, steps.at(i)};
            for (const QChar kind : steps.at(i)) {
                const double gain = kind == 'h'   ? 0.25 + 0.35 * random.generateDouble()
                                    : kind == 'g' ? ghostScale * (0.08 + 0.12 * random.generateDouble())
                                    : kind == 'o' ? 0.5
                                                  : 0.8 + 0.2 * random.generateDouble();
                const std::vector<float> &sound = *sounds[kind];
                hit.parts.push_back({&sound, gain});
                for (size_t j = 0; j < sound.size() && hit.at + qint64(j) < qint64(loop.sound.size()); ++j)
                    loop.sound[size_t(hit.at) + j] += float(gain * sound[j]);
            }
            loop.hits << hit;
        }
    }
    markInaudible(loop);
    return loop;
}

void markInaudible(Loop &loop)
{
    const qint64 window = loopRate * 25 / 1000;
    for (int which = 0; which < 4; ++which) {
        const std::vector<float> mix = band(which, loop.sound);
        for (LoopHit &hit : loop.hits) {
            if (hit.parts.empty())
                continue;
            if (which == 0)
                hit.audible = false;
            std::vector<float> alone(static_cast<size_t>(window), 0.0f);
            for (const auto &[sound, gain] : hit.parts) {
                for (size_t i = 0; i < alone.size() && i < sound->size(); ++i)
                    alone[i] += float(gain * (*sound)[i]);
            }
            const std::vector<float> own = band(which, alone);
            // The rest is the mix less this hit: filters are linear.
            double rest = 0;
            for (qint64 i = 0; i < window && hit.at + i < qint64(mix.size()); ++i) {
                const double other = double(mix[size_t(hit.at + i)]) - own[size_t(i)];
                rest += other * other;
            }
            // A quarter of the rest's energy raises the band by 1 dB.
            hit.audible = hit.audible || 4 * energy(own, 0, window) >= rest;
        }
    }
}

Score &Score::operator+=(const Score &other)
{
    hits += other.hits;
    found += other.found;
    markers += other.markers;
    stray += other.stray;
    return *this;
}

Score score(const QList<LoopHit> &hits, const QList<qint64> &markers, qint64 tolerance)
{
    // Hits and markers both in order, each hit taking the earliest marker
    // still free within reach: with one reach for all, that finds the most
    // pairs. Audible hits choose first.
    Score result{0, 0, int(markers.size()), 0};
    QList<bool> taken(markers.size(), false);
    for (const bool audible : {true, false}) {
        for (const LoopHit &hit : hits) {
            if (hit.audible != audible)
                continue;
            result.hits += audible ? 1 : 0;
            for (int i = 0; i < markers.size(); ++i) {
                if (!taken.at(i) && qAbs(markers.at(i) - hit.at) <= tolerance) {
                    taken[i] = true;
                    result.found += audible ? 1 : 0;
                    break;
                }
            }
        }
    }
    result.stray = int(taken.count(false));
    return result;
}
