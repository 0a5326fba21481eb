// Loading and clearing the sample list, and showing the current sample.

#include "mainwindow.h"
#include "mainwindowform.h"
#include "question.h"
#include "sample.h"
#include "kithistory.h"
#include "sliderscale.h"
#include "soundfiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QSlider>
#include <QUndoStack>

bool MainWindow::confirmDiscardSamples()
{
    return userSaysYes(QStringLiteral("Lose current samples?"));
}

void MainWindow::on_actionLoad_Samples_triggered()
{
    if (!startNewSampleList())
        return;
    // WAV files first, as ever; then every sound file sox reads.
    appendSamples(QFileDialog::getOpenFileNames(
        this, tr("Open Samples"), QStringLiteral("."),
        tr("Wave Files (*.wav)") + QStringLiteral(";;") + tr("Sound Files (%1)").arg(soundFilePatterns())));
}

bool MainWindow::loadFiles(const QStringList &paths, const Sample &settings, const QList<FoundFile> &origins)
{
    if (!startNewSampleList())
        return false;
    appendSamples(paths, settings, origins);
    return true;
}

void MainWindow::noteFilesNotSound(qsizetype files)
{
    setFilesNotSound(ui->sampleCombo, files);
}

bool MainWindow::startNewSampleList()
{
    if (ui->sampleCombo->count() > 0 && !confirmDiscardSamples())
        return false;
    // The old samples go before Load's dialog opens, whatever it brings,
    // and with them what Undo could take back.
    ui->sampleCombo->clear();
    setFilesNotSound(ui->sampleCombo, 0);
    kitHistory(this)->clear();
    return true;
}

void MainWindow::appendSamples(const QStringList &paths, const Sample &settings, const QList<FoundFile> &origins)
{
    // Files are not opened here: a bad one fails when it is converted.
    for (int i = 0; i < paths.size(); ++i)
        appendSample(ui->sampleCombo, sampleOfFile(paths.at(i), settings), origins.value(i));
    if (paths.isEmpty())
        return;
    ui->centralwidget->setEnabled(true);
    refreshControls();
}

void MainWindow::on_actionClear_All_triggered()
{
    if (ui->sampleCombo->count() > 0 && !confirmDiscardSamples())
        return;
    ui->sampleCombo->clear();
    setFilesNotSound(ui->sampleCombo, 0);
    kitHistory(this)->clear();
    ui->centralwidget->setEnabled(false);
}

void MainWindow::refreshControls()
{
    // Setters only: none of them emits the user-action signals the editor
    // listens to, so showing a sample never writes it back.
    const Sample sample = currentSample(ui->sampleCombo);
    ui->NormaliseCheckbox->setChecked(sample.normalise);
    ui->lowCutCheckbox->setChecked(sample.lowCut);
    ui->highCutCheckbox->setChecked(sample.highCut);
    ui->lowCutSlider->setValue(sample.lowCutFrequency);
    ui->highCutSlider->setValue(highCutSliderPosition(sample.highCutFrequency));
    ui->FrequencyCombo->setCurrentIndex(ui->FrequencyCombo->findText(sample.note));
    updateCutSliders();
}

void MainWindow::updateCutSliders()
{
    ui->lowCutSlider->setEnabled(ui->lowCutCheckbox->isChecked());
    ui->highCutSlider->setEnabled(ui->highCutCheckbox->isChecked());
}
