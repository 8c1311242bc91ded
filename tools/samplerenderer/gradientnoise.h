#pragma once

#include "spheregeometry.h"

#include <array>
#include <cstdint>

// Smooth pseudo-random gradient noise in three dimensions (the classic lattice construction:
// random unit gradients at integer points, blended with a quintic fade). Sampling it on the
// sphere's own coordinates gives continent shapes without seams at the date line or pinches
// at the poles.
class GradientNoise
{
public:
    explicit GradientNoise(std::uint32_t seed);

    // Noise at a point, roughly in [-1, 1], zero at every lattice point.
    double at(const Vec3 &p) const;
    // Sum of `octaves` layers, each twice as fine and half as strong as the one before,
    // scaled back into roughly [-1, 1].
    double fractal(const Vec3 &p, int octaves) const;

private:
    static constexpr int tableSize = 256;
    double cornerContribution(int ix, int iy, int iz, double fx, double fy, double fz) const;

    std::array<std::uint8_t, tableSize> permutation{};
    std::array<Vec3, tableSize> gradients{};
};
