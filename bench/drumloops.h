#pragma once

// Drum loops whose hits are known, for measuring Slice at Hits: made
// patterns of noise bursts and patterns laid from real drum recordings;
// and the score of a set of markers against a loop's hits.

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <vector>

constexpr int loopRate = 44100;

/// One hit: where it begins, the sounds struck there together (for
/// judging whether it can be heard in the mix) and whether it can.
struct LoopHit
{
    qint64 at = 0;
    std::vector<std::pair<const std::vector<float> *, double>> parts; // sound and gain
    bool audible = true;
    QString kinds; // what was struck, as the pattern's letters
};

/// A loop and its hits, in order.
struct Loop
{
    QString name;
    std::vector<float> sound;
    QList<LoopHit> hits;
};

/// A recording decoded by sox to mono floats at loopRate; empty if it
/// cannot be read.
std::vector<float> decodeSound(const QString &path);
/// Writes \a sound, peak-normalised to 0.9, as a 16-bit WAV file.
bool writeSound(const QString &path, std::vector<float> sound);

/// Noise bursts that die away into the next, at uneven times.
Loop madePattern(int seed, double seconds);

/// What a pattern of real drums is made of: for each letter of a step, the
/// recordings (names in sonic-pi-samples) one of which it plays, and the
/// tempos one of which the loop takes.
struct DrumKit
{
    QMap<QChar, QStringList> sounds;
    QList<int> tempos;
};

/// The kit the detector is tuned on, and one of other recordings it never
/// met, for loops held out of the tuning.
DrumKit tuningKit();
DrumKit heldOutKit();

/// Real drum recordings laid at known times in two bars of \a steps (16
/// steps a bar; each a string of letters struck together: k kick, s snare,
/// h hi-hat, o open cymbal, t tom, g ghost note), at a tempo, swing and
/// sounds drawn with \a variant, each hit a few ms early or late.
Loop drumPattern(const QString &name, const QStringList &steps, int variant, const DrumKit &kit);

/// Marks the hits that cannot be heard in the mix: in no band of the
/// spectrum does a hit's first 25 ms hold a quarter of the energy of the
/// rest of the loop there (it raises no band by 1 dB).
void markInaudible(Loop &loop);

/// Markers against hits: each audible hit takes at most one marker within
/// \a tolerance of it, chosen so the most hits are found; a marker that
/// takes no hit and stands at no inaudible hit either is stray.
struct Score
{
    int hits = 0;
    int found = 0;
    int markers = 0;
    int stray = 0;
    Score &operator+=(const Score &other);
};
Score score(const QList<LoopHit> &hits, const QList<qint64> &markers, qint64 tolerance);
