#pragma once

#include "mosaic/mosaicview.h"

#include <QSize>

#include <memory>

class RowScheduler;

// The one place where the mosaic meets the precise mode: its projection gives each map pixel's
// place in a picture and its sampler reads the picture there with filtering fitted to the
// footprint. Everything else of the mosaic deals in map pixels and the samples below.
class PictureSampler
{
public:
    // A picture's view of one map pixel.
    struct Sample
    {
        // Premultiplied colour, channels 0..255 in QRgb memory order (blue, green, red,
        // alpha); alpha is below 255 where the footprint leaves the picture.
        float colour[4] = {0, 0, 0, 0};
        // Share of the map pixel inside the visible cap, 0..1.
        float coverage = 0.0f;
        // Cosine of the angle between the line of sight and the surface normal at the pixel's
        // centre: 1 at the disk centre, 0 on the limb, negative on the far side.
        float viewCosine = -1.0f;
    };
    // Columns [first, first + count) of a map row, taken modulo the map width.
    struct Span
    {
        int first = 0;
        int count = 0;
    };

    // The picture must not be null; it is converted to the sampler's format when it needs to be.
    PictureSampler(const MosaicView &view, QSize mapSize, RowScheduler &scheduler);
    ~PictureSampler();
    PictureSampler(const PictureSampler &) = delete;
    PictureSampler &operator=(const PictureSampler &) = delete;

    // The columns of the row that can show the picture's cap; all others see nothing of it.
    Span span(int row) const;
    // Samples of the map columns [first, end) of the row, which must lie within 0..width;
    // out[k] is column first + k. Pixels outside the cap get coverage 0.
    void sampleRow(int row, int first, int end, Sample *out) const;
    // What the weights need of the same columns, without sampling: the view cosines, and how
    // far inside the picture's frame each point lies, 0 off the frame rising smoothly to 1 at
    // frameFeather times the radius from its edge (so a disk cut by the frame meets the others
    // without a seam, and a picture does not push aside others where it shows nothing).
    void viewOf(int row, int first, int end, float *cosines, float *frame) const;
    static constexpr double frameFeather = 0.25;
    // The sample of one map pixel.
    Sample sampleAt(int column, int row) const;

private:
    struct Parts;
    std::unique_ptr<Parts> parts;
};
