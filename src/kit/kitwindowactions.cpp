// The kit window's actions, keys and menus: building the list, and the kit
// as a whole as the main window has it.

#include "kitwindow.h"

#include "kithistory.h"
#include "kitlist.h"
#include "waveformwindow.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QUndoStack>

void KitWindow::makeActions(QMenuBar *menus)
{
    const auto action = [this](const QString &text, const QKeySequence &keys, const std::function<ListEdit()> &edit) {
        auto *made = new QAction(text, this);
        made->setShortcut(keys);
        connect(made, &QAction::triggered, this, [this, edit] { say(edit()); });
        addAction(made);
        return made;
    };
    QWidget *main = m_mainWindow;
    QAction *add = action(tr("Add Samples…"), QKeySequence(QStringLiteral("Ctrl+Shift+L")),
                          [this, main] { return addSamples(this, main); });
    QAction *remove = action(tr("Remove Sample"), QKeySequence::Delete, [main] { return removeShownSample(main); });
    QAction *up = action(tr("Move Up"), QKeySequence(QStringLiteral("Alt+Up")), [main] { return moveShownSample(main, -1); });
    QAction *down = action(tr("Move Down"), QKeySequence(QStringLiteral("Alt+Down")), [main] { return moveShownSample(main, 1); });
    QAction *rename = action(tr("Rename…"), QKeySequence(Qt::Key_F2), [this, main] { return askToRenameShownSample(this, main); });
    QAction *duplicate = action(tr("Duplicate"), QKeySequence(QStringLiteral("Ctrl+D")), [main] { return duplicateShownSample(main); });
    const QList<QAction *> building{add, remove, up, down, rename, duplicate};
    // One history for every window.
    QUndoStack *history = kitHistory(main);
    QAction *undo = history->createUndoAction(this);
    undo->setShortcut(QKeySequence::Undo);
    QAction *redo = history->createRedoAction(this);
    redo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    addActions({undo, redo});
    // What the main window does with the kit as a whole, with its keys.
    const auto mains = [main](const char *name) { return main->findChild<QAction *>(QLatin1String(name)); };
    const auto followList = [this, building] {
        for (QAction *entry : building)
            entry->setEnabled(entry == building.constFirst() || m_samples->count() > 0);
    };
    connect(m_samples->model(), &QAbstractItemModel::rowsInserted, this, followList);
    connect(m_samples->model(), &QAbstractItemModel::rowsRemoved, this, followList);
    connect(m_samples->model(), &QAbstractItemModel::modelReset, this, followList);
    followList();

    QMenu *kit = menus->addMenu(tr("&Kit"));
    kit->addActions({mains("actionOpen_Kit"), mains("actionSave_Kit"), mains("actionExport_Kit_as_Module"),
                     mains("actionFit_Kit_into_Size")});
    kit->addSeparator();
    kit->addAction(mains("actionClear_All"));
    QMenu *edit = menus->addMenu(tr("&Edit"));
    edit->addActions({undo, redo});
    edit->addSeparator();
    edit->addActions(building);
    QMenu *view = menus->addMenu(tr("&View"));
    view->addAction(tr("Show Waveform"), this, [main] { showWaveformWindow(main); });

    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_table, &QWidget::customContextMenuRequested, this, [this, building, undo, redo](const QPoint &at) {
        QMenu menu(this);
        menu.addActions({undo, redo});
        menu.addSeparator();
        menu.addActions(building);
        menu.exec(m_table->viewport()->mapToGlobal(at));
    });
}
