#include "module.h"

#include "trackersample.h"

#include <QLocale>
#include <QtEndian>

#include <algorithm>

namespace {

constexpr int lowestPeriod = 856;    // C-1
constexpr int highestPeriod = 113;   // B-3
constexpr int titleBytes = 20;
constexpr int nameBytes = 22;
constexpr int headerBytes = 30;
constexpr int songOffset = 950;
constexpr int patternsOffset = 1084;
// About 2 s at the default speed, 6 ticks of 20 ms a row.
constexpr qint64 longestRows = 17;

/// Where one sample goes: its sound cut to what trackers hold, its loop
/// in words (none when of length 0), its note and its rows of the song.
struct Slot
{
    qint64 bytes = 0;
    qint64 loopStart = 0;
    qint64 loopLength = 0;
    int period = 0;
    qint64 rows = 1;
    bool stillSounding = false; // after its rows
    std::optional<SliceOrigin> slice;
};

/// The slot of a sample of \a size.
Slot slotOf(const KitSlotSize &size)
{
    Slot slot;
    const HeldSample held = heldInModule(size);
    slot.bytes = held.bytes;
    slot.loopStart = held.loopStart / 2;
    slot.loopLength = held.loopLength / 2;
    slot.period = trackerPeriod(size.rate);
    // A row lasts 3/25 s, and a byte period / palClock s.
    const qint64 sounding = (slot.bytes * slot.period * 25 + palClock * 3 - 1) / (palClock * 3);
    slot.stillSounding = slot.loopLength > 0 || sounding > longestRows;
    slot.rows = slot.stillSounding ? longestRows : qMax<qint64>(sounding, 1);
    slot.slice = size.slice;
    return slot;
}

/// The songSlots of the first moduleSampleSlots of \a samples, and the patterns
/// their song takes: a sample still sounding at the end gets one more row,
/// to silence it.
struct Plan
{
    QList<Slot> entries;
    Song song;
    qint64 soundBytes = 0;
};

Plan planOf(const QList<KitSlotSize> &samples)
{
    Plan plan;
    QList<SongSlot> songSlots;
    for (const KitSlotSize &sample : samples.mid(0, moduleSampleSlots)) {
        const Slot slot = slotOf(sample);
        plan.entries.append(slot);
        plan.soundBytes += slot.bytes;
        songSlots.append(SongSlot{slot.period, slot.bytes, slot.loopLength > 0, slot.rows, slot.slice});
    }
    plan.song = songOf(songSlots, !plan.entries.isEmpty() && plan.entries.last().stillSounding);
    return plan;
}

QList<KitSlotSize> sizesOf(const QList<KitSample> &samples)
{
    QList<KitSlotSize> sizes;
    for (const KitSample &sample : samples)
        sizes.append({sample.body.size(), sample.loopStart, sample.loopLength, sample.rate, sample.slice});
    return sizes;
}

} // namespace

HeldSample heldInModule(const KitSlotSize &size)
{
    HeldSample held;
    // Trackers count in whole words, and the count has 16 bits.
    held.bytes = qMin<qint64>(size.bodyBytes, trackerSampleBytesLimit) & ~qint64(1);
    if (size.loopLength > 0 && size.loopStart >= 0 && size.loopStart < held.bytes) {
        held.loopStart = size.loopStart & ~qint64(1);
        held.loopLength = (qMin(size.loopLength, held.bytes - size.loopStart) / 2) * 2;
    }
    return held;
}

QByteArray moduleTitle(const QString &fileName)
{
    const QString extension = QStringLiteral(".mod");
    const QString name =
        fileName.endsWith(extension, Qt::CaseInsensitive) ? fileName.chopped(extension.size()) : fileName;
    return printableAscii(name).left(titleBytes);
}

int trackerPeriod(int rate)
{
    return rate > 0 ? qBound(highestPeriod, int((palClock + rate / 2) / rate), lowestPeriod) : lowestPeriod;
}

qint64 moduleSize(const QList<KitSlotSize> &samples)
{
    const Plan plan = planOf(samples);
    return patternsOffset + qint64(plan.song.patterns.size()) * rowsPerPattern * rowBytes + plan.soundBytes;
}

QString moduleSizeLine(const QString &name, qint64 bytes)
{
    const QLocale english(QLocale::English);
    const auto number = [&english](qint64 value) { return english.toString(value); };
    const QString against = QStringLiteral("the %1 bytes of an Amiga 500's chip memory").arg(number(amiga500ChipBytes));
    if (bytes <= amiga500ChipBytes)
        return QStringLiteral("%1: %2 bytes, %3 less than %4").arg(name, number(bytes), number(amiga500ChipBytes - bytes), against);
    const QString more = QStringLiteral("%1: %2 bytes, %3 more than %4").arg(name, number(bytes), number(bytes - amiga500ChipBytes), against);
    if (bytes <= amiga600ChipBytes)
        return more + QStringLiteral("; it fits an Amiga 600's %1").arg(number(amiga600ChipBytes));
    if (bytes <= amiga1200ChipBytes)
        return more + QStringLiteral("; it fits an Amiga 1200's %1, not an Amiga 600's %2")
                          .arg(number(amiga1200ChipBytes), number(amiga600ChipBytes));
    return more + QStringLiteral("; it fits neither an Amiga 600's %1 nor an Amiga 1200's %2")
                      .arg(number(amiga600ChipBytes), number(amiga1200ChipBytes));
}

QByteArray protrackerModule(const QByteArray &title, const QList<KitSample> &samples)
{
    const Plan planned = planOf(sizesOf(samples));
    const QList<Slot> &plan = planned.entries;
    const Song &song = planned.song;

    QByteArray module(patternsOffset, '\0');
    module.reserve(module.size() + planned.soundBytes);
    std::copy_n(title.constData(), qMin<qsizetype>(title.size(), titleBytes), module.data());
    for (int i = 0; i < moduleSampleSlots; ++i) {
        char *header = module.data() + titleBytes + i * headerBytes;
        qToBigEndian<quint16>(1, header + 28); // trackers write "no loop" as a loop of one word at 0
        if (i >= plan.size())
            continue;
        const Slot &slot = plan.at(i);
        const QByteArray &name = samples.at(i).name;
        std::copy_n(name.constData(), qMin<qsizetype>(name.size(), nameBytes), header);
        qToBigEndian<quint16>(quint16(slot.bytes / 2), header + 22);
        header[25] = 64; // full volume
        if (slot.loopLength > 0) {
            qToBigEndian<quint16>(quint16(slot.loopStart), header + 26);
            qToBigEndian<quint16>(quint16(slot.loopLength), header + 28);
        }
    }
    module[songOffset] = char(song.order.size());
    module[songOffset + 1] = char(127); // as ProTracker writes it: play from the start again
    std::copy_n(song.order.constData(), song.order.size(), module.data() + songOffset + 2);
    std::copy_n("M.K.", 4, module.data() + patternsOffset - 4);
    for (const QByteArray &pattern : song.patterns)
        module.append(pattern);

    for (int i = 0; i < plan.size(); ++i)
        module.append(samples.at(i).body.constData(), plan.at(i).bytes);
    return module;
}

int breaksLeftOut(const QList<KitSample> &samples)
{
    return planOf(sizesOf(samples)).song.breaksLeftOut;
}
