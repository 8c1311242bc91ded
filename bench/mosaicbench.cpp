// Measures mosaics. First the speed: four 4000 x 3000 pictures merged into an 8192 x 4096 map,
// the time and the process's peak memory against the budget of the four pictures and two maps.
// Then the quality, on globes rendered by the exact camera from distance 6.6 at longitudes 0,
// 90, 180 and 270: the share of the band between latitudes -60 and 60 that the mosaic covers,
// its error there against the true surface beside that of the nearest disk centre's single
// precise map, the brightness per picture region of a set whose exposures differ by up to
// 20 %, with and without exposure matching, and the step across the seams.
//
//   orvix_mosaic_bench [--skip-speed | --speed-only]

#include "engine/basics/rowscheduler.h"
#include "engine/standard/mapconverter.h"
#include "globerenderer.h"
#include "mosaic/mosaicbuilder.h"
#include "peakmemory.h"
#include "samplesurface.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

namespace {

constexpr double bandDegrees = 60.0;
constexpr double viewDistance = 6.6;
const double viewLongitudes[] = {0.0, 90.0, 180.0, 270.0};
// The uneven set's exposures: the first picture is the reference of the matching.
const double unevenExposures[] = {1.0, 0.8, 1.15, 0.9};

int threads()
{
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

CameraSetup cameraAt(double longitude, int width, int height, int radius)
{
    CameraSetup setup;
    setup.width = width;
    setup.height = height;
    setup.centerX = width / 2;
    setup.centerY = height / 2;
    setup.radius = radius;
    setup.distance = viewDistance;
    setup.view = {0.0, longitude > 180 ? longitude - 360 : longitude};
    return setup;
}

MosaicView viewOf(const QImage &picture, const CameraSetup &setup)
{
    MosaicView view;
    view.picture = picture;
    view.centerX = setup.centerX;
    view.centerY = setup.centerY;
    view.radius = setup.radius;
    view.distance = setup.distance;
    view.latitude = setup.view.latitude;
    view.longitude = setup.view.longitude;
    return view;
}

void measureSpeed(const SampleSurface &surface)
{
    // Rendered small and enlarged: the sampling cost does not depend on where detail comes from.
    std::vector<MosaicView> views;
    for (double longitude : viewLongitudes) {
        const CameraSetup small = cameraAt(longitude, 1000, 750, 367);
        const QImage picture =
            renderGlobe(GlobeCamera(small), [&](const GeoPoint &p) { return surface.colourAt(p); })
                .scaled(4000, 3000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(QImage::Format_RGB32);
        MosaicView view = viewOf(picture, small);
        view.centerX = small.centerX * 4 + 1.5;
        view.centerY = small.centerY * 4 + 1.5;
        view.radius = small.radius * 4;
        views.push_back(view);
    }
    const double before = peakResidentMiB();
    RowScheduler scheduler(threads(), [] {});
    MosaicOptions options;
    options.mapSize = QSize(8192, 4096);
    QElapsedTimer clock;
    clock.start();
    const std::clock_t cpuStart = std::clock();
    MosaicBuilder builder;
    const MosaicResult result = builder.build(views, options, scheduler);
    const double ms = clock.nsecsElapsed() / 1e6;
    const double cpuMs = double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
    const double budget = (4.0 * 4000 * 3000 * 4 + 2.0 * 8192 * 4096 * 4) / (1 << 20);
    std::printf("mosaic 4 pictures 8192x4096: %.0f ms, peak %.0f MiB\n", ms, peakResidentMiB());
    std::printf("  (process CPU time %.0f ms: on a loaded machine it tells the work from the "
                "wait)\n",
                cpuMs);
    std::printf("  (%d threads; peak before the merge %.0f MiB; budget of four pictures and two "
                "maps %.0f MiB; covered %.1f %% of the map)\n",
                threads(), before, budget, 100.0 * result.coveredPixels / (8192.0 * 4096));
}

struct Band
{
    int firstRow = 0;
    int endRow = 0;
};

Band bandRows(int height)
{
    const double rowsPerDegree = height / 180.0;
    return {int(std::ceil((90 - bandDegrees) * rowsPerDegree - 0.5)),
            int(std::floor((90 + bandDegrees) * rowsPerDegree - 0.5)) + 1};
}

QImage trueSurface(const SampleSurface &surface, QSize size)
{
    QImage truth(size, QImage::Format_RGB32);
    for (int r = 0; r < size.height(); ++r) {
        auto *line = reinterpret_cast<QRgb *>(truth.scanLine(r));
        for (int c = 0; c < size.width(); ++c)
            line[c] = surface.colourAt({90.0 - (r + 0.5) * 180.0 / size.height(),
                                        (c + 0.5) * 360.0 / size.width() - 180.0});
    }
    return truth;
}

double greyOf(QRgb p)
{
    return (qRed(p) + qGreen(p) + qBlue(p)) / 3.0;
}

// Covered share of the band and the mean absolute error per channel over its covered pixels.
void bandError(const QImage &map, const QImage &truth, double *coverage, double *error)
{
    const Band band = bandRows(map.height());
    double sum = 0;
    qint64 covered = 0, all = 0;
    for (int r = band.firstRow; r < band.endRow; ++r) {
        const QRgb *got = reinterpret_cast<const QRgb *>(map.constScanLine(r));
        const QRgb *want = reinterpret_cast<const QRgb *>(truth.constScanLine(r));
        for (int c = 0; c < map.width(); ++c, ++all) {
            if (qAlpha(got[c]) < 255)
                continue;
            ++covered;
            sum += std::abs(qRed(got[c]) - qRed(want[c])) +
                   std::abs(qGreen(got[c]) - qGreen(want[c])) +
                   std::abs(qBlue(got[c]) - qBlue(want[c]));
        }
    }
    *coverage = double(covered) / all;
    *error = covered ? sum / (3.0 * covered) : 0;
}

// Each band pixel from the single precise map of the picture whose disk centre is nearest.
QImage nearestCentreMap(const std::vector<MosaicView> &views, QSize size)
{
    std::vector<QImage> maps;
    for (const MosaicView &view : views) {
        ConversionParameters params;
        params.centerX = int(view.centerX);
        params.centerY = int(view.centerY);
        params.radius = int(view.radius);
        params.distance = view.distance;
        params.latitude = view.latitude;
        params.longitude = view.longitude;
        params.outputWidth = size.width();
        params.outputHeight = size.height();
        params.mode = ConversionMode::Precise;
        MapConverter converter;
        converter.setEventPump([] {});
        maps.push_back(converter.convert(view.picture, params).map);
    }
    QImage merged(size, QImage::Format_ARGB32_Premultiplied);
    for (int r = 0; r < size.height(); ++r) {
        auto *line = reinterpret_cast<QRgb *>(merged.scanLine(r));
        for (int c = 0; c < size.width(); ++c) {
            const double lon = (c + 0.5) * 360.0 / size.width() - 180.0;
            std::size_t nearest = 0;
            double best = 1e9;
            for (std::size_t i = 0; i < views.size(); ++i) {
                const double d = std::abs(std::remainder(lon - views[i].longitude, 360.0));
                if (d < best) {
                    best = d;
                    nearest = i;
                }
            }
            line[c] = reinterpret_cast<const QRgb *>(maps[nearest].constScanLine(r))[c];
        }
    }
    return merged;
}

// Mean grey level per picture region (the owner map of the even mosaic) within the band.
std::vector<double> regionBrightness(const QImage &map, const QImage &owners, int pictures)
{
    std::vector<double> sum(pictures, 0.0);
    std::vector<qint64> count(pictures, 0);
    const Band band = bandRows(map.height());
    for (int r = band.firstRow; r < band.endRow; ++r) {
        const QRgb *line = reinterpret_cast<const QRgb *>(map.constScanLine(r));
        const uchar *owner = owners.constScanLine(r);
        for (int c = 0; c < map.width(); ++c) {
            if (owner[c] == 0 || qAlpha(line[c]) < 255)
                continue;
            sum[owner[c] - 1] += greyOf(line[c]);
            ++count[owner[c] - 1];
        }
    }
    for (int i = 0; i < pictures; ++i)
        sum[i] = count[i] ? sum[i] / count[i] : 0;
    return sum;
}

// The step across the seams: where the owner changes along a band row, the mean grey error
// against the truth over `strip` pixels on either side, and the absolute difference of the two
// means, averaged over every seam crossing. Texture cancels; a brightness jump does not.
double seamStep(const QImage &map, const QImage &truth, const QImage &owners)
{
    constexpr int strip = 8;
    const Band band = bandRows(map.height());
    const int width = map.width();
    double sum = 0;
    int crossings = 0;
    for (int r = band.firstRow; r < band.endRow; ++r) {
        const QRgb *got = reinterpret_cast<const QRgb *>(map.constScanLine(r));
        const QRgb *want = reinterpret_cast<const QRgb *>(truth.constScanLine(r));
        const uchar *owner = owners.constScanLine(r);
        for (int c = 0; c < width; ++c) {
            const int next = (c + 1) % width;
            if (owner[c] == owner[next] || owner[c] == 0 || owner[next] == 0)
                continue;
            double left = 0, right = 0;
            for (int k = 0; k < strip; ++k) {
                const int a = ((c - k) % width + width) % width;
                const int b = (next + k) % width;
                left += greyOf(got[a]) - greyOf(want[a]);
                right += greyOf(got[b]) - greyOf(want[b]);
            }
            sum += std::abs(left - right) / strip;
            ++crossings;
        }
    }
    return crossings ? sum / crossings : 0;
}

QImage scaledExposure(const QImage &picture, double factor)
{
    QImage out = picture.convertToFormat(QImage::Format_RGB32);
    for (int r = 0; r < out.height(); ++r) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(r));
        for (int c = 0; c < out.width(); ++c) {
            const auto channel = [factor](int v) {
                return std::min(255, int(std::lround(v * factor)));
            };
            line[c] =
                qRgb(channel(qRed(line[c])), channel(qGreen(line[c])), channel(qBlue(line[c])));
        }
    }
    return out;
}

MosaicResult merge(const std::vector<MosaicView> &views, QSize size, bool matching)
{
    RowScheduler scheduler(threads(), [] {});
    MosaicOptions options;
    options.mapSize = size;
    options.exposureMatching = matching;
    return MosaicBuilder().build(views, options, scheduler);
}

void measureQuality(const SampleSurface &surface)
{
    // The disk centre shows as many map pixels per degree as picture pixels: r sqrt((D+1)/(D-1))
    // picture pixels per radian.
    const int radius = 380;
    const int mapWidth =
        int(std::lround(piValue * radius * std::sqrt((viewDistance + 1) / (viewDistance - 1)))) * 2;
    const QSize size(mapWidth, mapWidth / 2);
    RenderOptions render;
    render.samplesPerAxis = 2;
    std::vector<MosaicView> even, uneven;
    for (std::size_t i = 0; i < std::size(viewLongitudes); ++i) {
        const CameraSetup setup = cameraAt(viewLongitudes[i], 1000, 800, radius);
        const QImage picture = renderGlobe(
            GlobeCamera(setup), [&](const GeoPoint &p) { return surface.colourAt(p); }, render);
        even.push_back(viewOf(picture, setup));
        uneven.push_back(viewOf(scaledExposure(picture, unevenExposures[i]), setup));
    }
    const QImage truth = trueSurface(surface, size);
    std::printf("\nfour views from distance %.1f at longitudes 0/90/180/270, 1000x800 pictures "
                "(radius %d), map %dx%d; band of latitudes -%.0f..%.0f\n",
                viewDistance, radius, size.width(), size.height(), bandDegrees, bandDegrees);

    const MosaicResult mosaic = merge(even, size, true);
    double coverage = 0, error = 0, nearestCoverage = 0, nearestError = 0;
    bandError(mosaic.map, truth, &coverage, &error);
    const QImage nearest = nearestCentreMap(even, size);
    bandError(nearest, truth, &nearestCoverage, &nearestError);
    std::printf("  coverage of the band: %.2f %% (target >= 99 %%)\n", 100 * coverage);
    std::printf("  error in the band: mosaic %.3f, nearest centre's single precise map %.3f "
                "grey levels: %.3fx (target <= 1.05x)\n",
                error, nearestError, error / nearestError);

    const MosaicResult matched = merge(uneven, size, true);
    const MosaicResult unmatched = merge(uneven, size, false);
    const int n = int(even.size());
    const std::vector<double> reference = regionBrightness(mosaic.map, mosaic.owners, n);
    const std::vector<double> withMatching = regionBrightness(matched.map, mosaic.owners, n);
    const std::vector<double> withoutMatching = regionBrightness(unmatched.map, mosaic.owners, n);
    std::printf("  exposures %.2f/%.2f/%.2f/%.2f: mean grey per picture region, even set | "
                "uneven matched (gain) | uneven unmatched\n",
                unevenExposures[0], unevenExposures[1], unevenExposures[2], unevenExposures[3]);
    double worstMatched = 0, leastUnmatched = 1e9;
    for (int i = 0; i < n; ++i) {
        std::printf(
            "    picture %d (longitude %3.0f): %6.2f | %6.2f (%.3f) %+5.2f | %6.2f %+6.2f\n", i + 1,
            viewLongitudes[i], reference[i], withMatching[i], matched.gains[i],
            withMatching[i] - reference[i], withoutMatching[i], withoutMatching[i] - reference[i]);
        worstMatched = std::max(worstMatched, std::abs(withMatching[i] - reference[i]));
        if (unevenExposures[i] != 1.0)
            leastUnmatched = std::min(leastUnmatched, std::abs(withoutMatching[i] - reference[i]));
    }
    std::printf("  brightness against the even set: matched within %.2f grey levels (target "
                "<= 2); unmatched off by %.2f or more where the exposure differs\n",
                worstMatched, leastUnmatched);
    const QImage nearestUneven = nearestCentreMap(uneven, size);
    std::printf(
        "  step across the seams (grey levels, mean jump of the error over 8 pixels "
        "either side): even %.2f, uneven matched %.2f, uneven unmatched %.2f; nearest "
        "centre even %.2f, uneven %.2f\n",
        seamStep(mosaic.map, truth, mosaic.owners), seamStep(matched.map, truth, mosaic.owners),
        seamStep(unmatched.map, truth, mosaic.owners), seamStep(nearest, truth, mosaic.owners),
        seamStep(nearestUneven, truth, mosaic.owners));
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const SampleSurface surface;
    if (!app.arguments().contains(QStringLiteral("--skip-speed")))
        measureSpeed(surface);
    if (!app.arguments().contains(QStringLiteral("--speed-only")))
        measureQuality(surface);
    return 0;
}
