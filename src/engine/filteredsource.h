#pragma once

#include "preciseprojection.h"

#include <QImage>

#include <cstdint>
#include <vector>

class RowScheduler;

// A picture read at real-valued positions with filtering fitted to the local scale: bicubic
// interpolation where the footprint is smaller than a pixel, and the average over the
// footprint where it is larger. Large footprints read a box-filtered half-size level of the
// picture so that no footprint needs more than a few taps per side.
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

    // The colour the footprint shows; transparent when its centre lies outside the picture.
    Colour sample(const SourceFootprint &footprint) const;

    // The level a footprint with the given side lengths (source pixels) reads.
    static int levelFor(double shortSide, double longSide);

    // Taps per side beyond which a coarser level is read.
    static constexpr int maxTapsPerSide = 8;

private:
    struct Level
    {
        int width = 0;
        int height = 0;
        std::vector<QRgb> pixels;
        const QRgb *data = nullptr;
        // Or-ed into every pixel read: RGB32 pictures need not hold 0xff in their alpha byte.
        QRgb alpha = 0;
        // Level pixels per picture pixel: 2^-index.
        double scale = 1.0;
        // Centre of the last column and row.
        double lastX = 0.0;
        double lastY = 0.0;
    };
    static Colour bicubic(const Level &level, double x, double y);
    static Colour bilinear(const Level &level, double x, double y);
    // The mean of a grid of taps across the footprint on one level.
    template <Colour (*tap)(const Level &, double, double)>
    static Colour average(const Level &level, const SourceFootprint &footprint, double x, double y,
                          double step, int across, int down);

    std::vector<Level> levels;
    QImage picture;
    qint64 key;
    int levelLimit;
};
