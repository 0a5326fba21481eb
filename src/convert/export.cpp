#include "export.h"

#include "exportengine.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "module.h"
#include "progress.h"
#include "question.h"
#include "sample.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>

#include <algorithm>

QString outputDirectory;
int exportJobs = 0;

namespace {

/// One box after the export: the samples that are not in the folder, then
/// the written ones that are too long for a tracker, each list cut short
/// where it would outgrow the screen, whole in the details; and a module's
/// size, whenever one is written. Nothing when all is well.
void showReport(const ExportReport &report)
{
    if (reportText(report).isEmpty())
        return;
    const bool failed = !report.notWritten.isEmpty() || !report.moduleProblem.isEmpty() || !report.leftOut.isEmpty();
    // Beside the module's size and the files that are not sound files,
    // there may be nothing to say.
    ExportReport news = report;
    news.moduleSize = 0;
    news.notSound = 0;
    const bool onlySize = reportText(news).isEmpty();
    showListing(failed     ? QStringLiteral("Not all samples were written")
                : onlySize ? (report.moduleSize > 0 ? QStringLiteral("Kit written") : QStringLiteral("Samples written"))
                           : QStringLiteral("Samples too long for a tracker"),
                failed, [&report](int shown) { return reportText(report, shown); });
}

/// Whether the samples may go: all are ready, or the user says so.
bool mayExport(const QList<Sample> &samples)
{
    const bool allReady = std::all_of(samples.cbegin(), samples.cend(),
                                      [](const Sample &sample) { return sample.ready; });
    return allReady
        || userSaysYes(QStringLiteral("Not all samples are marked as ready. Do you want to proceed?"));
}

/// Runs \a engine behind the progress dialog, then tells what is missing
/// and what a tracker would cut short.
void runExport(QWidget *window, ExportEngine &engine)
{
    {
        ConversionProgress progress(window, int(engine.samples().size()));
        progress.run(engine);
    }
    showReport(engine.report());
}

} // namespace

void MainWindow::on_browseButton_clicked()
{
    const QString directory = QFileDialog::getExistingDirectory(
        this, tr("Open Directory"), QStringLiteral("/home"),
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    ui->DirectoryName->setText(directory);
    outputDirectory = directory;
}

void MainWindow::on_ExportButton_clicked()
{
    if (outputDirectory.isEmpty()) {
        QMessageBox box;
        box.setText(QStringLiteral("no output directory selected!"));
        box.exec();
        return;
    }

    const QList<Sample> samples = allSamples(ui->sampleCombo);
    if (!mayExport(samples) || samples.isEmpty())
        return;
    ExportEngine engine(samples, outputDirectory, exportJobs);
    // A pack keeps its tree, as the command line's export keeps it.
    engine.setOrigins(allOrigins(ui->sampleCombo));
    engine.setShapes(allShapes(ui->sampleCombo));
    engine.noteUnreadableFolders({}, filesNotSound(ui->sampleCombo));
    runExport(this, engine);
}

void MainWindow::exportKitAsModule()
{
    QFileDialog dialog(this, tr("Export Kit as Module"), outputDirectory, tr("ProTracker modules (*.mod)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("mod"));
    dialog.selectFile(QStringLiteral("kit.mod"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    // The dialog asked before it let a file be replaced, but a dialog that
    // does not add the extension itself asked about another name.
    QString path = dialog.selectedFiles().constFirst();
    const bool replace = !QFileInfo(path).suffix().isEmpty();
    if (!replace)
        path += QStringLiteral(".mod");

    const QList<Sample> samples = allSamples(ui->sampleCombo);
    if (!mayExport(samples))
        return;
    ExportEngine engine(samples, QString(), exportJobs);
    engine.setOrigins(allOrigins(ui->sampleCombo));
    engine.setShapes(allShapes(ui->sampleCombo));
    engine.setModule(path, replace);
    engine.noteUnreadableFolders({}, filesNotSound(ui->sampleCombo));
    runExport(this, engine);
}
