#include "engine/standard/mapconverter.h"

#include "engine/basics/diagnostics.h"
#include "engine/basics/largebuffer.h"
#include "engine/basics/picturedepth.h"
#include "engine/basics/rowscheduler.h"
#include "engine/precise/preciseconverter.h"
#include "engine/standard/mapgeometry.h"
#include "engine/standard/mapprojector.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cmath>
#include <cstring>
#include <new>

namespace {

void processPendingEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

int defaultThreadCount()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : int(std::min(cores, 64u));
}

// Formats whose pixels the gather can read directly; others are converted first.
bool isDirectlyReadable(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

// The working maps hold premultiplied pixels; each source pixel is premultiplied once, as it is
// copied, which is what writing its colour into a premultiplied map does.
template <QImage::Format> QRgb mapPixel(QRgb pixel);
template <> QRgb mapPixel<QImage::Format_RGB32>(QRgb pixel)
{
    return pixel | 0xff000000u;
}
template <> QRgb mapPixel<QImage::Format_ARGB32>(QRgb pixel)
{
    return qPremultiply(pixel);
}
template <> QRgb mapPixel<QImage::Format_ARGB32_Premultiplied>(QRgb pixel)
{
    return pixel;
}

// Fills map rows [firstRow, endRow) from the source through the geometry. 32-bit scan lines
// have no padding, so a source index is y * width + x.
template <QImage::Format format>
void gatherRows(const MapGeometry &geometry, const QImage &source, QImage &map, int firstRow,
                int endRow)
{
    const auto *pixels = reinterpret_cast<const QRgb *>(source.constBits());
    const int width = map.width();
    for (int y = firstRow; y < endRow; ++y) {
        auto *out = reinterpret_cast<QRgb *>(map.scanLine(y));
        const MapGeometry::Row &row = geometry.rows[y];
        const std::uint32_t *index = row.sources;
        int column = 0;
        for (const MapGeometry::Run &run : row.runs) {
            std::memset(out + column, 0, sizeof(QRgb) * (run.column - column));
            for (int x = run.column; x < run.column + run.length; ++x, ++index)
                out[x] = mapPixel<format>(pixels[*index]);
            column = run.column + run.length;
        }
        std::memset(out + column, 0, sizeof(QRgb) * (width - column));
    }
}

void gather(const MapGeometry &geometry, const QImage &source, QImage &map, RowScheduler &scheduler)
{
    scheduler.run(map.height(), [&](int firstRow, int endRow) {
        switch (source.format()) {
        case QImage::Format_RGB32:
            gatherRows<QImage::Format_RGB32>(geometry, source, map, firstRow, endRow);
            break;
        case QImage::Format_ARGB32:
            gatherRows<QImage::Format_ARGB32>(geometry, source, map, firstRow, endRow);
            break;
        default:
            gatherRows<QImage::Format_ARGB32_Premultiplied>(geometry, source, map, firstRow,
                                                            endRow);
            break;
        }
    });
}

} // namespace

MapConverter::MapConverter()
    : eventPump(processPendingEvents), threadCount(defaultThreadCount()),
      precise(std::make_unique<PreciseConverter>())
{
}

MapConverter::~MapConverter() = default;

void MapConverter::setEventPump(std::function<void()> pump)
{
    eventPump = pump ? std::move(pump) : std::function<void()>([] {});
}

void MapConverter::setThreadCount(int threads)
{
    threadCount = std::max(1, threads);
}

void MapConverter::releaseCache()
{
    cachedGeometry.reset();
    precise->releaseCache();
    keptMaps.clear();
}

void MapConverter::setKeptMapCount(int count)
{
    mapsKept = std::max(1, count);
    while (int(keptMaps.size()) > mapsKept)
        keptMaps.erase(keptMaps.begin());
}

QString MapConverter::refusalReason(const ConversionParameters &params, QSize sourceSize)
{
    if (sourceSize.isEmpty())
        return QStringLiteral("the picture is empty");
    if (!MapProjector::distanceIsUsable(params.distance))
        return QStringLiteral("the camera distance must be a number of at least 1 (it is %1)")
            .arg(params.distance);
    if (!std::isfinite(params.latitude) || !std::isfinite(params.longitude) ||
        !std::isfinite(params.azimuth))
        return QStringLiteral("latitude, longitude and azimuth must be finite numbers");
    if (params.mode == ConversionMode::Precise &&
        !(std::isfinite(params.exactCenterX()) && std::isfinite(params.exactCenterY()) &&
          std::isfinite(params.exactRadius())))
        return QStringLiteral("the circle's centre and radius must be finite numbers");
    if (params.outputWidth <= 0 || params.outputHeight <= 0 || params.outputWidth > maxOutputSide ||
        params.outputHeight > maxOutputSide)
        return QStringLiteral("the output size %1 x %2 is not between 1 and %3 pixels a side")
            .arg(params.outputWidth)
            .arg(params.outputHeight)
            .arg(maxOutputSide);
    return QString();
}

QString MapConverter::blankMapReason(const ConversionParameters &params)
{
    return QStringLiteral("nothing of the picture lands in the map: the circle (centre %1, %2, "
                          "radius %3) lies outside the picture, or the camera distance %4 sees "
                          "too little of the globe")
        .arg(params.exactCenterX())
        .arg(params.exactCenterY())
        .arg(params.exactRadius())
        .arg(params.distance);
}

ConversionResult MapConverter::convert(const QImage &source, const ConversionParameters &params)
{
    // A conversion started from an event while this one runs gets its own buffers.
    if (busy) {
        MapConverter nested;
        nested.setEventPump(eventPump);
        nested.setThreadCount(threadCount);
        return nested.convert(source, params);
    }
    busy = true;
    ConversionResult result;
    try {
        result = convertUnguarded(source, params);
    } catch (const std::bad_alloc &) {
        result = ConversionResult();
        result.error = QStringLiteral("not enough memory for a map of %1 x %2 pixels")
                           .arg(params.outputWidth)
                           .arg(params.outputHeight);
        releaseCache();
    }
    busy = false;
    return result;
}

ConversionResult MapConverter::convertUnguarded(const QImage &source,
                                                const ConversionParameters &params)
{
    ConversionResult result;
    if (source.isNull()) {
        result.error = QStringLiteral("no picture is open");
        return result;
    }
    result.error = refusalReason(params, source.size());
    if (!result.error.isEmpty())
        return result;
    result.columnScale = double(params.outputWidth) / source.width();
    result.rowScale = params.outputHeight * 0.5 / source.height();

    RowScheduler scheduler(threadCount, eventPump);
    QElapsedTimer clock;
    if (params.mode == ConversionMode::Precise) {
        clock.start();
        // A picture of 16 bits per channel gives a map of 16 bits per channel.
        QImage map =
            reusableMap(params, hasSixteenBits(source) ? QImage::Format_RGBA64_Premultiplied
                                                       : QImage::Format_ARGB32_Premultiplied);
        result.geometryMilliseconds = precise->convert(source, params, map, scheduler);
        result.gatherMilliseconds = clock.nsecsElapsed() / 1e6 - result.geometryMilliseconds;
        keep(map);
        result.map = map;
        result.coveredPixels = precise->coveredPixels;
        return result;
    }
    clock.start();
    if (!cachedGeometry || cachedGeometry->params != params ||
        cachedGeometry->sourceSize != source.size()) {
        cachedGeometry.reset();
        cachedGeometry = std::make_shared<MapGeometry>(params, source.size(), scheduler);
    }
    result.geometryMilliseconds = clock.nsecsElapsed() / 1e6;
    // The diagnostic line counts the samples that would land below the half-map. The scales
    // are always the map's over the picture's, which keeps every sample in the upper half.
    qCDebug(orvixDiagnostics) << "Convert error " << 0;
    clock.start();

    // The gather reads pixel y * width + x, so scan lines must be packed: pictures made over
    // foreign memory with longer lines are copied first. A picture of 16 bits per channel is
    // rounded to 8 bits first, so its map is that of the same picture read at 8 bits.
    QImage pixels = hasSixteenBits(source) ? toEightBits(source) : source;
    if (!isDirectlyReadable(pixels.format()))
        pixels = pixels.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (pixels.bytesPerLine() != pixels.width() * 4)
        pixels = pixels.copy();
    QImage map = reusableMap(params, QImage::Format_ARGB32_Premultiplied);
    if (pixels.isNull())
        throw std::bad_alloc();
    gather(*cachedGeometry, pixels, map, scheduler);
    result.gatherMilliseconds = clock.nsecsElapsed() / 1e6;
    keep(map);
    result.map = map;
    result.coveredPixels = cachedGeometry->coveredPixels;
    return result;
}

QImage MapConverter::reusableMap(const ConversionParameters &params, QImage::Format format)
{
    // Reuse a kept map's memory when the caller has let go of it: fresh pages of a large map
    // cost more than the gather itself.
    const QSize size(params.outputWidth, params.outputHeight);
    QImage map;
    for (auto kept = keptMaps.begin(); kept != keptMaps.end(); ++kept) {
        if (kept->size() == size && kept->format() == format && kept->isDetached()) {
            map = std::move(*kept);
            keptMaps.erase(kept);
            break;
        }
    }
    if (map.isNull()) {
        // Kept maps that do not fit are let go before the new one is allocated.
        keptMaps.clear();
        map = allocateMapImage(params.outputWidth, params.outputHeight, format);
    }
    if (map.isNull())
        throw std::bad_alloc();
    return map;
}

void MapConverter::keep(const QImage &map)
{
    keptMaps.push_back(map);
    if (int(keptMaps.size()) > mapsKept)
        keptMaps.erase(keptMaps.begin());
}
