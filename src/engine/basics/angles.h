#pragma once

// Degrees and radians. pi is the double nearest to the circle constant, the same value as
// std::acos(-1.0), so formulas written with either give the same bits.
namespace angles {

inline constexpr double pi = 3.14159265358979323846;

constexpr double degreesToRadians(double degrees)
{
    return degrees * (pi / 180);
}

constexpr double radiansToDegrees(double radians)
{
    return radians * (180 / pi);
}

} // namespace angles
