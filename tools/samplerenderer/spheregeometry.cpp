#include "spheregeometry.h"

Vec3 unitVector(const GeoPoint &point)
{
    const double lat = degreesToRadians(point.latitude);
    const double lon = degreesToRadians(point.longitude);
    return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

GeoPoint geoPointOf(const Vec3 &direction)
{
    const double horizontal = std::hypot(direction.x, direction.y);
    return {radiansToDegrees(std::atan2(direction.z, horizontal)),
            radiansToDegrees(std::atan2(direction.y, direction.x))};
}

double angleBetween(const Vec3 &a, const Vec3 &b)
{
    // atan2 of the cross and dot products stays accurate for tiny and near-opposite angles.
    const Vec3 cross{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    return radiansToDegrees(std::atan2(length(cross), dot(a, b)));
}

LocalFrame localFrameAt(const GeoPoint &point)
{
    const double lat = degreesToRadians(point.latitude);
    const double lon = degreesToRadians(point.longitude);
    LocalFrame frame;
    frame.east = {-std::sin(lon), std::cos(lon), 0.0};
    frame.north = {-std::sin(lat) * std::cos(lon), -std::sin(lat) * std::sin(lon), std::cos(lat)};
    frame.up = unitVector(point);
    return frame;
}

double bearingBetween(const GeoPoint &from, const GeoPoint &to)
{
    const LocalFrame frame = localFrameAt(from);
    const Vec3 target = unitVector(to);
    const double bearing =
        radiansToDegrees(std::atan2(dot(target, frame.east), dot(target, frame.north)));
    return bearing < 0 ? bearing + 360.0 : bearing;
}

GeoPoint destinationPoint(const GeoPoint &from, double bearingDegrees, double distanceDegrees)
{
    const LocalFrame frame = localFrameAt(from);
    const double bearing = degreesToRadians(bearingDegrees);
    const double distance = degreesToRadians(distanceDegrees);
    const Vec3 heading = std::cos(bearing) * frame.north + std::sin(bearing) * frame.east;
    return geoPointOf(std::cos(distance) * frame.up + std::sin(distance) * heading);
}
