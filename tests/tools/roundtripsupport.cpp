#include "roundtripsupport.h"

#include <algorithm>
#include <cmath>

QRgb orientationColour(const GeoPoint &point)
{
    const Vec3 p = unitVector(point);
    auto level = [](double coordinate) {
        return static_cast<int>(std::lround(127.5 * (1.0 + coordinate)));
    };
    return qRgb(level(p.x), level(p.y), level(p.z));
}

bool closeTo(QRgb colour, QRgb expected, int tolerance)
{
    return std::abs(qRed(colour) - qRed(expected)) <= tolerance &&
           std::abs(qGreen(colour) - qGreen(expected)) <= tolerance &&
           std::abs(qBlue(colour) - qBlue(expected)) <= tolerance;
}

QString describe(const GeoPoint &point)
{
    return QStringLiteral("(%1, %2)")
        .arg(point.latitude, 0, 'f', 2)
        .arg(point.longitude, 0, 'f', 2);
}

QString describeColour(QRgb colour)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(qRed(colour))
        .arg(qGreen(colour))
        .arg(qBlue(colour))
        .arg(qAlpha(colour));
}

Trip convertRendered(const CameraSetup &camera, const SurfaceColour &surface,
                     const GeoPoint &landing, double convertAzimuth, int mapWidth, int mapHeight)
{
    Trip trip;
    trip.camera = camera;
    trip.picture = renderGlobe(GlobeCamera(camera), surface);
    trip.params.centerX = camera.centerX;
    trip.params.centerY = camera.centerY;
    trip.params.radius = camera.radius;
    trip.params.distance = camera.distance;
    trip.params.outputWidth = mapWidth;
    trip.params.outputHeight = mapHeight;
    trip.params.latitude = landing.latitude;
    trip.params.longitude = landing.longitude;
    trip.params.azimuth = convertAzimuth;
    MapConverter converter;
    const ConversionResult result = converter.convert(trip.picture, trip.params);
    if (result.ok())
        trip.map = result.map.convertToFormat(QImage::Format_ARGB32);
    return trip;
}

CameraSetup cameraSetup(int width, int height, int centerX, int centerY, int radius,
                        double distance, const GeoPoint &view, double azimuth)
{
    CameraSetup setup;
    setup.width = width;
    setup.height = height;
    setup.centerX = centerX;
    setup.centerY = centerY;
    setup.radius = radius;
    setup.distance = distance;
    setup.view = view;
    setup.azimuth = azimuth;
    return setup;
}

ColourRange colourNeighbourhood(const GlobeCamera &globeCamera, const SurfaceColour &surface,
                                const Vec3 &surfacePoint, double picturePixels, double mapDegrees)
{
    ColourRange range;
    range.include(surface(geoPointOf(surfacePoint)));
    if (const std::optional<QPointF> seen = globeCamera.picturePointOf(surfacePoint)) {
        const int reach = static_cast<int>(std::ceil(picturePixels));
        for (int dy = -reach; dy <= reach; ++dy) {
            for (int dx = -reach; dx <= reach; ++dx) {
                if (std::hypot(dx, dy) > picturePixels)
                    continue;
                if (const std::optional<Vec3> hit =
                        globeCamera.globePointAt(seen->x() + dx, seen->y() + dy))
                    range.include(surface(geoPointOf(*hit)));
            }
        }
    }
    const LocalFrame frame = localFrameAt(geoPointOf(surfacePoint));
    const double step = degreesToRadians(mapDegrees) / 2;
    for (int a = -2; a <= 2; ++a) {
        for (int b = -2; b <= 2; ++b)
            range.include(
                surface(geoPointOf(frame.up + (a * step) * frame.east + (b * step) * frame.north)));
    }
    return range;
}
