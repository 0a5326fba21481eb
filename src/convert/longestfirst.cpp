// Longest First: a kit's module fitted into a budget by lowering its longest
// sounds, so that short hits keep their notes, and their brightness.

#include "longestfirst.h"

#include "module.h"
#include "notetable.h"

namespace {

/// The module's samples, each at a level of the note list (0: C-1), with
/// the room each takes at each level, reckoned once.
class Levels
{
public:
    Levels(const QList<BudgetEntry> &entries, const QList<int> &members)
        : m_entries(entries)
        , m_members(members)
        , m_notes(notesByRate())
    {
        for (const int i : members) {
            m_own << qMax<qsizetype>(0, m_notes.indexOf(entries.at(i).note));
            m_slots << QList<KitSlotSize>(m_notes.size());
            m_known << QList<bool>(m_notes.size(), false);
        }
        m_level = m_own;
    }

    qsizetype count() const { return m_members.size(); }
    int level(qsizetype member) const { return int(m_level.at(member)); }
    int own(qsizetype member) const { return int(m_own.at(member)); }
    void set(qsizetype member, int level) { m_level[member] = level; }
    QString note(qsizetype member) const { return m_notes.at(m_level.at(member)); }
    int entry(qsizetype member) const { return m_members.at(member); }

    /// The room the member takes at \a level.
    const KitSlotSize &slot(qsizetype member, int level)
    {
        if (!m_known[member][level]) {
            m_slots[member][level] = slotSizeAt(m_entries.at(m_members.at(member)), m_notes.at(level));
            m_known[member][level] = true;
        }
        return m_slots[member][level];
    }

    /// The bytes of the module at the levels as they are.
    qint64 moduleBytes()
    {
        QList<KitSlotSize> sizes;
        for (qsizetype member = 0; member < count(); ++member)
            sizes << slot(member, level(member));
        return moduleSize(sizes);
    }

private:
    const QList<BudgetEntry> &m_entries;
    QList<int> m_members;
    QStringList m_notes;
    QList<qsizetype> m_own;
    QList<qsizetype> m_level;
    QList<QList<KitSlotSize>> m_slots;
    QList<QList<bool>> m_known;
};

} // namespace

BudgetFit fitLongestFirst(const QList<BudgetEntry> &entries, qint64 budget)
{
    // What fits as it is, what cannot be reckoned, and what fits at no note
    // are the same whatever the rule: every sample at C-1 is the least
    // either can do.
    const BudgetFit underOneCeiling = fitIntoBudget(entries, budget);
    if (underOneCeiling.kind != BudgetFit::Lowered)
        return underOneCeiling;

    Levels levels(entries, moduleMembers(entries));
    qint64 size = levels.moduleBytes();
    while (size > budget) {
        // The sample that saves the most bytes of its own one note lower:
        // the longest sound. Its bytes, not what the module keeps of them,
        // so that a sound longer than a module holds gives way too.
        qsizetype lowest = -1;
        qint64 saved = -1;
        for (qsizetype member = 0; member < levels.count(); ++member) {
            const int level = levels.level(member);
            if (level == 0)
                continue;
            const qint64 saving = levels.slot(member, level).bodyBytes - levels.slot(member, level - 1).bodyBytes;
            if (saving > saved) {
                saved = saving;
                lowest = member;
            }
        }
        // Every sample at C-1 and still too large: the rows of a song can
        // grow by one as a note falls, and one ceiling did fit.
        if (lowest < 0)
            return underOneCeiling;
        levels.set(lowest, levels.level(lowest) - 1);
        size = levels.moduleBytes();
    }
    // The last note lowered may have saved more than was needed: raise
    // again, one note at a time, the sample that costs the fewest bytes,
    // for as long as the module still fits.
    for (;;) {
        qsizetype raised = -1;
        qint64 raisedSize = 0;
        for (qsizetype member = 0; member < levels.count(); ++member) {
            const int level = levels.level(member);
            if (level >= levels.own(member))
                continue;
            levels.set(member, level + 1);
            const qint64 then = levels.moduleBytes();
            levels.set(member, level);
            if (then <= budget && (raised < 0 || then < raisedSize)) {
                raised = member;
                raisedSize = then;
            }
        }
        if (raised < 0)
            break;
        levels.set(raised, levels.level(raised) + 1);
        size = raisedSize;
    }

    BudgetFit fit;
    fit.kind = BudgetFit::Lowered;
    fit.size = size;
    for (const BudgetEntry &entry : entries)
        fit.notes << entry.note;
    int top = 0;
    for (qsizetype member = 0; member < levels.count(); ++member) {
        fit.notes[levels.entry(member)] = levels.note(member);
        top = qMax(top, levels.level(member));
    }
    fit.ceiling = notesByRate().value(top);
    return fit;
}

BudgetFit fitByRule(BudgetRule rule, const QList<BudgetEntry> &entries, qint64 budget)
{
    return rule == BudgetRule::LongestFirst ? fitLongestFirst(entries, budget) : fitIntoBudget(entries, budget);
}
