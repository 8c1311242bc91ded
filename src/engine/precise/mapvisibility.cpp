#include "engine/precise/mapvisibility.h"

#include "engine/basics/angles.h"
#include "engine/basics/numeric.h"

#include <cmath>

namespace visibility {

using angles::pi;

ColumnSpan capColumns(const PreciseProjection &projection, double cosLat, double sinLat, int width)
{
    // On a row of latitude phi the cap test n . P > limit reads
    // cos(phi) R cos(lon - lon0) + n_z sin(phi) > limit, with R and lon0 the length and
    // direction of the normal's horizontal part. A pixel touches the cap when its centre's
    // excess is above -capReach times the test's gradient, which is at most capStepBound: the
    // band is widened by twice that, to spare the gradient's rounding any doubt.
    const double slack = 2 * capReach * projection.capStepBound();
    const double *n = projection.capNormal();
    const double horizontal = std::hypot(n[0], n[1]) * cosLat;
    const double needed = projection.capLimit() - slack - n[2] * sinLat;
    if (horizontal <= 1e-12 || needed <= -horizontal)
        return needed < horizontal ? ColumnSpan{0, width} : ColumnSpan{};
    if (needed >= horizontal)
        return {};
    const double halfWidth = std::acos(needed / horizontal);
    const double centre = std::atan2(n[1], n[0]);
    const double columnsPerRadian = width / (2 * pi);
    // Column c holds longitude (c + 0.5) * 2 pi / W - pi; one column of margin each side.
    const double first = std::floor((centre - halfWidth + pi) * columnsPerRadian - 0.5) - 1;
    const double count = std::ceil(2 * halfWidth * columnsPerRadian) + 3;
    if (count >= width)
        return {0, width};
    const int start = numeric::truncateToInt32(first);
    return {((start % width) + width) % width, int(count)};
}

} // namespace visibility
