#pragma once

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
// Each side of a map that a run without a window accepts from the settings file: any the
// engine can make. Maps narrower than the dialog offers are sound, and hand-edited settings
// files and scripts use them for quick drafts.
inline constexpr Range storedMapSide{1, 16384};
// JPEG quality.
inline constexpr Range quality{1, 100};
// The selection pen's width in pixels.
inline constexpr Range penSize{1, 32};
// The three turns in degrees.
inline constexpr Range latitude{-90.0, 90.0};
inline constexpr Range longitude{-180.0, 180.0};
inline constexpr Range azimuth{0.0, 360.0};
// The circle in picture pixels, for runs without a window. Pictures are at most 16384 x 16384
// pixels (65535 a side for a JPEG or GIF strip); a centre or radius beyond a million pixels
// frames none of them, and within it every sum of centre and radius stays far inside an int.
inline constexpr double circleBound = 1 << 20;
inline constexpr Range circleCentre{-circleBound, circleBound};
inline constexpr Range radius{1, circleBound};

} // namespace limits
