#include "mainwindow.h"

void MainWindow::on_browseButton_clicked() {}
void MainWindow::on_ExportButton_clicked() {}
