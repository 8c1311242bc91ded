#pragma once

#include "engine/basics/largebuffer.h"
#include "engine/precise/mapvisibility.h"
#include "engine/precise/preciseprojection.h"
#include "engine/precise/samplingplan.h"
#include "engine/precise/tapkernels.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <vector>

class RowScheduler;

// The globe's disk in a picture (the marked circle, pixel (i, j) centred on the point (i, j))
// and the colour of the sky around it.
struct SourceDisk : sampling::Circle
{
    taps::Colour sky = {};
};

// A picture read at real-valued positions, filtered once at the size of each map pixel: the
// picture and its box-filtered half-size levels, read as samplingplan.h plans each footprint
// with the taps of tapkernels.h, and solved for the globe's colour at the limb (limbsolve.h).
// Pixel is QRgb for pictures of 8 bits per channel and taps::Pixel64 for those of 16: the
// levels keep the picture's depth, and the colours come out on the same 0..255 scale.
template <typename Pixel> class FilteredSourceOf
{
public:
    using Colour = taps::Colour;
    using Disk = SourceDisk;
    static constexpr int alphaLane = taps::alphaLane;

    // The picture must have packed lines and be RGB32 or ARGB32_Premultiplied (QRgb), RGBX64 or
    // RGBA64_Premultiplied (Pixel64); `key` names the picture it was made from. Levels up to
    // `deepestLevel` (0 = the picture alone) are built at once, the rows shared out by the
    // scheduler.
    FilteredSourceOf(const QImage &picture, qint64 key, int deepestLevel, RowScheduler &scheduler);

    int deepestLevel() const { return levelLimit; }
    qint64 pictureKey() const { return key; }

    // The disk of the given circle, with the sky's colour measured just outside it: the
    // median of each channel over a ring two pixels wide, transparent black where the ring
    // misses the picture.
    Disk diskOf(double centerX, double centerY, double radius) const;

    // The colour of the globe that the footprint shows; transparent when its centre lies
    // outside the picture. Inline: most footprints take one tap, which a call would cost as
    // much as.
    Colour sample(const SourceFootprint &footprint, const Disk &disk) const;

private:
    // The globe's colour from the taps' colour where they reach pixels that the limb crosses.
    Colour solveLimb(const SourceFootprint &f, const Disk &disk, const sampling::Plan &plan,
                     Colour filtered) const;

    std::vector<taps::Level<Pixel>> levels;
    // Every level but the picture, one after another. Left uninitialised when made: every
    // pixel is written when its level is built.
    std::unique_ptr<Pixel[], LargeBufferRelease> levelMemory;
    QImage picture;
    qint64 key;
    int levelLimit;
    int lastLevel = 0;
};

using FilteredSource = FilteredSourceOf<QRgb>;
using FilteredSource16 = FilteredSourceOf<taps::Pixel64>;

template <typename Pixel>
inline typename FilteredSourceOf<Pixel>::Colour
FilteredSourceOf<Pixel>::sample(const SourceFootprint &f, const Disk &disk) const
{
    const taps::Level<Pixel> &base = levels.front();
    if (!visibility::inPicture(f.x, f.y, base.width, base.height))
        return Colour{};
    const sampling::Plan plan = sampling::plan(f, disk, lastLevel);
    const taps::Level<Pixel> &level = levels[plan.level];
    const double step = level.scale;
    // Level pixel i covers base pixels [2^L i, 2^L (i + 1)), so its centre is at
    // 2^L i + (2^L - 1) / 2 in base coordinates.
    const double x = (f.x + 0.5) * step - 0.5;
    const double y = (f.y + 0.5) * step - 0.5;
    const Colour c =
        plan.kernel == sampling::Kernel::Interpolate
            ? taps::cubicAt(level, x, y)
            : taps::boxOfTaps(f, x, y, step, plan.across, plan.down,
                              [&level](double u, double v) { return taps::cubicAt(level, u, v); });
    return plan.limbSolve ? solveLimb(f, disk, plan, c) : c;
}

extern template class FilteredSourceOf<QRgb>;
extern template class FilteredSourceOf<taps::Pixel64>;
