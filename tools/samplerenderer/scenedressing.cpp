#include "scenedressing.h"

#include "gradientnoise.h"

#include <QBuffer>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// A portable uniform value in [0, 1) and standard normal value from the generator, so that the
// pictures are the same with every standard library.
double uniform(std::mt19937 &random)
{
    return random() / 4294967296.0;
}

double gaussian(std::mt19937 &random)
{
    const double u = std::max(uniform(random), 1e-12);
    return std::sqrt(-2.0 * std::log(u)) * std::cos(2 * piValue * uniform(random));
}

int clampChannel(double value)
{
    return int(std::clamp(std::lround(value), 0L, 255L));
}

void addColour(QRgb &pixel, double amount, QRgb colour)
{
    pixel = qRgb(clampChannel(qRed(pixel) + amount * qRed(colour) / 255.0),
                 clampChannel(qGreen(pixel) + amount * qGreen(colour) / 255.0),
                 clampChannel(qBlue(pixel) + amount * qBlue(colour) / 255.0));
}

QRgb &pixelAt(QImage &picture, int x, int y)
{
    return reinterpret_cast<QRgb *>(picture.scanLine(y))[x];
}

void addHalo(QImage &picture, const CameraSetup &setup, const Dressing &dressing)
{
    const double width = dressing.haloWidth * setup.radius;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const double beyond = std::hypot(x - setup.centerX, y - setup.centerY) - setup.radius;
            // The pixel straddling the limb gets the part of the glow its outer part shows.
            const double cover = std::clamp(beyond + 0.5, 0.0, 1.0);
            if (cover > 0.0 && beyond < 12 * width)
                addColour(pixelAt(picture, x, y),
                          cover * dressing.haloStrength * std::exp(-std::max(beyond, 0.0) / width),
                          dressing.haloColour);
        }
}

void addStars(QImage &picture, const CameraSetup &setup, const Dressing &dressing,
              std::mt19937 &random)
{
    for (int s = 0; s < dressing.stars; ++s) {
        const double x = uniform(random) * picture.width();
        const double y = uniform(random) * picture.height();
        const double brightness = 60 + 195 * uniform(random);
        const double spread = 0.5 + uniform(random);
        if (std::hypot(x - setup.centerX, y - setup.centerY) < setup.radius + 3 * spread + 1)
            continue;
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const int px = int(x) + dx;
                const int py = int(y) + dy;
                if (px < 0 || py < 0 || px >= picture.width() || py >= picture.height())
                    continue;
                const double d2 = (px - x) * (px - x) + (py - y) * (py - y);
                addColour(pixelAt(picture, px, py),
                          brightness * std::exp(-d2 / (2 * spread * spread)), qRgb(255, 250, 235));
            }
    }
}

void addNoise(QImage &picture, double level, std::mt19937 &random)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            QRgb &p = pixelAt(picture, x, y);
            p = qRgb(clampChannel(qRed(p) + level * gaussian(random)),
                     clampChannel(qGreen(p) + level * gaussian(random)),
                     clampChannel(qBlue(p) + level * gaussian(random)));
        }
}

QImage jpegRoundTrip(const QImage &picture, int quality)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "JPG", quality))
        return picture;
    QImage decoded;
    decoded.loadFromData(buffer.data(), "JPG");
    return decoded.isNull() ? picture : decoded.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

SurfaceColour litSurface(const SurfaceColour &surface, const GlobeCamera &camera,
                         const Lighting &lighting)
{
    const CameraSetup &setup = camera.setup();
    const LocalFrame frame = localFrameAt(setup.view);
    const double phase = degreesToRadians(lighting.phaseAngle);
    const double position = degreesToRadians(lighting.positionAngle);
    const Vec3 sun =
        std::cos(phase) * frame.up +
        std::sin(phase) * (std::sin(position) * frame.east + std::cos(position) * frame.north);
    const Vec3 eye = setup.distance * frame.up;
    return [=](const GeoPoint &point) {
        const Vec3 normal = unitVector(point);
        const double mu = std::max(0.0, dot(normal, normalized(eye - normal)));
        const double limb = 1.0 - lighting.limbDarkening * (1.0 - mu);
        const double height = std::clamp(dot(normal, sun) / lighting.twilight, -1.0, 1.0);
        const double day = 0.5 + 0.5 * height;
        const double light = limb * (lighting.nightLevel + (1.0 - lighting.nightLevel) * day);
        const QRgb c = surface(point);
        return qRgb(clampChannel(qRed(c) * light), clampChannel(qGreen(c) * light),
                    clampChannel(qBlue(c) * light));
    };
}

void dressPicture(QImage &picture, const CameraSetup &setup, const Dressing &dressing)
{
    std::mt19937 random(dressing.seed);
    if (dressing.haloStrength > 0.0)
        addHalo(picture, setup, dressing);
    addStars(picture, setup, dressing, random);
    if (dressing.noise > 0.0)
        addNoise(picture, dressing.noise, random);
    if (dressing.jpegQuality > 0)
        picture = jpegRoundTrip(picture, dressing.jpegQuality);
}

QImage landscapePicture(int width, int height, std::uint32_t seed)
{
    QImage picture(width, height, QImage::Format_ARGB32);
    const GradientNoise noise(seed);
    for (int x = 0; x < width; ++x) {
        const double u = double(x) / width;
        const double ridge = 0.55 + 0.2 * noise.fractal({3 * u, 0.5, 0.25}, 5);
        const double hills = 0.75 + 0.1 * noise.fractal({9 * u, 2.5, 1.25}, 4);
        for (int y = 0; y < height; ++y) {
            const double v = double(y) / height;
            const double texture = 20 * noise.fractal({40 * u, 40 * v, 7.5}, 3);
            QRgb colour;
            if (v > hills)
                colour = qRgb(clampChannel(70 + texture), clampChannel(110 + texture),
                              clampChannel(50 + texture));
            else if (v > ridge)
                colour = qRgb(clampChannel(95 + texture), clampChannel(100 + texture),
                              clampChannel(120 + texture));
            else
                colour = qRgb(clampChannel(120 + 80 * v), clampChannel(160 + 60 * v), 235);
            pixelAt(picture, x, y) = colour;
        }
    }
    return picture;
}

QImage noisePicture(int width, int height, double level, std::uint32_t seed)
{
    QImage picture(width, height, QImage::Format_ARGB32);
    picture.fill(qRgb(128, 128, 128));
    std::mt19937 random(seed);
    addNoise(picture, level, random);
    return picture;
}
