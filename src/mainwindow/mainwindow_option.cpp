#include "mainwindow/mainwindow.h"

#include "option/editoptions.h"

// The option dialog works on a copy of the window's settings; its values come back only when
// the user confirms, and the new pen is drawn at once. The preview keeps its map until the next
// conversion.
void MainWindow::on_actionSetting_triggered()
{
    SettingsRecord record = settings();
    if (!editOptions(this, langFile, record))
        return;
    distance = record.distance;
    outputSizeX = record.outputSizeX;
    outputSizeY = record.outputSizeY;
    outputQuality = record.outputQuality;
    outputFormat = record.outputFormat;
    latitude = record.latitude;
    longitude = record.longitude;
    azimuth = record.azimuth;
    conversionMode = record.conversionMode;
    penSize = record.penSize;
    penColor.setNamedColor(record.penColor);
    drawSelection();
}
