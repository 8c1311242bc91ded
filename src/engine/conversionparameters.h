#pragma once

#include "engine/defaultvalues.h"

// Everything a conversion reads besides the source picture: the marked circle in source
// pixels, the camera distance in globe radii, the map size and the three turns in degrees.
struct ConversionParameters
{
    int centerX = 0;
    int centerY = 0;
    int radius = 0;
    double distance = defaults::distance;
    int outputWidth = defaults::outputWidth;
    int outputHeight = defaults::outputHeight;
    double latitude = 0.0;
    double longitude = 0.0;
    double azimuth = 0.0;
};

inline bool operator==(const ConversionParameters &a, const ConversionParameters &b)
{
    return a.centerX == b.centerX && a.centerY == b.centerY && a.radius == b.radius &&
           a.distance == b.distance && a.outputWidth == b.outputWidth &&
           a.outputHeight == b.outputHeight && a.latitude == b.latitude &&
           a.longitude == b.longitude && a.azimuth == b.azimuth;
}
inline bool operator!=(const ConversionParameters &a, const ConversionParameters &b)
{
    return !(a == b);
}
