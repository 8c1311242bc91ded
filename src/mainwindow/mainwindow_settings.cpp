#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/settingsfile.h"
#include "app/windowgeometry.h"
#include "preview/previewwindow.h"

void MainWindow::loadSettings()
{
    const SettingsRecord record = SettingsFile(settingsFile).load();
    restoreWindowGeometry(this, record.geometry);
    restoreWindowGeometry(previewWindow, record.previewGeometry);
    storedSettings = record;
    applySettings(record);
    updateScreenParameter();
    drawSelection();
}

void MainWindow::saveSettings()
{
    SettingsRecord record = overridden ? storedSettings : settings();
    if (!openedName.isEmpty() && record.loadFileName == openedName)
        record.loadFileName = openedPath;
    record.geometry = saveGeometry();
    record.previewGeometry = previewWindow->saveGeometry();
    record.previewWindow = previewWindow->isVisible();
    SettingsFile(settingsFile).save(record);
}

void MainWindow::overrideSettings(const SettingsRecord &record)
{
    overridden = true;
    applySettings(record);
}

SettingsRecord MainWindow::settings() const
{
    SettingsRecord record;
    record.previewWindow = previewAtStart;
    record.autoPreview = autoPreview;
    record.autoSize = autoSize;
    record.penSize = penSize;
    record.penColor = penColor.name(QColor::HexArgb);
    record.centerX = centerX;
    record.centerY = centerY;
    record.radius = radius;
    record.distance = distance;
    record.outputSizeX = outputSizeX;
    record.outputSizeY = outputSizeY;
    record.loadFileName = loadFileName;
    record.saveFileName = saveFileName;
    record.inputFolder = inputFolder;
    record.outputFolder = outputFolder;
    record.sortType = sortType;
    record.fileNameType = fileNameType;
    record.outputFormat = outputFormat;
    record.outputQuality = outputQuality;
    record.latitude = latitude;
    record.longitude = longitude;
    record.azimuth = azimuth;
    record.overwrite = overwrite;
    record.openFiler = openFiler;
    record.conversionMode = conversionMode;
    record.detectDisk = detectDisk;
    record.worldFile = worldFile;
    return record;
}

void MainWindow::applySettings(const SettingsRecord &record)
{
    previewAtStart = record.previewWindow;
    autoPreview = record.autoPreview;
    autoSize = record.autoSize;
    penSize = record.penSize;
    penColor.setNamedColor(record.penColor);
    centerX = record.centerX;
    centerY = record.centerY;
    radius = record.radius;
    // The settings hold whole pixels only.
    circleFractions = FoundCircle();
    distance = record.distance;
    outputSizeX = record.outputSizeX;
    outputSizeY = record.outputSizeY;
    loadFileName = record.loadFileName;
    saveFileName = record.saveFileName;
    inputFolder = record.inputFolder;
    outputFolder = record.outputFolder;
    sortType = record.sortType;
    fileNameType = record.fileNameType;
    outputFormat = record.outputFormat;
    outputQuality = record.outputQuality;
    latitude = record.latitude;
    longitude = record.longitude;
    azimuth = record.azimuth;
    overwrite = record.overwrite;
    openFiler = record.openFiler;
    conversionMode = record.conversionMode;
    detectDisk = record.detectDisk;
    ui->actionDetect_Disk->setChecked(detectDisk);
    worldFile = record.worldFile;
}
