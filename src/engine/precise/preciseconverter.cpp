#include "engine/precise/preciseconverter.h"

#include "engine/basics/picturedepth.h"
#include "engine/basics/rowscheduler.h"
#include "engine/precise/filteredsource.h"
#include "engine/precise/mapvisibility.h"
#include "engine/precise/precisegeometry.h"

#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

using taps::Bytes16;
using taps::Colour;
using taps::Int4;
using taps::Short8;
using taps::UInt4;

// Channels of either vector where the mask is set or clear.
Colour select(Int4 mask, Colour set, Colour clear)
{
    return Colour((Int4(set) & mask) | (Int4(clear) & ~mask));
}

// The map pixel of a filtered colour scaled by the cap coverage: each channel rounded, NaN and
// negative values taken as 0, alpha at most 255 and the colours at most alpha.
QRgb mapPixel(Colour colour, double coverage, QRgb)
{
    const Colour zero = {};
    const Colour top = {255.0f, 255.0f, 255.0f, 255.0f};
    Colour c = colour * float(coverage);
    c = select(c > zero, c, zero) + 0.5f;
    const Int4 rounded = __builtin_convertvector(select(c < top, c, top), Int4);
    const Int4 limit =
        __builtin_shufflevector(rounded, Int4{255, 255, 255, 255}, FilteredSource::alphaLane,
                                FilteredSource::alphaLane, FilteredSource::alphaLane, 4);
    const Int4 over = rounded > limit;
    const Int4 channels = (rounded & ~over) | (limit & over);
    // The lanes hold the bytes of a QRgb in memory order; keep the low byte of each.
    const Short8 halves =
        __builtin_shufflevector(Short8(channels), Short8{}, 0, 2, 4, 6, 8, 10, 12, 14);
    const Bytes16 bytes = __builtin_shufflevector(Bytes16(halves), Bytes16{}, 0, 2, 4, 6, 8, 10, 12,
                                                  14, 16, 18, 20, 22, 24, 26, 28, 30);
    return UInt4(bytes)[0];
}

// The same at 16 bits per channel: the colour, limited to 0..255 as above, times 257 and
// rounded, so that 8-bit values come out as their exact 16-bit equals; the words in the order
// red, green, blue, alpha of a 64-bit map pixel.
taps::Pixel64 mapPixel(Colour colour, double coverage, taps::Pixel64)
{
    using Words4 = std::uint16_t __attribute__((vector_size(8)));
    const Colour zero = {};
    const Colour top = {255.0f, 255.0f, 255.0f, 255.0f};
    Colour c = colour * float(coverage);
    c = select(c > zero, c, zero);
    c = select(c < top, c, top) * 257.0f + 0.5f;
    const Int4 rounded = __builtin_convertvector(c, Int4);
    const Int4 limit = __builtin_shufflevector(rounded, Int4{65535, 65535, 65535, 65535},
                                               FilteredSource::alphaLane, FilteredSource::alphaLane,
                                               FilteredSource::alphaLane, 4);
    const Int4 over = rounded > limit;
    const Int4 channels = (rounded & ~over) | (limit & over);
    const Words4 words =
        __builtin_convertvector(__builtin_shufflevector(channels, channels, 2, 1, 0, 3), Words4);
    taps::Pixel64 pixel;
    std::memcpy(&pixel, &words, sizeof pixel);
    return pixel;
}

// Map columns [first, end) of row r, a batch of footprints at a time; returns how many of them
// show something (are not transparent black).
template <typename Source, typename MapPixel>
int fillColumns(const PreciseGeometry &geometry, const Source &source,
                const FilteredSource::Disk &disk, int r, int first, int end, MapPixel *out)
{
    PreciseProjection::FootprintBatch batch;
    int shown = 0;
    for (int c0 = first; c0 < end; c0 += batch.capacity) {
        const int count = std::min(end - c0, int(batch.capacity));
        const double *along[3] = {&geometry.along[0][c0], &geometry.along[1][c0],
                                  &geometry.along[2][c0]};
        const double *across[3] = {&geometry.across[0][c0], &geometry.across[1][c0],
                                   &geometry.across[2][c0]};
        geometry.projection.footprintsOfRow(geometry.cosLatitude[r], geometry.sinLatitude[r], along,
                                            across, count, batch);
        for (int k = 0; k < count; ++k) {
            const double coverage = visibility::capCoverage(batch.capMargin[k]);
            if (!(coverage > 0.0))
                continue;
            const MapPixel pixel =
                mapPixel(source.sample(batch.footprint(k), disk), coverage, MapPixel{});
            out[c0 + k] = pixel;
            shown += pixel != 0;
        }
    }
    return shown;
}

// Fills the rows; returns how many of their pixels show something of the picture. The map's
// pixels have the source's depth: QRgb or taps::Pixel64.
template <typename Pixel>
qint64 fillRows(const PreciseGeometry &geometry, const FilteredSourceOf<Pixel> &source,
                const FilteredSource::Disk &disk, QImage &map, int firstRow, int endRow)
{
    const int width = map.width();
    qint64 covered = 0;
    for (int r = firstRow; r < endRow; ++r) {
        auto *out = reinterpret_cast<Pixel *>(map.scanLine(r));
        std::memset(out, 0, sizeof(Pixel) * width);
        // The span's columns, taken modulo the width: up to the right edge, then from the left.
        const PreciseGeometry::Span span = geometry.spans[r];
        const int end = span.first + span.count;
        // Footprints outside the picture come out transparent black, as does the rest.
        covered += fillColumns(geometry, source, disk, r, span.first, std::min(end, width), out);
        if (end > width)
            covered += fillColumns(geometry, source, disk, r, 0, end - width, out);
    }
    return covered;
}

// The filtered picture of a source at its own depth, made anew unless the kept one is of the
// same picture with levels enough.
template <typename Pixel>
void keepFiltered(std::shared_ptr<const FilteredSourceOf<Pixel>> &filtered, const QImage &source,
                  QImage::Format opaque, QImage::Format premultiplied, int deepestLevel,
                  RowScheduler &scheduler)
{
    if (filtered && filtered->pictureKey() == source.cacheKey() &&
        filtered->deepestLevel() >= deepestLevel)
        return;
    filtered.reset();
    const bool readable = source.format() == premultiplied || source.format() == opaque;
    QImage pixels = readable ? source : source.convertToFormat(premultiplied);
    if (pixels.bytesPerLine() != qsizetype(pixels.width()) * qsizetype(sizeof(Pixel)))
        pixels = pixels.copy();
    if (pixels.isNull())
        throw std::bad_alloc();
    filtered = std::make_shared<FilteredSourceOf<Pixel>>(pixels, source.cacheKey(), deepestLevel,
                                                         scheduler);
}

// The map of one filtered picture.
template <typename Pixel>
qint64 fillMap(const PreciseGeometry &geometry, const FilteredSourceOf<Pixel> &source,
               const ConversionParameters &params, QImage &map, RowScheduler &scheduler)
{
    const FilteredSource::Disk disk =
        source.diskOf(params.exactCenterX(), params.exactCenterY(), params.exactRadius());
    std::atomic<qint64> covered{0};
    scheduler.run(map.height(), [&](int firstRow, int endRow) {
        covered += fillRows(geometry, source, disk, map, firstRow, endRow);
    });
    return covered;
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

    // One filtered picture is kept, at the depth of the last source.
    if (hasSixteenBits(source)) {
        filtered.reset();
        keepFiltered(filtered16, source, QImage::Format_RGBX64, QImage::Format_RGBA64_Premultiplied,
                     geometry->deepestLevel, scheduler);
        coveredPixels = fillMap(*geometry, *filtered16, params, map, scheduler);
    } else {
        filtered16.reset();
        keepFiltered(filtered, source, QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied,
                     geometry->deepestLevel, scheduler);
        coveredPixels = fillMap(*geometry, *filtered, params, map, scheduler);
    }
    return geometryMilliseconds;
}
