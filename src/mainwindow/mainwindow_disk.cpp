#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/finder/diskfinder.h"
#include "mainwindow/messagebox.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QStatusBar>

bool MainWindow::takeFoundDisk()
{
    if (sourceImage.isNull())
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const DiskFinding finding = findDisk(sourceImage);
    QApplication::restoreOverrideCursor();
    if (!finding.found)
        return false;
    // The whole pixels become the circle; the fractions refine precise conversions while the
    // circle stays this one.
    circleFractions = foundCircle(finding);
    centerX = circleFractions.centerX;
    centerY = circleFractions.centerY;
    radius = circleFractions.radius;
    return true;
}

void MainWindow::on_actionFind_Disk_triggered()
{
    if (sourceImage.isNull())
        return;
    if (!takeFoundDisk()) {
        showMessage(this, QMessageBox::Warning, ui->actionFind_Disk->text(),
                    texts.value(QStringLiteral("no_disk_found")));
        return;
    }
    setSelectionVisible(true);
    refreshSelection();
}

void MainWindow::on_actionDetect_Disk_triggered(bool checked)
{
    detectDisk = checked;
}

void MainWindow::enablePictureCommands()
{
    ui->actionFind_Disk->setEnabled(!sourceImage.isNull());
}

void MainWindow::showPictureNote(const QString &note)
{
    if (!pictureNote) {
        if (note.isEmpty())
            return;
        pictureNote = new QLabel(this);
        statusBar()->addWidget(pictureNote, 1);
    }
    pictureNote->setText(note);
    statusBar()->setVisible(!note.isEmpty());
}
