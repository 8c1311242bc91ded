#include "engine/precise/filteredsource.h"

#include "engine/basics/largebuffer.h"
#include "engine/basics/rowscheduler.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

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

// The cubic kernel of the taps, one of the two-parameter family of piecewise cubics with
// continuous slope (B, C): k(x) = (a3 |x|^3 + a2 x^2 + a0) / 6 for |x| < 1 and
// (b3 |x|^3 + b2 x^2 + b1 |x| + b0) / 6 for 1 <= |x| < 2. Its weights sum to 1 everywhere.
// B = -1/4 weights the pixels at whole positions -1/24, 13/12, -1/24: a pixel's value is the
// mean over its area, which lowers a curved surface's value at the pixel centre by its
// second difference / 24, and these weights give that back. C = 1/4 rather than the usual
// 1/2 keeps the overshoot at sharp edges small; on rendered globes with coasts, grid lines
// and fine noise this pair had about 3 % less error than Catmull-Rom (B = 0, C = 1/2).
namespace cubic {
constexpr double B = -0.25;
constexpr double C = 0.25;
constexpr double a3 = 12 - 9 * B - 6 * C;
constexpr double a2 = -18 + 12 * B + 6 * C;
constexpr double a0 = 6 - 2 * B;
constexpr double b3 = -B - 6 * C;
constexpr double b2 = 6 * B + 30 * C;
constexpr double b1 = -12 * B - 48 * C;
constexpr double b0 = 8 * B + 24 * C;

// The kernel's weights for the four taps around a fraction t in [0, 1), at distances 1 + t, t,
// 1 - t and 2 - t, as cubics in t: weight i = w[i][0] + w[i][1] t + w[i][2] t^2 + w[i][3] t^3.
constexpr double tapWeights[4][4] = {
    {(b3 + b2 + b1 + b0) / 6, (3 * b3 + 2 * b2 + b1) / 6, (3 * b3 + b2) / 6, b3 / 6},
    {a0 / 6, 0.0, a2 / 6, a3 / 6},
    {(a3 + a2 + a0) / 6, (-3 * a3 - 2 * a2) / 6, (3 * a3 + a2) / 6, -a3 / 6},
    {(8 * b3 + 4 * b2 + 2 * b1 + b0) / 6, (-12 * b3 - 4 * b2 - b1) / 6, (6 * b3 + b2) / 6,
     -b3 / 6}};

// The coefficients of t^k of the four weights.
constexpr Colour power(int k)
{
    return Colour{float(tapWeights[0][k]), float(tapWeights[1][k]), float(tapWeights[2][k]),
                  float(tapWeights[3][k])};
}
} // namespace cubic

// The kernel's weights for the four taps around the fractions tx and ty, the four of each
// axis at once in float lanes (Horner's scheme; the weights are rounded to float anyway).
inline void cubicWeights(double tx, double ty, float wx[4], float wy[4])
{
    constexpr Colour c0 = cubic::power(0), c1 = cubic::power(1), c2 = cubic::power(2),
                     c3 = cubic::power(3);
    auto axis = [&](double t, float w[4]) {
        const float f = float(t);
        const Colour v = ((c3 * f + c2) * f + c1) * f + c0;
        std::memcpy(w, &v, sizeof v);
    };
    axis(tx, wx);
    axis(ty, wy);
}

constexpr double sqrt2 = 1.41421356237309505;
// How far from its point a tap reads pixels that the limb may cross, in level pixels: the
// farthest tap pixel's centre (2 or 1 pixels along each axis for bicubic or bilinear taps)
// and half that pixel's diagonal.
constexpr double bicubicReach = 2.0 * sqrt2 + 0.5 * sqrt2;
constexpr double bilinearReach = sqrt2 + 0.5 * sqrt2;

// Index of a tap, clamped to the level (the edge pixels extend outward).
int clampIndex(int i, int size)
{
    return i < 0 ? 0 : (i >= size ? size - 1 : i);
}

// Whole part of a tap position, kept within a little of the level so that the tap indices
// around it cannot overflow (the taps are clamped to the level anyway). Truncation and a step
// down for negative fractions: std::floor is a long sequence where SSE4.1 cannot be assumed.
int floorToInt(double v, int size)
{
    if (!(v >= -2.0))
        return -2;
    if (v > size + 2.0)
        return size + 2;
    const int whole = int(v);
    return whole - (double(whole) > v);
}

// Taps along a footprint side whose length in level pixels has the given square: at most 1.5
// pixels apart, that is ceil(side / 1.5) within [1, maxTapsPerSide]. Each bilinear tap spans
// two level pixels, so the taps still cover the side without gaps, and a footprint just over
// a level pixel wide costs one tap instead of two. The square is compared with the squares of
// the whole multiples of 1.5 (all exact), which spares a square root and a division; NaN
// gives one tap.
int tapsForSquared(double sideSquared)
{
    static_assert(FilteredSource::maxTapsPerSide == 8, "one comparison per tap beyond the first");
    if (!(sideSquared > 1.5 * 1.5))
        return 1;
    return 2 + (sideSquared > 3.0 * 3.0) + (sideSquared > 4.5 * 4.5) + (sideSquared > 6.0 * 6.0) +
           (sideSquared > 7.5 * 7.5) + (sideSquared > 9.0 * 9.0) + (sideSquared > 10.5 * 10.5);
}

// The smallest whole L with v <= 2^L, for v > 1 (infinity gives 1024): the exponent of v, one
// more unless v is a power of two.
int ceilLog2(double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    const int exponent = int(bits >> 52) - 1023;
    return exponent + ((bits & ((std::uint64_t(1) << 52) - 1)) != 0);
}

// Offsets of n taps spread evenly across a footprint side of length 1, centred on 0:
// tapOffsets[n][i] = (i + 0.5) / n - 0.5.
struct TapOffsets
{
    double at[FilteredSource::maxTapsPerSide + 1][FilteredSource::maxTapsPerSide] = {};
    constexpr TapOffsets()
    {
        for (int n = 1; n <= FilteredSource::maxTapsPerSide; ++n)
            for (int i = 0; i < n; ++i)
                at[n][i] = (i + 0.5) / n - 0.5;
    }
};
constexpr TapOffsets tapOffsets;

// How much of level pixel (i, j) the disk covers: the area of the pixel's square on the inner
// side of the circle's tangent nearest to the pixel centre. Pixels wholly inside or outside
// (half a diagonal or more from the circle) need no square root.
float coverageOf(double diskX, double diskY, double radius, int i, int j)
{
    constexpr double halfDiagonal = 0.70710678118654752;
    const double dx = i - diskX;
    const double dy = j - diskY;
    const double squared = dx * dx + dy * dy;
    const double inner = radius - halfDiagonal;
    if (inner > 0.0 && squared <= inner * inner)
        return 1.0f;
    const double outer = radius + halfDiagonal;
    if (squared >= outer * outer)
        return 0.0f;
    // The tangent's normal, (dx, dy) / distance, folded to (a, b) = (wide, narrow) / distance
    // with 0 <= b <= a; the corners lie (a + b) / 2 and the sides (a - b) / 2 from the centre
    // along it. Everything is scaled by the distance, which leaves one division.
    const double distance = std::sqrt(squared);
    const double inside = (radius - distance) * distance;
    const double wide = std::max(std::fabs(dx), std::fabs(dy));
    const double narrow = std::min(std::fabs(dx), std::fabs(dy));
    const double toCorner = 0.5 * (wide + narrow);
    const double toSide = 0.5 * (wide - narrow);
    if (inside <= -toCorner)
        return 0.0f;
    if (inside >= toCorner)
        return 1.0f;
    // The covered area rises quadratically while the tangent crosses a corner, linearly
    // between.
    if (inside < -toSide)
        return float((inside + toCorner) * (inside + toCorner) / (2 * wide * narrow));
    if (inside > toSide)
        return float(1.0 - (toCorner - inside) * (toCorner - inside) / (2 * wide * narrow));
    return float(0.5 + inside / wide);
}

// The globe's colour from a filtered colour and the share of its weight on the disk: the
// pixels show the globe over the sky in proportion to their coverage. Points on the limb have
// about half their weight on the disk; where less than a quarter lies there (beyond the limb)
// the share is taken as a quarter, so that the sky's noise is not magnified much.
Colour globeColour(Colour filtered, float coverage, Colour sky)
{
    return sky + (filtered - sky) * (1.0f / std::max(coverage, 0.25f));
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
    base.lastX = base.width - 1.0;
    base.lastY = base.height - 1.0;
    base.tapReach = bicubicReach;
    levels.push_back(std::move(base));
    // The levels' sizes first, then one block for all of them: on huge pages where the system
    // gives them, since touching fresh memory page by page costs a fault per 4 KiB.
    std::vector<QSize> sizes;
    std::size_t total = 0;
    for (QSize size(picture.width(), picture.height());
         int(sizes.size()) < levelLimit && (size.width() > 1 || size.height() > 1);) {
        size = QSize((size.width() + 1) / 2, (size.height() + 1) / 2);
        sizes.push_back(size);
        total += std::size_t(size.width()) * std::size_t(size.height());
    }
    if (total > 0) {
        levelMemory.reset(static_cast<QRgb *>(allocateLargeBuffer(total * sizeof(QRgb))));
        if (!levelMemory)
            throw std::bad_alloc();
    }
    QRgb *next = levelMemory.get();
    for (const QSize size : sizes) {
        const Level &in = levels.back();
        Level out;
        out.width = size.width();
        out.height = size.height();
        QRgb *pixels = next;
        next += std::size_t(out.width) * std::size_t(out.height);
        scheduler.run(out.height, [&](int first, int end) {
            halveRows(in.data, in.alpha, in.width, in.height, pixels, out.width, first, end);
        });
        out.data = pixels;
        out.scale = in.scale * 0.5;
        out.lastX = out.width - 1.0;
        out.lastY = out.height - 1.0;
        // Exact: the scale is a power of two.
        out.tapReach = bilinearReach / out.scale;
        levels.push_back(std::move(out));
    }
    lastLevel = int(levels.size()) - 1;
    edgeX = picture.width() - 0.5;
    edgeY = picture.height() - 0.5;
}

int FilteredSource::levelFor(double shortSide, double longSide)
{
    return levelForSquared(shortSide * shortSide, longSide * longSide);
}

int FilteredSource::levelForSquared(double shortSquared, double longSquared)
{
    return levelOf(shortSquared, longSquared);
}

int FilteredSource::levelOf(double shortSquared, double longSquared)
{
    // The smallest level at which the short side is at most one level pixel and the long side
    // at most maxTapsPerSide (a power of two) of them, but no deeper than 30. A side fits
    // 2^L pixels when its square fits 2^(2L), that is from L = ceil(ceilLog2(square) / 2).
    static_assert((maxTapsPerSide & (maxTapsPerSide - 1)) == 0, "the long side's bound");
    constexpr int tapsLog2 = maxTapsPerSide == 8 ? 3 : -1;
    static_assert(tapsLog2 >= 0, "tapsLog2 is the log of maxTapsPerSide");
    int level = 0;
    if (shortSquared > 1.0)
        level = (ceilLog2(shortSquared) + 1) >> 1;
    if (longSquared > maxTapsPerSide * maxTapsPerSide)
        level = std::max(level, ((ceilLog2(longSquared) + 1) >> 1) - tapsLog2);
    return std::min(level, 30);
}

FilteredSource::Colour FilteredSource::bicubic(const Level &level, double x, double y)
{
    return bicubicInline(level, x, y);
}

FilteredSource::Colour FilteredSource::bicubicInline(const Level &level, double x, double y)
{
    // Each row of four taps is weighted along the row first, then the rows down the column,
    // in the same order whether or not the taps are clamped to the level.
    float wx[4], wy[4];
    Colour c = {};
    if (x >= 1.0 && x < level.lastX - 1.0 && y >= 1.0 && y < level.lastY - 1.0) {
        // All sixteen taps inside the level: rows of four adjacent pixels.
        const int x0 = int(x);
        const int y0 = int(y);
        cubicWeights(x - x0, y - y0, wx, wy);
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
    const int x0 = floorToInt(x, level.width);
    const int y0 = floorToInt(y, level.height);
    cubicWeights(x - x0, y - y0, wx, wy);
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
    return bilinearInline(level, x, y);
}

FilteredSource::Colour FilteredSource::bilinearInline(const Level &level, double x, double y)
{
    // Weights in 1/256 steps. Along the rows every product and sum fits 16 bits (at most
    // 255 * 256), so both rows are blended at once in 16-bit lanes; down the column every
    // product and sum is a whole number under 2^24, so the float arithmetic is exact.
    auto blend = [&level](const QRgb *top, const QRgb *bottom, std::uint16_t wx, float wy) {
        std::uint64_t pairs[2];
        std::memcpy(&pairs[0], top, sizeof pairs[0]);
        std::memcpy(&pairs[1], bottom, sizeof pairs[1]);
        UInt4 pixels;
        std::memcpy(&pixels, pairs, sizeof pixels);
        const Bytes16 b = Bytes16(pixels | level.alpha);
        const std::uint16_t wl = std::uint16_t(256 - wx);
        const Short8 weights = {wl, wl, wl, wl, wx, wx, wx, wx};
        const Short8 rows = pairSums(lowBytes(b) * weights, highBytes(b) * weights);
        return (firstPixel(rows) * (256 - wy) + secondPixel(rows) * wy) * (1.0f / 65536.0f);
    };
    if (x >= 0.0 && x < level.lastX && y >= 0.0 && y < level.lastY) {
        // All four taps inside the level; the fractions lie in [0, 1).
        const int x0 = int(x);
        const int y0 = int(y);
        const QRgb *top = level.data + std::size_t(y0) * level.width + x0;
        return blend(top, top + level.width, std::uint16_t(int((x - x0) * 256 + 0.5)),
                     float(int((y - y0) * 256 + 0.5)));
    }
    const int x0 = floorToInt(x, level.width);
    const int y0 = floorToInt(y, level.height);
    const int xa = clampIndex(x0, level.width);
    const int xb = clampIndex(x0 + 1, level.width);
    const QRgb *top = level.data + std::size_t(clampIndex(y0, level.height)) * level.width;
    const QRgb *bottom = level.data + std::size_t(clampIndex(y0 + 1, level.height)) * level.width;
    const QRgb topPair[2] = {top[xa], top[xb]};
    const QRgb bottomPair[2] = {bottom[xa], bottom[xb]};
    return blend(topPair, bottomPair, std::uint16_t(weight256(x - x0)), float(weight256(y - y0)));
}

// Where the circle is large against the few pixels around the point that a footprint reads,
// their coverage is taken from the circle's tangent at the point bent by its curvature: the
// square roots and divisions of coverageOf are then done once per footprint, not per pixel.
struct FilteredSource::LevelDisk
{
    // Radius in level pixels from which the bent tangent stands in for the circle: over the
    // taps' reach of up to 8 pixels it is then off by less than 0.02 pixels.
    static constexpr double localFrom = 128.0;

    LevelDisk(double centerX, double centerY, double radius, double pointX, double pointY)
        : x(centerX), y(centerY), radius(radius), pointX(pointX), pointY(pointY)
    {
        const double dx = pointX - centerX;
        const double dy = pointY - centerY;
        const double distance = std::sqrt(dx * dx + dy * dy);
        local = radius >= localFrom && distance >= 0.5 * radius;
        if (!local)
            return;
        inside = radius - distance;
        normalX = dx / distance;
        normalY = dy / distance;
        bend = 0.5 / distance;
        const double wide = std::max(std::fabs(normalX), std::fabs(normalY));
        const double narrow = std::min(std::fabs(normalX), std::fabs(normalY));
        toCorner = 0.5 * (wide + narrow);
        toSide = 0.5 * (wide - narrow);
        perWide = 1.0 / wide;
        perCornerArea = narrow > 0.0 ? 0.5 / (wide * narrow) : 0.0;
    }

    // How much of pixel (i, j) the disk covers, as coverageOf says.
    float coverage(int i, int j) const
    {
        if (!local)
            return coverageOf(x, y, radius, i, j);
        const double ex = i - pointX;
        const double ey = j - pointY;
        const double along = normalX * ex + normalY * ey;
        // The pixel centre's distance inside the circle: the point's, less the step outward
        // along the normal and the circle's fall-off sideways.
        const double in = inside - along - (ex * ex + ey * ey - along * along) * bend;
        if (in >= toCorner)
            return 1.0f;
        if (in <= -toCorner)
            return 0.0f;
        if (in < -toSide)
            return float((in + toCorner) * (in + toCorner) * perCornerArea);
        if (in > toSide)
            return float(1.0 - (toCorner - in) * (toCorner - in) * perCornerArea);
        return float(0.5 + in * perWide);
    }

    double x;
    double y;
    double radius;
    double pointX;
    double pointY;
    bool local = false;
    // The point's distance inside the circle, the unit normal outward there and half the
    // curvature.
    double inside = 0.0;
    double normalX = 0.0;
    double normalY = 0.0;
    double bend = 0.0;
    // The pixel square against the tangent: its corners' and sides' distances from its centre
    // along the normal, 1 / the wider component and 1 / (2 wide narrow) (see coverageOf).
    double toCorner = 0.0;
    double toSide = 0.0;
    double perWide = 0.0;
    double perCornerArea = 0.0;
};

float FilteredSource::bicubicCoverage(const Level &level, const LevelDisk &disk, double x, double y)
{
    const int x0 = floorToInt(x, level.width);
    const int y0 = floorToInt(y, level.height);
    float wx[4], wy[4];
    cubicWeights(x - x0, y - y0, wx, wy);
    float sum = 0.0f;
    for (int j = 0; j < 4; ++j) {
        const int row = clampIndex(y0 - 1 + j, level.height);
        float r = 0.0f;
        for (int i = 0; i < 4; ++i)
            r += wx[i] * disk.coverage(clampIndex(x0 - 1 + i, level.width), row);
        sum += wy[j] * r;
    }
    return sum;
}

float FilteredSource::bilinearCoverage(const Level &level, const LevelDisk &disk, double x,
                                       double y)
{
    const int x0 = floorToInt(x, level.width);
    const int y0 = floorToInt(y, level.height);
    const float fx = float(std::clamp(x - x0, 0.0, 1.0));
    const float fy = float(std::clamp(y - y0, 0.0, 1.0));
    const int xa = clampIndex(x0, level.width);
    const int xb = clampIndex(x0 + 1, level.width);
    const int ya = clampIndex(y0, level.height);
    const int yb = clampIndex(y0 + 1, level.height);
    auto c = [&](int i, int j) { return disk.coverage(i, j); };
    return (c(xa, ya) * (1 - fx) + c(xb, ya) * fx) * (1 - fy) +
           (c(xa, yb) * (1 - fx) + c(xb, yb) * fx) * fy;
}

template <typename Tap>
auto FilteredSource::average(const SourceFootprint &f, double x, double y, double step, int across,
                             int down, Tap tap)
{
    if (across == 1 && down == 1)
        return tap(x, y);
    decltype(tap(x, y)) sum = {};
    for (int j = 0; j < down; ++j) {
        const double v = tapOffsets.at[down][j];
        for (int i = 0; i < across; ++i) {
            const double u = tapOffsets.at[across][i];
            sum = sum + tap(x + (u * f.xPerColumn + v * f.xPerRow) * step,
                            y + (u * f.yPerColumn + v * f.yPerRow) * step);
        }
    }
    return sum * (1.0f / float(across * down));
}

template <typename Tap>
auto FilteredSource::averageLine(const SourceFootprint &f, double x, double y, double step,
                                 int across, int down, Tap tap)
{
    // The grid's taps in the grid's order, with the same arithmetic: the offset across a
    // side of one tap is 0.
    const int count = across * down;
    const bool downRows = across == 1;
    const double *offsets = tapOffsets.at[count];
    decltype(tap(x, y)) sum = {};
    for (int k = 0; k < count; ++k) {
        const double u = downRows ? 0.0 : offsets[k];
        const double v = downRows ? offsets[k] : 0.0;
        sum = sum + tap(x + (u * f.xPerColumn + v * f.xPerRow) * step,
                        y + (u * f.yPerColumn + v * f.yPerRow) * step);
    }
    return sum * (1.0f / float(count));
}

namespace {

// True when every pixel that taps within `reach` picture pixels of a point read lies wholly
// inside the disk; `centreSquared` is the squared distance of the point from the disk centre.
bool clearOfLimb(const FilteredSource::Disk &disk, double centreSquared, double reach)
{
    const double inner = disk.radius - reach;
    return inner > 0.0 && centreSquared < inner * inner;
}

} // namespace

bool FilteredSource::bicubicWindowOnDisk(const Level &level, const Disk &disk, double x, double y)
{
    // The pixel farthest from the disk centre is one of the window's corners.
    const int x0 = floorToInt(x, level.width);
    const int y0 = floorToInt(y, level.height);
    const double left = clampIndex(x0 - 1, level.width) - disk.centerX;
    const double right = clampIndex(x0 + 2, level.width) - disk.centerX;
    const double top = clampIndex(y0 - 1, level.height) - disk.centerY;
    const double bottom = clampIndex(y0 + 2, level.height) - disk.centerY;
    const double inner = disk.radius - 0.5 * sqrt2;
    return inner > 0.0 &&
           std::max(left * left, right * right) + std::max(top * top, bottom * bottom) <=
               inner * inner;
}

FilteredSource::Colour FilteredSource::sample(const SourceFootprint &f, const Disk &disk) const
{
    if (!(f.x >= -0.5 && f.x <= edgeX && f.y >= -0.5 && f.y <= edgeY))
        return Colour{};
    const double columnSquared = f.xPerColumn * f.xPerColumn + f.yPerColumn * f.yPerColumn;
    const double rowSquared = f.xPerRow * f.xPerRow + f.yPerRow * f.yPerRow;
    const double dx = f.x - disk.centerX;
    const double dy = f.y - disk.centerY;
    const double centreSquared = dx * dx + dy * dy;
    const double shortSquared = std::min(columnSquared, rowSquared);
    const double longSquared = std::max(columnSquared, rowSquared);
    if (longSquared <= 1.0) {
        const Level &base = levels.front();
        const Colour c = bicubicInline(base, f.x, f.y);
        if (clearOfLimb(disk, centreSquared, bicubicReach) ||
            bicubicWindowOnDisk(base, disk, f.x, f.y))
            return c;
        const LevelDisk d(disk.centerX, disk.centerY, disk.radius, f.x, f.y);
        return globeColour(c, bicubicCoverage(base, d, f.x, f.y), disk.sky);
    }

    // Average a grid of taps across the footprint.
    const int levelIndex = std::min(levelOf(shortSquared, longSquared), lastLevel);
    const Level &level = levels[levelIndex];
    const double step = level.scale;
    // Level pixel i covers base pixels [2^L i, 2^L (i + 1)), so its centre is at
    // 2^L i + (2^L - 1) / 2 in base coordinates.
    const double x = (f.x + 0.5) * step - 0.5;
    const double y = (f.y + 0.5) * step - 0.5;
    const int across = tapsForSquared(columnSquared * step * step);
    const int down = tapsForSquared(rowSquared * step * step);
    // Taps on the picture itself interpolate bicubically, which keeps footprints only a little
    // over a pixel as sharp as smaller ones; on the box-filtered levels bilinear taps suffice.
    const bool onPicture = levelIndex == 0;
    // Most footprints need one tap, or one line of them along their long side.
    const bool line = across == 1 || down == 1;
    Colour c;
    if (onPicture)
        c = line ? averageLine(f, x, y, step, across, down,
                               [&](double u, double v) { return bicubic(level, u, v); })
                 : average(f, x, y, step, across, down,
                           [&](double u, double v) { return bicubic(level, u, v); });
    else if (across == 1 && down == 1)
        c = bilinearInline(level, x, y);
    else if (line)
        c = averageLine(f, x, y, step, across, down,
                        [&](double u, double v) { return bilinearInline(level, u, v); });
    else
        c = average(f, x, y, step, across, down,
                    [&](double u, double v) { return bilinear(level, u, v); });
    // The taps spread over half the footprint's sides each way. The sides are bounded by their
    // components' absolute values first, to spare the square roots.
    const double tapReach = level.tapReach;
    const double spreadBound = 0.5 * (std::fabs(f.xPerColumn) + std::fabs(f.yPerColumn) +
                                      std::fabs(f.xPerRow) + std::fabs(f.yPerRow));
    if (clearOfLimb(disk, centreSquared, spreadBound + tapReach) ||
        clearOfLimb(disk, centreSquared,
                    0.5 * (std::sqrt(columnSquared) + std::sqrt(rowSquared)) + tapReach))
        return c;
    const LevelDisk d((disk.centerX + 0.5) * step - 0.5, (disk.centerY + 0.5) * step - 0.5,
                      disk.radius * step, x, y);
    const float coverage =
        onPicture ? average(f, x, y, step, across, down,
                            [&](double u, double v) { return bicubicCoverage(level, d, u, v); })
                  : average(f, x, y, step, across, down,
                            [&](double u, double v) { return bilinearCoverage(level, d, u, v); });
    return globeColour(c, coverage, disk.sky);
}

FilteredSource::Disk FilteredSource::diskOf(double centerX, double centerY, double radius) const
{
    Disk disk;
    disk.centerX = centerX;
    disk.centerY = centerY;
    disk.radius = radius;
    // Points 1.5 and 2.5 pixels beyond the circle, at most 1024 angles: past the limb's mixed
    // pixels, close enough to see the sky around this disk.
    const Level &base = levels.front();
    constexpr double pi = 3.14159265358979323846;
    const int angles = int(std::clamp(2 * pi * (radius + 2), 8.0, 1024.0));
    std::vector<float> channels[4];
    for (int k = 0; k < angles; ++k) {
        const double angle = 2 * pi * k / angles;
        const double cosAngle = std::cos(angle);
        const double sinAngle = std::sin(angle);
        for (double beyond : {1.5, 2.5}) {
            const double px = std::round(centerX + (radius + beyond) * cosAngle);
            const double py = std::round(centerY + (radius + beyond) * sinAngle);
            if (!(px >= 0 && px < base.width && py >= 0 && py < base.height))
                continue;
            const Colour c =
                channelsOf(base.data[std::size_t(py) * base.width + std::size_t(px)] | base.alpha);
            for (int lane = 0; lane < 4; ++lane)
                channels[lane].push_back(c[lane]);
        }
    }
    for (int lane = 0; lane < 4; ++lane) {
        std::vector<float> &v = channels[lane];
        if (v.empty())
            continue;
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        disk.sky[lane] = v[v.size() / 2];
    }
    return disk;
}
