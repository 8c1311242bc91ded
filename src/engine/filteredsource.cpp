#include "filteredsource.h"

#include "numeric.h"
#include "rowscheduler.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Pixels are widened into vectors of channels: each pixel's four bytes into the four lanes of
// a Colour, in memory order.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the channel vectors take a QRgb's low byte first");
using Colour = FilteredSource::Colour;
using Int4 = std::int32_t __attribute__((vector_size(16)));
using UInt4 = std::uint32_t __attribute__((vector_size(16)));
using Short8 = std::uint16_t __attribute__((vector_size(16)));
using Bytes16 = std::uint8_t __attribute__((vector_size(16)));

// Bytes 0-7 or 8-15 widened to 16 bits.
Short8 lowBytes(Bytes16 b)
{
    return Short8(__builtin_shufflevector(b, Bytes16{}, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6,
                                          22, 7, 23));
}
Short8 highBytes(Bytes16 b)
{
    return Short8(__builtin_shufflevector(b, Bytes16{}, 8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13,
                                          29, 14, 30, 15, 31));
}

// The first or second pixel of eight 16-bit channels as floats.
Colour firstPixel(Short8 s)
{
    return __builtin_convertvector(
        Int4(__builtin_shufflevector(s, Short8{}, 0, 8, 1, 9, 2, 10, 3, 11)), Colour);
}
Colour secondPixel(Short8 s)
{
    return __builtin_convertvector(
        Int4(__builtin_shufflevector(s, Short8{}, 4, 12, 5, 13, 6, 14, 7, 15)), Colour);
}

Colour channelsOf(QRgb p)
{
    return firstPixel(lowBytes(Bytes16(UInt4{p, 0, 0, 0})));
}

// Four adjacent pixels, with `alpha` or-ed into each.
UInt4 loadFour(const QRgb *pixels, QRgb alpha)
{
    UInt4 v;
    std::memcpy(&v, pixels, sizeof v);
    return v | alpha;
}

// Catmull-Rom weights for the four taps around a fraction t in [0, 1).
void cubicWeights(double t, float w[4])
{
    const double t2 = t * t;
    const double t3 = t2 * t;
    w[0] = float(0.5 * (-t3 + 2 * t2 - t));
    w[1] = float(0.5 * (3 * t3 - 5 * t2 + 2));
    w[2] = float(0.5 * (-3 * t3 + 4 * t2 + t));
    w[3] = float(0.5 * (t3 - t2));
}

// Index of a tap, clamped to the level (the edge pixels extend outward).
int clampIndex(int i, int size)
{
    return i < 0 ? 0 : (i >= size ? size - 1 : i);
}

// Whole part of a tap position, kept within a little of the level so that the tap indices
// around it cannot overflow (the taps are clamped to the level anyway).
int floorToInt(double v, int size)
{
    if (!(v >= -2.0))
        return -2;
    if (v > size + 2.0)
        return size + 2;
    return numeric::truncateToInt32(std::floor(v));
}

// Taps along a footprint side of `side` level pixels: at most 1.5 pixels apart. Each bilinear
// tap spans two level pixels, so the taps still cover the side without gaps, and a footprint
// just over a level pixel wide costs one tap instead of two.
int tapsFor(double side)
{
    const double taps = std::ceil(side / 1.5);
    if (taps >= FilteredSource::maxTapsPerSide)
        return FilteredSource::maxTapsPerSide;
    return taps >= 1.0 ? int(taps) : 1;
}

// A blend fraction in 1/256 steps; NaN (from a degenerate footprint) counts as 0.
std::uint32_t weight256(double fraction)
{
    if (!(fraction > 0.0))
        return 0;
    return fraction >= 1.0 ? 256u : std::uint32_t(fraction * 256 + 0.5);
}

// A quarter of a sum, rounded half to even so that the levels carry no colour bias.
int quarter(int sum)
{
    return (sum + 1 + ((sum >> 2) & 1)) >> 2;
}
Short8 quarter(Short8 sum)
{
    return (sum + 1 + ((sum >> 2) & 1)) >> 2;
}

// Sums of the channels of pixel pairs: the pairs (0, 1) of a and of b.
Short8 pairSums(Short8 a, Short8 b)
{
    return __builtin_shufflevector(a, b, 0, 1, 2, 3, 8, 9, 10, 11) +
           __builtin_shufflevector(a, b, 4, 5, 6, 7, 12, 13, 14, 15);
}

// One level of half the size: every pixel the mean of the (up to) four it covers.
void halveRows(const QRgb *in, QRgb alpha, int inWidth, int inHeight, QRgb *out, int outWidth,
               int firstRow, int endRow)
{
    for (int y = firstRow; y < endRow; ++y) {
        const QRgb *top = in + std::size_t(2 * y) * inWidth;
        const QRgb *bottom = in + std::size_t(std::min(2 * y + 1, inHeight - 1)) * inWidth;
        QRgb *line = out + std::size_t(y) * outWidth;
        int x = 0;
        // Four pixels at a time from eight of each row, in 16-bit lanes (sums up to 1020).
        for (; 2 * x + 8 <= inWidth; x += 4) {
            const Bytes16 t0 = Bytes16(loadFour(top + 2 * x, alpha));
            const Bytes16 t1 = Bytes16(loadFour(top + 2 * x + 4, alpha));
            const Bytes16 b0 = Bytes16(loadFour(bottom + 2 * x, alpha));
            const Bytes16 b1 = Bytes16(loadFour(bottom + 2 * x + 4, alpha));
            const Short8 first =
                quarter(pairSums(lowBytes(t0) + lowBytes(b0), highBytes(t0) + highBytes(b0)));
            const Short8 second =
                quarter(pairSums(lowBytes(t1) + lowBytes(b1), highBytes(t1) + highBytes(b1)));
            const Bytes16 packed =
                __builtin_shufflevector(Bytes16(first), Bytes16(second), 0, 2, 4, 6, 8, 10, 12, 14,
                                        16, 18, 20, 22, 24, 26, 28, 30);
            std::memcpy(line + x, &packed, sizeof packed);
        }
        for (; x < outWidth; ++x) {
            const int x0 = 2 * x;
            const int x1 = std::min(x0 + 1, inWidth - 1);
            const QRgb p[4] = {top[x0] | alpha, top[x1] | alpha, bottom[x0] | alpha,
                               bottom[x1] | alpha};
            int c[4] = {0, 0, 0, 0};
            for (QRgb q : p) {
                c[0] += qRed(q);
                c[1] += qGreen(q);
                c[2] += qBlue(q);
                c[3] += qAlpha(q);
            }
            line[x] = qRgba(quarter(c[0]), quarter(c[1]), quarter(c[2]), quarter(c[3]));
        }
    }
}

} // namespace

FilteredSource::FilteredSource(const QImage &source, qint64 key, int deepestLevel,
                               RowScheduler &scheduler)
    : picture(source), key(key), levelLimit(deepestLevel)
{
    Level base;
    base.width = picture.width();
    base.height = picture.height();
    base.data = reinterpret_cast<const QRgb *>(picture.constBits());
    base.alpha = picture.format() == QImage::Format_RGB32 ? 0xff000000u : 0u;
    levels.push_back(std::move(base));
    while (int(levels.size()) <= levelLimit &&
           (levels.back().width > 1 || levels.back().height > 1)) {
        const Level &in = levels.back();
        Level out;
        out.width = (in.width + 1) / 2;
        out.height = (in.height + 1) / 2;
        out.pixels.resize(std::size_t(out.width) * out.height);
        scheduler.run(out.height, [&](int first, int end) {
            halveRows(in.data, in.alpha, in.width, in.height, out.pixels.data(), out.width, first,
                      end);
        });
        out.data = out.pixels.data();
        levels.push_back(std::move(out));
    }
}

int FilteredSource::levelFor(double shortSide, double longSide)
{
    int level = 0;
    while (level < 30 && (shortSide > 1.0 || longSide > maxTapsPerSide)) {
        shortSide *= 0.5;
        longSide *= 0.5;
        ++level;
    }
    return level;
}

FilteredSource::Colour FilteredSource::bicubic(const Level &level, double x, double y)
{
    const int x0 = floorToInt(x, level.width);
    const int y0 = floorToInt(y, level.height);
    float wx[4], wy[4];
    cubicWeights(x - x0, wx);
    cubicWeights(y - y0, wy);
    // Each row of four taps is weighted along the row first, then the rows down the column,
    // in the same order whether or not the taps are clamped to the level.
    Colour c = {};
    if (x0 >= 1 && x0 + 2 < level.width && y0 >= 1 && y0 + 2 < level.height) {
        const QRgb *line = level.data + std::size_t(y0 - 1) * level.width + (x0 - 1);
        for (int j = 0; j < 4; ++j, line += level.width) {
            const Bytes16 b = Bytes16(loadFour(line, level.alpha));
            const Short8 low = lowBytes(b);
            const Short8 high = highBytes(b);
            Colour r = {};
            r = r + wx[0] * firstPixel(low);
            r = r + wx[1] * secondPixel(low);
            r = r + wx[2] * firstPixel(high);
            r = r + wx[3] * secondPixel(high);
            c = c + wy[j] * r;
        }
        return c;
    }
    int columns[4];
    for (int i = 0; i < 4; ++i)
        columns[i] = clampIndex(x0 - 1 + i, level.width);
    for (int j = 0; j < 4; ++j) {
        const QRgb *line =
            level.data + std::size_t(clampIndex(y0 - 1 + j, level.height)) * level.width;
        Colour r = {};
        for (int i = 0; i < 4; ++i)
            r = r + wx[i] * channelsOf(line[columns[i]] | level.alpha);
        c = c + wy[j] * r;
    }
    return c;
}

FilteredSource::Colour FilteredSource::bilinear(const Level &level, double x, double y)
{
    const int x0 = floorToInt(x, level.width);
    const int y0 = floorToInt(y, level.height);
    // Weights in 1/256 steps. Every product and sum below is a whole number under 2^24, so the
    // float arithmetic is exact.
    const float wx = float(weight256(x - x0));
    const float wy = float(weight256(y - y0));
    const int xa = clampIndex(x0, level.width);
    const int xb = clampIndex(x0 + 1, level.width);
    const QRgb *top = level.data + std::size_t(clampIndex(y0, level.height)) * level.width;
    const QRgb *bottom = level.data + std::size_t(clampIndex(y0 + 1, level.height)) * level.width;
    auto blendRow = [&](const QRgb *line) {
        const Short8 pair =
            lowBytes(Bytes16(UInt4{line[xa] | level.alpha, line[xb] | level.alpha, 0, 0}));
        return firstPixel(pair) * (256 - wx) + secondPixel(pair) * wx;
    };
    return (blendRow(top) * (256 - wy) + blendRow(bottom) * wy) * (1.0f / 65536.0f);
}

template <FilteredSource::Colour (*tap)(const FilteredSource::Level &, double, double)>
FilteredSource::Colour FilteredSource::average(const Level &level, const SourceFootprint &f,
                                               double x, double y, double step, int across,
                                               int down)
{
    if (across == 1 && down == 1)
        return tap(level, x, y);
    Colour sum = {};
    for (int j = 0; j < down; ++j) {
        const double v = (j + 0.5) / down - 0.5;
        for (int i = 0; i < across; ++i) {
            const double u = (i + 0.5) / across - 0.5;
            sum = sum + tap(level, x + (u * f.xPerColumn + v * f.xPerRow) * step,
                            y + (u * f.yPerColumn + v * f.yPerRow) * step);
        }
    }
    return sum * (1.0f / float(across * down));
}

FilteredSource::Colour FilteredSource::sample(const SourceFootprint &f) const
{
    const Level &base = levels.front();
    if (!(f.x >= -0.5 && f.x <= base.width - 0.5 && f.y >= -0.5 && f.y <= base.height - 0.5))
        return Colour{};
    const double columnSquared = f.xPerColumn * f.xPerColumn + f.yPerColumn * f.yPerColumn;
    const double rowSquared = f.xPerRow * f.xPerRow + f.yPerRow * f.yPerRow;
    if (std::sqrt(std::max(columnSquared, rowSquared)) <= 1.0)
        return bicubic(base, f.x, f.y);

    // Average a grid of taps across the footprint.
    const double columnSide = std::sqrt(columnSquared);
    const double rowSide = std::sqrt(rowSquared);
    const int wanted = levelFor(std::min(columnSide, rowSide), std::max(columnSide, rowSide));
    const int levelIndex = std::min(wanted, levelCount() - 1);
    const Level &level = levels[levelIndex];
    const double step = 1.0 / double(std::uint64_t(1) << levelIndex);
    // Level pixel i covers base pixels [2^L i, 2^L (i + 1)), so its centre is at
    // 2^L i + (2^L - 1) / 2 in base coordinates.
    const double x = (f.x + 0.5) * step - 0.5;
    const double y = (f.y + 0.5) * step - 0.5;
    const int across = tapsFor(columnSide * step);
    const int down = tapsFor(rowSide * step);
    // Taps on the picture itself interpolate bicubically, which keeps footprints only a little
    // over a pixel as sharp as smaller ones; on the box-filtered levels bilinear taps suffice.
    if (levelIndex == 0)
        return average<bicubic>(level, f, x, y, step, across, down);
    return average<bilinear>(level, f, x, y, step, across, down);
}
