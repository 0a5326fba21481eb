#include "loopseam.h"

#include <QList>
#include <QLocale>

#include <cmath>
#include <optional>

namespace {

constexpr double quarterTurn = 1.57079632679489661923;

/// Where the sound crosses zero between bytes \a i - 1 and \a i, upwards
/// (from below zero to zero or above) or downwards.
bool crossesZero(QByteArrayView sound, qint64 i, bool rising)
{
    const qint8 before = qint8(sound[i - 1]);
    const qint8 after = qint8(sound[i]);
    return rising ? before < 0 && after >= 0 : before >= 0 && after < 0;
}

/// The word boundary nearest the zero crossing between bytes \a i - 1 and
/// \a i, found between the two by their values. A boundary j lies between
/// bytes j - 1 and j.
qint64 wordBoundaryAt(QByteArrayView sound, qint64 i)
{
    const int before = qAbs(int(qint8(sound[i - 1])));
    const int after = qAbs(int(qint8(sound[i])));
    const double crossing = double(i - 1) + (before + after == 0 ? 0.5 : double(before) / (before + after));
    return 2 * qint64(std::floor((crossing + 0.5) / 2 + 0.5));
}

/// The word boundaries from \a lowest to \a highest, within \a reach of
/// \a at, nearest zero crossings of the given way.
QList<qint64> crossingsNear(QByteArrayView sound, qint64 at, qint64 reach, bool rising, qint64 lowest, qint64 highest)
{
    QList<qint64> found;
    for (qint64 i = qMax<qint64>(1, at - reach - 1); i <= qMin<qint64>(sound.size() - 1, at + reach + 1); ++i) {
        if (!crossesZero(sound, i, rising))
            continue;
        const qint64 boundary = wordBoundaryAt(sound, i);
        if (qAbs(boundary - at) <= reach && boundary >= lowest && boundary <= highest
            && (found.isEmpty() || found.constLast() != boundary))
            found << boundary;
    }
    return found;
}

/// How far the few bytes on either side of the boundary \a to lie, on
/// average, from those about \a from: what a loop from \a from to \a to
/// jumps by where its end leads into its start.
double mismatch(QByteArrayView sound, qint64 from, qint64 to)
{
    constexpr qint64 side = 4;
    int sum = 0;
    int count = 0;
    for (qint64 j = -side; j < side; ++j) {
        if (qMin(from, to) + j < 0 || qMax(from, to) + j >= sound.size())
            continue;
        sum += qAbs(int(qint8(sound[from + j])) - int(qint8(sound[to + j])));
        ++count;
    }
    return count > 0 ? double(sum) / count : 0;
}

/// Moves the edges of \a layout's loop, set by hand, within 2 ms to the
/// word boundaries where \a sound crosses zero the same way at both, and
/// of those the pair whose bytes about them match best: a one-byte wiggle
/// through zero in a falling stretch is no place for a rising edge.
void snapToCrossings(QByteArrayView sound, int rate, TrackerLayout &layout)
{
    // A looped sample has no silent word: its BODY starts with the sound.
    const qint64 reach = qint64(rate) * 2 / 1000;
    const qint64 start = layout.loopStart;
    const qint64 end = layout.loopStart + layout.loopLength;
    const qint64 soundEnd = sound.size() & ~qint64(1);
    struct Edges
    {
        qint64 from;
        qint64 to;
        double mismatch;
        qint64 moved;
    };
    std::optional<Edges> best;
    for (const bool rising : {true, false}) {
        const QList<qint64> froms = crossingsNear(sound, start, reach, rising, 0, soundEnd - 2);
        const QList<qint64> tos = crossingsNear(sound, end, reach, rising, 2, soundEnd);
        for (const qint64 from : froms) {
            for (const qint64 to : tos) {
                if (to - from < 2)
                    continue;
                const Edges edges{from, to, mismatch(sound, from, to), qAbs(from - start) + qAbs(to - end)};
                if (!best || edges.mismatch < best->mismatch
                    || (edges.mismatch == best->mismatch && edges.moved < best->moved))
                    best = edges;
            }
        }
    }
    if (best) {
        layout.loopStart = best->from;
        layout.loopLength = best->to - best->from;
    }
}

QString milliseconds(qint64 bytes, int rate)
{
    const double ms = millisecondsOf(bytes, rate);
    return QString::number(ms, 'f', ms < 10 ? 2 : 1);
}

QString number(qint64 value)
{
    return QLocale(QLocale::English).toString(value);
}

} // namespace

TrackerLayout finishedLayout(QByteArrayView sound, int rate, const WavFormat &source)
{
    TrackerLayout layout = trackerLayout(sound.size(), rate, source);
    if (!layout.looped || !source.loop)
        return layout;
    if (source.loop->byHand)
        snapToCrossings(sound, rate, layout);
    return withCrossfade(layout, rate, source.loop->fadeMs, source.loop->fadeLaw);
}

qint64 longestCrossfade(const TrackerLayout &layout)
{
    if (!layout.looped || layout.loopLength < 4)
        return 0;
    return qMin(layout.loopStart, layout.loopLength / 2);
}

TrackerLayout withCrossfade(TrackerLayout layout, int rate, double ms, double law)
{
    layout.fadeAsked = 0;
    layout.fadeBytes = 0;
    layout.fadeLaw = qBound(0.0, law, 1.0);
    if (!layout.looped || !(ms > 0) || rate <= 0)
        return layout;
    // At least a byte; and, whatever was asked, no more than the sample
    // holds before it is counted in whole bytes.
    layout.fadeAsked = qMax<qint64>(1, qRound64(qMin(ms * rate / 1000, double(layout.bodySize))));
    layout.fadeBytes = qMin(layout.fadeAsked, longestCrossfade(layout));
    return layout;
}

std::pair<double, double> crossfadeWeights(double t, double law)
{
    const double angle = t * quarterTurn;
    return {(1 - law) * t + law * std::sin(angle), (1 - law) * (1 - t) + law * std::cos(angle)};
}

void blendLoopEnd(char *body, const TrackerLayout &layout)
{
    const qint64 fade = layout.fadeBytes;
    if (!layout.looped || fade <= 0)
        return;
    char *end = body + layout.loopStart + layout.loopLength - fade;
    const char *before = body + layout.loopStart - fade;
    for (qint64 i = 0; i < fade; ++i) {
        const auto [in, out] = crossfadeWeights(double(i + 1) / double(fade), layout.fadeLaw);
        const double value = out * qint8(end[i]) + in * qint8(before[i]);
        end[i] = char(qBound(-128, int(std::lround(value)), 127));
    }
}

double millisecondsOf(qint64 bytes, int rate)
{
    return rate > 0 ? double(bytes) * 1000 / rate : 0;
}

QString lawWords(double law)
{
    const int percent = qRound(qBound(0.0, law, 1.0) * 100);
    if (percent == 0)
        return QStringLiteral("Equal Gain");
    if (percent == 100)
        return QStringLiteral("Equal Power");
    if (percent == 50)
        return QStringLiteral("halfway between Equal Gain and Equal Power");
    return QStringLiteral("%1 % of the way from Equal Gain to Equal Power").arg(percent);
}

QString crossfadeWords(const TrackerLayout &layout, int rate)
{
    if (layout.fadeAsked <= 0)
        return QString();
    if (layout.fadeBytes <= 0) {
        return layout.loopLength < 4 ? QStringLiteral("no crossfade: the loop is shorter than 4 bytes")
                                     : QStringLiteral("no crossfade: there is no sound before the loop's start");
    }
    QString words = QStringLiteral("crossfade %1 ms, %2 bytes, %3")
                        .arg(milliseconds(layout.fadeBytes, rate), number(layout.fadeBytes), lawWords(layout.fadeLaw));
    if (layout.fadeBytes < layout.fadeAsked) {
        words += layout.fadeBytes == layout.loopStart
            ? QStringLiteral(", shortened to the sound before the loop's start (%1 ms asked)")
            : QStringLiteral(", shortened to half the loop (%1 ms asked)");
        words = words.arg(milliseconds(layout.fadeAsked, rate));
    }
    return words;
}

QString crossfadeShortfall(const TrackerLayout &layout, int rate)
{
    if (layout.fadeAsked <= 0 || layout.fadeBytes >= layout.fadeAsked)
        return QString();
    if (layout.fadeBytes <= 0) {
        return layout.loopLength < 4
            ? QStringLiteral("its loop is shorter than 4 bytes at this note, so it is not crossfaded")
            : QStringLiteral("its loop starts at its first byte, with no sound before it to fade in from, so it is "
                             "not crossfaded");
    }
    return QStringLiteral("its crossfade is shortened from %1 ms to %2 ms (%3 bytes), %4")
        .arg(milliseconds(layout.fadeAsked, rate), milliseconds(layout.fadeBytes, rate), number(layout.fadeBytes),
             layout.fadeBytes == layout.loopStart ? QStringLiteral("all the sound there is before its loop's start")
                                                  : QStringLiteral("half its loop"));
}
