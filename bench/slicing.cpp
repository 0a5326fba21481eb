// Slicing at hits: how well aubio's detector, as Slice at Hits runs it at
// the default sensitivity, finds the hits of drum loops whose hits are
// known, how long finding the hits of 30 s takes, and how long picking them
// again at another sensitivity takes (what the slider waits for).
//
// The loops: made patterns (bursts of noise that die away into the next,
// no gaps, at uneven times), and, where Debian's sonic-pi-samples is
// installed, real drum recordings (its kicks, snares, hi-hats, toms and
// cymbals, with their own tails) laid at known times in rock, breakbeat,
// drum and bass, funk and tom patterns at 90 to 170 bpm, some swung, each hit
// a few milliseconds early or late as a drummer plays, hi-hats and ghost
// notes softer.
//
//   brindlebox_bench_slicing [rounds]

#include "benchsupport.h"
#include "notefitting.h"
#include "recordinglook.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cmath>
#include <vector>

namespace {

constexpr int rate = 44100;
const QString samplesFolder = QStringLiteral("/usr/share/sonic-pi/samples/");

std::vector<float> decode(const QString &path)
{
    QProcess sox;
    sox.start(QStringLiteral("sox"), {path, QStringLiteral("-t"), QStringLiteral("f32"), QStringLiteral("-c"),
                                      QStringLiteral("1"), QStringLiteral("-r"), QString::number(rate), QStringLiteral("-")});
    sox.waitForFinished(30000);
    const QByteArray bytes = sox.readAllStandardOutput();
    std::vector<float> sound(size_t(bytes.size()) / sizeof(float));
    std::memcpy(sound.data(), bytes.constData(), sound.size() * sizeof(float));
    return sound;
}

bool write(const QString &path, std::vector<float> sound)
{
    float peak = 1e-9f;
    for (const float value : sound)
        peak = qMax(peak, std::fabs(value));
    for (float &value : sound)
        value *= 0.9f / peak;
    QProcess sox;
    sox.start(QStringLiteral("sox"), {QStringLiteral("-t"), QStringLiteral("f32"), QStringLiteral("-r"), QString::number(rate),
                                      QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-"), QStringLiteral("-b"),
                                      QStringLiteral("16"), path});
    sox.write(reinterpret_cast<const char *>(sound.data()), qint64(sound.size() * sizeof(float)));
    sox.closeWriteChannel();
    return sox.waitForFinished(30000) && sox.exitCode() == 0;
}

/// A loop and the frames at which its hits begin.
struct Loop
{
    QString name;
    std::vector<float> sound;
    QList<qint64> hits;
};

/// Noise bursts that die away into the next, at uneven times.
Loop madePattern(int seed, double seconds)
{
    QRandomGenerator random{quint32(seed)};
    Loop loop{QStringLiteral("made%1").arg(seed), std::vector<float>(size_t(seconds * rate)), {}};
    qint64 at = 0;
    while (at < qint64(loop.sound.size()) - rate / 10) {
        const qint64 length = rate * (60 + random.bounded(240)) / 1000;
        const double level = 0.3 + 0.7 * random.generateDouble();
        loop.hits << at;
        for (qint64 i = 0; i < length && at + i < qint64(loop.sound.size()); ++i)
            loop.sound[size_t(at + i)] = float(level * (2 * random.generateDouble() - 1) * std::exp(-5.0 * i / length));
        at += length;
    }
    return loop;
}

/// Real drum recordings laid at known times in a pattern of 16 steps a bar.
Loop realPattern(const QString &name, const QStringList &steps, int variant)
{
    QRandomGenerator random{quint32(variant * 7919 + int(qHash(name)))};
    const QMap<QChar, QStringList> kit{
        {'k', {"drum_bass_hard", "bd_haus", "bd_808", "drum_heavy_kick", "bd_klub"}},
        {'s', {"drum_snare_hard", "sn_dolf", "sn_generic", "elec_snare", "sn_dub"}},
        {'h', {"drum_cymbal_closed", "drum_cymbal_pedal", "elec_tick"}},
        {'o', {"drum_cymbal_open"}},
        {'t', {"drum_tom_mid_hard", "drum_tom_lo_hard", "drum_tom_hi_hard"}},
        {'g', {"drum_snare_soft"}}};
    QMap<QChar, std::vector<float>> sounds;
    for (auto kind = kit.constBegin(); kind != kit.constEnd(); ++kind)
        sounds[kind.key()] = decode(samplesFolder + kind.value().at(random.bounded(int(kind.value().size()))) + ".flac");
    const int bpm = QList<int>{90, 110, 128, 140, 170}.at(random.bounded(5));
    const double step = 60.0 / bpm / 4;
    const double swing = QList<double>{0, 0.08, 0.15}.at(random.bounded(3));
    const int bars = 2;
    Loop loop{QStringLiteral("%1%2 (%3 bpm)").arg(name).arg(variant).arg(bpm),
              std::vector<float>(size_t((step * 16 * bars + 1.5) * rate)), {}};
    for (int bar = 0; bar < bars; ++bar) {
        for (int i = 0; i < steps.size(); ++i) {
            if (steps.at(i).isEmpty())
                continue;
            // A drummer's few milliseconds early or late.
            const double jitter = (random.generateDouble() - 0.5) * 0.02;
            const double at = 0.05 + (bar * 16 + i) * step + (i % 2 ? swing * step : 0) + jitter;
            loop.hits << qint64(at * rate);
            for (const QChar kind : steps.at(i)) {
                const double gain = kind == 'h'   ? 0.25 + 0.35 * random.generateDouble()
                                    : kind == 'g' ? 0.08 + 0.12 * random.generateDouble()
                                    : kind == 'o' ? 0.5
                                                  : 0.8 + 0.2 * random.generateDouble();
                const std::vector<float> &hit = sounds[kind];
                const qint64 from = qint64(at * rate);
                for (size_t j = 0; j < hit.size() && from + qint64(j) < qint64(loop.sound.size()); ++j)
                    loop.sound[size_t(from) + j] += float(gain * hit[j]);
            }
        }
    }
    return loop;
}

/// Hits found within 50 ms of a hit (each taken once), and markers where
/// there is none.
struct Score
{
    int hits = 0;
    int found = 0;
    int markers = 0;
    int stray = 0;
};

Score score(const QList<qint64> &truth, const QList<qint64> &markers)
{
    Score result{int(truth.size()), 0, int(markers.size()), 0};
    QList<bool> taken(markers.size(), false);
    for (const qint64 hit : truth) {
        int best = -1;
        for (int i = 0; i < markers.size(); ++i) {
            if (!taken.at(i) && qAbs(markers.at(i) - hit) <= rate / 20
                && (best < 0 || qAbs(markers.at(i) - hit) < qAbs(markers.at(best) - hit)))
                best = i;
        }
        if (best >= 0) {
            taken[best] = true;
            ++result.found;
        }
    }
    result.stray = int(taken.count(false));
    return result;
}

/// The sensitivities the figures are given at: the default first.
const QList<int> sensitivities{50, 0, 25, 75, 100};

void report(const QString &name, const QList<Loop> &loops, const QString &folder)
{
    QList<Score> totals(sensitivities.size());
    for (const Loop &loop : loops) {
        const QString path = folder + "/" + QString(loop.name).replace(' ', '_') + ".wav";
        write(path, loop.sound);
        // The first hit at the very start is where the first slice begins.
        QList<qint64> truth = loop.hits;
        truth.removeIf([](qint64 hit) { return hit < rate / 20; });
        const RecordingLook look = lookAtRecording(path, readRecording(path), std::nullopt, Looking::Hits);
        for (int i = 0; i < sensitivities.size(); ++i) {
            const Score one = score(truth, look.hits ? look.hits->hits(sensitivities.at(i)) : QList<qint64>());
            totals[i].hits += one.hits;
            totals[i].found += one.found;
            totals[i].markers += one.markers;
            totals[i].stray += one.stray;
            if (i == 0)
                printFigure(name + "_loop " + loop.name, QStringLiteral("%1 of %2 hits, %3 stray of %4 markers")
                                                             .arg(one.found).arg(one.hits).arg(one.stray).arg(one.markers));
        }
    }
    for (int i = 0; i < sensitivities.size(); ++i) {
        const QString at = QStringLiteral("_at_%1").arg(sensitivities.at(i));
        printFigure(name + "_hits_found_percent" + at, 100.0 * totals.at(i).found / qMax(totals.at(i).hits, 1), 1);
        printFigure(name + "_stray_markers_percent" + at, 100.0 * totals.at(i).stray / qMax(totals.at(i).markers, 1), 1);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = qMax(1, app.arguments().value(1, QStringLiteral("5")).toInt());
    QTemporaryDir work;

    QList<Loop> made;
    for (int seed = 1; seed <= 8; ++seed)
        made << madePattern(seed, 4);
    report(QStringLiteral("slicing_made"), made, work.path());

    if (QDir(samplesFolder).exists()) {
        const QMap<QString, QStringList> patterns{
            {"rock", {"kh", "h", "sh", "h", "kh", "kh", "sh", "h", "kh", "h", "sh", "h", "kh", "kh", "sh", "h"}},
            {"break", {"kh", "", "h", "k", "sh", "", "h", "g", "h", "k", "kh", "", "sh", "", "h", "g"}},
            {"dnb", {"kh", "h", "h", "h", "sh", "h", "h", "kh", "h", "kh", "h", "h", "sh", "h", "h", "h"}},
            {"funk", {"kh", "g", "h", "k", "sh", "g", "hk", "g", "h", "k", "h", "g", "sh", "", "o", "g"}},
            {"toms", {"t", "t", "t", "t", "k", "s", "k", "s", "t", "t", "s", "s", "k", "k", "s", "o"}}};
        QList<Loop> real;
        for (auto pattern = patterns.constBegin(); pattern != patterns.constEnd(); ++pattern) {
            for (int variant = 0; variant < 3; ++variant)
                real << realPattern(pattern.key(), pattern.value(), variant);
        }
        report(QStringLiteral("slicing_real_drums"), real, work.path());
    } else {
        printFigure(QStringLiteral("slicing_real_drums"), QStringLiteral("skipped: install sonic-pi-samples"));
    }

    // 30 s of a made pattern: reading it and finding its hits, then picking
    // them again at every sensitivity, as the slider moves.
    const QString long30 = work.filePath("thirty.wav");
    write(long30, madePattern(99, 30).sound);
    QList<double> finding;
    QList<double> picking;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        const RecordingLook look = lookAtRecording(long30, readRecording(long30), std::nullopt, Looking::Hits);
        finding << clock.nsecsElapsed() / 1e6;
        for (int sensitivity = 0; sensitivity <= 100; sensitivity += 5) {
            clock.restart();
            const QList<qint64> hits = look.hits->hits(sensitivity);
            picking << clock.nsecsElapsed() / 1e6;
            Q_UNUSED(hits);
        }
    }
    printFigure(QStringLiteral("slicing_find_hits_30s_ms_median"), median(finding), 1);
    printFigure(QStringLiteral("slicing_pick_again_30s_ms_median"), median(picking), 2);
    printFigure(QStringLiteral("slicing_pick_again_30s_ms_most"), *std::max_element(picking.begin(), picking.end()), 2);
    return 0;
}
