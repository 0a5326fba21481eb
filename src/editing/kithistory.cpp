#include "kithistory.h"

#include <QComboBox>
#include <QPointer>
#include <QUndoStack>
#include <QWidget>

namespace {

const char *historyName = "kitHistory";

QComboBox *sampleList(QWidget *mainWindow)
{
    return mainWindow->findChild<QComboBox *>(QStringLiteral("sampleCombo"));
}

/// \a current with what differs between \a from and \a to taken from \a to.
KitEntry withDifference(KitEntry current, const KitEntry &from, const KitEntry &to)
{
    Sample &sample = current.sample;
    const Sample &a = from.sample;
    const Sample &b = to.sample;
    const auto take = [](auto &field, const auto &before, const auto &after) {
        if (before != after)
            field = after;
    };
    take(sample.path, a.path, b.path);
    take(sample.name, a.name, b.name);
    take(sample.normalise, a.normalise, b.normalise);
    take(sample.ready, a.ready, b.ready);
    take(sample.lowCut, a.lowCut, b.lowCut);
    take(sample.highCut, a.highCut, b.highCut);
    take(sample.lowCutFrequency, a.lowCutFrequency, b.lowCutFrequency);
    take(sample.highCutFrequency, a.highCutFrequency, b.highCutFrequency);
    take(sample.note, a.note, b.note);
    take(current.shape, from.shape, to.shape);
    take(current.origin.path, from.origin.path, to.origin.path);
    take(current.origin.subfolder, from.origin.subfolder, to.origin.subfolder);
    take(current.origin.problem, from.origin.problem, to.origin.problem);
    return current;
}

/// Whether \a a and \a b differ in anything a step can change.
bool differ(const KitEntry &a, const KitEntry &b)
{
    const Sample &x = a.sample;
    const Sample &y = b.sample;
    return x.path != y.path || x.name != y.name || x.normalise != y.normalise || x.ready != y.ready
        || x.lowCut != y.lowCut || x.highCut != y.highCut || x.lowCutFrequency != y.lowCutFrequency
        || x.highCutFrequency != y.highCutFrequency || x.note != y.note || a.shape != b.shape
        || a.origin.path != b.origin.path || a.origin.subfolder != b.origin.subfolder
        || a.origin.problem != b.origin.problem;
}

/// Shows the entry at \a index in every window, when there is one.
void show(QComboBox *list, int index)
{
    if (list->count() > 0)
        list->setCurrentIndex(qBound(0, index, list->count() - 1));
}

/// A step that changes entries in place.
class ChangeCommand : public QUndoCommand
{
public:
    ChangeCommand(QComboBox *list, QList<EntryChange> changes, const QString &text, bool showsIt)
        : QUndoCommand(text)
        , m_list(list)
        , m_changes(std::move(changes))
        , m_showsIt(showsIt)
    {
    }

    void redo() override { store(false); }
    void undo() override { store(true); }

private:
    void store(bool back)
    {
        if (!m_list)
            return;
        for (const EntryChange &change : std::as_const(m_changes)) {
            if (change.index >= m_list->count())
                continue;
            const KitEntry now = sampleEntry(m_list, change.index);
            storeEntry(m_list, change.index,
                       back ? withDifference(now, change.after, change.before)
                            : withDifference(now, change.before, change.after));
        }
        if (m_showsIt)
            show(m_list, m_changes.constFirst().index);
    }

    QPointer<QComboBox> m_list;
    QList<EntryChange> m_changes;
    bool m_showsIt; // a step of one sample shows it; a step of many leaves the shown one
};

/// A step that takes entries out of the list, puts others in, or both.
class ReplaceCommand : public QUndoCommand
{
public:
    ReplaceCommand(QComboBox *list, int at, QList<KitEntry> removed, QList<KitEntry> inserted, const QString &text)
        : QUndoCommand(text)
        , m_list(list)
        , m_at(at)
        , m_removed(std::move(removed))
        , m_inserted(std::move(inserted))
    {
    }

    void redo() override { swap(m_removed.size(), m_inserted); }
    void undo() override { swap(m_inserted.size(), m_removed); }

private:
    void swap(qsizetype out, const QList<KitEntry> &in)
    {
        if (!m_list || m_at + out > m_list->count())
            return;
        for (qsizetype i = 0; i < out; ++i)
            m_list->removeItem(m_at);
        for (qsizetype i = 0; i < in.size(); ++i)
            insertEntry(m_list, m_at + int(i), in.at(i));
        show(m_list, m_at);
    }

    QPointer<QComboBox> m_list;
    int m_at;
    QList<KitEntry> m_removed;
    QList<KitEntry> m_inserted;
};

class MoveCommand : public QUndoCommand
{
public:
    MoveCommand(QComboBox *list, int from, int to, const QString &text)
        : QUndoCommand(text)
        , m_list(list)
        , m_from(from)
        , m_to(to)
    {
    }

    void redo() override { move(m_from, m_to); }
    void undo() override { move(m_to, m_from); }

private:
    void move(int from, int to)
    {
        if (!m_list || qMax(from, to) >= m_list->count())
            return;
        moveEntry(m_list, from, to);
        show(m_list, to);
    }

    QPointer<QComboBox> m_list;
    int m_from;
    int m_to;
};

} // namespace

QUndoStack *kitHistory(QWidget *mainWindow)
{
    auto *history = mainWindow->findChild<QUndoStack *>(historyName, Qt::FindDirectChildrenOnly);
    if (!history) {
        history = new QUndoStack(mainWindow);
        history->setObjectName(historyName);
    }
    return history;
}

void changeEntries(QWidget *mainWindow, const QList<EntryChange> &changes, const QString &text)
{
    QList<EntryChange> real;
    for (const EntryChange &change : changes) {
        if (differ(change.before, change.after))
            real << change;
    }
    if (!real.isEmpty())
        kitHistory(mainWindow)->push(new ChangeCommand(sampleList(mainWindow), std::move(real), text, false));
}

void changeEntry(QWidget *mainWindow, const EntryChange &change, const QString &text)
{
    QComboBox *list = sampleList(mainWindow);
    if (change.index < 0 || change.index >= list->count() || !differ(change.before, change.after))
        return;
    kitHistory(mainWindow)->push(new ChangeCommand(
        list, {change}, QStringLiteral("%1 of %2").arg(text, change.before.sample.name), true));
}

void changeShapes(QWidget *mainWindow, const QList<ShapeChange> &changes, const QString &text)
{
    QComboBox *list = sampleList(mainWindow);
    QList<EntryChange> entries;
    for (const ShapeChange &change : changes) {
        if (change.index < 0 || change.index >= list->count())
            continue;
        KitEntry before = sampleEntry(list, change.index);
        before.shape = change.before;
        KitEntry after = before;
        after.shape = change.after;
        entries << EntryChange{change.index, before, after};
    }
    changeEntries(mainWindow, entries, text);
}

void changeShape(QWidget *mainWindow, int index, const SampleShape &shape, const QString &text)
{
    QComboBox *list = sampleList(mainWindow);
    if (index < 0 || index >= list->count())
        return;
    const KitEntry before = sampleEntry(list, index);
    KitEntry after = before;
    after.shape = shape;
    changeEntry(mainWindow, EntryChange{index, before, after}, text);
}

void replaceEntries(QWidget *mainWindow, int at, int count, const QList<KitEntry> &entries, const QString &text)
{
    QComboBox *list = sampleList(mainWindow);
    if (at < 0 || count < 0 || at + count > list->count() || (count == 0 && entries.isEmpty()))
        return;
    QList<KitEntry> removed;
    for (int i = at; i < at + count; ++i)
        removed << sampleEntry(list, i);
    kitHistory(mainWindow)->push(new ReplaceCommand(list, at, removed, entries, text));
}

void moveEntry(QWidget *mainWindow, int from, int to, const QString &text)
{
    QComboBox *list = sampleList(mainWindow);
    if (from == to || from < 0 || to < 0 || from >= list->count() || to >= list->count())
        return;
    kitHistory(mainWindow)->push(new MoveCommand(list, from, to, text));
}
