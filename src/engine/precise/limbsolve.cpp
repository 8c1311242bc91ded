#include "engine/precise/limbsolve.h"

#include <algorithm>
#include <cmath>

LimbSolve::LimbSolve(const sampling::Circle &disk, double step, double x, double y)
    : centerX((disk.centerX + 0.5) * step - 0.5), centerY((disk.centerY + 0.5) * step - 0.5),
      radius(disk.radius * step), pointX(x), pointY(y)
{
    const double dx = pointX - centerX;
    const double dy = pointY - centerY;
    const double distance = std::sqrt(dx * dx + dy * dy);
    local = radius >= localFrom && distance >= 0.5 * radius;
    if (!local)
        return;
    inside = radius - distance;
    normalX = dx / distance;
    normalY = dy / distance;
    bend = 0.5 / distance;
    const double wide = std::max(std::fabs(normalX), std::fabs(normalY));
    const double narrow = std::min(std::fabs(normalX), std::fabs(normalY));
    toCorner = 0.5 * (wide + narrow);
    toSide = 0.5 * (wide - narrow);
    perWide = 1.0 / wide;
    perCornerArea = narrow > 0.0 ? 0.5 / (wide * narrow) : 0.0;
}

float LimbSolve::exactCoverage(int i, int j) const
{
    // Pixels wholly inside or outside (half a diagonal or more from the circle) need no square
    // root.
    constexpr double halfDiagonal = 0.70710678118654752;
    const double dx = i - centerX;
    const double dy = j - centerY;
    const double squared = dx * dx + dy * dy;
    const double inner = radius - halfDiagonal;
    if (inner > 0.0 && squared <= inner * inner)
        return 1.0f;
    const double outer = radius + halfDiagonal;
    if (squared >= outer * outer)
        return 0.0f;
    // The tangent's normal, (dx, dy) / distance, folded to (a, b) = (wide, narrow) / distance
    // with 0 <= b <= a; the corners lie (a + b) / 2 and the sides (a - b) / 2 from the centre
    // along it. Everything is scaled by the distance, which leaves one division.
    const double distance = std::sqrt(squared);
    const double in = (radius - distance) * distance;
    const double wide = std::max(std::fabs(dx), std::fabs(dy));
    const double narrow = std::min(std::fabs(dx), std::fabs(dy));
    const double corner = 0.5 * (wide + narrow);
    const double side = 0.5 * (wide - narrow);
    if (in <= -corner)
        return 0.0f;
    if (in >= corner)
        return 1.0f;
    // The covered area rises quadratically while the tangent crosses a corner, linearly
    // between.
    if (in < -side)
        return float((in + corner) * (in + corner) / (2 * wide * narrow));
    if (in > side)
        return float(1.0 - (corner - in) * (corner - in) / (2 * wide * narrow));
    return float(0.5 + in / wide);
}
