#include "mapchecks.h"

GeoPoint mapPixelPosition(int column, int row, int width, int height)
{
    return {90.0 - row * 180.0 / height, column * 360.0 / width - 180.0};
}

double landingLatitude(double latitude)
{
    return 90.0 - static_cast<int>(90.0 - latitude);
}

ExpectedPlacement::ExpectedPlacement(const GeoPoint &view, double renderAzimuth,
                                     const GeoPoint &landing, double convertAzimuth)
    : viewFrame(localFrameAt(view)), landingFrame(localFrameAt(landing)),
      turn(degreesToRadians(convertAzimuth - renderAzimuth))
{
}

namespace {

// Coordinates of a direction in a local frame, with the tangent part turned by `angle` from
// east towards north, rebuilt in another frame.
Vec3 carry(const Vec3 &point, const LocalFrame &from, const LocalFrame &to, double angle)
{
    const double east = dot(point, from.east);
    const double north = dot(point, from.north);
    const double up = dot(point, from.up);
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    return (east * c - north * s) * to.east + (east * s + north * c) * to.north + up * to.up;
}

} // namespace

Vec3 ExpectedPlacement::surfacePointFor(const Vec3 &mapPoint) const
{
    // A map bearing b shows the globe's bearing b - turn; bearings run from north towards
    // east, so in the east/north plane that is a turn by +turn from east towards north.
    return carry(mapPoint, landingFrame, viewFrame, turn);
}

Vec3 ExpectedPlacement::mapPointFor(const Vec3 &surfacePoint) const
{
    return carry(surfacePoint, viewFrame, landingFrame, -turn);
}
