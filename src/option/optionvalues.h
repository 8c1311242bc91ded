#pragma once

#include <QString>

class QWidget;

// The values the option dialog edits.
struct OptionValues
{
    double distance = 0.0;
    int outputSizeX = 0;
    int outputSizeY = 0;
    int outputQuality = 0;
    int outputFormat = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    double azimuth = 0.0;
    int penSize = 0;
    QString penColor;
};

// Runs the option dialog on a copy of the values, with the texts of languageFile; the values
// come back only when the user confirms, and then the function returns true.
bool editOptions(QWidget *parent, const QString &languageFile, OptionValues &values);
