#pragma once

#include <QImage>

#include <array>
#include <vector>

class RowScheduler;

// A reduced colour copy of a picture for the disk finder's coarse search: each pixel is the
// mean of a block of `factor` x `factor` source pixels (sampled sparsely for large factors),
// stored as three float planes. Working pixel (u, v) stands for the source point
// (u * factor + (factor - 1) / 2, v * factor + (factor - 1) / 2) in the finder's convention
// that source pixel (i, j) is centred on the point (i, j).
class ReducedPicture
{
public:
    // Reduces so that the longer side has at most maxSide pixels, on `threads` threads.
    ReducedPicture(const QImage &picture, int maxSide, int threads);
    // Reduces a reduced copy further so that its longer side has at most maxSide pixels (each
    // pixel the mean of a block of the finer copy's pixels); the same convention holds, with
    // factor() the product of both reductions.
    ReducedPicture(const ReducedPicture &finer, int maxSide);

    int width() const { return w; }
    int height() const { return h; }
    int factor() const { return scale; }
    const std::vector<float> &plane(int channel) const { return planes[std::size_t(channel)]; }
    double toSource(double working) const { return working * scale + (scale - 1) / 2.0; }
    double fromSource(double source) const { return (source - (scale - 1) / 2.0) / scale; }

private:
    template <QImage::Format format>
    void reduce(const QImage &picture, int stride, RowScheduler &scheduler);

    int w = 0;
    int h = 0;
    int scale = 1;
    std::array<std::vector<float>, 3> planes;
};

// Reads colours of the full-resolution picture at real-valued points by bilinear
// interpolation. The picture must have one of the formats that hasDirectLayout accepts.
class ColourSampler
{
public:
    explicit ColourSampler(const QImage &picture);

    // Colour at (x, y); false when the point lies outside the picture's pixel centres.
    bool sample(double x, double y, float rgb[3]) const;
    // Robust standard deviation of the picture's pixel noise (per channel, 0..255 units),
    // estimated from differences of neighbouring pixels on a sparse set of rows.
    double noiseLevel() const;

private:
    const QImage &image;
};

// True for the formats that the finder reads directly (32-bit RGB, 8-bit grey, 24-bit RGB,
// 16 bits per channel); other pictures are converted first.
bool hasDirectLayout(const QImage &picture);
