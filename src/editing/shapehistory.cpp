#include "shapehistory.h"

#include "sample.h"

#include <QComboBox>
#include <QPointer>
#include <QUndoStack>
#include <QWidget>

namespace {

const char *historyName = "shapeHistory";

/// A step of the history: stores the new shapes, and the old ones back.
class ShapeCommand : public QUndoCommand
{
public:
    ShapeCommand(QComboBox *list, QList<ShapeChange> changes, const QString &text)
        : QUndoCommand(text)
        , m_list(list)
        , m_changes(std::move(changes))
    {
    }

    void redo() override { store(false); }
    void undo() override { store(true); }

private:
    void store(bool before)
    {
        if (!m_list)
            return;
        for (const ShapeChange &change : std::as_const(m_changes)) {
            if (change.index < m_list->count())
                storeShape(m_list, change.index, before ? change.before : change.after);
        }
    }

    QPointer<QComboBox> m_list;
    QList<ShapeChange> m_changes;
};

} // namespace

QUndoStack *shapeHistory(QWidget *mainWindow)
{
    auto *history = mainWindow->findChild<QUndoStack *>(historyName, Qt::FindDirectChildrenOnly);
    if (!history) {
        history = new QUndoStack(mainWindow);
        history->setObjectName(historyName);
    }
    return history;
}

void changeShapes(QWidget *mainWindow, const QList<ShapeChange> &changes, const QString &text)
{
    QList<ShapeChange> real;
    for (const ShapeChange &change : changes) {
        if (change.before != change.after)
            real << change;
    }
    if (real.isEmpty())
        return;
    auto *list = mainWindow->findChild<QComboBox *>(QStringLiteral("sampleCombo"));
    shapeHistory(mainWindow)->push(new ShapeCommand(list, std::move(real), text));
}

void changeShape(QWidget *mainWindow, int index, const SampleShape &shape, const QString &text)
{
    auto *list = mainWindow->findChild<QComboBox *>(QStringLiteral("sampleCombo"));
    changeShapes(mainWindow, {ShapeChange{index, sampleShape(list, index), shape}}, text);
}
