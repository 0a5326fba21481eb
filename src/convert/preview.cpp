#include "mainwindow.h"

void MainWindow::on_previewButton_clicked() {}
