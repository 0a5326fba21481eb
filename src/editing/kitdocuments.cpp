// Open Kit and Save Kit: every sample's settings and shape kept in a file
// beside the recordings, so an hour's work outlasts the window. A kit is
// read and checked whole before the list changes at all.

#include "export.h"
#include "exportreport.h"
#include "kitfile.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "progress.h"
#include "question.h"
#include "sample.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>

namespace {

QString kitFilter()
{
    return QStringLiteral("Brindlebox kit (*.brindlekit)");
}

/// The kit last opened or saved, where the kit dialogs start; like the
/// output directory, it lasts as long as the program.
QString lastKitPath;

} // namespace

void MainWindow::connectKitDocuments()
{
    // The window's own actions, as Undo and Redo are: the File menu stays as
    // it is, and the keys work wherever the window is.
    auto *open = new QAction(tr("Open Kit…"), this);
    open->setObjectName(QStringLiteral("actionOpen_Kit"));
    open->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    connect(open, &QAction::triggered, this, &MainWindow::openKitFile);
    auto *save = new QAction(tr("Save Kit…"), this);
    save->setObjectName(QStringLiteral("actionSave_Kit"));
    save->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    save->setEnabled(false);
    connect(save, &QAction::triggered, this, &MainWindow::saveKitFile);
    const auto followList = [this, save] { save->setEnabled(ui->sampleCombo->count() > 0); };
    const QAbstractItemModel *list = ui->sampleCombo->model();
    connect(list, &QAbstractItemModel::rowsInserted, save, followList);
    connect(list, &QAbstractItemModel::rowsRemoved, save, followList);
    connect(list, &QAbstractItemModel::modelReset, save, followList);
    addActions({open, save});
}

bool MainWindow::loadKit(const Kit &kit)
{
    if (!startNewSampleList())
        return false;
    for (const KitEntry &entry : kit.entries)
        insertEntry(ui->sampleCombo, ui->sampleCombo->count(), entry);
    if (!kit.outputDirectory.isEmpty()) {
        outputDirectory = kit.outputDirectory;
        ui->DirectoryName->setText(outputDirectory);
    }
    if (!kit.entries.isEmpty()) {
        ui->centralwidget->setEnabled(true);
        refreshControls();
    }
    return true;
}

void MainWindow::openKitFile()
{
    QFileDialog dialog(this, tr("Open Kit"),
                       lastKitPath.isEmpty() ? QStringLiteral(".") : QFileInfo(lastKitPath).absolutePath(), kitFilter());
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    // Away from the window's thread: the kit reads the header of every
    // cropped recording, and any of them may lie on a slow share.
    const std::optional<KitReading> reading = awayFromTheWindow(
        this, QStringLiteral("Reading %1").arg(QFileInfo(path).fileName()),
        [path](const std::function<bool()> &cancelled) { return readKit(path, cancelled); });
    if (!reading)
        return;
    const KitReading &read = *reading;
    if (!read.problem.isEmpty()) {
        warnUser(tr("Open Kit"), read.problem);
        return;
    }
    if (loadKit(read.kit))
        lastKitPath = path;
}

void MainWindow::saveKitFile()
{
    if (ui->sampleCombo->count() == 0)
        return;
    const Kit kit{allEntries(ui->sampleCombo), outputDirectory};
    // Said before a file is chosen: no kit can name these recordings.
    if (const QStringList unsavable = unsavableSamples(kit); !unsavable.isEmpty()) {
        showListing(tr("Save Kit"), true, [&unsavable](int shown) {
            return listedSections({{QStringLiteral("The kit was not saved: a kit cannot name the recordings of these "
                                                   "samples"),
                                    unsavable}},
                                  shown);
        });
        return;
    }

    QFileDialog dialog(this, tr("Save Kit"),
                       lastKitPath.isEmpty() ? QStringLiteral(".") : QFileInfo(lastKitPath).absolutePath(), kitFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(kitSuffix());
    dialog.selectFile(lastKitPath.isEmpty() ? QStringLiteral("kit.brindlekit") : QFileInfo(lastKitPath).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString path = dialog.selectedFiles().constFirst();
    // A dialog that does not add the suffix itself asked about another name.
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QLatin1Char('.') + kitSuffix();
        if (QFileInfo::exists(path)
            && !userSaysYes(QStringLiteral("%1 already exists. Do you want to replace it?").arg(QFileInfo(path).fileName())))
            return;
    }
    if (const QString reason = writeKit(path, kit); !reason.isEmpty()) {
        warnUser(tr("Save Kit"), QStringLiteral("The kit was not saved as %1: %2").arg(path, reason));
        return;
    }
    lastKitPath = path;
}
