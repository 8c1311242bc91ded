#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Runs a modal message box parented to the window that shows it; returns the button pressed.
QMessageBox::StandardButton
showMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
            QMessageBox::StandardButton defaultButton = QMessageBox::Ok);
