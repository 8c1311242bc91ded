#include "engine/precise/filteredsource.h"

#include "engine/basics/angles.h"
#include "engine/basics/largebuffer.h"
#include "engine/basics/rowscheduler.h"
#include "engine/precise/limbsolve.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace {

using namespace taps;

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

// The same for 16-bit pixels, whose sums need 32-bit lanes: a pixel at a time.
void halveRows(const Pixel64 *in, Pixel64 alpha, int inWidth, int inHeight, Pixel64 *out,
               int outWidth, int firstRow, int endRow)
{
    using Words4 = std::uint16_t __attribute__((vector_size(8)));
    const auto widen = [alpha](Pixel64 p) {
        Words4 words;
        p |= alpha;
        std::memcpy(&words, &p, sizeof words);
        return __builtin_convertvector(words, UInt4);
    };
    for (int y = firstRow; y < endRow; ++y) {
        const Pixel64 *top = in + std::size_t(2 * y) * inWidth;
        const Pixel64 *bottom = in + std::size_t(std::min(2 * y + 1, inHeight - 1)) * inWidth;
        Pixel64 *line = out + std::size_t(y) * outWidth;
        for (int x = 0; x < outWidth; ++x) {
            const int x0 = 2 * x;
            const int x1 = std::min(x0 + 1, inWidth - 1);
            const UInt4 sum =
                widen(top[x0]) + widen(top[x1]) + widen(bottom[x0]) + widen(bottom[x1]);
            const Words4 mean = __builtin_convertvector((sum + 1 + ((sum >> 2) & 1)) >> 2, Words4);
            std::memcpy(line + x, &mean, sizeof mean);
        }
    }
}

// The alpha or-ed into the pixels of a picture without an alpha channel.
Pixel64 opaqueAlpha(Pixel64)
{
    return Pixel64(0xffff) << 48;
}
QRgb opaqueAlpha(QRgb)
{
    return 0xff000000u;
}

} // namespace

template <typename Pixel>
FilteredSourceOf<Pixel>::FilteredSourceOf(const QImage &source, qint64 key, int deepestLevel,
                                          RowScheduler &scheduler)
    : picture(source), key(key), levelLimit(deepestLevel)
{
    Level<Pixel> base;
    base.width = picture.width();
    base.height = picture.height();
    base.data = reinterpret_cast<const Pixel *>(picture.constBits());
    base.alpha = picture.hasAlphaChannel() ? Pixel(0) : opaqueAlpha(Pixel{});
    base.lastX = base.width - 1.0;
    base.lastY = base.height - 1.0;
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
        levelMemory.reset(static_cast<Pixel *>(allocateLargeBuffer(total * sizeof(Pixel))));
        if (!levelMemory)
            throw std::bad_alloc();
    }
    Pixel *next = levelMemory.get();
    for (const QSize size : sizes) {
        const Level<Pixel> &in = levels.back();
        Level<Pixel> out;
        out.width = size.width();
        out.height = size.height();
        Pixel *pixels = next;
        next += std::size_t(out.width) * std::size_t(out.height);
        scheduler.run(out.height, [&](int first, int end) {
            halveRows(in.data, in.alpha, in.width, in.height, pixels, out.width, first, end);
        });
        out.data = pixels;
        out.scale = in.scale * 0.5;
        out.lastX = out.width - 1.0;
        out.lastY = out.height - 1.0;
        levels.push_back(std::move(out));
    }
    lastLevel = int(levels.size()) - 1;
}

template <typename Pixel>
typename FilteredSourceOf<Pixel>::Colour
FilteredSourceOf<Pixel>::solveLimb(const SourceFootprint &f, const Disk &disk,
                                   const sampling::Plan &plan, Colour filtered) const
{
    const Level<Pixel> &level = levels[plan.level];
    const double step = level.scale;
    const double x = (f.x + 0.5) * step - 0.5;
    const double y = (f.y + 0.5) * step - 0.5;
    const LimbSolve limb(disk, step, x, y);
    auto coverage = [&limb](int i, int j) { return limb.coverage(i, j); };
    const float share =
        plan.kernel == sampling::Kernel::Interpolate
            ? cubicOf(level, x, y, coverage)
            : boxOfTaps(f, x, y, step, plan.across, plan.down,
                        [&](double u, double v) { return cubicOf(level, u, v, coverage); });
    return LimbSolve::globeColour(filtered, share, disk.sky);
}

template <typename Pixel>
typename FilteredSourceOf<Pixel>::Disk
FilteredSourceOf<Pixel>::diskOf(double centerX, double centerY, double radius) const
{
    Disk disk;
    disk.centerX = centerX;
    disk.centerY = centerY;
    disk.radius = radius;
    // Points 1.5 and 2.5 pixels beyond the circle, at most 1024 angles: past the limb's mixed
    // pixels, close enough to see the sky around this disk.
    const Level<Pixel> &base = levels.front();
    const int angleCount = int(std::clamp(2 * angles::pi * (radius + 2), 8.0, 1024.0));
    std::vector<float> channels[4];
    for (int k = 0; k < angleCount; ++k) {
        const double angle = 2 * angles::pi * k / angleCount;
        const double cosAngle = std::cos(angle);
        const double sinAngle = std::sin(angle);
        for (double beyond : {1.5, 2.5}) {
            const double px = std::round(centerX + (radius + beyond) * cosAngle);
            const double py = std::round(centerY + (radius + beyond) * sinAngle);
            if (!(px >= 0 && px < base.width && py >= 0 && py < base.height))
                continue;
            const Colour c = colourOf(
                Pixel(base.data[std::size_t(py) * base.width + std::size_t(px)] | base.alpha));
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

template class FilteredSourceOf<QRgb>;
template class FilteredSourceOf<Pixel64>;
