#pragma once

#include "engine/basics/conversionparameters.h"
#include "engine/basics/numeric.h"

#include <QPoint>
#include <QSize>
#include <cmath>
#include <cstdint>

// The projection of a marked disk onto an equirectangular map, and the two turns that bring
// such a map into its final orientation, as small pure functions ("which source pixel feeds
// this map pixel"). A plain value record: set the parameters, then ask. Angles are in degrees
// at the interface, in radians within. The program converts through MapSourceLookup, which
// chains these functions backwards from the finished map to the source.
class MapProjector
{
public:
    // Axis codes of the latitude rotation (rotationSource).
    enum RotationAxis : int
    {
        // The axis through the column at longitude angle 90 on the middle row (as every code
        // not named here).
        quarterColumnAxis = 1,
        // The axis through the top and bottom rows.
        polarAxis = 2,
        // The axis through column 0 on the middle row: the one the conversion turns about.
        columnZeroAxis = 3,
    };

    // The projector a conversion with these parameters uses for a source of the given size.
    static MapProjector forConversion(const ConversionParameters &params, QSize sourceSize);

    // Fraction of the half-map's rows skipped next to the horizon.
    double edgeMargin = 0.01;
    // Map columns per source column and half-map rows per source row.
    double columnScale = 2.0;
    double rowScale = 2.0;
    // Camera distance from the globe's centre, in globe radii.
    double distance = defaults::distance;
    int radius = 0;
    int centerX = 0;
    int centerY = 0;

    void setCenter(int x, int y);
    void setRadius(int r);
    void setDistance(double d);
    void setScale(double columns, double rows);

    // --- Projection geometry (source of W x H pixels) ---

    // True for a camera distance a projection can use: finite and at least one globe radius.
    static bool distanceIsUsable(double d) { return std::isfinite(d) && d >= 1; }
    // True when the distance is usable and the row range is bounded. Callers that fill the
    // record's fields by hand check this since they may hold anything; conversions check their
    // parameters once with MapConverter::refusalReason, which implies it.
    bool projectionIsDefined(int sourceHeight) const;
    // Angle under which the camera sees the limb, radians.
    double limbAngle() const { return std::asin(1 / distance); }
    double focalLength() const { return radius / std::tan(limbAngle()); }
    // First projection row: the horizon band and the margin are skipped.
    int firstRow(int sourceHeight) const;
    // Last projection row (inclusive). Rows run while i <= rowScale * H - 1; the comparison
    // allows 1e-9 rows so that rounding cannot drop the row at the disk centre.
    int lastRow(int sourceHeight) const;
    // Radius in source pixels at which projection row i samples the disk, after the radial
    // correction band.
    double samplingRadius(int row, int sourceHeight) const;
    // Direction of projection column j about the disk centre, radians.
    double columnAngle(int column, int sourceWidth) const;
    // A pixel offset truncated and kept to 16 bits, larger ones wrapping around: kept bit for
    // bit with the maps this tool has always written (only disks far beyond any picture wrap).
    static std::int32_t sixteenBitOffset(double offset)
    {
        return numeric::wrapToInt16(numeric::truncateToInt32(offset));
    }
    // Source pixel for a sample at direction (cos, sin) and radius rho; (-1, -1) when it lies
    // outside a source of width x height pixels. Inline: the lookup calls it for every pixel.
    QPoint sampleSource(double cosPhi, double sinPhi, double rho, int width, int height) const
    {
        // 64-bit sums: a centre near the int range cannot overflow, and the bounds test is the
        // same as for the 32-bit sum because the offsets are at most 16 bits wide.
        const std::int64_t x = std::int64_t(sixteenBitOffset(cosPhi * rho)) + centerX;
        const std::int64_t y = std::int64_t(sixteenBitOffset(sinPhi * rho)) + centerY;
        if (x < 0 || x >= width || y < 0 || y >= height)
            return {-1, -1};
        return {int(x), int(y)};
    }
    // Source pixel that feeds projection target pixel (x, y) of a targetWidth x targetHeight
    // target, or (-1, -1) when the projection leaves that pixel alone.
    QPoint projectionSource(int x, int y, int sourceWidth, int sourceHeight, int targetWidth,
                            int targetHeight) const;

    // --- Turns of a W x H map ---

    // Columns by which the longitude shift moves the map: the angle is corrected once each way
    // into range, then W / 360 x degrees is truncated.
    static int shiftColumns(double degrees, int width);
    // Source column that the longitude shift copies into target column c for a shift of a columns,
    // or -1 when none does. Shifts beyond the width move the map without wrapping.
    static int shiftSourceColumn(int shift, int width, int column);
    // Source pixel that the rotation reads for target pixel (j, i).
    QPoint rotationSource(int axis, int degrees, int width, int height, int column, int row) const;
    // The same lookup once the sines and cosines of the turn (sc, cc), the column angle and
    // the row angle are known.
    QPoint rotatedPixel(int axis, double sc, double cc, double cosU, double sinU, double sv,
                        double cv, int width, int height) const;
};
