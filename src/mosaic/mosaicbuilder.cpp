#include "mosaic/mosaicbuilder.h"

#include "engine/basics/picturedepth.h"
#include "engine/basics/rowscheduler.h"
#include "mosaic/blendweight.h"
#include "mosaic/exposurematching.h"
#include "mosaic/picturesampler.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>

namespace {

using Sample = PictureSampler::Sample;

// Samples with less than this alpha lie (mostly) off the picture and are not blended.
constexpr float minAlpha = 1.0f;
// Exposure is estimated on a grid of map pixels this many map pixels apart at most
// (about 512 a row), from points that both pictures see at least this squarely and whose
// brightness lies within these grey levels (clipped values say nothing of the gain).
constexpr int estimateColumns = 512;
constexpr float estimateMinWeight = 0.01f;
constexpr float darkest = 4.0f;
constexpr float brightest = 250.0f;

// Calls visit(first, end) for the one or two pieces of the row that a span covers.
template <typename Visit>
void forEachPiece(const PictureSampler::Span &span, int width, Visit visit)
{
    const int end = span.first + span.count;
    if (span.first < std::min(end, width))
        visit(span.first, std::min(end, width));
    if (end > width)
        visit(0, std::min(end - width, span.first));
}

// The cosine above which a picture is sampled at a pixel that no picture sees squarely enough
// to weigh: the cap edge's partly covered pixels.
constexpr float edgeCosine = -0.05f;

float brightnessOf(const Sample &s)
{
    // Unpremultiplied mean of the three colours.
    return (s.colour[0] + s.colour[1] + s.colour[2]) * (255.0f / 3.0f) / s.colour[3];
}

std::vector<double> estimateGains(const std::vector<std::unique_ptr<PictureSampler>> &samplers,
                                  QSize mapSize, RowScheduler &scheduler)
{
    const int n = int(samplers.size());
    const int step = std::max(1, mapSize.width() / estimateColumns);
    const int rows = (mapSize.height() + step - 1) / step;
    ExposureSums total(n);
    std::mutex totalLock;
    scheduler.run(rows, [&](int firstRow, int endRow) {
        ExposureSums sums(n);
        std::vector<float> brightness(n), weight(n);
        for (int gridRow = firstRow; gridRow < endRow; ++gridRow) {
            const int r = std::min(mapSize.height() - 1, gridRow * step + step / 2);
            for (int c = step / 2; c < mapSize.width(); c += step) {
                for (int i = 0; i < n; ++i) {
                    weight[i] = 0;
                    const Sample s = samplers[i]->sampleAt(c, r);
                    if (s.coverage < 1.0f || s.colour[3] < 254.5f)
                        continue;
                    const float b = brightnessOf(s);
                    const float w = blendweight::ofViewCosine(s.viewCosine);
                    if (b > darkest && b < brightest && w > estimateMinWeight) {
                        brightness[i] = b;
                        weight[i] = w;
                    }
                }
                for (int i = 0; i < n; ++i)
                    for (int j = i + 1; j < n; ++j)
                        if (weight[i] > 0 && weight[j] > 0)
                            sums.addPair(i, brightness[i], j, brightness[j],
                                         std::min(weight[i], weight[j]));
            }
        }
        std::lock_guard<std::mutex> guard(totalLock);
        total.merge(sums);
    });
    return total.gains(0);
}

// The blended sums of one map row, and the weights each picture has in it.
struct RowSums
{
    RowSums(int width, int pictures)
        : colour(std::size_t(width) * 4), weight(width), best(width), owner(width),
          pictureWeight(std::size_t(width) * pictures), samples(width), cosines(width), frame(width)
    {
    }
    std::vector<float> colour;
    std::vector<float> weight;
    std::vector<float> best;
    std::vector<uchar> owner;
    // Per picture and column: the blend weight, or -1 outside the picture's span.
    std::vector<float> pictureWeight;
    std::vector<Sample> samples;
    std::vector<float> cosines;
    std::vector<float> frame;
};

// The map pixel of a blended sum, at 8 bits per channel (QRgb) or at 16 (quint64, each
// channel 257 times its 0..255 value, rounded).
template <typename Pixel> Pixel mapPixel(const float *sum, float weight)
{
    if (!(weight > 0.0f))
        return 0;
    // NaN and negative values are taken as 0, alpha at most 255 and the colours at most alpha.
    const auto limited = [](float value, float top) {
        return value > 0.0f ? (value < top ? value : top) : 0.0f;
    };
    const float alpha = limited(sum[3] / weight, 255.0f);
    constexpr bool deep = sizeof(Pixel) == 8;
    constexpr float scale = deep ? 257.0f : 1.0f;
    int channels[4];
    for (int i = 0; i < 4; ++i)
        channels[i] = int(limited(sum[i] / weight, alpha) * scale + 0.5f);
    // The lanes are blue, green, red, alpha.
    if constexpr (deep)
        return qRgba64(quint16(channels[2]), quint16(channels[1]), quint16(channels[0]),
                       quint16(channels[3]));
    else
        return qRgba(channels[2], channels[1], channels[0], channels[3]);
}

} // namespace

MosaicResult MosaicBuilder::build(const std::vector<MosaicView> &views,
                                  const MosaicOptions &options, RowScheduler &scheduler)
{
    const int n = int(views.size());
    const int width = options.mapSize.width();
    const int height = options.mapSize.height();
    // Building the samplers, the estimate and the rows: the rows weigh the most.
    done = 0;
    total = n + (options.exposureMatching && n > 1 ? 1 : 0) + height / 64 + 1;

    MosaicResult result;
    result.gains.assign(n, 1.0);
    result.leadingPixels.assign(n, 0);
    // A map of 16 bits per channel when any picture has them: it then keeps what they hold
    // beyond 8 bits, and the 8-bit pictures' values are exact in it.
    const bool deep = std::any_of(views.begin(), views.end(), [](const MosaicView &view) {
        return hasSixteenBits(view.picture);
    });
    result.map = QImage(options.mapSize, deep ? QImage::Format_RGBA64_Premultiplied
                                              : QImage::Format_ARGB32_Premultiplied);
    result.owners = QImage(options.mapSize, QImage::Format_Grayscale8);
    if (result.map.isNull() || result.owners.isNull())
        throw std::bad_alloc();

    std::vector<std::unique_ptr<PictureSampler>> samplers;
    for (const MosaicView &view : views) {
        samplers.push_back(std::make_unique<PictureSampler>(view, options.mapSize, scheduler));
        ++done;
    }
    if (options.exposureMatching && n > 1) {
        result.gains = estimateGains(samplers, options.mapSize, scheduler);
        ++done;
    }
    std::vector<float> gains(result.gains.begin(), result.gains.end());

    std::vector<std::vector<qint64>> leading;
    std::mutex leadingLock;
    std::atomic<qint64> covered{0};
    std::atomic<int> rowsDone{0};
    const int doneBefore = done;
    scheduler.run(height, [&](int firstRow, int endRow) {
        RowSums sums(width, n);
        std::vector<qint64> lead(n, 0);
        qint64 coveredHere = 0;
        for (int r = firstRow; r < endRow; ++r) {
            std::fill(sums.colour.begin(), sums.colour.end(), 0.0f);
            std::fill(sums.weight.begin(), sums.weight.end(), 0.0f);
            std::fill(sums.best.begin(), sums.best.end(), 0.0f);
            std::fill(sums.owner.begin(), sums.owner.end(), 0);
            std::fill(sums.pictureWeight.begin(), sums.pictureWeight.end(), -1.0f);
            // The weights first, which cost no sampling: each picture is then sampled only
            // where it weighs more than a negligible share of the best view.
            for (int i = 0; i < n; ++i) {
                float *weights = &sums.pictureWeight[std::size_t(i) * width];
                forEachPiece(samplers[i]->span(r), width, [&](int first, int end) {
                    samplers[i]->viewOf(r, first, end, sums.cosines.data(), sums.frame.data());
                    for (int c = first; c < end; ++c) {
                        const float cosine = sums.cosines[c - first];
                        const float inFrame = sums.frame[c - first];
                        const float w = blendweight::ofViewCosine(cosine) * inFrame;
                        // Kept as 0 where the cap may still cover part of the pixel.
                        weights[c] =
                            w > 0.0f || (cosine > edgeCosine && inFrame > 0.0f) ? w : -1.0f;
                        if (w > sums.best[c] || (sums.owner[c] == 0 && weights[c] >= 0.0f)) {
                            sums.best[c] = w;
                            sums.owner[c] = uchar(std::min(i + 1, 255));
                        }
                    }
                });
            }
            for (int i = 0; i < n; ++i) {
                const float *weights = &sums.pictureWeight[std::size_t(i) * width];
                const float gain = gains[i];
                const auto wanted = [&](int c) {
                    const float least = blendweight::negligibleShare * sums.best[c];
                    return weights[c] > least || (sums.best[c] == 0.0f && weights[c] >= 0.0f);
                };
                for (int c = 0; c < width;) {
                    if (!wanted(c)) {
                        ++c;
                        continue;
                    }
                    int end = c + 1;
                    while (end < width && wanted(end))
                        ++end;
                    samplers[i]->sampleRow(r, c, end, sums.samples.data());
                    for (int k = c; k < end; ++k) {
                        const Sample &s = sums.samples[k - c];
                        if (!(s.coverage > 0.0f) || !(s.colour[3] >= minAlpha))
                            continue;
                        const float w =
                            std::max(weights[k] - blendweight::negligibleShare * sums.best[k],
                                     blendweight::floor);
                        // Weighted by the share of the footprint on the picture too; the colour
                        // sum then divides out to the colour itself.
                        float *sum = &sums.colour[std::size_t(k) * 4];
                        const float scale = w * s.coverage;
                        for (int j = 0; j < 3; ++j)
                            sum[j] += scale * gain * s.colour[j];
                        sum[3] += scale * s.colour[3];
                        sums.weight[k] += w * s.colour[3] * (1.0f / 255.0f);
                    }
                    c = end;
                }
            }
            uchar *owners = result.owners.scanLine(r);
            const auto fillRow = [&](auto *line) {
                using Pixel = std::remove_pointer_t<decltype(line)>;
                for (int c = 0; c < width; ++c) {
                    line[c] = mapPixel<Pixel>(&sums.colour[std::size_t(c) * 4], sums.weight[c]);
                    owners[c] = line[c] ? sums.owner[c] : 0;
                    if (line[c]) {
                        ++coveredHere;
                        if (owners[c])
                            ++lead[owners[c] - 1];
                    }
                }
            };
            if (deep)
                fillRow(reinterpret_cast<quint64 *>(result.map.scanLine(r)));
            else
                fillRow(reinterpret_cast<QRgb *>(result.map.scanLine(r)));
        }
        covered += coveredHere;
        {
            std::lock_guard<std::mutex> guard(leadingLock);
            leading.push_back(std::move(lead));
        }
        const int rows = rowsDone += endRow - firstRow;
        done = doneBefore + rows / 64;
    });
    for (const std::vector<qint64> &lead : leading)
        for (int i = 0; i < n; ++i)
            result.leadingPixels[i] += lead[i];
    result.coveredPixels = covered;
    done = total.load();
    return result;
}
