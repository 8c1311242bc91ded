#pragma once

#include "mosaic/mosaicview.h"

#include <QImage>
#include <QSize>

#include <atomic>
#include <vector>

class RowScheduler;

struct MosaicOptions
{
    QSize mapSize{4096, 2048};
    // Gains per picture from the overlaps, the first picture as the reference.
    bool exposureMatching = true;
};

struct MosaicResult
{
    // RGBA64_Premultiplied when any picture has 16 bits per channel, ARGB32_Premultiplied
    // otherwise; pixels that no picture sees are transparent black.
    QImage map;
    // Grayscale8 of the map's size: 1 + the index of the picture with the largest weight at
    // each pixel, 0 where none sees it.
    QImage owners;
    // The gain applied to each picture (1 without exposure matching).
    std::vector<double> gains;
    // Map pixels at which each picture has the largest weight.
    std::vector<qint64> leadingPixels;
    // Map pixels that show something.
    qint64 coveredPixels = 0;
};

// Merges the pictures into one equirectangular map: every map pixel is sampled in each picture
// that sees it with the precise mode's sampling, and the samples are blended by the weights of
// blendweight.h. Holds the pictures (and their filtered levels), the map and the owner map.
class MosaicBuilder
{
public:
    // Rows are shared out by the scheduler; throws std::bad_alloc when memory runs out.
    MosaicResult build(const std::vector<MosaicView> &views, const MosaicOptions &options,
                       RowScheduler &scheduler);
    // 0..1 through the current build, for a progress bar served by the scheduler's pump.
    double progress() const { return done.load() / double(std::max(1, total.load())); }

private:
    std::atomic<int> done{0};
    std::atomic<int> total{1};
};
