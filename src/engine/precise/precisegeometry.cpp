#include "engine/precise/precisegeometry.h"

#include "engine/precise/mapvisibility.h"
#include "engine/basics/rowscheduler.h"
#include "engine/precise/samplingplan.h"

#include <algorithm>
#include <atomic>
#include <cmath>

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
    scheduler.run(height, [&](int first, int end) {
        for (int r = first; r < end; ++r) {
            const double lat = projection.latitudeAt(r + 0.5);
            cosLatitude[r] = std::cos(lat);
            sinLatitude[r] = std::sin(lat);
            spans[r] = visibility::capColumns(projection, cosLatitude[r], sinLatitude[r], width);
        }
    });

    // The deepest level any footprint needs, probed on a grid of every few rows and columns:
    // footprints change slowly, and a level too shallow only costs taps, not correctness.
    constexpr int probeStep = 16;
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
                if (!visibility::touchesCap(f.capMargin))
                    continue;
                level = std::max(level, sampling::levelOf(f));
            }
        }
        int seen = deepest.load();
        while (level > seen && !deepest.compare_exchange_weak(seen, level)) {
        }
    });
    deepestLevel = deepest.load() + 1;
}
