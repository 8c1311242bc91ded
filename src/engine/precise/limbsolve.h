#pragma once

#include "engine/precise/samplingplan.h"
#include "engine/precise/tapkernels.h"

// Near the limb a footprint's taps reach the sky, and the pixels on the limb show globe and sky
// mixed by their coverage. Reading them as they are would blend the sky into the globe's edge,
// so there every pixel is taken as the globe's colour over the sky in proportion to its
// coverage by the disk, and the globe's colour is solved for: the taps are read once more with
// each pixel's coverage in place of its colour, which gives the share of their weight that
// falls on the disk.
class LimbSolve
{
public:
    // The disk (in picture pixels) on a level with `step` level pixels per picture pixel, near
    // level point (x, y) where a footprint is read.
    LimbSolve(const sampling::Circle &disk, double step, double x, double y);

    // How much of level pixel (i, j) the disk covers: the area of the pixel's square on the
    // inner side of the circle's tangent nearest to the pixel centre.
    float coverage(int i, int j) const { return local ? localCoverage(i, j) : exactCoverage(i, j); }

    // The globe's colour from a filtered colour and the share of the same taps' weight on the
    // disk. Points on the limb have about half their weight on the disk; where less than a
    // quarter lies there (beyond the limb) the share is taken as a quarter, so that the sky's
    // noise is not magnified much.
    static taps::Colour globeColour(taps::Colour filtered, float coverage, taps::Colour sky)
    {
        return sky + (filtered - sky) * (1.0f / std::max(coverage, 0.25f));
    }

    // Radius in level pixels from which the circle's tangent at the point, bent by its
    // curvature, stands in for the circle: over the taps' reach of up to 8 pixels it is then
    // off by less than 0.02 pixels, and the square roots and divisions are done once per
    // footprint, not per pixel.
    static constexpr double localFrom = 128.0;

private:
    float exactCoverage(int i, int j) const;
    float localCoverage(int i, int j) const
    {
        const double ex = i - pointX;
        const double ey = j - pointY;
        const double along = normalX * ex + normalY * ey;
        // The pixel centre's distance inside the circle: the point's, less the step outward
        // along the normal and the circle's fall-off sideways.
        const double in = inside - along - (ex * ex + ey * ey - along * along) * bend;
        if (in >= toCorner)
            return 1.0f;
        if (in <= -toCorner)
            return 0.0f;
        if (in < -toSide)
            return float((in + toCorner) * (in + toCorner) * perCornerArea);
        if (in > toSide)
            return float(1.0 - (toCorner - in) * (toCorner - in) * perCornerArea);
        return float(0.5 + in * perWide);
    }

    // The disk in level pixels and the point.
    double centerX;
    double centerY;
    double radius;
    double pointX;
    double pointY;
    bool local = false;
    // The point's distance inside the circle, the unit normal outward there and half the
    // curvature.
    double inside = 0.0;
    double normalX = 0.0;
    double normalY = 0.0;
    double bend = 0.0;
    // The pixel square against the tangent: its corners' and sides' distances from its centre
    // along the normal, 1 / the wider component and 1 / (2 wide narrow).
    double toCorner = 0.0;
    double toSide = 0.0;
    double perWide = 0.0;
    double perCornerArea = 0.0;
};
