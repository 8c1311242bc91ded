#include "mainwindow.h"

void MainWindow::on_actionSetting_triggered() {}
