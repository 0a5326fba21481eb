#include "mainwindow.h"

void MainWindow::on_sampleCombo_currentIndexChanged(int) {}
void MainWindow::on_NormaliseCheckbox_clicked() {}
void MainWindow::on_lowCutCheckbox_clicked() {}
void MainWindow::on_highCutCheckbox_clicked() {}
void MainWindow::on_lowCutSlider_sliderMoved(int) {}
void MainWindow::on_highCutSlider_sliderMoved(int) {}
void MainWindow::on_readyButton_clicked() {}
void MainWindow::on_FrequencyCombo_activated(int) {}
