#include "samplesurface.h"

#include <algorithm>
#include <cmath>

namespace {

// Size of the continents: the noise is sampled on a sphere of this radius.
constexpr double continentScale = 1.7;
constexpr int continentOctaves = 6;
// Noise values above this are land; chosen so that about a third of the surface is land.
constexpr double seaLevel = 0.06;
// Latitude beyond which ice covers everything, wobbled by the noise.
constexpr double iceLatitude = 72.0;
constexpr double iceWobble = 9.0;
// The marker's dark rim, degrees beyond its radius.
constexpr double markerRim = 0.6;

QRgb mix(QRgb a, QRgb b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    auto channel = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return qRgb(channel(qRed(a), qRed(b)), channel(qGreen(a), qGreen(b)),
                channel(qBlue(a), qBlue(b)));
}

// Distance from the nearest graticule line, degrees of arc.
double graticuleDistance(const GeoPoint &point)
{
    auto offset = [](double angle) {
        const double rest = std::fmod(std::fabs(angle), SampleSurface::graticuleSpacing);
        return std::min(rest, SampleSurface::graticuleSpacing - rest);
    };
    const double alongParallel =
        offset(point.longitude) * std::cos(degreesToRadians(point.latitude));
    return std::min(offset(point.latitude), alongParallel);
}

} // namespace

SampleSurface::SampleSurface(std::uint32_t seed) : noise(seed)
{
}

const std::vector<SurfaceMarker> &SampleSurface::markers()
{
    static const std::vector<SurfaceMarker> list = {
        {"red", {0.0, 0.0}, qRgb(255, 0, 0)},
        {"green", {45.0, 30.0}, qRgb(0, 255, 0)},
        {"blue", {-30.0, -60.0}, qRgb(0, 0, 255)},
        {"yellow", {80.0, 0.0}, qRgb(255, 255, 0)},
    };
    return list;
}

double SampleSurface::elevation(const GeoPoint &point) const
{
    return heightAt(unitVector(point));
}

double SampleSurface::heightAt(const Vec3 &direction) const
{
    return noise.fractal(continentScale * direction, continentOctaves) - seaLevel;
}

QRgb SampleSurface::groundColour(const GeoPoint &point, const Vec3 &direction) const
{
    const double height = heightAt(direction);
    // A second, finer field varies the shades so that plains and seas are not flat.
    const double texture = noise.fractal(9.0 * direction, 3);
    const double absLatitude = std::fabs(point.latitude);
    if (absLatitude + iceWobble * texture > iceLatitude)
        return mix(qRgb(228, 236, 244), qRgb(250, 252, 255), 0.5 + texture);
    if (height <= 0.0) {
        const double depth = std::min(1.0, -height / 0.25);
        return mix(qRgb(46, 118, 178), qRgb(12, 38, 104), depth + 0.15 * texture);
    }
    const double relief = std::min(1.0, height / 0.3);
    // Dry belts near 25 degrees, greener near the equator and in middle latitudes.
    const double dryness = std::exp(-std::pow((absLatitude - 24.0) / 12.0, 2.0));
    const QRgb lowland = mix(qRgb(58, 128, 54), qRgb(196, 170, 104), dryness + 0.3 * texture);
    const QRgb highland = mix(lowland, qRgb(128, 104, 78), relief * 1.4);
    return absLatitude > 55.0 ? mix(highland, qRgb(150, 150, 120), (absLatitude - 55.0) / 20.0)
                              : highland;
}

QRgb SampleSurface::colourAt(const GeoPoint &point) const
{
    const Vec3 direction = unitVector(point);
    for (const SurfaceMarker &marker : markers()) {
        const double distance = angleBetween(direction, unitVector(marker.position));
        if (distance <= markerRadius)
            return marker.colour;
        if (distance <= markerRadius + markerRim)
            return qRgb(20, 20, 20);
    }
    const QRgb ground = groundColour(point, direction);
    if (graticuleDistance(point) <= graticuleHalfWidth)
        return mix(ground, qRgb(255, 255, 255), 0.55);
    return ground;
}
