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
constexpr int rowsPerPattern = 64;
constexpr int rowBytes = 4 * 4; // four channels of four bytes
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
    return slot;
}

/// The slots of the first moduleSampleSlots of \a samples, and the patterns
/// their song takes: a sample still sounding at the end gets one more row,
/// to silence it.
struct Plan
{
    QList<Slot> entries;
    bool silenceLast = false;
    qint64 songRows = 1;
    int patterns = 1;
    qint64 soundBytes = 0;
};

Plan planOf(const QList<KitSlotSize> &samples)
{
    Plan plan;
    qint64 rows = 0;
    for (const KitSlotSize &sample : samples.mid(0, moduleSampleSlots)) {
        plan.entries.append(slotOf(sample));
        rows += plan.entries.last().rows;
        plan.soundBytes += plan.entries.last().bytes;
    }
    plan.silenceLast = !plan.entries.isEmpty() && plan.entries.last().stillSounding;
    plan.songRows = qMax<qint64>(1, rows + plan.silenceLast);
    plan.patterns = int((plan.songRows + rowsPerPattern - 1) / rowsPerPattern);
    return plan;
}

/// Writes one channel's note and effect in one row of the song.
void setCell(QByteArray &module, qint64 row, int channel, int sample, int period, int effect, int parameter)
{
    char *cell = module.data() + patternsOffset + row * rowBytes + channel * 4;
    cell[0] = char((sample & 0xf0) | (period >> 8));
    cell[1] = char(period & 0xff);
    cell[2] = char(((sample & 0x0f) << 4) | effect);
    cell[3] = char(parameter);
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
    return patternsOffset + qint64(plan.patterns) * rowsPerPattern * rowBytes + plan.soundBytes;
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
    QList<KitSlotSize> sizes;
    for (const KitSample &sample : samples)
        sizes.append({sample.body.size(), sample.loopStart, sample.loopLength, sample.rate});
    const Plan planned = planOf(sizes);
    const QList<Slot> &plan = planned.entries;
    const bool silenceLast = planned.silenceLast;
    const qint64 songRows = planned.songRows;
    const int patterns = planned.patterns;

    QByteArray module(patternsOffset + qint64(patterns) * rowsPerPattern * rowBytes, '\0');
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
    module[songOffset] = char(patterns);
    module[songOffset + 1] = char(127); // as ProTracker writes it: play from the start again
    for (int order = 0; order < patterns; ++order)
        module[songOffset + 2 + order] = char(order);
    std::copy_n("M.K.", 4, module.data() + patternsOffset - 4);

    qint64 row = 0;
    for (int i = 0; i < plan.size(); ++i) {
        setCell(module, row, 0, i + 1, plan.at(i).period, 0, 0);
        row += plan.at(i).rows;
    }
    if (silenceLast)
        setCell(module, row, 0, 0, 0, 0xc, 0);
    // A pattern break on the last order ends the song at this row, not after
    // the rest of its pattern; players ignore F00 (speed 0).
    setCell(module, songRows - 1, 1, 0, 0, 0xd, 0);

    for (int i = 0; i < plan.size(); ++i)
        module.append(samples.at(i).body.constData(), plan.at(i).bytes);
    return module;
}
