// Slicing at hits: how well aubio's detector, as Slice at Hits runs it,
// finds the hits of drum loops whose hits are known, at the default
// sensitivity and at others; how long finding the hits of 30 s takes, and
// how long picking them again at another sensitivity takes (what the slider
// waits for).
//
// The loops (drumloops.h): made patterns of noise bursts; where Debian's
// sonic-pi-samples is installed, patterns laid from its real drum
// recordings, one set the detector was tuned on and one of other grooves,
// tempos and recordings held out of the tuning.
//
//   brindlebox_bench_slicing [rounds] [folder to leave the loops in]

#include "benchsupport.h"
#include "drumloops.h"
#include "notefitting.h"
#include "recordinglook.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

const QString samplesFolder = QStringLiteral("/usr/share/sonic-pi/samples/");

/// The sensitivities the figures are given at: the default first.
const QList<int> sensitivities{50, 0, 25, 75, 100};

/// Writes each loop where Slice at Hits reads it, finds its hits as the
/// window does, and prints the scores; with \a keep, leaves each loop and
/// its hits (frame, whether heard, what was struck) there.
void report(const QString &name, const QList<Loop> &loops, const QString &folder, bool keep)
{
    QList<Score> totals(sensitivities.size());
    int unheard = 0;
    for (const Loop &loop : loops) {
        const QString path = folder + "/" + QString(loop.name).replace(' ', '_') + ".wav";
        writeSound(path, loop.sound);
        // The first slice begins at the start anyway: no hit counts there.
        QList<LoopHit> truth = loop.hits;
        truth.removeIf([](const LoopHit &hit) { return hit.at < loopRate / 20; });
        unheard += int(std::count_if(truth.begin(), truth.end(), [](const LoopHit &hit) { return !hit.audible; }));
        if (keep) {
            QFile list(QString(path).replace(".wav", ".txt"));
            if (list.open(QIODevice::WriteOnly | QIODevice::Text)) {
                QTextStream out(&list);
                for (const LoopHit &hit : truth)
                    out << hit.at << ' ' << (hit.audible ? 1 : 0) << ' ' << hit.kinds << '\n';
            }
        }
        const RecordingLook look = lookAtRecording(path, readRecording(path), std::nullopt, Looking::Hits);
        for (int i = 0; i < sensitivities.size(); ++i) {
            const Score one = score(truth, look.hits ? look.hits->hits(sensitivities.at(i)) : QList<qint64>(), loopRate / 20);
            totals[i] += one;
            if (i == 0)
                printFigure(name + "_loop " + loop.name, QStringLiteral("%1 of %2 hits, %3 stray of %4 markers")
                                                             .arg(one.found).arg(one.hits).arg(one.stray).arg(one.markers));
        }
    }
    printFigure(name + "_hits_not_heard_in_the_mix", QString::number(unheard));
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
    QTemporaryDir temporary;
    const QString keep = app.arguments().value(2);
    const QString folder = keep.isEmpty() ? temporary.path() : keep;
    if (!keep.isEmpty())
        QDir().mkpath(keep);

    QList<Loop> made;
    for (int seed = 1; seed <= 8; ++seed)
        made << madePattern(seed, 4);
    report(QStringLiteral("slicing_made"), made, folder, !keep.isEmpty());

    if (QDir(samplesFolder).exists()) {
        const QMap<QString, QStringList> tuning{
            {"rock", {"kh", "h", "sh", "h", "kh", "kh", "sh", "h", "kh", "h", "sh", "h", "kh", "kh", "sh", "h"}},
            {"break", {"kh", "", "h", "k", "sh", "", "h", "g", "h", "k", "kh", "", "sh", "", "h", "g"}},
            {"dnb", {"kh", "h", "h", "h", "sh", "h", "h", "kh", "h", "kh", "h", "h", "sh", "h", "h", "h"}},
            {"funk", {"kh", "g", "h", "k", "sh", "g", "hk", "g", "h", "k", "h", "g", "sh", "", "o", "g"}},
            {"toms", {"t", "t", "t", "t", "k", "s", "k", "s", "t", "t", "s", "s", "k", "k", "s", "o"}}};
        QList<Loop> real;
        for (auto pattern = tuning.constBegin(); pattern != tuning.constEnd(); ++pattern) {
            for (int variant = 0; variant < 3; ++variant)
                real << drumPattern(pattern.key(), pattern.value(), variant, tuningKit());
        }
        report(QStringLiteral("slicing_real_drums"), real, folder, !keep.isEmpty());

        // Held out of the tuning: other recordings, tempos and seeds, the
        // same grooves and others.
        QMap<QString, QStringList> grooves = tuning;
        grooves.insert("hiphop", {"kh", "", "h", "", "sh", "", "h", "k", "kh", "k", "h", "", "sh", "", "h", "g"});
        grooves.insert("shuffle", {"kh", "", "hg", "h", "sh", "", "h", "g", "kh", "", "h", "k", "sh", "g", "h", ""});
        grooves.insert("jungle", {"k", "h", "sh", "h", "g", "kh", "sh", "g", "h", "k", "sh", "h", "g", "k", "s", "h"});
        grooves.insert("house", {"k", "h", "o", "h", "ks", "h", "o", "h", "k", "h", "o", "h", "ks", "h", "o", "h"});
        grooves.insert("fills", {"kh", "h", "sh", "h", "kh", "t", "t", "t", "s", "t", "t", "t", "t", "t", "s", "o"});
        QList<Loop> heldOut;
        for (auto pattern = grooves.constBegin(); pattern != grooves.constEnd(); ++pattern) {
            for (int variant = 3; variant < 6; ++variant)
                heldOut << drumPattern(pattern.key(), pattern.value(), variant, heldOutKit());
        }
        report(QStringLiteral("slicing_held_out_drums"), heldOut, folder, !keep.isEmpty());

    } else {
        printFigure(QStringLiteral("slicing_real_drums"), QStringLiteral("skipped: install sonic-pi-samples"));
    }

    // 30 s of a made pattern: reading it and finding its hits, then picking
    // them again at every sensitivity, as the slider moves.
    const QString long30 = QDir(folder).filePath("thirty.wav");
    writeSound(long30, madePattern(99, 30).sound);
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
