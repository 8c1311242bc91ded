#include "mapconverter.h"

#include "mapprojector.h"
#include "numeric.h"

#include <QCoreApplication>
#include <QDebug>

struct MapConverter::Geometry
{
};

MapConverter::MapConverter() : threadCount(1) {}
MapConverter::~MapConverter() = default;

void MapConverter::setEventPump(std::function<void()> pump)
{
    eventPump = std::move(pump);
}

void MapConverter::setThreadCount(int threads)
{
    threadCount = threads;
}

void MapConverter::releaseCache()
{
    cachedGeometry.reset();
}

QString MapConverter::refusalReason(const ConversionParameters &params, QSize sourceSize)
{
    if (sourceSize.isEmpty())
        return QStringLiteral("the picture is empty");
    if (!(std::isfinite(params.distance) && params.distance >= 1))
        return QStringLiteral("the camera distance must be a number of at least 1");
    if (!std::isfinite(params.latitude) || !std::isfinite(params.longitude) ||
        !std::isfinite(params.azimuth))
        return QStringLiteral("latitude, longitude and azimuth must be numbers");
    if (params.outputWidth <= 0 || params.outputHeight <= 0 ||
        params.outputWidth > maxOutputSide || params.outputHeight > maxOutputSide)
        return QStringLiteral("the output size must be between 1 and %1 pixels on each side")
            .arg(maxOutputSide);
    return QString();
}

std::shared_ptr<const MapConverter::Geometry>
MapConverter::geometryFor(const ConversionParameters &, QSize)
{
    return nullptr;
}

ConversionResult MapConverter::convert(const QImage &source, const ConversionParameters &params)
{
    ConversionResult result;
    if (source.isNull()) {
        result.error = QStringLiteral("no picture is open");
        return result;
    }
    result.error = refusalReason(params, source.size());
    if (!result.error.isEmpty())
        return result;
    const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
    QImage map(params.outputWidth, params.outputHeight, QImage::Format_ARGB32_Premultiplied);
    QImage turned(params.outputWidth, params.outputHeight, QImage::Format_ARGB32_Premultiplied);
    if (map.isNull() || turned.isNull()) {
        result.error = QStringLiteral("not enough memory for a map of %1 x %2 pixels")
                           .arg(params.outputWidth)
                           .arg(params.outputHeight);
        return result;
    }
    map.fill(Qt::transparent);
    result.columnScale = double(params.outputWidth) / source.width();
    result.rowScale = params.outputHeight * 0.5 / source.height();
    MapProjector projector;
    projector.setCenter(params.centerX, params.centerY);
    projector.setRadius(params.radius);
    projector.setDistance(params.distance);
    projector.setScale(result.columnScale, result.rowScale);
    projector.projectDisk(argb, map);
    if (params.azimuth != 0) {
        turned.fill(Qt::transparent);
        projector.shiftLongitude(-params.azimuth, map, turned);
        std::swap(map, turned);
    }
    if (90 - params.latitude != 0) {
        turned.fill(Qt::transparent);
        projector.rotateGlobe(3, numeric::truncateToInt32(90 - params.latitude), map, turned);
        std::swap(map, turned);
    }
    if (params.longitude + 90 != 0) {
        turned.fill(Qt::transparent);
        projector.shiftLongitude(params.longitude + 90, map, turned);
        std::swap(map, turned);
    }
    result.map = map;
    return result;
}
