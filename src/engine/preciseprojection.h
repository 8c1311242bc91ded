#pragma once

#include "conversionparameters.h"

// Where a map pixel's point lies in the picture, and how the picture moves under it.
// Positions are in source pixels with pixel (i, j) centred on the point (i, j).
struct SourceFootprint
{
    double x = 0.0;
    double y = 0.0;
    // Change of the position per map column and per map row: the sides of the map pixel's
    // footprint in the picture.
    double xPerColumn = 0.0;
    double yPerColumn = 0.0;
    double xPerRow = 0.0;
    double yPerRow = 0.0;
    // Signed distance from the map point to the edge of the visible cap, in map pixels:
    // positive inside the cap.
    double capMargin = 0.0;
};

// The exact mapping of the precise mode: the map is equirectangular with row 0 at the north
// edge and column 0 at the west edge (longitude -180), and map pixel (c, r) stands for the
// point at its centre (c + 0.5, r + 0.5). That point is turned so that the disk centre lands
// at (latitude, longitude) with the picture turned clockwise by the azimuth, and then seen by
// a pinhole camera at distance D globe radii whose limb is the marked circle (D toward
// infinity gives the orthographic view).
class PreciseProjection
{
public:
    PreciseProjection(const ConversionParameters &params);

    // Latitude and longitude of map point (column, row) in radians; pixel centres lie at
    // half-integer coordinates.
    double latitudeAt(double row) const;
    double longitudeAt(double column) const;

    // Footprint of a map point given by its position on the unit globe.
    SourceFootprint footprintOf(double cosLatitude, double sinLatitude, double cosLongitude,
                                double sinLongitude) const;
    // Footprint of map point (column, row).
    SourceFootprint footprintAt(double column, double row) const;

    // The cap edge as a plane: a globe direction P is visible when
    // P . capNormal() > capLimit(); capNormal is the unit direction of the disk centre.
    const double *capNormal() const { return toPicture[2]; }
    double capLimit() const { return 1.0 / distance; }
    // Largest change of P . capNormal() from one map pixel to the next, for conservative
    // bounds of the cap.
    double capStepBound() const { return radiansPerColumn + radiansPerRow; }

private:
    // Rows: the picture's right and up axes and the disk centre's direction, in globe
    // coordinates (x through 0/0, y through 0/90 E, z through the north pole).
    double toPicture[3][3];
    double centerX;
    double centerY;
    double distance;
    // Pixels per unit of tangent-plane offset: r sqrt(1 - 1/D^2).
    double scale;
    double radiansPerColumn;
    double radiansPerRow;
};
