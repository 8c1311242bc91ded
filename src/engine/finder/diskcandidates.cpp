#include "engine/finder/diskcandidates.h"

#include "engine/basics/angles.h"
#include "engine/basics/numeric.h"
#include "engine/basics/rowscheduler.h"
#include "engine/finder/finderimage.h"

#include <algorithm>
#include <cmath>

namespace {

using angles::pi;

// Edge threshold: this many times the median gradient magnitude (the picture's texture and
// noise level), and at least this many grey levels per pixel.
constexpr float noiseFactor = 4.0f;
constexpr float minimumEdgeStrength = 3.0f;
// Edge points that vote at most; a limb of 400 reduced pixels has about 2500.
constexpr std::size_t maxVoters = 8000;
// Centre votes are collected in cells of this many reduced pixels, over the picture and half
// its size on each side, so that disks whose centre lies outside the frame are found.
constexpr int cellSize = 2;
// Smallest radius searched, reduced pixels; the largest is this fraction of the longer side.
constexpr double minRadius = 5.0;
constexpr double maxRadiusFraction = 0.6;
// Vote peaks examined, and how far apart they must lie (cells).
constexpr int maxPeaks = 6;
constexpr int peakSeparation = 4;
// An edge faces a centre when its gradient is within about 25 degrees of the radial line.
constexpr double facingCosine = 0.9;
// Distance from a circle within which an edge counts as lying on it, reduced pixels.
constexpr double onCircleBand = 1.5;
// Edges that may belong to a circle about a vote peak face it within about 37 degrees; the
// centre is then searched in steps of searchStep pixels, searchSteps each way.
constexpr double looseFacingCosine = 0.8;
constexpr double searchStep = 2.0;
constexpr int searchSteps = 4;
constexpr std::size_t maxSearchPoints = 3000;
// Circles from different peaks that agree this closely (reduced pixels) are one candidate.
constexpr double sameCircle = 2.0;
// Fewest edge points that make a radius.
constexpr float minRadiusVotes = 8.0f;

double facing(const EdgeMap &edges, int index, double dx, double dy)
{
    const double d = std::sqrt(dx * dx + dy * dy);
    const double g = edges.magnitude[std::size_t(index)];
    if (!(d > 0.0) || !(g > 0.0))
        return 0.0;
    return std::fabs(dx * edges.gradientX[std::size_t(index)] +
                     dy * edges.gradientY[std::size_t(index)]) /
           (d * g);
}

// Length of the circle's arc inside the reduced picture and the part of it with a facing edge
// within onCircleBand.
void measureSupport(const EdgeMap &edges, DiskCandidate &candidate)
{
    const Circle &c = candidate.circle;
    const int steps = std::max(16, numeric::truncateToInt32(std::min(2 * pi * c.radius, 1e5)));
    candidate.visibleLength = 0.0;
    candidate.supportedLength = 0.0;
    const double stepLength = 2 * pi * c.radius / steps;
    for (int k = 0; k < steps; ++k) {
        const double angle = 2 * pi * k / steps;
        const double cosA = std::cos(angle);
        const double sinA = std::sin(angle);
        const double x = c.centerX + c.radius * cosA;
        const double y = c.centerY + c.radius * sinA;
        if (x < 1 || y < 1 || x > edges.width - 2 || y > edges.height - 2)
            continue;
        candidate.visibleLength += stepLength;
        for (double t = -onCircleBand; t <= onCircleBand; t += 0.5) {
            const int px = int(std::lround(x + t * cosA));
            const int py = int(std::lround(y + t * sinA));
            if (edges.edgeAt(px, py) &&
                facing(edges, py * edges.width + px, cosA, sinA) >= facingCosine) {
                candidate.supportedLength += stepLength;
                break;
            }
        }
    }
}

// Refits a circle to the facing edge points near it.
bool refitToEdges(const EdgeMap &edges, double band, Circle &circle)
{
    std::vector<EdgePoint> points;
    for (const int index : edges.edgeIndices) {
        const double dx = index % edges.width - circle.centerX;
        const double dy = index / edges.width - circle.centerY;
        if (std::fabs(std::sqrt(dx * dx + dy * dy) - circle.radius) <= band &&
            facing(edges, index, dx, dy) >= facingCosine)
            points.push_back({double(index % edges.width), double(index / edges.width)});
    }
    const CircleFit fit = robustCircleFit(points, circle, 0.5, band);
    if (!fit.ok)
        return false;
    circle = fit.circle;
    return true;
}

struct RadiusPeak
{
    int bin = 0;
    float count = 0.0f;
};

// The one-pixel distance bin from (x, y) (with its two neighbours) that holds most of the
// points, leaving out the bins next to `excluded`.
RadiusPeak sharpestRadius(const std::vector<EdgePoint> &points, double x, double y,
                          double maxRadius, int excluded)
{
    std::vector<float> histogram(std::size_t(maxRadius) + 2, 0.0f);
    for (const EdgePoint &p : points) {
        const double d = std::sqrt((p.x - x) * (p.x - x) + (p.y - y) * (p.y - y));
        if (d >= minRadius && d <= maxRadius)
            histogram[std::size_t(d)] += 1.0f;
    }
    RadiusPeak best;
    for (std::size_t r = 1; r + 1 < histogram.size(); ++r) {
        if (excluded >= 0 && std::abs(int(r) - excluded) <= 4)
            continue;
        const float s = histogram[r - 1] + histogram[r] + histogram[r + 1];
        if (s > best.count)
            best = {int(r), s};
    }
    return best;
}

} // namespace

EdgeMap::EdgeMap(const ReducedPicture &picture, int threads)
    : width(picture.width()), height(picture.height())
{
    const std::size_t size = std::size_t(width) * std::size_t(height);
    gradientX.assign(size, 0.0f);
    gradientY.assign(size, 0.0f);
    magnitude.assign(size, 0.0f);
    isEdge.assign(size, 0);
    if (width < 3 || height < 3)
        return;
    // Rows are independent, so they are spread over the threads.
    RowScheduler scheduler(threads, [] {});
    scheduler.run(height - 2, [&](int firstRow, int endRow) {
        for (int c = 0; c < 3; ++c) {
            const std::vector<float> &p = picture.plane(c);
            for (int y = firstRow + 1; y < endRow + 1; ++y) {
                for (int x = 1; x + 1 < width; ++x) {
                    const std::size_t i = std::size_t(y * width + x);
                    const std::size_t up = i - std::size_t(width);
                    const std::size_t down = i + std::size_t(width);
                    const float gx = (p[up + 1] + 2 * p[i + 1] + p[down + 1] - p[up - 1] -
                                      2 * p[i - 1] - p[down - 1]) /
                                     8.0f;
                    const float gy = (p[down - 1] + 2 * p[down] + p[down + 1] - p[up - 1] -
                                      2 * p[up] - p[up + 1]) /
                                     8.0f;
                    const float m = std::sqrt(gx * gx + gy * gy);
                    if (m > magnitude[i]) {
                        magnitude[i] = m;
                        gradientX[i] = gx;
                        gradientY[i] = gy;
                    }
                }
            }
        }
    });
    std::vector<float> sorted(magnitude);
    const auto middle = sorted.begin() + std::ptrdiff_t(sorted.size() / 2);
    std::nth_element(sorted.begin(), middle, sorted.end());
    const float threshold = std::max(minimumEdgeStrength, noiseFactor * *middle);
    for (int y = 1; y + 1 < height; ++y) {
        for (int x = 1; x + 1 < width; ++x) {
            const int i = y * width + x;
            const float m = magnitude[std::size_t(i)];
            if (m < threshold)
                continue;
            // Neighbours across the edge, along the gradient rounded to 45 degrees.
            const int sx = int(std::lround(gradientX[std::size_t(i)] / m));
            const int sy = int(std::lround(gradientY[std::size_t(i)] / m));
            const int step = sy * width + sx;
            if (m >= magnitude[std::size_t(i + step)] && m > magnitude[std::size_t(i - step)]) {
                isEdge[std::size_t(i)] = 1;
                edgeIndices.push_back(i);
            }
        }
    }
}

std::vector<DiskCandidate> findDiskCandidates(const EdgeMap &edges, int count)
{
    std::vector<DiskCandidate> candidates;
    if (edges.edgeIndices.size() < 8)
        return candidates;
    // An even sample of the edges votes. Choosing the strongest instead would let the surface
    // texture and the stars outvote a limb that limb darkening or a halo has made soft.
    std::vector<int> voters;
    if (edges.edgeIndices.size() > maxVoters) {
        voters.reserve(maxVoters);
        for (std::size_t k = 0; k < maxVoters; ++k)
            voters.push_back(edges.edgeIndices[k * edges.edgeIndices.size() / maxVoters]);
    } else {
        voters = edges.edgeIndices;
    }
    const int originX = -edges.width / 2;
    const int originY = -edges.height / 2;
    const int cellsX = (2 * edges.width) / cellSize + 1;
    const int cellsY = (2 * edges.height) / cellSize + 1;
    // Each voter enters a cell at most twice, so 16-bit counts cannot overflow.
    std::vector<std::uint16_t> votes(std::size_t(cellsX) * std::size_t(cellsY), 0);
    const double maxRadius = maxRadiusFraction * std::max(edges.width, edges.height);
    for (const int index : voters) {
        const double x = index % edges.width;
        const double y = index / edges.width;
        const double m = edges.magnitude[std::size_t(index)];
        const double ux = edges.gradientX[std::size_t(index)] / m;
        const double uy = edges.gradientY[std::size_t(index)] / m;
        for (const int sign : {-1, 1}) {
            for (double t = minRadius; t <= maxRadius; t += cellSize) {
                const int cx = int(std::floor((x + sign * t * ux - originX) / cellSize));
                const int cy = int(std::floor((y + sign * t * uy - originY) / cellSize));
                if (cx < 0 || cy < 0 || cx >= cellsX || cy >= cellsY)
                    break;
                ++votes[std::size_t(cy * cellsX + cx)];
            }
        }
    }
    // Peaks of the 3 x 3 summed votes, strongest first, kept apart from each other.
    std::vector<float> smooth(votes.size(), 0.0f);
    for (int y = 1; y + 1 < cellsY; ++y)
        for (int x = 1; x + 1 < cellsX; ++x) {
            float s = 0.0f;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    s += votes[std::size_t((y + dy) * cellsX + x + dx)];
            smooth[std::size_t(y * cellsX + x)] = s;
        }
    std::vector<int> order(smooth.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    const std::size_t considered = std::min<std::size_t>(order.size(), 4096);
    std::partial_sort(
        order.begin(), order.begin() + std::ptrdiff_t(considered), order.end(),
        [&](int a, int b) { return smooth[std::size_t(a)] > smooth[std::size_t(b)]; });
    std::vector<int> peaks;
    for (std::size_t k = 0; k < considered && int(peaks.size()) < maxPeaks; ++k) {
        const int cell = order[k];
        if (!(smooth[std::size_t(cell)] > 0.0f))
            break;
        const bool apart = std::all_of(peaks.begin(), peaks.end(), [&](int other) {
            return std::abs(other % cellsX - cell % cellsX) > peakSeparation ||
                   std::abs(other / cellsX - cell / cellsX) > peakSeparation;
        });
        if (apart)
            peaks.push_back(cell);
    }
    for (const int peak : peaks) {
        const double peakX = originX + (peak % cellsX + 0.5) * cellSize;
        const double peakY = originY + (peak / cellsX + 0.5) * cellSize;
        std::vector<EdgePoint> facingPoints;
        for (const int index : edges.edgeIndices) {
            const double dx = index % edges.width - peakX;
            const double dy = index / edges.width - peakY;
            if (facing(edges, index, dx, dy) >= looseFacingCosine)
                facingPoints.push_back({double(index % edges.width), double(index / edges.width)});
        }
        // An even sample of the points is enough to tell where their distances pile up.
        if (facingPoints.size() > maxSearchPoints) {
            const std::size_t stride =
                (facingPoints.size() + maxSearchPoints - 1) / maxSearchPoints;
            std::size_t kept = 0;
            for (std::size_t i = 0; i < facingPoints.size(); i += stride)
                facingPoints[kept++] = facingPoints[i];
            facingPoints.resize(kept);
        }
        // The votes place the centre to within a few degrees of gradient direction; the
        // centre whose edge distances pile up most sharply is searched around the peak.
        RadiusPeak best = sharpestRadius(facingPoints, peakX, peakY, maxRadius, -1);
        double centerX = peakX;
        double centerY = peakY;
        for (const double step : {searchStep, 1.0}) {
            const double baseX = centerX;
            const double baseY = centerY;
            const int reach = step > 1.0 ? searchSteps : 2;
            for (int j = -reach; j <= reach; ++j)
                for (int i = -reach; i <= reach; ++i) {
                    const RadiusPeak p = sharpestRadius(facingPoints, baseX + i * step,
                                                        baseY + j * step, maxRadius, -1);
                    if (p.count > best.count) {
                        best = p;
                        centerX = baseX + i * step;
                        centerY = baseY + j * step;
                    }
                }
        }
        // A second radius about the same centre: a halo's outer edge, or the limb when the
        // first was an inner ring.
        const RadiusPeak second =
            sharpestRadius(facingPoints, centerX, centerY, maxRadius, best.bin);
        for (const RadiusPeak &radius : {best, second}) {
            if (radius.count < minRadiusVotes)
                continue;
            DiskCandidate candidate;
            candidate.circle = {centerX, centerY, radius.bin + 0.5};
            if (!refitToEdges(edges, 3.0, candidate.circle) ||
                !refitToEdges(edges, onCircleBand, candidate.circle))
                continue;
            const bool known =
                std::any_of(candidates.begin(), candidates.end(), [&](const DiskCandidate &c) {
                    return std::fabs(c.circle.centerX - candidate.circle.centerX) < sameCircle &&
                           std::fabs(c.circle.centerY - candidate.circle.centerY) < sameCircle &&
                           std::fabs(c.circle.radius - candidate.circle.radius) < sameCircle;
                });
            if (known)
                continue;
            measureSupport(edges, candidate);
            candidates.push_back(candidate);
        }
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const DiskCandidate &a, const DiskCandidate &b) {
                  return a.supportedLength > b.supportedLength;
              });
    if (int(candidates.size()) > count)
        candidates.resize(std::size_t(count));
    return candidates;
}
