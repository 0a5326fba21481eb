#include "mainwindow.h"

void MainWindow::on_actionLoad_Samples_triggered() {}
void MainWindow::on_actionClear_All_triggered() {}
bool MainWindow::confirmDiscardSamples() { return false; }
void MainWindow::refreshControls() {}
void MainWindow::updateCutSliders() {}
