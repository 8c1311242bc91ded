#include "mainwindow/mainwindow.h"

#include "engine/basics/conversionparameters.h"
#include "mosaicwindow/mosaicdialog.h"

// The mosaic dialog is offered the window's circle (with its sub-pixel parts when they still
// apply) and distance for its pictures; it changes nothing of the window.
void MainWindow::on_actionMosaic_triggered()
{
    MosaicDialog dialog(this);
    dialog.langFile = langFile;
    dialog.loadLanguage();
    const ConversionParameters params = conversionParameters();
    dialog.mainCircleValid = params.radius > 0;
    dialog.mainCenterX = params.exactCenterX();
    dialog.mainCenterY = params.exactCenterY();
    dialog.mainRadius = params.exactRadius();
    dialog.mainDistance = distance;
    dialog.exec();
}
