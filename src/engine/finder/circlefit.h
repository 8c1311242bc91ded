#pragma once

#include <vector>

// A circle in picture coordinates.
struct Circle
{
    double centerX = 0.0;
    double centerY = 0.0;
    double radius = 0.0;
};

// True when the circles agree to within tolerance in centre x, in centre y and in radius.
bool sameCircle(const Circle &a, const Circle &b, double tolerance);

struct EdgePoint
{
    double x = 0.0;
    double y = 0.0;
};

// The outcome of a robust fit: the circle, which points it kept and how far they lie from it.
struct CircleFit
{
    Circle circle;
    std::vector<bool> inlier;
    int inlierCount = 0;
    // Root mean square distance of the kept points from the circle.
    double rmsResidual = 0.0;
    bool ok = false;
};

// Least-squares circle through the points, minimising the algebraic distance (x-a)^2+(y-b)^2-r^2
// (Kasa's fit). Cheap and without a starting guess; slightly biased towards smaller circles
// when only a short arc is given, which the geometric fit then removes.
bool algebraicCircleFit(const std::vector<EdgePoint> &points, Circle &circle);

// Geometric least-squares fit by Gauss-Newton from a starting circle, with Tukey's biweight so
// that points far from the circle (a terminator, a star, a crater) lose all weight. Points
// farther than `cutoff` pixels from the final circle are reported as outliers; the weight
// scale follows the spread of the residuals but never drops below `minScale` pixels.
CircleFit robustCircleFit(const std::vector<EdgePoint> &points, const Circle &start,
                          double minScale, double cutoff);
