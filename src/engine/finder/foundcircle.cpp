#include "engine/finder/foundcircle.h"

#include "engine/basics/conversionparameters.h"
#include "engine/basics/numeric.h"
#include "engine/finder/diskfinder.h"

#include <cmath>

namespace {

// The nearest whole pixel and the signed rest; the finder's values lie inside or near the
// picture, and the guarded conversion keeps any other value defined.
int nearestPixel(double value, double *fraction)
{
    const int whole = numeric::truncateToInt32(std::round(value));
    *fraction = value - whole;
    return whole;
}

} // namespace

FoundCircle foundCircle(const DiskFinding &finding)
{
    FoundCircle circle;
    circle.centerX = nearestPixel(finding.centerX, &circle.centerXFraction);
    circle.centerY = nearestPixel(finding.centerY, &circle.centerYFraction);
    circle.radius = nearestPixel(finding.radius, &circle.radiusFraction);
    return circle;
}

void applyFoundCircle(const FoundCircle &circle, ConversionParameters &params)
{
    params.centerX = circle.centerX;
    params.centerY = circle.centerY;
    params.radius = circle.radius;
    params.centerXFraction = circle.centerXFraction;
    params.centerYFraction = circle.centerYFraction;
    params.radiusFraction = circle.radiusFraction;
}
