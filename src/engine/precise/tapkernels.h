#pragma once

#include "engine/precise/preciseprojection.h"
#include "engine/precise/samplingplan.h"

#include <QRgb>
#include <QtGlobal>

#include <cstdint>
#include <cstring>

// The precise sampler's taps: the interpolating cubic at a point of one level of the picture,
// and the mean of a grid of such taps across a footprint. Both read the level's colours or,
// through the same weights, any other value per pixel (the limb solve reads the disk's
// coverage of each pixel). Levels hold pixels of 8 or 16 bits per channel; the taps give the
// same Colour for both.
namespace taps {

// Premultiplied colour with channels in 0..255, in the order of a QRgb's bytes in memory
// (blue, green, red, alpha): four floats that the compiler keeps in one vector register.
using Colour = float __attribute__((vector_size(16)));
constexpr int alphaLane = 3;

using Int4 = std::int32_t __attribute__((vector_size(16)));
using UInt4 = std::uint32_t __attribute__((vector_size(16)));
using Short8 = std::uint16_t __attribute__((vector_size(16)));
using Bytes16 = std::uint8_t __attribute__((vector_size(16)));

// Pixels are widened into vectors of channels: each pixel's four bytes into the four lanes of
// a Colour, in memory order.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the channel vectors take a QRgb's low byte first");

// Bytes 0-7 or 8-15 widened to 16 bits.
inline Short8 lowBytes(Bytes16 b)
{
    return Short8(__builtin_shufflevector(b, Bytes16{}, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6,
                                          22, 7, 23));
}
inline Short8 highBytes(Bytes16 b)
{
    return Short8(__builtin_shufflevector(b, Bytes16{}, 8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13,
                                          29, 14, 30, 15, 31));
}

// The first or second pixel of eight 16-bit channels as floats.
inline Colour firstPixel(Short8 s)
{
    return __builtin_convertvector(
        Int4(__builtin_shufflevector(s, Short8{}, 0, 8, 1, 9, 2, 10, 3, 11)), Colour);
}
inline Colour secondPixel(Short8 s)
{
    return __builtin_convertvector(
        Int4(__builtin_shufflevector(s, Short8{}, 4, 12, 5, 13, 6, 14, 7, 15)), Colour);
}

inline Colour channelsOf(QRgb p)
{
    return firstPixel(lowBytes(Bytes16(UInt4{p, 0, 0, 0})));
}

// Four adjacent pixels, with `alpha` or-ed into each.
inline UInt4 loadFour(const QRgb *pixels, QRgb alpha)
{
    UInt4 v;
    std::memcpy(&v, pixels, sizeof v);
    return v | alpha;
}

// A pixel of 16 bits per channel as QImage's 64-bit formats hold it: red, green, blue and alpha
// from the low bits up.
using Pixel64 = std::uint64_t;
using Long2 = std::uint64_t __attribute__((vector_size(16)));

// The channels of pixels as they lie in memory, in the units of their type: a QRgb's bytes
// (blue, green, red, alpha), a Pixel64's 16-bit words (red, green, blue, alpha).
inline Colour rawChannels(QRgb p)
{
    return channelsOf(p);
}
inline Colour rawChannels(Pixel64 p)
{
    return firstPixel(Short8(Long2{p, 0}));
}

// Four adjacent pixels' raw channels, with `alpha` or-ed into each.
inline void loadFourChannels(const QRgb *pixels, QRgb alpha, Colour out[4])
{
    const Bytes16 b = Bytes16(loadFour(pixels, alpha));
    const Short8 low = lowBytes(b);
    const Short8 high = highBytes(b);
    out[0] = firstPixel(low);
    out[1] = secondPixel(low);
    out[2] = firstPixel(high);
    out[3] = secondPixel(high);
}
inline void loadFourChannels(const Pixel64 *pixels, Pixel64 alpha, Colour out[4])
{
    Long2 first, second;
    std::memcpy(&first, pixels, sizeof first);
    std::memcpy(&second, pixels + 2, sizeof second);
    const Short8 a = Short8(first | alpha);
    const Short8 b = Short8(second | alpha);
    out[0] = firstPixel(a);
    out[1] = secondPixel(a);
    out[2] = firstPixel(b);
    out[3] = secondPixel(b);
}

// A sum of raw channels weighted to one as a Colour: 8-bit channels are one already; 16-bit
// ones are put in a QRgb's order and scaled by 1/257, so that 0..65535 maps onto 0..255 and all
// that follows (the limb solve, the sky, the mosaic's blend) works on one scale whatever the
// depth. A float's 24 bits keep the 16 bits of the channels.
inline Colour toColour(Colour raw, QRgb)
{
    return raw;
}
inline Colour toColour(Colour raw, Pixel64)
{
    return __builtin_shufflevector(raw, raw, 2, 1, 0, 3) * (1.0f / 257.0f);
}

// The Colour of one pixel.
template <typename Pixel> Colour colourOf(Pixel p)
{
    return toColour(rawChannels(p), Pixel{});
}

// One level of the picture: the picture itself, or a box-filtered reduction of it, of 8-bit
// (QRgb) or 16-bit (Pixel64) pixels.
template <typename Pixel> struct Level
{
    int width = 0;
    int height = 0;
    const Pixel *data = nullptr;
    // Or-ed into every pixel read: RGB32 and RGBX64 pictures need not hold an opaque alpha.
    Pixel alpha = 0;
    // Level pixels per picture pixel: 2^-index.
    double scale = 1.0;
    // Centre of the last column and row.
    double lastX = 0.0;
    double lastY = 0.0;
};

// Index of a tap, clamped to the level (the edge pixels extend outward).
inline int clampIndex(int i, int size)
{
    return i < 0 ? 0 : (i >= size ? size - 1 : i);
}

// Whole part of a tap position, kept within a little of the level so that the tap indices
// around it cannot overflow (the taps are clamped to the level anyway). Truncation and a step
// down for negative fractions: std::floor is a long sequence where SSE4.1 cannot be assumed.
inline int floorToInt(double v, int size)
{
    if (!(v >= -2.0))
        return -2;
    if (v > size + 2.0)
        return size + 2;
    const int whole = int(v);
    return whole - (double(whole) > v);
}

// The interpolating cubic of the taps, one of the two-parameter family of piecewise cubics with
// continuous slope (B, C): k(x) = (a3 |x|^3 + a2 x^2 + a0) / 6 for |x| < 1 and
// (b3 |x|^3 + b2 x^2 + b1 |x| + b0) / 6 for 1 <= |x| < 2. Its weights sum to 1 everywhere.
// B = -1/4 weights the pixels at whole positions -1/24, 13/12, -1/24: a pixel's value is the
// mean over its area, which lowers a curved surface's value at the pixel centre by its
// second difference / 24, and these weights give that back (a level's pixels are means over
// their areas too). C = 1/4 rather than the usual 1/2 keeps the overshoot at sharp edges
// small; on rendered globes with coasts, grid lines and fine noise this pair had about 3 %
// less error than Catmull-Rom (B = 0, C = 1/2).
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

// The kernel's weights for the four pixels around the fractions tx and ty, the four of each
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

// The cubic at level point (x, y), pixel (i, j) centred on (i, j). Inlined where it is called:
// a call would spill every live double, as the ABI keeps no vector register across calls.
template <typename Pixel>
__attribute__((always_inline)) inline Colour cubicAt(const Level<Pixel> &level, double x, double y)
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
        const Pixel *line = level.data + std::size_t(y0 - 1) * level.width + (x0 - 1);
        for (int j = 0; j < 4; ++j, line += level.width) {
            Colour p[4];
            loadFourChannels(line, level.alpha, p);
            Colour r = {};
            r = r + wx[0] * p[0];
            r = r + wx[1] * p[1];
            r = r + wx[2] * p[2];
            r = r + wx[3] * p[3];
            c = c + wy[j] * r;
        }
        return toColour(c, Pixel{});
    }
    const int x0 = floorToInt(x, level.width);
    const int y0 = floorToInt(y, level.height);
    cubicWeights(x - x0, y - y0, wx, wy);
    int columns[4];
    for (int i = 0; i < 4; ++i)
        columns[i] = clampIndex(x0 - 1 + i, level.width);
    for (int j = 0; j < 4; ++j) {
        const Pixel *line =
            level.data + std::size_t(clampIndex(y0 - 1 + j, level.height)) * level.width;
        Colour r = {};
        for (int i = 0; i < 4; ++i)
            r = r + wx[i] * rawChannels(Pixel(line[columns[i]] | level.alpha));
        c = c + wy[j] * r;
    }
    return toColour(c, Pixel{});
}

// The same weights applied to read(i, j), a float per pixel, at clamped indices.
template <typename Pixel, typename Read>
float cubicOf(const Level<Pixel> &level, double x, double y, Read read)
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
            r += wx[i] * read(clampIndex(x0 - 1 + i, level.width), row);
        sum += wy[j] * r;
    }
    return sum;
}

// Offsets of n taps spread evenly across a footprint side of length 1, centred on 0:
// at[n][i] = (i + 0.5) / n - 0.5.
struct TapOffsets
{
    double at[sampling::maxTapsPerSide + 1][sampling::maxTapsPerSide] = {};
    constexpr TapOffsets()
    {
        for (int n = 1; n <= sampling::maxTapsPerSide; ++n)
            for (int i = 0; i < n; ++i)
                at[n][i] = (i + 0.5) / n - 0.5;
    }
};
inline constexpr TapOffsets tapOffsets;

// The mean of tap(x', y') over a grid of `across` by `down` points spread evenly across the
// footprint around level point (x, y); `step` is level pixels per picture pixel.
template <typename Tap>
auto boxOfTaps(const SourceFootprint &f, double x, double y, double step, int across, int down,
               Tap tap)
{
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

} // namespace taps
