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

QRgb mapPixel(const FilteredSource::Colour &c, double coverage)
{
    const float k = float(coverage);
    const int a = toChannel(c.a * k, 255);
    return qRgba(toChannel(c.r * k, a), toChannel(c.g * k, a), toChannel(c.b * k, a), a);
}

void fillRows(const PreciseGeometry &geometry, const FilteredSource &source, QImage &map,
              int firstRow, int endRow)
{
    const int width = map.width();
    for (int r = firstRow; r < endRow; ++r) {
        auto *out = reinterpret_cast<QRgb *>(map.scanLine(r));
        std::memset(out, 0, sizeof(QRgb) * width);
        const PreciseGeometry::Span span = geometry.spans[r];
        for (int k = 0; k < span.count; ++k) {
            const int c = span.first + k < width ? span.first + k : span.first + k - width;
            const SourceFootprint f =
                geometry.projection.footprintOf(geometry.cosLatitude[r], geometry.sinLatitude[r],
                                                geometry.cosLongitude[c], geometry.sinLongitude[c]);
            const double coverage = std::min(1.0, f.capMargin + 0.5);
            if (!(coverage > 0.0))
                continue;
            out[c] = mapPixel(source.sample(f), coverage);
        }
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
