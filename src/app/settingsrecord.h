#pragma once

#include "engine/basics/defaultvalues.h"

#include <QByteArray>
#include <QString>

// Everything the settings file holds, as plain values; a default-constructed record is what a
// first start uses, and a key missing from the file keeps its default. Adding a setting means a
// member here and a row in the key table of settingsfile.cpp.
struct SettingsRecord
{
    QByteArray geometry;
    QByteArray previewGeometry;
    bool previewWindow = false;
    bool autoPreview = false;
    bool autoSize = true;
    int penSize = defaults::penSize;
    QString penColor = QLatin1String(defaults::penColor);
    int centerX = 0;
    int centerY = 0;
    int radius = 0;
    double distance = defaults::distance;
    int outputSizeX = defaults::outputWidth;
    int outputSizeY = defaults::outputHeight;
    QString loadFileName;
    QString saveFileName;
    QString inputFolder;
    QString outputFolder;
    int sortType = 0;
    int fileNameType = 0;
    int outputFormat = 0;
    int outputQuality = defaults::outputQuality;
    double latitude = 0.0;
    double longitude = 0.0;
    double azimuth = 0.0;
    bool overwrite = true;
    bool openFiler = true;
    // Added after the first release; a file without them keeps the behaviour it always had.
    // 0 standard conversion, 1 precise conversion.
    int conversionMode = 0;
    // Opening a picture and batch runs use the disk found in each picture.
    bool detectDisk = false;
    // A batch writes a world file beside each JPG or PNG map.
    bool worldFile = false;
};
