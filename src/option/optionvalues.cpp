#include "option/optionvalues.h"

#include "option/option.h"

bool editOptions(QWidget *parent, const QString &languageFile, OptionValues &values)
{
    Option dialog(parent);
    dialog.langFile = languageFile;
    dialog.loadLanguage();

    dialog.distance = values.distance;
    dialog.outputSizeX = values.outputSizeX;
    dialog.outputSizeY = values.outputSizeY;
    dialog.outputQuality = values.outputQuality;
    dialog.outputFormat = values.outputFormat;
    dialog.latitude = values.latitude;
    dialog.longitude = values.longitude;
    dialog.azimuth = values.azimuth;
    dialog.penSize = values.penSize;
    dialog.penColor = values.penColor;

    if (!dialog.exec())
        return false;

    values.distance = dialog.distance;
    values.outputSizeX = dialog.outputSizeX;
    values.outputSizeY = dialog.outputSizeY;
    values.outputQuality = dialog.outputQuality;
    values.outputFormat = dialog.outputFormat;
    values.latitude = dialog.latitude;
    values.longitude = dialog.longitude;
    values.azimuth = dialog.azimuth;
    values.penSize = dialog.penSize;
    values.penColor = dialog.penColor;
    return true;
}
