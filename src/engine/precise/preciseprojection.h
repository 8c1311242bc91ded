#pragma once

#include "engine/basics/conversionparameters.h"

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

    // What a footprint needs of a map column alone: the picture axes' components along the
    // column's meridian plane, along[i] = axis_i . (cos lon, sin lon, 0), and across it,
    // across[i] = axis_i . (-sin lon, cos lon, 0). Kept per column, they leave no trigonometry
    // to do per pixel.
    void columnTerms(double cosLongitude, double sinLongitude, double along[3],
                     double across[3]) const;

    // Footprint of a map point from the sine and cosine of its latitude and its column's terms.
    SourceFootprint footprintOf(double cosLatitude, double sinLatitude, const double along[3],
                                const double across[3]) const;
    // Footprint of map point (column, row).
    SourceFootprint footprintAt(double column, double row) const;

    // Footprints of consecutive pixels of one row, one array per quantity, so that the
    // compiler computes several at once.
    struct FootprintBatch
    {
        static constexpr int capacity = 64;
        double x[capacity];
        double y[capacity];
        double xPerColumn[capacity];
        double yPerColumn[capacity];
        double xPerRow[capacity];
        double yPerRow[capacity];
        // SourceFootprint::capMargin, but 1 where it is (to rounding) 1 or more: the pixel
        // then lies wholly inside the cap either way.
        double capMargin[capacity];
        // Squared gradient of the cap test per entry, kept between the two passes that
        // fill the batch.
        double gradientSquared[capacity];

        // Entry k as the footprint the sampler reads (its cap margin left out).
        SourceFootprint footprint(int k) const
        {
            SourceFootprint f;
            f.x = x[k];
            f.y = y[k];
            f.xPerColumn = xPerColumn[k];
            f.yPerColumn = yPerColumn[k];
            f.xPerRow = xPerRow[k];
            f.yPerRow = yPerRow[k];
            return f;
        }
    };
    // Fills the batch's first `count` (at most its capacity) entries for a row of the given
    // latitude; entry k is the pixel whose column terms are along[i][k] and across[i][k].
    void footprintsOfRow(double cosLatitude, double sinLatitude, const double *const along[3],
                         const double *const across[3], int count, FootprintBatch &batch) const;

    // The cap edge as a plane: a globe direction P is visible when
    // P . capNormal() > capLimit(); capNormal is the unit direction of the disk centre.
    const double *capNormal() const { return toPicture[2]; }
    double capLimit() const { return perDistance; }
    // Largest change of P . capNormal() from one map pixel to the next, for conservative
    // bounds of the cap.
    double capStepBound() const { return radiansPerColumn + radiansPerRow; }

private:
    // The footprint, with capMargin holding the cap test's excess and `gradientSquared` the
    // square of its gradient (their quotient's square root is left to the caller: it cannot be
    // computed for several pixels at once where sqrt may set errno).
    SourceFootprint project(double cosLatitude, double sinLatitude, const double along[3],
                            const double across[3], double &gradientSquared) const;

    // Rows: the picture's right and up axes and the disk centre's direction, in globe
    // coordinates (x through 0/0, y through 0/90 E, z through the north pole).
    double toPicture[3][3];
    double centerX;
    double centerY;
    double perDistance;
    // Pixels per unit of tangent-plane offset: r sqrt(1 - 1/D^2).
    double scale;
    double radiansPerColumn;
    double radiansPerRow;
};
