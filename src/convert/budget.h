#pragma once

#include "breakpatterns.h"
#include "chunks.h"
#include "folderwalk.h"
#include "module.h"
#include "sample.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

/// A sample of a kit as its recording's header tells it, before sox runs.
struct BudgetEntry
{
    WavFormat source; // with its frames and loop as its shape leaves them
    QString note;
    /// Whether it will be converted at all: one that cannot be (its path may
    /// name another file, it is no regular file, no sound file sox reads,
    /// shorter than its crop, or its cuts cannot be made) takes no slot of
    /// the module.
    bool converts = true;
    std::optional<SliceOrigin> slice; // where it was cut, when cropped: it may be one slice of a break
};

/// What fitting a kit's module into a number of bytes came to.
struct BudgetFit
{
    enum Kind {
        Fits,         // at the notes it has: nothing changes
        Lowered,      // at notes no higher than the ceiling
        TooLarge,     // even at C-1: nothing changes
        LengthUnknown // some sample's length cannot be read: nothing changes
    };
    Kind kind = Fits;
    QString ceiling;   // Lowered: the highest note any sample is made at
    QStringList notes; // each entry's note, fitted
    qint64 size = 0;   // the module's bytes at those notes; TooLarge: at C-1
    QList<int> unknown; // LengthUnknown: the entries whose length cannot be read
    /// TooLarge: the module's samples and the bytes each takes at C-1,
    /// largest first.
    QList<std::pair<int, qint64>> largest;
};

/// Fits the module Export Kit as Module writes of \a entries (its first
/// slots going to the first samples that convert) into \a budget bytes: at
/// the highest single ceiling note such that, each sample made at the lower
/// of its own note and the ceiling, the module as written (header, patterns
/// and every sample as it holds it) takes at most \a budget bytes. One note
/// higher it would take more.
BudgetFit fitIntoBudget(const QList<BudgetEntry> &entries, qint64 budget);

/// What \a sample, found as \a origin and shaped as \a shape, brings to the
/// kit, its recording's header being \a recording (as readRecording() reads
/// it).
BudgetEntry budgetEntry(const Sample &sample, const FoundFile &origin, const SampleShape &shape,
                        const WavFormat &recording);

/// Why a kit's module cannot be fitted into \a budget bytes, as \a fit
/// found, naming samples by \a names: "even at C-1 it would take 100,000
/// bytes, 34,464 more than the 65,536 asked for; its largest samples at
/// C-1: pad.wav, 40,000 bytes; …"; empty when it can.
QString budgetProblem(const BudgetFit &fit, qint64 budget, const QStringList &names, int largestShown = 3);

/// The entries the module of \a entries holds: the first that convert.
QList<int> moduleMembers(const QList<BudgetEntry> &entries);

/// The room the sample of \a source takes in a module at \a note.
KitSlotSize slotSizeAt(const BudgetEntry &entry, const QString &note);

/// Where \a sample, shaped as \a shape, was cut from its recording (whose
/// header is \a recording), when it is cropped: it may be one slice of a
/// break, which the module plays back.
std::optional<SliceOrigin> sliceOrigin(const Sample &sample, const SampleShape &shape, const WavFormat &recording);

/// The bytes of the module of \a entries at their notes.
qint64 kitModuleSize(const QList<BudgetEntry> &entries);

/// The number of bytes \a text names: a whole number of bytes, or of
/// kibibytes or mebibytes with K or M after it ("64K", "512K", "1M"; 1 K =
/// 1,024 bytes); -1 when it names none, or more than a module could take
/// (then \a tooLarge is set).
qint64 parseByteCount(const QString &text, bool *tooLarge = nullptr);
