#pragma once

#include "budget.h"

/// How Fit Kit into Size and --module-size lower the notes.
enum class BudgetRule {
    LongestFirst, // one note at a time, whichever sample then saves the most bytes
    OneCeiling    // every sample under one ceiling note
};

/// Fits the module Export Kit as Module writes of \a entries into
/// \a budget bytes, the longest sounds giving way first: one note at a
/// time it lowers whichever of the module's samples then saves the most
/// bytes of its own, until the module fits; then, one note at a time, it
/// raises again the lowered sample that costs the fewest bytes, as long as
/// the module still fits. So the module as written takes at most
/// \a budget bytes, and no single sample could be raised by a note without
/// passing it; a sample is never raised above its own note. Samples that
/// take no slot keep their notes. Where nothing need change, or nothing
/// can, it says so as fitIntoBudget() does.
BudgetFit fitLongestFirst(const QList<BudgetEntry> &entries, qint64 budget);

/// The fit of \a entries into \a budget bytes by \a rule.
BudgetFit fitByRule(BudgetRule rule, const QList<BudgetEntry> &entries, qint64 budget);
