// The controls that edit the current sample. Each edit is stored in the
// sample list at once; there is no apply step.

#include "mainwindow.h"
#include "mainwindowform.h"
#include "sample.h"
#include "sliderscale.h"

#include <QComboBox>
#include <QSlider>
#include <QStyle>
#include <QToolTip>

namespace {

// Says what a cut slider's position means, just below its handle.
void showAtHandle(QSlider *slider, const QString &text)
{
    const int x = QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(),
                                                  slider->sliderPosition(), slider->width(),
                                                  slider->isRightToLeft());
    QToolTip::showText(slider->mapToGlobal(QPoint(x, slider->height() / 2)), text, slider);
}

} // namespace

void MainWindow::editCurrentSample(const std::function<void(Sample &)> &edit)
{
    if (ui->sampleCombo->count() > 0) {
        Sample sample = currentSample(ui->sampleCombo);
        edit(sample);
        storeCurrentSample(ui->sampleCombo, sample);
    }
}

void MainWindow::connectCutSliderActions()
{
    // sliderMoved reports drags only. Keys, the wheel and clicks on the groove
    // come as actions, which have moved the handle by the time they report.
    const auto storeMoves = [this](QSlider *slider, void (MainWindow::*store)(int)) {
        connect(slider, &QAbstractSlider::actionTriggered, this, [this, slider, store] {
            if (!slider->isSliderDown())
                (this->*store)(slider->sliderPosition());
        });
    };
    storeMoves(ui->lowCutSlider, &MainWindow::on_lowCutSlider_sliderMoved);
    storeMoves(ui->highCutSlider, &MainWindow::on_highCutSlider_sliderMoved);
}

void MainWindow::on_sampleCombo_currentIndexChanged(int)
{
    refreshControls();
}

void MainWindow::on_NormaliseCheckbox_clicked()
{
    editCurrentSample([](Sample &s) { s.normalise = !s.normalise; });
}

void MainWindow::on_lowCutCheckbox_clicked()
{
    editCurrentSample([](Sample &s) { s.lowCut = !s.lowCut; });
    updateCutSliders();
}

void MainWindow::on_highCutCheckbox_clicked()
{
    editCurrentSample([](Sample &s) { s.highCut = !s.highCut; });
    updateCutSliders();
}

void MainWindow::on_lowCutSlider_sliderMoved(int position)
{
    editCurrentSample([position](Sample &s) { s.lowCutFrequency = position; });
    showAtHandle(ui->lowCutSlider, tr("Low cut: %1 Hz").arg(position));
    updateCutSliders();
}

void MainWindow::on_highCutSlider_sliderMoved(int position)
{
    const int frequency = highCutSliderPosition(position);
    editCurrentSample([frequency](Sample &s) { s.highCutFrequency = frequency; });
    showAtHandle(ui->highCutSlider, tr("High cut: %1 Hz").arg(frequency));
    updateCutSliders();
}

void MainWindow::on_readyButton_clicked()
{
    editCurrentSample([](Sample &s) { s.ready = !s.ready; });
    // The label is the only place the ready mark shows.
    if (ui->sampleCombo->count() > 0)
        relabelCurrentSample(ui->sampleCombo, currentSample(ui->sampleCombo));
    updateCutSliders();
}

void MainWindow::on_FrequencyCombo_activated(int)
{
    const QString note = ui->FrequencyCombo->currentText();
    editCurrentSample([&note](Sample &s) { s.note = note; });
    updateCutSliders();
}
