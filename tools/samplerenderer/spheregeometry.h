#pragma once

#include <cmath>

// Points and directions on the unit globe. World axes: x through latitude 0 / longitude 0,
// y through latitude 0 / longitude 90 E, z through the north pole.

struct Vec3
{
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

inline Vec3 operator+(const Vec3 &a, const Vec3 &b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(const Vec3 &a, const Vec3 &b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(double s, const Vec3 &v)
{
    return {s * v.x, s * v.y, s * v.z};
}
inline double dot(const Vec3 &a, const Vec3 &b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline double length(const Vec3 &v)
{
    return std::sqrt(dot(v, v));
}
inline Vec3 normalized(const Vec3 &v)
{
    return (1.0 / length(v)) * v;
}

// Geographic position in degrees; longitude east positive.
struct GeoPoint
{
    double latitude = 0.0;
    double longitude = 0.0;
};

constexpr double piValue = 3.14159265358979323846;

constexpr double degreesToRadians(double degrees)
{
    return degrees * (piValue / 180.0);
}
constexpr double radiansToDegrees(double radians)
{
    return radians * (180.0 / piValue);
}

// Unit vector of a geographic position.
Vec3 unitVector(const GeoPoint &point);
// Geographic position of a direction (need not be unit length); longitude in (-180, 180].
GeoPoint geoPointOf(const Vec3 &direction);
// Great-circle angle between two directions, degrees.
double angleBetween(const Vec3 &a, const Vec3 &b);

// The local frame at a point of the globe: east and north span the tangent plane, up points
// away from the centre. Defined at the poles too, where "east" follows the given longitude.
struct LocalFrame
{
    Vec3 east;
    Vec3 north;
    Vec3 up;
};
LocalFrame localFrameAt(const GeoPoint &point);

// Bearing of the great circle from `from` towards `to`, degrees clockwise from north in [0, 360).
double bearingBetween(const GeoPoint &from, const GeoPoint &to);
// The point reached from `from` after `distanceDegrees` along the given bearing.
GeoPoint destinationPoint(const GeoPoint &from, double bearingDegrees, double distanceDegrees);
