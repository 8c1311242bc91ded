#include "engine/finder/limbrefiner.h"

#include "engine/basics/angles.h"
#include "engine/basics/numeric.h"
#include "engine/finder/finderimage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

using angles::pi;
// Rays are spaced about this many pixels apart along the limb, within these counts.
constexpr double raySpacing = 3.0;
constexpr int minRays = 96;
constexpr int maxRays = 2048;
// Pixels on each side of an edge whose mean colours give its contrast.
constexpr int contrastReach = 4;
// Residual scale floor and the distance from the fitted circle beyond which an edge is
// rejected, in pixels.
constexpr double minResidualScale = 0.3;
constexpr double inlierCutoff = 1.5;
// Longest profile read along a ray, samples.
constexpr int maxProfile = 512;
// An edge is the limb when the colour outside it differs from the backdrop by at most this
// fraction of its own contrast.
constexpr double backdropTolerance = 0.5;

struct Ray
{
    double cosA;
    double sinA;
};

// A place on a ray where the colour changes most steeply nearby.
struct RayEdge
{
    double t = 0.0;
    double strength = 0.0;
    // Mean colour just outside the edge, and how much the inside differs from it.
    float outside[3] = {0, 0, 0};
    double contrast = 0.0;
};

// The local maxima of the colour change along one ray within `window` pixels of the circle
// that separate colours differing by at least minContrast, and the mean colour just outside
// the circle. False when the ray leaves the picture.
bool edgesOnRay(const ColourSampler &picture, const Circle &circle, const Ray &ray, double window,
                double minContrast, std::vector<RayEdge> &found, float beyond[3])
{
    found.clear();
    const int reach = int(std::ceil(window)) + contrastReach + 1;
    const int count = 2 * reach + 1;
    float profile[3 * maxProfile];
    if (count > maxProfile)
        return false;
    for (int k = 0; k < count; ++k) {
        const double t = circle.radius - reach + k;
        if (!picture.sample(circle.centerX + t * ray.cosA, circle.centerY + t * ray.sinA,
                            &profile[k * 3]))
            return false;
    }
    auto difference = [&](int k) {
        double s = 0.0;
        for (int c = 0; c < 3; ++c) {
            const double d = (profile[(k + 1) * 3 + c] - profile[(k - 1) * 3 + c]) / 2.0;
            s += d * d;
        }
        return std::sqrt(s);
    };
    for (int c = 0; c < 3; ++c) {
        beyond[c] = 0.0f;
        for (int j = 1; j <= contrastReach; ++j)
            beyond[c] += profile[(reach + 1 + j) * 3 + c] / contrastReach;
    }
    const int first = reach - int(std::ceil(window));
    const int last = reach + int(std::ceil(window));
    for (int k = first + 1; k < last; ++k) {
        const double here = difference(k);
        const double before = difference(k - 1);
        const double after = difference(k + 1);
        if (!(here > before && here >= after))
            continue;
        RayEdge edge;
        double contrast = 0.0;
        for (int c = 0; c < 3; ++c) {
            float inside = 0.0f;
            float outside = 0.0f;
            for (int j = 1; j <= contrastReach; ++j) {
                inside += profile[(k - j) * 3 + c];
                outside += profile[(k + j) * 3 + c];
            }
            edge.outside[c] = outside / contrastReach;
            const double d = (inside - outside) / contrastReach;
            contrast += d * d;
        }
        edge.contrast = std::sqrt(contrast);
        if (edge.contrast < minContrast)
            continue;
        const double curvature = before - 2 * here + after;
        const double offset = curvature < 0.0 ? 0.5 * (before - after) / curvature : 0.0;
        edge.t = circle.radius - reach + k + std::clamp(offset, -0.5, 0.5);
        edge.strength = here;
        found.push_back(edge);
    }
    return true;
}

double colourDistance(const float a[3], const float b[3])
{
    double s = 0.0;
    for (int c = 0; c < 3; ++c)
        s += double(a[c] - b[c]) * double(a[c] - b[c]);
    return std::sqrt(s);
}

} // namespace

LimbMeasurement measureLimb(const ColourSampler &picture, const Circle &guess, double window,
                            double minContrast)
{
    LimbMeasurement result;
    const double rays =
        std::clamp(2 * pi * guess.radius / raySpacing, double(minRays), double(maxRays));
    result.rayCount = numeric::truncateToInt32(rays);
    std::vector<Ray> directions;
    std::vector<std::vector<RayEdge>> perRay;
    std::vector<RayEdge> found;
    std::vector<std::array<float, 3>> beyond;
    for (int k = 0; k < result.rayCount; ++k) {
        const double angle = 2 * pi * k / result.rayCount;
        const Ray ray{std::cos(angle), std::sin(angle)};
        std::array<float, 3> outside;
        if (!edgesOnRay(picture, guess, ray, window, minContrast, found, outside.data()))
            continue;
        ++result.visibleRays;
        beyond.push_back(outside);
        if (found.empty())
            continue;
        directions.push_back(ray);
        perRay.push_back(found);
    }
    // The backdrop: the median colour outside each ray's strongest edge. On each ray the limb
    // is the strongest edge with the backdrop outside it, which passes over texture and a
    // terminator inside the disk.
    float backdrop[3];
    for (int c = 0; c < 3; ++c) {
        std::vector<float> outside;
        for (const std::vector<RayEdge> &edges : perRay)
            outside.push_back(std::max_element(edges.begin(), edges.end(),
                                               [](const RayEdge &a, const RayEdge &b) {
                                                   return a.strength < b.strength;
                                               })
                                  ->outside[c]);
        if (outside.empty())
            return result;
        std::nth_element(outside.begin(), outside.begin() + std::ptrdiff_t(outside.size() / 2),
                         outside.end());
        backdrop[c] = outside[outside.size() / 2];
    }
    std::vector<EdgePoint> edges;
    std::vector<double> contrasts;
    for (std::size_t i = 0; i < perRay.size(); ++i) {
        const RayEdge *best = nullptr;
        for (const RayEdge &edge : perRay[i])
            if (colourDistance(edge.outside, backdrop) <= backdropTolerance * edge.contrast &&
                (!best || edge.strength > best->strength))
                best = &edge;
        if (best) {
            edges.push_back({guess.centerX + best->t * directions[i].cosA,
                             guess.centerY + best->t * directions[i].sinA});
            contrasts.push_back(best->contrast);
        }
    }
    result.fit = robustCircleFit(edges, guess, minResidualScale, inlierCutoff);
    // Around a disk the backdrop lies outside the circle on every ray, whether the limb is
    // lit there or not; around a curved edge of something else, parts of the circle run
    // through other things.
    if (!contrasts.empty()) {
        const auto middle = contrasts.begin() + std::ptrdiff_t(contrasts.size() / 2);
        std::nth_element(contrasts.begin(), middle, contrasts.end());
        for (const std::array<float, 3> &outside : beyond)
            if (colourDistance(outside.data(), backdrop) <= backdropTolerance * *middle)
                ++result.backdropRays;
    }
    result.supportingRays = result.fit.inlierCount;
    return result;
}
