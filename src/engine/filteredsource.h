#pragma once

#include "largebuffer.h"
#include "preciseprojection.h"
#include "samplingplan.h"
#include "tapkernels.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <vector>

class RowScheduler;

// A picture read at real-valued positions, filtered once at the size of each map pixel: the
// picture and its box-filtered half-size levels, read as samplingplan.h plans each footprint
// with the taps of tapkernels.h, and solved for the globe's colour at the limb (limbsolve.h).
class FilteredSource
{
public:
    using Colour = taps::Colour;
    static constexpr int alphaLane = taps::alphaLane;

    // The picture must be RGB32 or ARGB32_Premultiplied with packed lines; `key` names the picture
    // it was made from. Levels up to `deepestLevel` (0 = the picture alone) are built at once, the
    // rows shared out by the scheduler.
    FilteredSource(const QImage &picture, qint64 key, int deepestLevel, RowScheduler &scheduler);

    int deepestLevel() const { return levelLimit; }
    qint64 pictureKey() const { return key; }

    // The globe's disk in the picture (the marked circle, pixel (i, j) centred on the point
    // (i, j)) and the colour of the sky around it.
    struct Disk : sampling::Circle
    {
        Colour sky = {};
    };
    // The disk of the given circle, with the sky's colour measured just outside it: the
    // median of each channel over a ring two pixels wide, transparent black where the ring
    // misses the picture.
    Disk diskOf(double centerX, double centerY, double radius) const;

    // The colour of the globe that the footprint shows; transparent when its centre lies
    // outside the picture.
    Colour sample(const SourceFootprint &footprint, const Disk &disk) const;

private:
    std::vector<taps::Level> levels;
    // Every level but the picture, one after another. Left uninitialised when made: every
    // pixel is written when its level is built.
    std::unique_ptr<QRgb[], LargeBufferRelease> levelMemory;
    QImage picture;
    qint64 key;
    int levelLimit;
    int lastLevel = 0;
};
