#include "gradientnoise.h"

#include <cmath>
#include <numeric>
#include <random>

namespace {

double fade(double t)
{
    return t * t * t * (t * (t * 6.0 - 15.0) + 10.0);
}

double lerp(double a, double b, double t)
{
    return a + (b - a) * t;
}

// Lattice index wrapped into the permutation table, also for negative coordinates.
int wrapIndex(int i)
{
    return i & 255;
}

} // namespace

GradientNoise::GradientNoise(std::uint32_t seed)
{
    // A fixed engine and explicit arithmetic keep the pattern identical on every platform
    // (the standard distributions are not specified bit for bit).
    std::mt19937 engine(seed);
    std::iota(permutation.begin(), permutation.end(), 0);
    for (int i = tableSize - 1; i > 0; --i) {
        const int j = static_cast<int>(engine() % static_cast<std::uint32_t>(i + 1));
        std::swap(permutation[i], permutation[j]);
    }
    for (Vec3 &gradient : gradients) {
        // Uniform directions: a uniform height on the axis and a uniform turn about it.
        const double z = 2.0 * (engine() / 4294967296.0) - 1.0;
        const double turn = 2.0 * piValue * (engine() / 4294967296.0);
        const double ring = std::sqrt(1.0 - z * z);
        gradient = {ring * std::cos(turn), ring * std::sin(turn), z};
    }
}

double GradientNoise::cornerContribution(int ix, int iy, int iz, double fx, double fy,
                                         double fz) const
{
    const int hash =
        permutation[wrapIndex(permutation[wrapIndex(permutation[wrapIndex(ix)] + iy)] + iz)];
    const Vec3 &g = gradients[hash];
    return g.x * fx + g.y * fy + g.z * fz;
}

double GradientNoise::at(const Vec3 &p) const
{
    // The lattice coordinates must fit an int; the surface only samples within a few units.
    constexpr double maxCoordinate = 1e6;
    if (!(std::fabs(p.x) < maxCoordinate && std::fabs(p.y) < maxCoordinate &&
          std::fabs(p.z) < maxCoordinate))
        return 0.0;
    const double floorX = std::floor(p.x);
    const double floorY = std::floor(p.y);
    const double floorZ = std::floor(p.z);
    const int ix = static_cast<int>(floorX);
    const int iy = static_cast<int>(floorY);
    const int iz = static_cast<int>(floorZ);
    const double fx = p.x - floorX;
    const double fy = p.y - floorY;
    const double fz = p.z - floorZ;
    const double u = fade(fx);
    const double v = fade(fy);
    const double w = fade(fz);

    auto plane = [&](int dz) {
        const double near = lerp(cornerContribution(ix, iy, iz + dz, fx, fy, fz - dz),
                                 cornerContribution(ix + 1, iy, iz + dz, fx - 1, fy, fz - dz), u);
        const double far =
            lerp(cornerContribution(ix, iy + 1, iz + dz, fx, fy - 1, fz - dz),
                 cornerContribution(ix + 1, iy + 1, iz + dz, fx - 1, fy - 1, fz - dz), u);
        return lerp(near, far, v);
    };
    return lerp(plane(0), plane(1), w);
}

double GradientNoise::fractal(const Vec3 &p, int octaves) const
{
    double sum = 0.0;
    double amplitude = 1.0;
    double total = 0.0;
    double scale = 1.0;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += amplitude * at(scale * p);
        total += amplitude;
        amplitude *= 0.5;
        scale *= 2.0;
    }
    return total > 0.0 ? sum / total : 0.0;
}
