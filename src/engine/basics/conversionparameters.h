#pragma once

#include "engine/basics/defaultvalues.h"

// How a map is made from the picture. The standard conversion is the established one, kept
// byte for byte; the precise one samples the picture once through the exact perspective with
// filtering fitted to the local scale.
enum class ConversionMode
{
    Standard = 0,
    Precise = 1
};

// The mode that a stored code (the setting ConversionMode) names: 1 is the precise
// conversion, any other code the standard one.
inline ConversionMode conversionModeForCode(int code)
{
    return code == 1 ? ConversionMode::Precise : ConversionMode::Standard;
}

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
    ConversionMode mode = ConversionMode::Standard;
    // Sub-pixel parts of the circle, added to the whole values by the precise mode only (the
    // standard mode reads the int fields alone), so a plain int circle means itself.
    double centerXFraction = 0.0;
    double centerYFraction = 0.0;
    double radiusFraction = 0.0;

    double exactCenterX() const { return centerX + centerXFraction; }
    double exactCenterY() const { return centerY + centerYFraction; }
    double exactRadius() const { return radius + radiusFraction; }
};

inline bool operator==(const ConversionParameters &a, const ConversionParameters &b)
{
    return a.centerX == b.centerX && a.centerY == b.centerY && a.radius == b.radius &&
           a.distance == b.distance && a.outputWidth == b.outputWidth &&
           a.outputHeight == b.outputHeight && a.latitude == b.latitude &&
           a.longitude == b.longitude && a.azimuth == b.azimuth && a.mode == b.mode &&
           a.centerXFraction == b.centerXFraction && a.centerYFraction == b.centerYFraction &&
           a.radiusFraction == b.radiusFraction;
}
inline bool operator!=(const ConversionParameters &a, const ConversionParameters &b)
{
    return !(a == b);
}
