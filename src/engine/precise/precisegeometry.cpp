#include "engine/precise/precisegeometry.h"

#include "engine/basics/numeric.h"
#include "engine/basics/rowscheduler.h"
#include "engine/precise/filteredsource.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;

// The columns of a row whose points can touch the cap. On a row of latitude phi the cap test
// n . P > limit reads cos(phi) R cos(lon - lon0) + n_z sin(phi) > limit, with R and lon0 the
// length and direction of the normal's horizontal part; the band is widened by `slack` so
// that the pixels partly covered at the edge are kept.
PreciseGeometry::Span capSpan(const PreciseProjection &projection, double cosLat, double sinLat,
                              double slack, int width)
{
    const double *n = projection.capNormal();
    const double horizontal = std::hypot(n[0], n[1]) * cosLat;
    const double needed = projection.capLimit() - slack - n[2] * sinLat;
    if (horizontal <= 1e-12 || needed <= -horizontal)
        return needed < horizontal ? PreciseGeometry::Span{0, width} : PreciseGeometry::Span{};
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

} // namespace

PreciseGeometry::PreciseGeometry(const ConversionParameters &params, QSize sourceSize,
                                 RowScheduler &scheduler)
    : params(params), sourceSize(sourceSize), projection(params)
{
    const int width = params.outputWidth;
    const int height = params.outputHeight;
    cosLatitude.resize(height);
    sinLatitude.resize(height);
    spans.resize(height);
    for (int i = 0; i < 3; ++i) {
        along[i].resize(width);
        across[i].resize(width);
    }
    // Columns and rows shared out in blocks of a few dozen: the terms take trigonometry.
    constexpr int columnsPerBlock = 64;
    scheduler.run((width + columnsPerBlock - 1) / columnsPerBlock, [&](int first, int end) {
        const int endColumn = std::min(width, end * columnsPerBlock);
        for (int c = first * columnsPerBlock; c < endColumn; ++c) {
            const double lon = projection.longitudeAt(c + 0.5);
            double a[3], b[3];
            projection.columnTerms(std::cos(lon), std::sin(lon), a, b);
            for (int i = 0; i < 3; ++i) {
                along[i][c] = a[i];
                across[i][c] = b[i];
            }
        }
    });
    const double slack = projection.capStepBound();
    scheduler.run(height, [&](int first, int end) {
        for (int r = first; r < end; ++r) {
            const double lat = projection.latitudeAt(r + 0.5);
            cosLatitude[r] = std::cos(lat);
            sinLatitude[r] = std::sin(lat);
            spans[r] = capSpan(projection, cosLatitude[r], sinLatitude[r], slack, width);
        }
    });

    // The deepest level any footprint needs, probed on a grid of every few rows and columns:
    // footprints change slowly, and a level too shallow only costs taps, not correctness.
    constexpr int probeStep = 4;
    std::atomic<int> deepest{0};
    scheduler.run((height + probeStep - 1) / probeStep, [&](int first, int end) {
        int level = 0;
        for (int block = first; block < end; ++block) {
            const int r = block * probeStep;
            const Span span = spans[r];
            for (int k = 0; k < span.count; k += probeStep) {
                const int c = (span.first + k) % width;
                const double columnAlong[3] = {along[0][c], along[1][c], along[2][c]};
                const double columnAcross[3] = {across[0][c], across[1][c], across[2][c]};
                const SourceFootprint f = projection.footprintOf(cosLatitude[r], sinLatitude[r],
                                                                 columnAlong, columnAcross);
                if (f.capMargin <= -0.5)
                    continue;
                const double a =
                    std::sqrt(f.xPerColumn * f.xPerColumn + f.yPerColumn * f.yPerColumn);
                const double b = std::sqrt(f.xPerRow * f.xPerRow + f.yPerRow * f.yPerRow);
                level = std::max(level, FilteredSource::levelFor(std::min(a, b), std::max(a, b)));
            }
        }
        int seen = deepest.load();
        while (level > seen && !deepest.compare_exchange_weak(seen, level)) {
        }
    });
    deepestLevel = deepest.load() + 1;
}
