#include "finderscenes.h"

#include "engine/basics/numeric.h"
#include "engine/standard/mapconverter.h"
#include "globerenderer.h"
#include "samplesurface.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

using Kind = FinderScene::Kind;

// Lighting presets: the sun beside, behind or before the camera, with the terminator's side
// (position angle) chosen so that the lit limb is partly outside the picture in cropped cases.
Lighting night(double phase, double positionAngle)
{
    Lighting lighting;
    lighting.phaseAngle = phase;
    lighting.positionAngle = positionAngle;
    return lighting;
}

Lighting darkened(double amount)
{
    Lighting lighting;
    lighting.limbDarkening = amount;
    return lighting;
}

Dressing dressing(int stars, double noise, int jpegQuality, double halo = 0.0,
                  double haloWidth = 0.03)
{
    Dressing d;
    d.stars = stars;
    d.noise = noise;
    d.jpegQuality = jpegQuality;
    d.haloStrength = halo;
    d.haloWidth = haloWidth;
    return d;
}

FinderScene globe(const char *name, bool hard, double x, double y, double radius,
                  double distance = 100.0)
{
    FinderScene scene;
    scene.name = QString::fromLatin1(name);
    scene.hard = hard;
    scene.centerX = x;
    scene.centerY = y;
    scene.radius = radius;
    scene.distance = distance;
    return scene;
}

FinderScene with(FinderScene scene, const Lighting &lighting, const Dressing &d)
{
    scene.lighting = lighting;
    scene.dressing = d;
    return scene;
}

FinderScene small(FinderScene scene)
{
    scene.radiusPixels = 50;
    return scene;
}

FinderScene on(FinderScene scene, QRgb backdrop)
{
    scene.backdrop = backdrop;
    return scene;
}

FinderScene noGlobe(const char *name, Kind kind, QRgb colour = qRgb(0, 0, 0))
{
    FinderScene scene;
    scene.name = QString::fromLatin1(name);
    scene.kind = kind;
    scene.backdrop = colour;
    return scene;
}

std::vector<FinderScene> buildScenes()
{
    const Lighting day;
    const Dressing bare;
    const QRgb grey = qRgb(110, 110, 110);
    const QRgb blue = qRgb(40, 70, 140);
    return {
        globe("clean, centred, far", false, 0.5, 0.5, 0.3),
        globe("clean, upper left, distance 3", false, 0.3, 0.35, 0.2, 3.0),
        globe("clean, distance 1.5", false, 0.5, 0.5, 0.34, 1.5),
        globe("clean, lower right, distance 6.6", false, 0.68, 0.62, 0.22, 6.6),
        small(globe("clean, small, centred", false, 0.5, 0.5, 0)),
        small(globe("clean, small, in a corner", false, 0.12, 0.15, 0)),
        globe("clean, large", false, 0.5, 0.5, 0.37, 4.0),
        on(globe("grey backdrop", false, 0.45, 0.5, 0.3), grey),
        on(globe("coloured backdrop", false, 0.55, 0.45, 0.28), blue),
        on(globe("white backdrop", false, 0.5, 0.5, 0.3, 2.0), qRgb(230, 230, 225)),
        with(globe("limb darkening 0.6", false, 0.5, 0.5, 0.3), darkened(0.6), bare),
        with(globe("limb darkening 0.8, distance 2", true, 0.4, 0.55, 0.3, 2.0), darkened(0.8),
             bare),
        with(globe("stars", true, 0.5, 0.5, 0.3), day, dressing(300, 0, 0)),
        with(small(globe("many stars, small", true, 0.7, 0.4, 0)), day, dressing(1500, 0, 0)),
        with(globe("noise 8", true, 0.5, 0.5, 0.3), day, dressing(0, 8, 0)),
        with(globe("noise 20", true, 0.45, 0.55, 0.25, 3.0), day, dressing(0, 20, 0)),
        with(globe("JPEG quality 40", true, 0.5, 0.5, 0.3), day, dressing(0, 0, 40)),
        with(globe("JPEG quality 15", true, 0.55, 0.5, 0.3), day, dressing(0, 0, 15)),
        with(globe("noise and JPEG", true, 0.5, 0.45, 0.3), day, dressing(100, 10, 50)),
        with(globe("halo", true, 0.5, 0.5, 0.3), day, dressing(0, 0, 0, 80, 0.03)),
        with(globe("wide bright halo", true, 0.5, 0.5, 0.28), day, dressing(0, 0, 0, 150, 0.08)),
        with(globe("night side, half lit", true, 0.5, 0.5, 0.3), night(90, 90), bare),
        with(globe("night side, crescent", true, 0.5, 0.5, 0.3), night(140, 60), bare),
        with(globe("night side, gibbous", true, 0.45, 0.5, 0.3, 3.0), night(50, 200), bare),
        with(globe("crescent and stars", true, 0.5, 0.5, 0.3), night(150, 300),
             dressing(400, 0, 0)),
        globe("cropped, right half outside", true, 0.95, 0.5, 0.3),
        globe("cropped, centre outside the corner", true, -0.05, 1.08, 0.45, 3.0),
        globe("cropped at the top", true, 0.5, 0.05, 0.3),
        with(globe("night side, cropped, stars", true, 0.9, 0.55, 0.32), night(100, 270),
             dressing(400, 0, 0)),
        with(globe("night side, cropped, stars, JPEG", true, 0.15, 0.45, 0.3, 2.5), night(110, 90),
             dressing(400, 4, 60)),
        with(
            globe("halo, limb darkening, night side", true, 0.5, 0.5, 0.3),
            [] {
                Lighting l = night(80, 45);
                l.limbDarkening = 0.6;
                return l;
            }(),
            dressing(0, 0, 0, 90, 0.04)),
        on(with(globe("grey backdrop, night side", true, 0.5, 0.5, 0.3), night(100, 120), bare),
           grey),
        on(with(globe("coloured backdrop, stars, noise", true, 0.5, 0.5, 0.3), day,
                dressing(200, 8, 0)),
           qRgb(110, 50, 70)),
        with(small(globe("small, noise, JPEG", true, 0.3, 0.6, 0)), day, dressing(0, 6, 50)),
        with(small(globe("small, night side, stars", true, 0.6, 0.3, 0)), night(90, 0),
             dressing(300, 0, 0)),
        with(globe("large, halo, limb darkening", true, 0.5, 0.5, 0.37, 2.0), darkened(0.5),
             dressing(0, 0, 0, 70, 0.03)),
        globe("large, cropped", true, 0.75, 0.8, 0.55, 1.6),
        with(globe("close camera, distance 1.2", true, 0.5, 0.5, 0.33, 1.2), darkened(0.3), bare),
        with(globe("night side and halo, distance 2", true, 0.5, 0.5, 0.3, 2.0), night(120, 30),
             dressing(0, 0, 0, 60, 0.03)),
        with(
            globe("everything at once", true, 0.85, 0.4, 0.35, 2.5),
            [] {
                Lighting l = night(120, 250);
                l.limbDarkening = 0.5;
                return l;
            }(),
            dressing(500, 6, 60, 60, 0.03)),
        noGlobe("no globe: landscape", Kind::Landscape),
        noGlobe("no globe: another landscape", Kind::Landscape),
        noGlobe("no globe: noise", Kind::Noise),
        noGlobe("no globe: plain black", Kind::Plain),
        noGlobe("no globe: plain grey", Kind::Plain, grey),
        noGlobe("no globe: stars only", Kind::Starfield),
    };
}

} // namespace

const std::vector<FinderScene> &finderScenes()
{
    static const std::vector<FinderScene> scenes = buildScenes();
    return scenes;
}

const FinderScene &finderScene(const QString &name)
{
    const std::vector<FinderScene> &scenes = finderScenes();
    const auto named = std::find_if(scenes.begin(), scenes.end(),
                                    [&](const FinderScene &s) { return s.name == name; });
    if (named == scenes.end())
        qFatal("no finder scene is named %s", qPrintable(name));
    return *named;
}

FinderScene reseeded(FinderScene scene, int n)
{
    // A prime step keeps the draws of neighbouring scenes and seeds apart.
    scene.dressing.seed += std::uint32_t(n) * 7919u;
    return scene;
}

RenderedScene renderFinderScene(const FinderScene &scene, int width, int height)
{
    RenderedScene rendered;
    CameraSetup &setup = rendered.setup;
    setup.width = width;
    setup.height = height;
    setup.centerX = int(std::lround(scene.centerX * width));
    setup.centerY = int(std::lround(scene.centerY * height));
    setup.radius =
        scene.radiusPixels > 0 ? scene.radiusPixels : int(std::lround(scene.radius * width));
    setup.distance = scene.distance;
    setup.view = {25.0, 40.0};
    const std::uint32_t seed = scene.dressing.seed + std::uint32_t(qHash(scene.name));
    switch (scene.kind) {
    case Kind::Landscape:
        rendered.picture = landscapePicture(width, height, seed);
        return rendered;
    case Kind::Noise:
        rendered.picture = noisePicture(width, height, 30.0, seed);
        return rendered;
    case Kind::Plain:
        rendered.picture = QImage(width, height, QImage::Format_ARGB32);
        rendered.picture.fill(scene.backdrop);
        return rendered;
    case Kind::Starfield: {
        rendered.picture = QImage(width, height, QImage::Format_ARGB32);
        rendered.picture.fill(scene.backdrop);
        CameraSetup away = setup;
        away.centerX = -10 * width;
        Dressing stars;
        stars.stars = 800;
        stars.seed = seed;
        dressPicture(rendered.picture, away, stars);
        return rendered;
    }
    case Kind::Globe:
        break;
    }
    static const SampleSurface surface;
    const GlobeCamera camera(setup);
    RenderOptions options;
    options.samplesPerAxis = 2;
    options.background = scene.backdrop;
    const SurfaceColour colour = [](const GeoPoint &p) { return surface.colourAt(p); };
    rendered.picture = renderGlobe(camera, litSurface(colour, camera, scene.lighting), options);
    Dressing d = scene.dressing;
    d.seed = seed;
    dressPicture(rendered.picture, setup, d);
    return rendered;
}

double mapDifferencePercent(const QImage &picture, const CameraSetup &truth, double centerX,
                            double centerY, double radius)
{
    ConversionParameters params;
    params.centerX = truth.centerX;
    params.centerY = truth.centerY;
    params.radius = truth.radius;
    params.distance = truth.distance;
    params.outputWidth = 1024;
    params.outputHeight = 512;
    MapConverter converter;
    const QImage trueMap = converter.convert(picture, params).map;
    params.centerX = numeric::truncateToInt32(std::round(centerX));
    params.centerY = numeric::truncateToInt32(std::round(centerY));
    params.radius = numeric::truncateToInt32(std::round(radius));
    const QImage foundMap = converter.convert(picture, params).map;
    if (trueMap.isNull() || foundMap.isNull() || trueMap.size() != foundMap.size())
        return 100.0;
    double sum = 0.0;
    long long count = 0;
    for (int y = 0; y < trueMap.height(); ++y)
        for (int x = 0; x < trueMap.width(); ++x) {
            const QRgb a = trueMap.pixel(x, y);
            if ((a & 0xFFFFFF) == 0)
                continue;
            const QRgb b = foundMap.pixel(x, y);
            sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                   std::abs(qBlue(a) - qBlue(b));
            count += 3;
        }
    return count > 0 ? 100.0 * sum / (255.0 * double(count)) : 0.0;
}
