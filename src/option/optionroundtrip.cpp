#include "mainwindow.h"
#include "option.h"

// The option dialog works on copies of the main window's values; they come back only when
// the user confirms, and the new pen is drawn at once. The preview keeps its map until the
// next conversion.
void MainWindow::on_actionSetting_triggered()
{
    Option dialog(this);
    dialog.langFile = langFile;
    dialog.loadLanguage();

    dialog.distance = distance;
    dialog.outputSizeX = outputSizeX;
    dialog.outputSizeY = outputSizeY;
    dialog.outputQuality = outputQuality;
    dialog.outputFormat = outputFormat;
    dialog.latitude = latitude;
    dialog.longitude = longitude;
    dialog.azimuth = azimuth;
    dialog.penSize = penSize;
    dialog.penColor = penColor.name(QColor::HexArgb);

    if (!dialog.exec())
        return;

    distance = dialog.distance;
    outputSizeX = dialog.outputSizeX;
    outputSizeY = dialog.outputSizeY;
    outputQuality = dialog.outputQuality;
    outputFormat = dialog.outputFormat;
    latitude = dialog.latitude;
    longitude = dialog.longitude;
    azimuth = dialog.azimuth;
    penSize = dialog.penSize;
    penColor.setNamedColor(dialog.penColor);
    drawSelection();
}
