#include "mainwindow.h"

void MainWindow::batchConvert() {}

void MainWindow::on_actionBatch_Convert_triggered() {}
