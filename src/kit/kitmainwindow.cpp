// The kit in the main window: Show Kit, the list's building in the context
// menu, and the kit's actions the program's other windows share.

#include "kitlist.h"
#include "kitwindow.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "question.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>

void MainWindow::connectKitWindow()
{
    auto *show = new QAction(tr("Show Kit"), this);
    show->setObjectName(QStringLiteral("actionShow_Kit"));
    show->setShortcut(QKeySequence(QStringLiteral("Ctrl+K")));
    connect(show, &QAction::triggered, this, [this] { showKitWindow(this); });
    addAction(show);
    // Not the window's own keys: the other windows offer them in their menus.
    auto *exportModule = new QAction(tr("Export Kit as Module…"), this);
    exportModule->setObjectName(QStringLiteral("actionExport_Kit_as_Module"));
    connect(exportModule, &QAction::triggered, this, &MainWindow::exportKitAsModule);
    auto *fit = new QAction(tr("Fit Kit into Size…"), this);
    fit->setObjectName(QStringLiteral("actionFit_Kit_into_Size"));
    connect(fit, &QAction::triggered, this, &MainWindow::fitKitIntoSize);
    const auto followList = [this, exportModule, fit] {
        exportModule->setEnabled(ui->sampleCombo->count() > 0);
        fit->setEnabled(ui->sampleCombo->count() > 0);
    };
    const QAbstractItemModel *list = ui->sampleCombo->model();
    connect(list, &QAbstractItemModel::rowsInserted, this, followList);
    connect(list, &QAbstractItemModel::rowsRemoved, this, followList);
    connect(list, &QAbstractItemModel::modelReset, this, followList);
    followList();
}

void MainWindow::addKitListEntries(QMenu &menu)
{
    // Without the kit window's keys: here Delete, F2 and Alt+arrows belong
    // to the controls.
    const bool haveSamples = ui->sampleCombo->count() > 0;
    const auto addEntry = [&](const QString &text, bool enabled, const std::function<ListEdit()> &edit) {
        QAction *entry = menu.addAction(text);
        entry->setEnabled(enabled);
        connect(entry, &QAction::triggered, this, [edit] {
            const ListEdit done = edit();
            if (!done.done && !done.said.isEmpty())
                warnUser(tr("Kit"), done.said);
        });
    };
    addEntry(tr("Add Samples…"), true, [this] { return addSamples(this, this); });
    addEntry(tr("Remove Sample"), haveSamples, [this] { return removeShownSample(this); });
    addEntry(tr("Move Up"), haveSamples, [this] { return moveShownSample(this, -1); });
    addEntry(tr("Move Down"), haveSamples, [this] { return moveShownSample(this, 1); });
    addEntry(tr("Rename…"), haveSamples, [this] { return askToRenameShownSample(this, this); });
    addEntry(tr("Duplicate"), haveSamples, [this] { return duplicateShownSample(this); });
}
