#include "mainwindow/mainwindow.h"

#include "option/optionvalues.h"

// The option dialog works on copies of the window's values; they come back only when the user
// confirms, and the new pen is drawn at once. The preview keeps its map until the next
// conversion.
void MainWindow::on_actionSetting_triggered()
{
    OptionValues values;
    values.distance = distance;
    values.outputSizeX = outputSizeX;
    values.outputSizeY = outputSizeY;
    values.outputQuality = outputQuality;
    values.outputFormat = outputFormat;
    values.latitude = latitude;
    values.longitude = longitude;
    values.azimuth = azimuth;
    values.penSize = penSize;
    values.penColor = penColor.name(QColor::HexArgb);

    if (!editOptions(this, langFile, values))
        return;

    distance = values.distance;
    outputSizeX = values.outputSizeX;
    outputSizeY = values.outputSizeY;
    outputQuality = values.outputQuality;
    outputFormat = values.outputFormat;
    latitude = values.latitude;
    longitude = values.longitude;
    azimuth = values.azimuth;
    penSize = values.penSize;
    penColor.setNamedColor(values.penColor);
    drawSelection();
}
