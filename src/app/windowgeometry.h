#pragma once

#include <QByteArray>

class QWidget;

// Restores a window's geometry as saved by QWidget::saveGeometry, shrinking a side longer than
// twice the desktop's to the desktop's available area.
void restoreWindowGeometry(QWidget *window, const QByteArray &geometry);
