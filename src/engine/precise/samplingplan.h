#pragma once

#include "engine/precise/preciseprojection.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

// How the precise sampler reads one map pixel's footprint, decided from the footprint and the
// disk alone: which level of the picture, how many taps along each side, which kernel, and
// whether the limb's mix of globe and sky must be solved for.
//
// The value it aims at is the picture filtered once at the map pixel's size: the mean over the
// footprint of the picture as an interpolating cubic reconstructs it. A footprint within a
// pixel is then one interpolating tap; a larger one is a grid of such taps across it, at most
// 1.5 level pixels apart, on the finest level where its short side still spans
// minLevelPixels level pixels (each level pixel being the mean of the picture's pixels that
// it covers, the cubic reconstructs a level as it does the picture).
namespace sampling {

// Taps per side beyond which a coarser level is read.
constexpr int maxTapsPerSide = 8;
// The short side's span in level pixels from which a coarser level is read: the level's own
// pixel size then widens the filter by a sixth at most (variance 1/12 against 4/12).
constexpr double minLevelPixels = 2.0;

enum class Kernel
{
    // One interpolating tap at the footprint's centre.
    Interpolate,
    // The mean of a grid of interpolating taps spread evenly across the footprint.
    BoxOfTaps,
};

// The disk in picture pixels.
struct Circle
{
    double centerX = 0.0;
    double centerY = 0.0;
    double radius = 0.0;
};

struct Plan
{
    int level = 0;
    // Taps along the footprint's column side (map east) and row side (map south).
    int across = 1;
    int down = 1;
    Kernel kernel = Kernel::Interpolate;
    // True when the taps may read pixels that the limb crosses.
    bool limbSolve = false;
};

// How far from its point an interpolating tap reads pixels that the limb may cross, in level
// pixels: its farthest pixel's centre (2 pixels along each axis) and half that pixel's diagonal.
constexpr double tapReach = 2.5 * 1.41421356237309505;

namespace detail {

// floor(log2(v)) for v >= 1 (infinity gives 1024): the exponent of v.
inline int floorLog2(double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return int(bits >> 52) - 1023;
}

// The smallest whole L with v <= 2^L, for v > 1: the exponent, one more unless v is a power of
// two.
inline int ceilLog2(double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return int(bits >> 52) - 1023 + ((bits & ((std::uint64_t(1) << 52) - 1)) != 0);
}

// Level pixels per picture pixel on a level, 2^-level: exact, without a call.
inline double levelStep(int level)
{
    const std::uint64_t bits = std::uint64_t(1023 - level) << 52;
    double step;
    std::memcpy(&step, &bits, sizeof step);
    return step;
}

// Taps along a side whose length in level pixels has the given square: at most 1.5 level pixels
// apart, that is ceil(length / 1.5) within [1, maxTapsPerSide]. Each tap's cubic spans four
// pixels, so the sum of the taps stays smooth; a footprint up to 1.5 pixels wide costs one tap,
// which also keeps it as sharp as a smaller one. The square is compared with the squares of
// the whole multiples of 1.5 (all exact), which spares a square root; NaN gives one tap.
inline int tapsForSquared(double sideSquared)
{
    static_assert(maxTapsPerSide == 8, "one comparison per tap beyond the first");
    return 1 + (sideSquared > 1.5 * 1.5) + (sideSquared > 3.0 * 3.0) + (sideSquared > 4.5 * 4.5) +
           (sideSquared > 6.0 * 6.0) + (sideSquared > 7.5 * 7.5) + (sideSquared > 9.0 * 9.0) +
           (sideSquared > 10.5 * 10.5);
}

// True when every pixel within `reach` of a point whose squared distance from the disk centre
// is `centreSquared` lies wholly inside the disk.
inline bool clearOfLimb(const Circle &disk, double centreSquared, double reach)
{
    const double inner = disk.radius - reach;
    return inner > 0.0 && centreSquared < inner * inner;
}

} // namespace detail

// The level a footprint reads, before the picture's own number of levels caps it: the finest at
// which the short side spans minLevelPixels level pixels or less and the long side at most
// maxTapsPerSide, but no deeper than 30. Footprints within a pixel, and NaN, read the picture.
inline int levelOf(double columnSquared, double rowSquared)
{
    const double shortSquared = std::min(columnSquared, rowSquared);
    const double longSquared = std::max(columnSquared, rowSquared);
    static_assert(minLevelPixels == 2.0, "the short side's bound is a square of 4");
    int level = 0;
    // The short side spans at least 2 level pixels from L = floor(log2(side / 2)), that is
    // floor(log2(square / 4) / 2).
    if (shortSquared >= 16.0)
        level = detail::floorLog2(shortSquared * 0.25) >> 1;
    // The long side fits maxTapsPerSide = 2^3 level pixels from L = ceil(log2(square) / 2) - 3.
    if (longSquared > maxTapsPerSide * maxTapsPerSide)
        level = std::max(level, ((detail::ceilLog2(longSquared) + 1) >> 1) - 3);
    return std::min(level, 30);
}

inline int levelOf(const SourceFootprint &f)
{
    return levelOf(f.xPerColumn * f.xPerColumn + f.yPerColumn * f.yPerColumn,
                   f.xPerRow * f.xPerRow + f.yPerRow * f.yPerRow);
}

// The plan for a footprint on a picture whose deepest level is `lastLevel`.
__attribute__((always_inline)) inline Plan plan(const SourceFootprint &f, const Circle &disk,
                                                int lastLevel)
{
    const double columnSquared = f.xPerColumn * f.xPerColumn + f.yPerColumn * f.yPerColumn;
    const double rowSquared = f.xPerRow * f.xPerRow + f.yPerRow * f.yPerRow;
    Plan p;
    double step = 1.0;
    // Many footprints lie within a pixel: one tap on the picture.
    if (!(columnSquared <= 1.0 && rowSquared <= 1.0)) {
        p.level = std::min(levelOf(columnSquared, rowSquared), std::max(lastLevel, 0));
        step = detail::levelStep(p.level);
        p.across = detail::tapsForSquared(columnSquared * step * step);
        p.down = detail::tapsForSquared(rowSquared * step * step);
    }
    p.kernel = p.across * p.down == 1 ? Kernel::Interpolate : Kernel::BoxOfTaps;

    const double dx = f.x - disk.centerX;
    const double dy = f.y - disk.centerY;
    const double centreSquared = dx * dx + dy * dy;
    const double reach = tapReach / step;
    if (p.kernel == Kernel::Interpolate) {
        if (detail::clearOfLimb(disk, centreSquared, reach))
            return p;
        // The tap reads the 4 x 4 pixels around its point; the one farthest from the disk
        // centre is a corner of that window.
        const double x0 = std::floor(f.x);
        const double y0 = std::floor(f.y);
        const double left = x0 - 1 - disk.centerX;
        const double right = x0 + 2 - disk.centerX;
        const double top = y0 - 1 - disk.centerY;
        const double bottom = y0 + 2 - disk.centerY;
        const double inner = disk.radius - 0.5 * 1.41421356237309505;
        p.limbSolve = !(inner > 0.0 && std::max(left * left, right * right) +
                                               std::max(top * top, bottom * bottom) <=
                                           inner * inner);
        return p;
    }
    // The taps spread over half the footprint's sides each way. The sides are bounded by their
    // components' absolute values first, to spare the square roots.
    const double spreadBound = 0.5 * (std::fabs(f.xPerColumn) + std::fabs(f.yPerColumn) +
                                      std::fabs(f.xPerRow) + std::fabs(f.yPerRow));
    p.limbSolve =
        !detail::clearOfLimb(disk, centreSquared, spreadBound + reach) &&
        !detail::clearOfLimb(disk, centreSquared,
                             0.5 * (std::sqrt(columnSquared) + std::sqrt(rowSquared)) + reach);
    return p;
}

} // namespace sampling
