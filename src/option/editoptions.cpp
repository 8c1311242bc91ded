#include "option/editoptions.h"

#include "option/option.h"

bool editOptions(QWidget *parent, const QString &languageFile, SettingsRecord &settings)
{
    Option dialog(parent);
    dialog.langFile = languageFile;
    dialog.loadLanguage();

    dialog.distance = settings.distance;
    dialog.outputSizeX = settings.outputSizeX;
    dialog.outputSizeY = settings.outputSizeY;
    dialog.outputQuality = settings.outputQuality;
    dialog.outputFormat = settings.outputFormat;
    dialog.latitude = settings.latitude;
    dialog.longitude = settings.longitude;
    dialog.azimuth = settings.azimuth;
    dialog.penSize = settings.penSize;
    dialog.penColor = settings.penColor;
    dialog.conversionMode = settings.conversionMode;

    if (!dialog.exec())
        return false;

    settings.distance = dialog.distance;
    settings.outputSizeX = dialog.outputSizeX;
    settings.outputSizeY = dialog.outputSizeY;
    settings.outputQuality = dialog.outputQuality;
    settings.outputFormat = dialog.outputFormat;
    settings.latitude = dialog.latitude;
    settings.longitude = dialog.longitude;
    settings.azimuth = dialog.azimuth;
    settings.penSize = dialog.penSize;
    settings.penColor = dialog.penColor;
    settings.conversionMode = dialog.conversionMode;
    return true;
}
