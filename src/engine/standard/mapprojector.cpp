#include "engine/standard/mapprojector.h"

#include "engine/basics/angles.h"
#include "engine/basics/numeric.h"

#include <algorithm>
#include <cstdint>

using numeric::truncateToInt32;

namespace {

// Rows are compared with this allowance so that a bound such as 602.9999999999999, which
// stands for 603, does not drop the row at the disk centre.
constexpr double rowBoundTolerance = 1e-9;
// Projections taller than this many rows are not meaningful (maps are at most 16384 high).
constexpr double maxProjectionRows = 1e7;
// The radial correction band, in focal lengths: sampling radii between its start and end are
// compressed by its slope, and radii beyond it move inwards by the width the band lost. Kept
// bit for bit with the maps this tool has always written.
constexpr double bandStart = 0.1;
constexpr double bandEnd = 0.114;
constexpr double bandSlope = 0.9;
// 1 - bandSlope as double arithmetic gives it, which keeps the sampling radius continuous at
// the band's end.
constexpr double outerBandFactor = 1.0 - bandSlope;

// Tangent of the angle off the camera axis under which the camera at the given distance sees
// the point theta radians from the one facing it. Computed as tan(atan(q)) rather than q: the
// round trip's rounding is kept bit for bit with the maps this tool has always written.
double tangentOffAxis(double theta, double distance)
{
    return std::tan(std::atan(std::sin(theta) / (distance - std::cos(theta))));
}

} // namespace

MapProjector MapProjector::forConversion(const ConversionParameters &params, QSize sourceSize)
{
    MapProjector projector;
    projector.setCenter(params.centerX, params.centerY);
    projector.setRadius(params.radius);
    projector.setDistance(params.distance);
    projector.setScale(double(params.outputWidth) / sourceSize.width(),
                       params.outputHeight * 0.5 / sourceSize.height());
    return projector;
}

void MapProjector::setCenter(int x, int y)
{
    centerX = x;
    centerY = y;
}

void MapProjector::setRadius(int r)
{
    radius = r;
}

void MapProjector::setDistance(double d)
{
    distance = d;
}

void MapProjector::setScale(double columns, double rows)
{
    columnScale = columns;
    rowScale = rows;
}

bool MapProjector::projectionIsDefined(int sourceHeight) const
{
    const double rows = rowScale * sourceHeight;
    return distanceIsUsable(distance) && std::isfinite(rows) &&
           std::fabs(rows) <= maxProjectionRows && std::isfinite(columnScale);
}

int MapProjector::firstRow(int sourceHeight) const
{
    const double H = sourceHeight;
    const int margin = sixteenBitOffset(rowScale * H * edgeMargin);
    return truncateToInt32(margin + limbAngle() * 180 / angles::pi / (90 / H) * rowScale);
}

int MapProjector::lastRow(int sourceHeight) const
{
    return truncateToInt32(std::floor(rowScale * sourceHeight - 1 + rowBoundTolerance));
}

double MapProjector::samplingRadius(int row, int sourceHeight) const
{
    const double f = focalLength();
    const double lo = f * bandStart;
    const double hi = f * bandEnd;
    const double theta = angles::degreesToRadians(90 - row * 90 / (sourceHeight * rowScale));
    const double r = tangentOffAxis(theta, distance) * f;
    if (r < lo)
        return r;
    if (r < hi)
        return (r - lo) * bandSlope + lo;
    return r - (hi - lo) * outerBandFactor;
}

double MapProjector::columnAngle(int column, int sourceWidth) const
{
    return angles::degreesToRadians(column * 360 / (sourceWidth * columnScale) - 180);
}

QPoint MapProjector::projectionSource(int x, int y, int sourceWidth, int sourceHeight,
                                      int targetWidth, int targetHeight) const
{
    const int halfHeight = targetHeight / 2;
    if (!projectionIsDefined(sourceHeight) || x < 0 || x >= targetWidth || y < 0 || y >= halfHeight)
        return {-1, -1};
    const int row = halfHeight - 1 - y;
    const int column = targetWidth - 1 - x;
    if (row < firstRow(sourceHeight) || row > lastRow(sourceHeight))
        return {-1, -1};
    const double phi = columnAngle(column, sourceWidth);
    return sampleSource(std::cos(phi), std::sin(phi), samplingRadius(row, sourceHeight),
                        sourceWidth, sourceHeight);
}

int MapProjector::shiftColumns(double degrees, int width)
{
    double x = degrees;
    if (x > 360)
        x -= 360;
    if (x < -360)
        x += 360;
    const int shift = truncateToInt32(double(width) / 360 * x);
    // Beyond two widths the shifted map lies wholly off the target (see shiftSourceColumn);
    // clamping keeps -shift representable.
    const int limit = 2 * width;
    return std::clamp(shift, -limit, limit);
}

int MapProjector::shiftSourceColumn(int shift, int width, int column)
{
    // A shift right by a, for 0 < a < W, is cyclic: columns [0, W - a) move to a and
    // [W - a, W) to 0. For a beyond W the map moves by a - W without wrapping, and the columns
    // pushed off it are dropped; at exactly W it stays in place. This is where the two copies
    // of the map that make up the shift land once each is clipped to the target. A shift left
    // mirrors this.
    int offset;
    if (shift > width)
        offset = shift - width;
    else if (shift < -width)
        offset = shift + width;
    else if (shift == width || shift == -width)
        offset = 0;
    else
        offset = shift;
    const bool wraps = shift > -width && shift < width;
    int source = column - offset;
    if (wraps)
        source = ((source % width) + width) % width;
    return source >= 0 && source < width ? source : -1;
}

QPoint MapProjector::rotationSource(int axis, int degrees, int width, int height, int column,
                                    int row) const
{
    const double gamma = angles::degreesToRadians(degrees);
    const double v = angles::degreesToRadians(row * 180.0 / height - 90);
    const double u = angles::degreesToRadians(column * 360.0 / width);
    return rotatedPixel(axis, std::sin(gamma), std::cos(gamma), std::cos(u), std::sin(u),
                        std::sin(v), std::cos(v), width, height);
}

QPoint MapProjector::rotatedPixel(int axis, double sc, double cc, double cosU, double sinU,
                                  double sv, double cv, int width, int height) const
{
    const double k = angles::pi / 180;
    const double X = cosU * cv;
    const double Y = sinU * cv;
    const double Z = sv;
    double Xr, Yr, Zr;
    if (axis == polarAxis) {
        Xr = cc * X + sc * Y;
        Yr = cc * Y - sc * X;
        Zr = Z;
    } else if (axis == columnZeroAxis) {
        Xr = X;
        Yr = cc * Y + sc * Z;
        Zr = cc * Z - sc * Y;
    } else { // quarterColumnAxis and every other code
        Xr = cc * X + sc * Z;
        Yr = Y;
        Zr = cc * Z - sc * X;
    }
    // A direction exactly at a pole has no longitude; it reads column 0.
    double t = 0;
    if (Xr != 0 || Yr != 0) {
        t = std::atan(Yr / Xr) / k;
        if (Xr < 0)
            t += 180;
        if (t < 0)
            t += 360;
    }
    const double p = std::atan(Zr / std::sqrt(Yr * Yr + Xr * Xr));
    const int x = std::clamp(truncateToInt32((width - 1) * t / 360), 0, width - 1);
    const int y = std::clamp(truncateToInt32((p / k + 90) * (height - 1) / 180), 0, height - 1);
    return {x, y};
}
