#pragma once

#include "engine/basics/largebuffer.h"
#include "engine/precise/preciseprojection.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <vector>

class RowScheduler;

// A picture read at real-valued positions with filtering fitted to the local scale: bicubic
// interpolation where the footprint is smaller than a pixel, and the average over the
// footprint where it is larger. Large footprints read a box-filtered half-size level of the
// picture so that no footprint needs more than a few taps per side.
//
// Near the limb the taps reach the sky, and the pixels on the limb show globe and sky mixed by
// their coverage. Reading them as they are would blend the sky into the globe's edge, so
// there every pixel is taken as the globe's colour over the sky in proportion to its
// coverage by the disk, and the globe's colour is solved for.
class FilteredSource
{
public:
    // Premultiplied colour with channels in 0..255, in the order of a QRgb's bytes in memory
    // (blue, green, red, alpha): four floats that the compiler keeps in one vector register.
    using Colour = float __attribute__((vector_size(16)));
    static constexpr int alphaLane = 3;

    // The picture must be RGB32 or ARGB32_Premultiplied with packed lines; `key` names the picture
    // it was made from. Levels up to `deepestLevel` (0 = the picture alone) are built at once, the
    // rows shared out by the scheduler.
    FilteredSource(const QImage &picture, qint64 key, int deepestLevel, RowScheduler &scheduler);

    int levelCount() const { return int(levels.size()); }
    int deepestLevel() const { return levelLimit; }
    qint64 pictureKey() const { return key; }

    // The globe's disk in the picture (the marked circle, pixel (i, j) centred on the point
    // (i, j)) and the colour of the sky around it.
    struct Disk
    {
        double centerX = 0.0;
        double centerY = 0.0;
        double radius = 0.0;
        Colour sky = {};
    };
    // The disk of the given circle, with the sky's colour measured just outside it: the
    // median of each channel over a ring two pixels wide, transparent black where the ring
    // misses the picture.
    Disk diskOf(double centerX, double centerY, double radius) const;

    // The colour of the globe that the footprint shows; transparent when its centre lies
    // outside the picture.
    Colour sample(const SourceFootprint &footprint, const Disk &disk) const;

    // The level a footprint with the given side lengths (source pixels) reads.
    static int levelFor(double shortSide, double longSide);
    // The same from the squares of the side lengths.
    static int levelForSquared(double shortSquared, double longSquared);

    // Taps per side beyond which a coarser level is read.
    static constexpr int maxTapsPerSide = 8;

private:
    struct Level
    {
        int width = 0;
        int height = 0;
        // The picture's pixels, or the level's within levelMemory.
        const QRgb *data = nullptr;
        // Or-ed into every pixel read: RGB32 pictures need not hold 0xff in their alpha byte.
        QRgb alpha = 0;
        // Level pixels per picture pixel: 2^-index.
        double scale = 1.0;
        // Centre of the last column and row.
        double lastX = 0.0;
        double lastY = 0.0;
        // How far from its point a tap reads pixels that the limb may cross, in base pixels.
        double tapReach = 0.0;
    };
    // The disk in a level's pixels, near the point a footprint is read at.
    struct LevelDisk;
    static Colour bicubic(const Level &level, double x, double y);
    static Colour bilinear(const Level &level, double x, double y);
    // The same, inlined where a footprint reads a single tap (and the bilinear one where it
    // reads a line of them): a call there would spill every live double, as the ABI keeps no
    // vector register across calls. In the loops over other grids the calls cost less.
    __attribute__((always_inline)) static inline Colour bicubicInline(const Level &level, double x,
                                                                      double y);
    __attribute__((always_inline)) static inline Colour bilinearInline(const Level &level, double x,
                                                                       double y);
    // levelForSquared, inlined.
    __attribute__((always_inline)) static inline int levelOf(double shortSquared,
                                                             double longSquared);
    // The share of the same taps' weight that falls on the disk.
    static float bicubicCoverage(const Level &level, const LevelDisk &disk, double x, double y);
    // True when the disk wholly covers every pixel that a bicubic tap at (x, y) reads.
    static bool bicubicWindowOnDisk(const Level &level, const Disk &disk, double x, double y);
    static float bilinearCoverage(const Level &level, const LevelDisk &disk, double x, double y);
    // The mean of a grid of taps across the footprint around (x, y) on one level.
    template <typename Tap>
    static auto average(const SourceFootprint &footprint, double x, double y, double step,
                        int across, int down, Tap tap);
    // The same for a grid of one row or column of taps.
    template <typename Tap>
    static auto averageLine(const SourceFootprint &footprint, double x, double y, double step,
                            int across, int down, Tap tap);

    std::vector<Level> levels;
    // Every level but the picture, one after another. Left uninitialised when made: every
    // pixel is written when its level is built.
    std::unique_ptr<QRgb[], LargeBufferRelease> levelMemory;
    QImage picture;
    qint64 key;
    int levelLimit;
    int lastLevel = 0;
    // Half a pixel beyond the centres of the picture's last column and row.
    double edgeX = 0.0;
    double edgeY = 0.0;
};
