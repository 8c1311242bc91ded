#include "filteredsource.h"

#include "numeric.h"
#include "rowscheduler.h"

#include <algorithm>
#include <cmath>

namespace {

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

// One level of half the size: every pixel the mean of the (up to) four it covers.
void halveRows(const QRgb *in, QRgb alpha, int inWidth, int inHeight, QRgb *out, int outWidth,
               int firstRow, int endRow)
{
    for (int y = firstRow; y < endRow; ++y) {
        const QRgb *top = in + std::size_t(2 * y) * inWidth;
        const QRgb *bottom = in + std::size_t(std::min(2 * y + 1, inHeight - 1)) * inWidth;
        QRgb *line = out + std::size_t(y) * outWidth;
        for (int x = 0; x < outWidth; ++x) {
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

FilteredSource::Colour FilteredSource::bicubic(const Level &level, double x, double y) const
{
    const int x0 = floorToInt(x, level.width);
    const int y0 = floorToInt(y, level.height);
    float wx[4], wy[4];
    cubicWeights(x - x0, wx);
    cubicWeights(y - y0, wy);
    int columns[4];
    for (int i = 0; i < 4; ++i)
        columns[i] = clampIndex(x0 - 1 + i, level.width);
    Colour c;
    for (int j = 0; j < 4; ++j) {
        const QRgb *line =
            level.data + std::size_t(clampIndex(y0 - 1 + j, level.height)) * level.width;
        float r = 0, g = 0, b = 0, a = 0;
        for (int i = 0; i < 4; ++i) {
            const QRgb p = line[columns[i]] | level.alpha;
            r += wx[i] * qRed(p);
            g += wx[i] * qGreen(p);
            b += wx[i] * qBlue(p);
            a += wx[i] * qAlpha(p);
        }
        c.r += wy[j] * r;
        c.g += wy[j] * g;
        c.b += wy[j] * b;
        c.a += wy[j] * a;
    }
    return c;
}

FilteredSource::Colour FilteredSource::bilinear(const Level &level, double x, double y) const
{
    const int x0 = floorToInt(x, level.width);
    const int y0 = floorToInt(y, level.height);
    // Weights in 1/256 steps; the two channel pairs of a pixel are blended along the row at
    // once, each in its own 16-bit lane (at most 255 x 256).
    const std::uint32_t wx = weight256(x - x0);
    const std::uint32_t wy = weight256(y - y0);
    const int xa = clampIndex(x0, level.width);
    const int xb = clampIndex(x0 + 1, level.width);
    const QRgb *top = level.data + std::size_t(clampIndex(y0, level.height)) * level.width;
    const QRgb *bottom = level.data + std::size_t(clampIndex(y0 + 1, level.height)) * level.width;
    auto blendRow = [&](const QRgb *line, std::uint32_t &redBlue, std::uint32_t &alphaGreen) {
        const QRgb a = line[xa] | level.alpha;
        const QRgb b = line[xb] | level.alpha;
        redBlue = (a & 0xff00ffu) * (256 - wx) + (b & 0xff00ffu) * wx;
        alphaGreen = ((a >> 8) & 0xff00ffu) * (256 - wx) + ((b >> 8) & 0xff00ffu) * wx;
    };
    std::uint32_t rbTop, agTop, rbBottom, agBottom;
    blendRow(top, rbTop, agTop);
    blendRow(bottom, rbBottom, agBottom);
    auto blendColumn = [&](std::uint32_t upper, std::uint32_t lower, int shift) {
        return float(((upper >> shift) & 0xffffu) * (256 - wy) +
                     ((lower >> shift) & 0xffffu) * wy) *
               (1.0f / 65536.0f);
    };
    Colour c;
    c.r = blendColumn(rbTop, rbBottom, 16);
    c.b = blendColumn(rbTop, rbBottom, 0);
    c.a = blendColumn(agTop, agBottom, 16);
    c.g = blendColumn(agTop, agBottom, 0);
    return c;
}

FilteredSource::Colour FilteredSource::sample(const SourceFootprint &f) const
{
    const Level &base = levels.front();
    if (!(f.x >= -0.5 && f.x <= base.width - 0.5 && f.y >= -0.5 && f.y <= base.height - 0.5))
        return Colour();
    const double columnSide = std::sqrt(f.xPerColumn * f.xPerColumn + f.yPerColumn * f.yPerColumn);
    const double rowSide = std::sqrt(f.xPerRow * f.xPerRow + f.yPerRow * f.yPerRow);
    const double longSide = std::max(columnSide, rowSide);
    if (longSide <= 1.0)
        return bicubic(base, f.x, f.y);

    // Average a grid of taps across the footprint.
    const int wanted = levelFor(std::min(columnSide, rowSide), longSide);
    const int levelIndex = std::min(wanted, levelCount() - 1);
    const Level &level = levels[levelIndex];
    const double step = std::ldexp(1.0, -levelIndex);
    // Level pixel i covers base pixels [2^L i, 2^L (i + 1)), so its centre is at
    // 2^L i + (2^L - 1) / 2 in base coordinates.
    const double x = (f.x + 0.5) * step - 0.5;
    const double y = (f.y + 0.5) * step - 0.5;
    const int across = tapsFor(columnSide * step);
    const int down = tapsFor(rowSide * step);
    // Taps on the picture itself interpolate bicubically, which keeps footprints only a little
    // over a pixel as sharp as smaller ones; on the box-filtered levels bilinear taps suffice.
    const auto tap = levelIndex == 0 ? &FilteredSource::bicubic : &FilteredSource::bilinear;
    if (across == 1 && down == 1)
        return (this->*tap)(level, x, y);
    Colour sum;
    for (int j = 0; j < down; ++j) {
        const double v = (j + 0.5) / down - 0.5;
        for (int i = 0; i < across; ++i) {
            const double u = (i + 0.5) / across - 0.5;
            const Colour c = (this->*tap)(level, x + (u * f.xPerColumn + v * f.xPerRow) * step,
                                          y + (u * f.yPerColumn + v * f.yPerRow) * step);
            sum.r += c.r;
            sum.g += c.g;
            sum.b += c.b;
            sum.a += c.a;
        }
    }
    const float n = 1.0f / float(across * down);
    sum.r *= n;
    sum.g *= n;
    sum.b *= n;
    sum.a *= n;
    return sum;
}
