#include "preciseconverter.h"

#include "filteredsource.h"
#include "precisegeometry.h"
#include "rowscheduler.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// A premultiplied channel from a filtered value; NaN and overshoot are clamped to [0, limit].
int toChannel(float value, int limit)
{
    if (!(value > 0.0f))
        return 0;
    const float rounded = value + 0.5f;
    return rounded >= float(limit) ? limit : int(rounded);
}

QRgb mapPixel(FilteredSource::Colour colour, double coverage)
{
    const FilteredSource::Colour c = colour * float(coverage);
    const int a = toChannel(c[FilteredSource::alphaLane], 255);
    return qRgba(toChannel(c[2], a), toChannel(c[1], a), toChannel(c[0], a), a);
}

// Map columns [first, end) of row r, a batch of footprints at a time.
void fillColumns(const PreciseGeometry &geometry, const FilteredSource &source, int r, int first,
                 int end, QRgb *out)
{
    PreciseProjection::FootprintBatch batch;
    for (int c0 = first; c0 < end; c0 += batch.capacity) {
        const int count = std::min(end - c0, int(batch.capacity));
        const double *along[3] = {&geometry.along[0][c0], &geometry.along[1][c0],
                                  &geometry.along[2][c0]};
        const double *across[3] = {&geometry.across[0][c0], &geometry.across[1][c0],
                                   &geometry.across[2][c0]};
        geometry.projection.footprintsOfRow(geometry.cosLatitude[r], geometry.sinLatitude[r], along,
                                            across, count, batch);
        for (int k = 0; k < count; ++k) {
            const double coverage = std::min(1.0, batch.capMargin[k] + 0.5);
            if (!(coverage > 0.0))
                continue;
            SourceFootprint f;
            f.x = batch.x[k];
            f.y = batch.y[k];
            f.xPerColumn = batch.xPerColumn[k];
            f.yPerColumn = batch.yPerColumn[k];
            f.xPerRow = batch.xPerRow[k];
            f.yPerRow = batch.yPerRow[k];
            out[c0 + k] = mapPixel(source.sample(f), coverage);
        }
    }
}

void fillRows(const PreciseGeometry &geometry, const FilteredSource &source, QImage &map,
              int firstRow, int endRow)
{
    const int width = map.width();
    for (int r = firstRow; r < endRow; ++r) {
        auto *out = reinterpret_cast<QRgb *>(map.scanLine(r));
        std::memset(out, 0, sizeof(QRgb) * width);
        // The span's columns, taken modulo the width: up to the right edge, then from the left.
        const PreciseGeometry::Span span = geometry.spans[r];
        const int end = span.first + span.count;
        fillColumns(geometry, source, r, span.first, std::min(end, width), out);
        if (end > width)
            fillColumns(geometry, source, r, 0, end - width, out);
    }
}

} // namespace

PreciseConverter::PreciseConverter() = default;
PreciseConverter::~PreciseConverter() = default;

void PreciseConverter::releaseCache()
{
    geometry.reset();
    filtered.reset();
}

double PreciseConverter::convert(const QImage &source, const ConversionParameters &params,
                                 QImage &map, RowScheduler &scheduler)
{
    QElapsedTimer clock;
    clock.start();
    if (!geometry || geometry->params != params || geometry->sourceSize != source.size()) {
        geometry.reset();
        geometry = std::make_shared<PreciseGeometry>(params, source.size(), scheduler);
    }
    const double geometryMilliseconds = clock.nsecsElapsed() / 1e6;

    if (!filtered || filtered->pictureKey() != source.cacheKey() ||
        filtered->deepestLevel() < geometry->deepestLevel) {
        filtered.reset();
        const bool readable = source.format() == QImage::Format_ARGB32_Premultiplied ||
                              source.format() == QImage::Format_RGB32;
        QImage pixels =
            readable ? source : source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (pixels.bytesPerLine() != pixels.width() * 4)
            pixels = pixels.copy();
        if (pixels.isNull())
            throw std::bad_alloc();
        filtered = std::make_shared<FilteredSource>(pixels, source.cacheKey(),
                                                    geometry->deepestLevel, scheduler);
    }
    scheduler.run(map.height(), [&](int firstRow, int endRow) {
        fillRows(*geometry, *filtered, map, firstRow, endRow);
    });
    return geometryMilliseconds;
}
