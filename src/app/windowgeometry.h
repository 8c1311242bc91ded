#pragma once

#include <QByteArray>

class QWidget;

// Restores a window's geometry as saved by QWidget::saveGeometry, shrinking a side longer than
// twice the desktop's to the desktop's available area. Data that is cut short or damaged (no
// such geometry, or an empty window) is ignored: the window keeps its geometry.
void restoreWindowGeometry(QWidget *window, const QByteArray &geometry);
