#include "export.h"

#include "exportengine.h"
#include "mainwindow.h"
#include "mainwindowform.h"
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

/// \a text with each word too long to wrap shortened in its middle, so
/// that a box showing it fits the screen; the box's details keep it whole.
QString withLongWordsShortened(const QString &text)
{
    constexpr int longest = 80;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        QStringList words = line.split(QLatin1Char(' '));
        for (QString &word : words) {
            if (word.size() > longest)
                word = word.left(longest / 2 - 1) + QStringLiteral("…") + word.right(longest / 2 - 1);
        }
        line = words.join(QLatin1Char(' '));
    }
    return lines.join(QLatin1Char('\n'));
}

/// One box after the export: the samples that are not in the folder, then
/// the written ones that are too long for a tracker, each list cut short
/// where it would outgrow the screen, whole in the details. Nothing when
/// all is well.
void showReport(const ExportReport &report)
{
    const QString text = withLongWordsShortened(reportText(report, 10));
    if (text.isEmpty())
        return;
    QMessageBox box;
    const bool failed = !report.notWritten.isEmpty();
    box.setIcon(failed ? QMessageBox::Warning : QMessageBox::Information);
    box.setWindowTitle(failed ? QStringLiteral("Not all samples were written")
                              : QStringLiteral("Samples too long for a tracker"));
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    if (const QString whole = reportText(report); whole != text)
        box.setDetailedText(whole);
    box.exec();
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
    engine.setModule(path, replace);
    runExport(this, engine);
}
