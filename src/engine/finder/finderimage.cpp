#include "engine/finder/finderimage.h"

#include "engine/basics/rowscheduler.h"

#include <algorithm>
#include <cmath>

namespace {

// Samples taken per block side at most: a block of 16 x 16 pixels is averaged from 2 x 2 of
// them, which keeps the reduction of a large picture to a fraction of its memory traffic.
constexpr int samplesPerBlockSide = 2;
// Rows whose neighbour differences feed the noise estimate.
constexpr int noiseRows = 64;
// Median absolute deviation to standard deviation, and the difference of two pixels to one.
constexpr double madToSigma = 1.4826;
const double differenceToPixel = std::sqrt(2.0);

inline void readPixel(const uchar *line, QImage::Format format, int x, float rgb[3])
{
    switch (format) {
    case QImage::Format_Grayscale8:
        rgb[0] = rgb[1] = rgb[2] = line[x];
        return;
    case QImage::Format_RGB888:
        rgb[0] = line[3 * x];
        rgb[1] = line[3 * x + 1];
        rgb[2] = line[3 * x + 2];
        return;
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied: {
        // 16 bits per channel on the same 0..255 scale, fractions kept.
        const quint16 *words = reinterpret_cast<const quint16 *>(line) + 4 * std::size_t(x);
        rgb[0] = words[0] / 257.0f;
        rgb[1] = words[1] / 257.0f;
        rgb[2] = words[2] / 257.0f;
        return;
    }
    default: {
        const QRgb pixel = reinterpret_cast<const QRgb *>(line)[x];
        rgb[0] = qRed(pixel);
        rgb[1] = qGreen(pixel);
        rgb[2] = qBlue(pixel);
        return;
    }
    }
}

} // namespace

bool hasDirectLayout(const QImage &picture)
{
    switch (picture.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_Grayscale8:
    case QImage::Format_RGB888:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
        return true;
    default:
        return false;
    }
}

ReducedPicture::ReducedPicture(const QImage &picture, int maxSide, int threads)
{
    const int longer = std::max(picture.width(), picture.height());
    scale = std::max(1, (longer + maxSide - 1) / maxSide);
    w = std::max(1, picture.width() / scale);
    h = std::max(1, picture.height() / scale);
    for (std::vector<float> &plane : planes)
        plane.assign(std::size_t(w) * std::size_t(h), 0.0f);
    const int stride = std::max(1, scale / samplesPerBlockSide);
    RowScheduler scheduler(threads, [] {});
    switch (picture.format()) {
    case QImage::Format_Grayscale8:
        reduce<QImage::Format_Grayscale8>(picture, stride, scheduler);
        break;
    case QImage::Format_RGB888:
        reduce<QImage::Format_RGB888>(picture, stride, scheduler);
        break;
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
        reduce<QImage::Format_RGBX64>(picture, stride, scheduler);
        break;
    default:
        reduce<QImage::Format_RGB32>(picture, stride, scheduler);
        break;
    }
}

ReducedPicture::ReducedPicture(const ReducedPicture &finer, int maxSide)
{
    const int step = std::max(1, (std::max(finer.w, finer.h) + maxSide - 1) / maxSide);
    scale = finer.scale * step;
    w = std::max(1, finer.w / step);
    h = std::max(1, finer.h / step);
    const int blockWidth = std::min(step, finer.w);
    const int blockHeight = std::min(step, finer.h);
    const float weight = 1.0f / float(blockWidth * blockHeight);
    for (std::size_t c = 0; c < planes.size(); ++c) {
        const std::vector<float> &source = finer.planes[c];
        std::vector<float> &plane = planes[c];
        plane.assign(std::size_t(w) * std::size_t(h), 0.0f);
        for (int v = 0; v < h; ++v)
            for (int y = v * step; y < v * step + blockHeight; ++y)
                for (int u = 0; u < w; ++u) {
                    const float *row = &source[std::size_t(y) * std::size_t(finer.w)];
                    float sum = 0.0f;
                    for (int x = u * step; x < u * step + blockWidth; ++x)
                        sum += row[x];
                    plane[std::size_t(v) * std::size_t(w) + std::size_t(u)] += sum * weight;
                }
    }
}

template <QImage::Format format>
void ReducedPicture::reduce(const QImage &picture, int stride, RowScheduler &scheduler)
{
    scheduler.run(h, [&](int firstRow, int endRow) {
        std::vector<float> sums(std::size_t(w) * 3);
        std::vector<int> counts(static_cast<std::size_t>(w));
        for (int v = firstRow; v < endRow; ++v) {
            std::fill(sums.begin(), sums.end(), 0.0f);
            std::fill(counts.begin(), counts.end(), 0);
            for (int dy = 0; dy < scale; dy += stride) {
                const uchar *line =
                    picture.constScanLine(std::min(v * scale + dy, picture.height() - 1));
                for (int u = 0; u < w; ++u) {
                    float *sum = &sums[3 * std::size_t(u)];
                    for (int x = u * scale; x < (u + 1) * scale; x += stride) {
                        float rgb[3];
                        readPixel(line, format, x, rgb);
                        sum[0] += rgb[0];
                        sum[1] += rgb[1];
                        sum[2] += rgb[2];
                        ++counts[std::size_t(u)];
                    }
                }
            }
            const std::size_t row = std::size_t(v) * std::size_t(w);
            for (std::size_t u = 0; u < std::size_t(w); ++u)
                for (std::size_t c = 0; c < 3; ++c)
                    planes[c][row + u] = sums[3 * u + c] / float(std::max(1, counts[u]));
        }
    });
}

ColourSampler::ColourSampler(const QImage &picture) : image(picture)
{
}

bool ColourSampler::sample(double x, double y, float rgb[3]) const
{
    if (!(x >= 0.0 && y >= 0.0 && x <= image.width() - 1 && y <= image.height() - 1))
        return false;
    const int x0 = std::min(int(x), image.width() - 2 < 0 ? 0 : image.width() - 2);
    const int y0 = std::min(int(y), image.height() - 2 < 0 ? 0 : image.height() - 2);
    const int x1 = std::min(x0 + 1, image.width() - 1);
    const int y1 = std::min(y0 + 1, image.height() - 1);
    const float fx = float(x - x0);
    const float fy = float(y - y0);
    float a[3], b[3], c[3], d[3];
    const QImage::Format format = image.format();
    readPixel(image.constScanLine(y0), format, x0, a);
    readPixel(image.constScanLine(y0), format, x1, b);
    readPixel(image.constScanLine(y1), format, x0, c);
    readPixel(image.constScanLine(y1), format, x1, d);
    for (int k = 0; k < 3; ++k) {
        const float top = a[k] + (b[k] - a[k]) * fx;
        const float bottom = c[k] + (d[k] - c[k]) * fx;
        rgb[k] = top + (bottom - top) * fy;
    }
    return true;
}

double ColourSampler::noiseLevel() const
{
    std::vector<float> differences;
    const int rows = std::min(noiseRows, image.height());
    const int columnStep = std::max(1, image.width() / 1024);
    for (int r = 0; r < rows; ++r) {
        const int y = int((r + 0.5) * image.height() / rows);
        const uchar *line = image.constScanLine(y);
        for (int x = 0; x + 1 < image.width(); x += columnStep) {
            float a[3], b[3];
            readPixel(line, image.format(), x, a);
            readPixel(line, image.format(), x + 1, b);
            differences.push_back(std::fabs(a[1] - b[1]));
        }
    }
    if (differences.empty())
        return 0.0;
    const auto middle = differences.begin() + std::ptrdiff_t(differences.size() / 2);
    std::nth_element(differences.begin(), middle, differences.end());
    return madToSigma * double(*middle) / differenceToPixel;
}
