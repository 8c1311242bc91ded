#pragma once

#include "gradientnoise.h"
#include "spheregeometry.h"

#include <QColor>

#include <vector>

// A coloured disc painted on the surface at a known position, to check orientation by eye or
// by program.
struct SurfaceMarker
{
    const char *name;
    GeoPoint position;
    QRgb colour;
};

// A recognisable made-up planet: ocean and continents from smooth noise, ice caps, a
// graticule every 30 degrees and four markers in pure colours (which no other part of the
// surface uses, so they can be found exactly in an unblended picture).
class SampleSurface
{
public:
    static constexpr double markerRadius = 3.0;
    static constexpr double graticuleSpacing = 30.0;
    static constexpr double graticuleHalfWidth = 0.25;

    explicit SampleSurface(std::uint32_t seed = 11);

    QRgb colourAt(const GeoPoint &point) const;
    // Height above sea level in arbitrary units: positive on land.
    double elevation(const GeoPoint &point) const;
    // Red at 0/0, green at 45 N 30 E, blue at 30 S 60 W, yellow at 80 N 0.
    static const std::vector<SurfaceMarker> &markers();

private:
    double heightAt(const Vec3 &direction) const;
    QRgb groundColour(const GeoPoint &point, const Vec3 &direction) const;

    GradientNoise noise;
};
