#include "export.h"

#include "exportengine.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "progress.h"
#include "question.h"
#include "sample.h"

#include <QFileDialog>
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

} // namespace

QString exportFileName(const QString &sampleName)
{
    return nameWithoutWav(sampleName) + QStringLiteral(".8svx");
}

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
    const bool allReady = std::all_of(samples.cbegin(), samples.cend(),
                                      [](const Sample &sample) { return sample.ready; });
    if (!allReady
        && !userSaysYes(QStringLiteral(
            "Not all samples are marked as ready. Do you want to proceed?")))
        return;
    if (samples.isEmpty())
        return;

    ExportEngine engine(samples, outputDirectory, exportJobs);
    {
        ConversionProgress progress(this, int(samples.size()));
        progress.run(engine);
    }
    // Existing files are never replaced, so say what is missing from the
    // folder, and what a tracker would cut short.
    showReport(engine.report());
}
