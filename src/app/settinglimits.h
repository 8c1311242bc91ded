#pragma once

#include <climits>

// The values the option dialog and the command line accept for each setting, written once so
// that both refuse the same values.
namespace limits {

// An inclusive range; not-a-number lies in no range.
struct Range
{
    double lowest;
    double highest;

    constexpr bool contains(double value) const { return value >= lowest && value <= highest; }
};

// Camera distance in globe radii.
inline constexpr Range distance{1.0, 100.0};
// Each side of the map in pixels.
inline constexpr Range mapSide{1024, 8192};
// JPEG quality.
inline constexpr Range quality{1, 100};
// The selection pen's width in pixels.
inline constexpr Range penSize{1, 32};
// The three turns in degrees.
inline constexpr Range latitude{-90.0, 90.0};
inline constexpr Range longitude{-180.0, 180.0};
inline constexpr Range azimuth{0.0, 360.0};
// The circle's radius in picture pixels; its centre may be any whole number, as typed into the
// main window.
inline constexpr Range radius{1, INT_MAX};

} // namespace limits
