#include "mainwindow.h"

#include "previewwindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

// The settings file: 26 keys in the General section, read once at start-up and written at
// every close. Keys are only ever set, so keys added by hand survive a save. Values are taken
// as they convert, unchecked: a text that is no number gives 0, and the conversion refuses
// what it cannot use when it runs.

// restoreGeometry takes the size stored in the file as it stands, up to the toolkit's limit of
// 16777215 pixels a side; a window of such a size makes the toolkit allocate its buffer (up to
// a petabyte) when it is shown, which kills the program. A side longer than twice the desktop's
// is no arrangement a user made, so it is shrunk to the desktop's available area; anything
// smaller is restored unchanged.
static int plausibleSide(int side, int desktopSide)
{
    return side > 2 * qint64(desktopSide) ? desktopSide : side;
}

static void restoreWindowGeometry(QWidget *window, const QByteArray &geometry)
{
    window->restoreGeometry(geometry);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QSize desktop = screen->availableVirtualGeometry().size();
    const QSize size(plausibleSide(window->width(), desktop.width()),
                     plausibleSide(window->height(), desktop.height()));
    if (size != window->size())
        window->resize(size);
}

void MainWindow::loadSettings()
{
    QSettings file(settingsFile, QSettings::IniFormat);
    file.setIniCodec("UTF-8");
    restoreWindowGeometry(this, file.value(QStringLiteral("Geometry")).toByteArray());
    restoreWindowGeometry(previewWindow,
                          file.value(QStringLiteral("PreviewGeometry")).toByteArray());
    previewAtStart = file.value(QStringLiteral("PreviewWindow"), false).toBool();
    autoPreview = file.value(QStringLiteral("AutoPreview"), false).toBool();
    autoSize = file.value(QStringLiteral("AutoSize"), true).toBool();
    penSize = file.value(QStringLiteral("PenSize"), 3).toInt();
    penColor.setNamedColor(file.value(QStringLiteral("PenColor"), "#FFFF0000").toString());
    centerX = file.value(QStringLiteral("CenterX"), 0).toInt();
    centerY = file.value(QStringLiteral("CenterY"), 0).toInt();
    radius = file.value(QStringLiteral("Radius"), 0).toInt();
    distance = file.value(QStringLiteral("Distance"), 100.0).toDouble();
    outputSizeX = file.value(QStringLiteral("OutputSizeX"), 2048).toInt();
    outputSizeY = file.value(QStringLiteral("OutputSizeY"), 1024).toInt();
    loadFileName = file.value(QStringLiteral("LoadFileName"), QString()).toString();
    saveFileName = file.value(QStringLiteral("SaveFileName"), QString()).toString();
    inputFolder = file.value(QStringLiteral("InputFolder"), QString()).toString();
    outputFolder = file.value(QStringLiteral("OutputFolder"), QString()).toString();
    sortType = file.value(QStringLiteral("InputFileSortType"), 0).toInt();
    fileNameType = file.value(QStringLiteral("OutputFileNameType"), 0).toInt();
    outputFormat = file.value(QStringLiteral("OutputFormat"), 0).toInt();
    outputQuality = file.value(QStringLiteral("OutputQuality"), 85).toInt();
    latitude = file.value(QStringLiteral("Latitude"), 0.0).toDouble();
    longitude = file.value(QStringLiteral("Longitude"), 0.0).toDouble();
    azimuth = file.value(QStringLiteral("Azimuth"), 0.0).toDouble();
    overwrite = file.value(QStringLiteral("Overwrite"), true).toBool();
    openFiler = file.value(QStringLiteral("OpenFiler"), true).toBool();

    updateScreenParameter();
    drawSelection();
}

void MainWindow::saveSettings()
{
    QSettings file(settingsFile, QSettings::IniFormat);
    file.setIniCodec("UTF-8");
    // The file is replaced whole (a temporary file renamed over it) or not at all. This is the
    // settings class's default, stated because it matters: without it, a folder that takes no
    // new file makes it write into the old file directly, which a full disk leaves cut short.
    file.setAtomicSyncRequired(true);
    file.setValue(QStringLiteral("Geometry"), saveGeometry());
    file.setValue(QStringLiteral("PreviewGeometry"), previewWindow->saveGeometry());
    file.setValue(QStringLiteral("PreviewWindow"), previewWindow->isVisible());
    file.setValue(QStringLiteral("AutoPreview"), autoPreview);
    file.setValue(QStringLiteral("AutoSize"), autoSize);
    file.setValue(QStringLiteral("PenSize"), penSize);
    file.setValue(QStringLiteral("PenColor"), penColor.name(QColor::HexArgb));
    file.setValue(QStringLiteral("CenterX"), centerX);
    file.setValue(QStringLiteral("CenterY"), centerY);
    file.setValue(QStringLiteral("Radius"), radius);
    file.setValue(QStringLiteral("Distance"), distance);
    file.setValue(QStringLiteral("OutputSizeX"), outputSizeX);
    file.setValue(QStringLiteral("OutputSizeY"), outputSizeY);
    file.setValue(QStringLiteral("LoadFileName"), loadFileName);
    file.setValue(QStringLiteral("SaveFileName"), saveFileName);
    file.setValue(QStringLiteral("InputFolder"), inputFolder);
    file.setValue(QStringLiteral("OutputFolder"), outputFolder);
    file.setValue(QStringLiteral("InputFileSortType"), sortType);
    file.setValue(QStringLiteral("OutputFileNameType"), fileNameType);
    file.setValue(QStringLiteral("OutputFormat"), outputFormat);
    file.setValue(QStringLiteral("OutputQuality"), outputQuality);
    file.setValue(QStringLiteral("Latitude"), latitude);
    file.setValue(QStringLiteral("Longitude"), longitude);
    file.setValue(QStringLiteral("Azimuth"), azimuth);
    file.setValue(QStringLiteral("Overwrite"), overwrite);
    file.setValue(QStringLiteral("OpenFiler"), openFiler);
}
