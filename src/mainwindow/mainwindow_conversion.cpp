#include "mainwindow/mainwindow.h"

#include "engine/basics/diagnostics.h"
#include "engine/standard/mapconverter.h"
#include "preview/previewwindow.h"

ConversionParameters MainWindow::conversionParameters() const
{
    ConversionParameters params;
    params.centerX = centerX;
    params.centerY = centerY;
    params.radius = radius;
    params.distance = distance;
    params.outputWidth = outputSizeX;
    params.outputHeight = outputSizeY;
    params.latitude = latitude;
    params.longitude = longitude;
    params.azimuth = azimuth;
    params.mode = conversionModeForCode(conversionMode);
    if (circleFractionsApply())
        applyFoundCircle(circleFractions, params);
    return params;
}

QImage MainWindow::convertImage()
{
    qCDebug(orvixDiagnostics) << "convertImage";
    if (sourceImage.isNull())
        return QImage();

    const ConversionParameters params = conversionParameters();

    // The source is copied so that a picture opened during the conversion (events are
    // processed while it runs) cannot change what this conversion reads.
    const QImage source = sourceImage;
    const ConversionResult result = converter->convert(source, params);
    if (!result.ok()) {
        lastConversionError = result.error;
        return QImage();
    }
    columnScale = result.columnScale;
    rowScale = result.rowScale;
    if (previewWindow->isVisible())
        previewWindow->setPreviewImage(result.map);
    // A map that took nothing of the picture is previewed, blank as it is, but never handed
    // on to be written.
    if (!result.showsPicture()) {
        lastConversionError = MapConverter::blankMapReason(params);
        return QImage();
    }
    lastConversionError.clear();
    return result.map;
}

void MainWindow::updatePreview()
{
    qCDebug(orvixDiagnostics) << "updatePreview";
    if (previewWindow->isVisible() && autoPreview)
        runPreviewConversion();
}

bool MainWindow::runPreviewConversion()
{
    // The projection processes events, so a change of the circle can arrive while this
    // conversion runs. Such a change only marks the preview stale; one more conversion then
    // runs with the newest values, so the window ends up showing the newest circle and
    // conversions never pile up inside each other.
    if (previewConverting) {
        previewStale = true;
        return false;
    }
    previewConverting = true;
    do {
        previewStale = false;
        convertImage();
    } while (previewStale && previewWindow->isVisible());
    previewConverting = false;
    return true;
}
