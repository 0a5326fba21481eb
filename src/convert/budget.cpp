#include "budget.h"

#include "module.h"
#include "notetable.h"
#include "shaping.h"
#include "sourcecheck.h"
#include "trackersample.h"

#include <QLocale>

#include <QRegularExpression>

#include <algorithm>
#include <limits>

KitSlotSize slotSizeAt(const BudgetEntry &entry, const QString &note)
{
    const int rate = noteFrequencies.value(note);
    const TrackerLayout layout = trackerLayout(soundBytesAt(entry.source, rate), rate, entry.source);
    return {layout.bodySize, layout.loopStart, layout.loopLength, rate, entry.slice};
}

QList<int> moduleMembers(const QList<BudgetEntry> &entries)
{
    QList<int> members;
    for (int i = 0; i < entries.size() && members.size() < moduleSampleSlots; ++i) {
        if (entries.at(i).converts)
            members << i;
    }
    return members;
}

namespace {

/// \a notes with each that is above \a ceiling at \a ceiling.
QStringList underCeiling(const QList<BudgetEntry> &entries, const QString &ceiling)
{
    const int top = noteFrequencies.value(ceiling);
    QStringList notes;
    for (const BudgetEntry &entry : entries)
        notes << (noteFrequencies.value(entry.note) > top ? ceiling : entry.note);
    return notes;
}

qint64 sizeAt(const QList<BudgetEntry> &entries, const QList<int> &members, const QStringList &notes)
{
    QList<KitSlotSize> sizes;
    for (const int i : members)
        sizes << slotSizeAt(entries.at(i), notes.at(i));
    return moduleSize(sizes);
}

} // namespace

qint64 kitModuleSize(const QList<BudgetEntry> &entries)
{
    QStringList notes;
    for (const BudgetEntry &entry : entries)
        notes << entry.note;
    return sizeAt(entries, moduleMembers(entries), notes);
}

BudgetFit fitIntoBudget(const QList<BudgetEntry> &entries, qint64 budget)
{
    BudgetFit fit;
    for (const BudgetEntry &entry : entries)
        fit.notes << entry.note;
    const QList<int> members = moduleMembers(entries);
    for (const int i : members) {
        if (!entries.at(i).source.lengthKnown())
            fit.unknown << i;
    }
    if (!fit.unknown.isEmpty()) {
        fit.kind = BudgetFit::LengthUnknown;
        return fit;
    }
    fit.size = sizeAt(entries, members, fit.notes);
    if (fit.size <= budget)
        return fit;
    // Lower notes make every sample shorter, so the first ceiling from the
    // top at which it fits is the highest.
    const QStringList notes = notesByRate();
    for (auto ceiling = notes.crbegin(); ceiling != notes.crend(); ++ceiling) {
        const QStringList fitted = underCeiling(entries, *ceiling);
        const qint64 size = sizeAt(entries, members, fitted);
        if (size <= budget) {
            fit.kind = BudgetFit::Lowered;
            fit.ceiling = *ceiling;
            fit.notes = fitted;
            fit.size = size;
            return fit;
        }
    }
    fit.kind = BudgetFit::TooLarge;
    const QStringList lowest = underCeiling(entries, notes.constFirst());
    fit.size = sizeAt(entries, members, lowest);
    for (const int i : members)
        fit.largest.append({i, qMin(slotSizeAt(entries.at(i), lowest.at(i)).bodyBytes, trackerSampleBytesLimit)});
    std::stable_sort(fit.largest.begin(), fit.largest.end(),
                     [](const auto &a, const auto &b) { return a.second > b.second; });
    return fit;
}

qint64 parseByteCount(const QString &text, bool *tooLarge)
{
    static const QRegularExpression size(QStringLiteral("^\\s*(\\d+)\\s*([KkMm]?)\\s*$"));
    const QRegularExpressionMatch match = size.match(text);
    if (tooLarge)
        *tooLarge = false;
    if (!match.hasMatch())
        return -1;
    const QString unit = match.captured(2).toUpper();
    const qint64 scale = unit == QLatin1String("K") ? 1024 : unit == QLatin1String("M") ? 1024 * 1024 : 1;
    const QString digits = match.captured(1);
    const qint64 count = digits.size() <= 12 ? digits.toLongLong() : -1;
    if (count < 0 || count > std::numeric_limits<qint64>::max() / scale / 1024) {
        if (tooLarge)
            *tooLarge = true;
        return -1;
    }
    return count * scale;
}

BudgetEntry budgetEntry(const Sample &sample, const FoundFile &origin, const SampleShape &shape,
                        const WavFormat &recording)
{
    const ShapedRecording shaped = shapeRecording(recording, shape);
    // What the conversion refuses before sox runs, the budget reckons
    // without: its slot goes to the next sample that converts.
    const bool converts = origin.problem.isEmpty() && sourceProblem(sample.path).isEmpty() && recording.sampleRate > 0
        && shaped.problem.isEmpty() && settingsProblem(sample, recording).isEmpty();
    return {shaped.source, sample.note, converts, sliceOrigin(sample, shape, recording)};
}

std::optional<SliceOrigin> sliceOrigin(const Sample &sample, const SampleShape &shape, const WavFormat &recording)
{
    if (!shape.crop)
        return std::nullopt;
    return SliceOrigin{sample.path, shape.crop->start, shape.crop->frames, recording.sampleRate};
}

QString budgetProblem(const BudgetFit &fit, qint64 budget, const QStringList &names, int largestShown)
{
    const QLocale english(QLocale::English);
    if (fit.kind == BudgetFit::LengthUnknown) {
        QStringList unknown;
        for (const int i : fit.unknown)
            unknown << names.value(i);
        return QStringLiteral("its size cannot be reckoned: the length of %1 could not be read")
            .arg(unknown.join(QStringLiteral(", ")));
    }
    if (fit.kind != BudgetFit::TooLarge)
        return QString();
    QStringList largest;
    for (const auto &[index, bytes] : fit.largest.mid(0, largestShown))
        largest << QStringLiteral("%1, %2 bytes").arg(names.value(index), english.toString(bytes));
    return QStringLiteral("even at C-1 it would take %1 bytes, %2 more than the %3 asked for; its largest samples at "
                          "C-1: %4")
        .arg(english.toString(fit.size), english.toString(fit.size - budget), english.toString(budget),
             largest.join(QStringLiteral("; ")));
}
