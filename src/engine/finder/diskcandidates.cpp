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
constexpr double sameCircleTolerance = 2.0;
// Fewest edge points that make a radius.
constexpr float minRadiusVotes = 8.0f;
// Fewer edge points than this cannot outline a circle: the search does not start.
constexpr std::size_t minEdgePoints = 8;
// The strongest summed cells examined for peaks: far more than the maxPeaks wanted, so that
// cells beside a stronger peak cannot use them all up, without sorting every cell.
constexpr std::size_t peakCellsExamined = 4096;
// After the search in steps of searchStep, the centre is searched again in one-pixel steps,
// this many each way: one coarse step to each side.
constexpr double fineSearchStep = 1.0;
constexpr int fineSearchSteps = 2;
// A second radius about the same centre lies more than this many one-pixel bins from the
// first: the nearer bins hold the first edge's own spread (three bins summed, a blurred limb).
constexpr int secondRadiusGap = 4;
// The first refit takes the facing edges this close (reduced pixels) to the circle found from
// the radius bins, whose centre and radius are known only to a pixel or two; the second
// refit narrows the band to onCircleBand.
constexpr double firstRefitBand = 3.0;
// The robust fit's weight scale stays at least this wide, reduced pixels: the rounding of
// edge positions to whole pixels.
constexpr double fitMinScale = 0.5;

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
    const CircleFit fit = robustCircleFit(points, circle, fitMinScale, band);
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
// points, leaving out the bins within secondRadiusGap of `excluded`.
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
        if (excluded >= 0 && std::abs(int(r) - excluded) <= secondRadiusGap)
            continue;
        const float s = histogram[r - 1] + histogram[r] + histogram[r + 1];
        if (s > best.count)
            best = {int(r), s};
    }
    return best;
}

// The centre votes of the gradient Hough transform, in cells of cellSize reduced pixels over
// the picture and half its size on each side, so that disks whose centre lies outside the
// frame are found.
struct HoughAccumulator
{
    int originX = 0;
    int originY = 0;
    int cellsX = 0;
    int cellsY = 0;
    // Each voter enters a cell at most twice, so 16-bit counts cannot overflow.
    std::vector<std::uint16_t> votes;

    // The centre of a cell, reduced pixels.
    double centerX(int cell) const { return originX + (cell % cellsX + 0.5) * cellSize; }
    double centerY(int cell) const { return originY + (cell / cellsX + 0.5) * cellSize; }
};

// Phase 1: the edge points that vote, an even sample of at most maxVoters. Choosing the
// strongest instead would let the surface texture and the stars outvote a limb that limb
// darkening or a halo has made soft.
std::vector<int> houghVoters(const EdgeMap &edges)
{
    if (edges.edgeIndices.size() <= maxVoters)
        return edges.edgeIndices;
    std::vector<int> voters;
    voters.reserve(maxVoters);
    for (std::size_t k = 0; k < maxVoters; ++k)
        voters.push_back(edges.edgeIndices[k * edges.edgeIndices.size() / maxVoters]);
    return voters;
}

// Phase 2, the gradient Hough transform: a circle's edge points have gradients along their
// radii, so each voter votes for the centres along its gradient line, both ways, out to
// maxRadius.
HoughAccumulator castHoughVotes(const EdgeMap &edges, const std::vector<int> &voters,
                                double maxRadius)
{
    HoughAccumulator accumulator;
    accumulator.originX = -edges.width / 2;
    accumulator.originY = -edges.height / 2;
    accumulator.cellsX = (2 * edges.width) / cellSize + 1;
    accumulator.cellsY = (2 * edges.height) / cellSize + 1;
    const int cellsX = accumulator.cellsX;
    const int cellsY = accumulator.cellsY;
    std::vector<std::uint16_t> &votes = accumulator.votes;
    votes.assign(std::size_t(cellsX) * std::size_t(cellsY), 0);
    for (const int index : voters) {
        const double x = index % edges.width;
        const double y = index / edges.width;
        const double m = edges.magnitude[std::size_t(index)];
        const double ux = edges.gradientX[std::size_t(index)] / m;
        const double uy = edges.gradientY[std::size_t(index)] / m;
        for (const int sign : {-1, 1}) {
            for (double t = minRadius; t <= maxRadius; t += cellSize) {
                const int cx =
                    int(std::floor((x + sign * t * ux - accumulator.originX) / cellSize));
                const int cy =
                    int(std::floor((y + sign * t * uy - accumulator.originY) / cellSize));
                if (cx < 0 || cy < 0 || cx >= cellsX || cy >= cellsY)
                    break;
                ++votes[std::size_t(cy * cellsX + cx)];
            }
        }
    }
    return accumulator;
}

// Phase 3: the cells where the Hough votes peak, as peaks of the 3 x 3 summed votes,
// strongest first, at most maxPeaks and each more than peakSeparation cells from the others.
std::vector<int> houghPeaks(const HoughAccumulator &accumulator)
{
    const int cellsX = accumulator.cellsX;
    const int cellsY = accumulator.cellsY;
    const std::vector<std::uint16_t> &votes = accumulator.votes;
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
    const std::size_t considered = std::min<std::size_t>(order.size(), peakCellsExamined);
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
    return peaks;
}

// Phase 4: the edge points that may belong to a circle about (x, y), those facing it within
// looseFacingCosine, thinned evenly to at most maxSearchPoints: that many are enough to tell
// where their distances pile up.
std::vector<EdgePoint> pointsFacing(const EdgeMap &edges, double x, double y)
{
    std::vector<EdgePoint> points;
    for (const int index : edges.edgeIndices) {
        const double dx = index % edges.width - x;
        const double dy = index / edges.width - y;
        if (facing(edges, index, dx, dy) >= looseFacingCosine)
            points.push_back({double(index % edges.width), double(index / edges.width)});
    }
    if (points.size() > maxSearchPoints) {
        const std::size_t stride = (points.size() + maxSearchPoints - 1) / maxSearchPoints;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < points.size(); i += stride)
            points[kept++] = points[i];
        points.resize(kept);
    }
    return points;
}

// A centre and the radius bin whose edge distances pile up most sharply about it.
struct CenterAndRadius
{
    double centerX = 0.0;
    double centerY = 0.0;
    RadiusPeak radius;
};

// Phase 5: the votes place the centre to within a few degrees of gradient direction; the
// centre whose edge distances pile up most sharply is searched around the peak, first in
// steps of searchStep, then in one-pixel steps around the best so far.
CenterAndRadius sharpestCenter(const std::vector<EdgePoint> &points, double peakX, double peakY,
                               double maxRadius)
{
    struct SearchPass
    {
        double step;
        int steps;
    };
    constexpr SearchPass passes[] = {{searchStep, searchSteps}, {fineSearchStep, fineSearchSteps}};
    CenterAndRadius best{peakX, peakY, sharpestRadius(points, peakX, peakY, maxRadius, -1)};
    for (const SearchPass &pass : passes) {
        const double baseX = best.centerX;
        const double baseY = best.centerY;
        for (int j = -pass.steps; j <= pass.steps; ++j)
            for (int i = -pass.steps; i <= pass.steps; ++i) {
                const RadiusPeak p = sharpestRadius(points, baseX + i * pass.step,
                                                    baseY + j * pass.step, maxRadius, -1);
                if (p.count > best.radius.count) {
                    best.radius = p;
                    best.centerX = baseX + i * pass.step;
                    best.centerY = baseY + j * pass.step;
                }
            }
    }
    return best;
}

// Adds the circles about the centre that the edges confirm: the sharpest radius and a second
// one (a halo's outer edge, or the limb when the first was an inner ring), each refitted to
// the facing edges near it, unless an earlier peak gave the same circle.
void addCircles(const EdgeMap &edges, const std::vector<EdgePoint> &points,
                const CenterAndRadius &centre, double maxRadius,
                std::vector<DiskCandidate> &candidates)
{
    const RadiusPeak second =
        sharpestRadius(points, centre.centerX, centre.centerY, maxRadius, centre.radius.bin);
    for (const RadiusPeak &radius : {centre.radius, second}) {
        if (radius.count < minRadiusVotes)
            continue;
        DiskCandidate candidate;
        candidate.circle = {centre.centerX, centre.centerY, radius.bin + 0.5};
        if (!refitToEdges(edges, firstRefitBand, candidate.circle) ||
            !refitToEdges(edges, onCircleBand, candidate.circle))
            continue;
        const bool known =
            std::any_of(candidates.begin(), candidates.end(), [&](const DiskCandidate &c) {
                return sameCircle(c.circle, candidate.circle, sameCircleTolerance);
            });
        if (known)
            continue;
        measureSupport(edges, candidate);
        candidates.push_back(candidate);
    }
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
    if (edges.edgeIndices.size() < minEdgePoints)
        return candidates;
    const double maxRadius = maxRadiusFraction * std::max(edges.width, edges.height);
    const HoughAccumulator accumulator = castHoughVotes(edges, houghVoters(edges), maxRadius);
    for (const int peak : houghPeaks(accumulator)) {
        const double peakX = accumulator.centerX(peak);
        const double peakY = accumulator.centerY(peak);
        const std::vector<EdgePoint> points = pointsFacing(edges, peakX, peakY);
        addCircles(edges, points, sharpestCenter(points, peakX, peakY, maxRadius), maxRadius,
                   candidates);
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const DiskCandidate &a, const DiskCandidate &b) {
                  return a.supportedLength > b.supportedLength;
              });
    if (int(candidates.size()) > count)
        candidates.resize(std::size_t(count));
    return candidates;
}
