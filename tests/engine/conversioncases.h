#pragma once

#include "engine/basics/conversionparameters.h"

#include <QMetaType>
#include <QSize>

Q_DECLARE_METATYPE(ConversionParameters)

// Parameters written in the order of the struct's fields, for compact test tables.
inline ConversionParameters conversion(int centerX, int centerY, int radius, double distance,
                                       QSize output, double latitude, double longitude,
                                       double azimuth)
{
    ConversionParameters p;
    p.centerX = centerX;
    p.centerY = centerY;
    p.radius = radius;
    p.distance = distance;
    p.outputWidth = output.width();
    p.outputHeight = output.height();
    p.latitude = latitude;
    p.longitude = longitude;
    p.azimuth = azimuth;
    return p;
}
