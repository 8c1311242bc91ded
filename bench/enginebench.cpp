// Measures the conversion engine against the literal pixel-by-pixel method, side by side in one
// run: a 4000 x 3000 picture, distance 100, latitude 35.6, longitude 120, azimuth 37.5, at
// outputs 2048 x 1024 and 8192 x 8192. Prints per-stage medians and one summary line per size
// (with the fresh conversion's time as a share of the literal method's, the figure that does
// not depend on the machine, and whether the maps are byte-identical), then the precise mode's
// fresh and repeated times per size, and those of the same picture at 16 bits per channel.
//
//   orvix_engine_bench [--repeats N] [--literal-runs N] [--size WxH ...] [--precise-only]
//                      [--threads N]
//
// --precise-only skips the standard mode; --threads sets the precise mode's threads (the
// process CPU time per conversion is printed beside its wall time, which on a loaded machine
// tells the work from the wait).

#include "engine/standard/mapconverter.h"
#include "literalreference.h"
#include "peakmemory.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <tuple>
#include <utility>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void resetPeakResident()
{
    QFile clearRefs("/proc/self/clear_refs");
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

// A decoded photograph: opaque 32-bit pixels with detail everywhere.
QImage makeSource()
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qRgb(x * 7 + y, y * 3 ^ x, (x ^ y) * 5);
    }
    return image;
}

struct SizeFigures
{
    QSize size;
    double literal = 0;
    double first = 0;
    double repeated = 0;
    double fresh = 0;
    double peak = 0;
    // Pixels in which the engine's map differs from the literal method's, -1 when not compared.
    qint64 differing = -1;
};

// Pixels in which two maps of the same size differ.
qint64 differingPixels(const QImage &map, const QImage &literal)
{
    const QImage expected = literal.convertToFormat(map.format());
    if (expected.size() != map.size())
        return qint64(map.width()) * map.height();
    qint64 count = 0;
    for (int y = 0; y < map.height(); ++y) {
        const auto *a = reinterpret_cast<const QRgb *>(map.constScanLine(y));
        const auto *b = reinterpret_cast<const QRgb *>(expected.constScanLine(y));
        for (int x = 0; x < map.width(); ++x)
            count += a[x] != b[x];
    }
    return count;
}

SizeFigures measure(const QImage &source, ConversionParameters params, QSize size, int repeats,
                    int literalRuns)
{
    params.outputWidth = size.width();
    params.outputHeight = size.height();
    SizeFigures figures;
    figures.size = size;
    std::vector<double> geometry, gatherTimes, repeatedTimes;

    resetPeakResident();
    {
        MapConverter converter;
        for (int run = 0; run <= repeats; ++run) {
            QElapsedTimer clock;
            clock.start();
            const ConversionResult result = converter.convert(source, params);
            const double elapsed = clock.nsecsElapsed() / 1e6;
            if (!result.ok()) {
                std::fprintf(stderr, "conversion refused: %s\n", qPrintable(result.error));
                return figures;
            }
            if (run == 0) {
                figures.first = elapsed;
                geometry.push_back(result.geometryMilliseconds);
            } else {
                repeatedTimes.push_back(elapsed);
            }
            gatherTimes.push_back(result.gatherMilliseconds);
        }
    }
    figures.peak = peakResidentMiB();
    figures.repeated = median(repeatedTimes);

    // The same conversion with nothing kept from an earlier one: what a change of the circle
    // or of any setting costs.
    std::vector<double> freshTimes;
    QImage freshMap;
    for (int run = 0; run < std::max(3, repeats / 2); ++run) {
        freshMap = QImage();
        MapConverter converter;
        QElapsedTimer clock;
        clock.start();
        freshMap = converter.convert(source, params).map;
        freshTimes.push_back(clock.nsecsElapsed() / 1e6);
    }
    figures.fresh = median(freshTimes);

    std::vector<double> literalTimes;
    for (int run = 0; run < literalRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        const QImage map = literalConvert(source, params);
        literalTimes.push_back(clock.nsecsElapsed() / 1e6);
        // The fresh map must be the literal method's byte for byte.
        if (run == 0)
            figures.differing = differingPixels(freshMap, map);
    }
    figures.literal = median(literalTimes);

    std::printf("%dx%d stages: engine geometry %.0f ms (first run), engine gather %.0f ms "
                "(median of %zu), engine whole %.0f ms (median of %zu), literal whole %.0f ms "
                "(median of %zu), engine with fresh geometry %.0f ms (median of %zu)\n",
                size.width(), size.height(), geometry.front(), median(gatherTimes),
                gatherTimes.size(), figures.repeated, repeatedTimes.size(), figures.literal,
                literalTimes.size(), median(freshTimes), freshTimes.size());
    std::fflush(stdout);
    return figures;
}

// The precise mode: a fresh converter per run (nothing kept), and one converter run again on
// the same picture (geometry and filtered picture kept).
struct PreciseFigures
{
    QSize size;
    double fresh = 0;
    double repeated = 0;
    double freshCpu = 0;
    double repeatedCpu = 0;
};

// CPU time of the whole process (all threads) in milliseconds.
double processCpuMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

PreciseFigures measurePrecise(const QImage &source, ConversionParameters params, QSize size,
                              int repeats, int threads)
{
    params.mode = ConversionMode::Precise;
    params.outputWidth = size.width();
    params.outputHeight = size.height();
    PreciseFigures figures;
    figures.size = size;
    std::vector<double> freshTimes, repeatedTimes, freshCpu, repeatedCpu;
    for (int run = 0; run < repeats; ++run) {
        MapConverter converter;
        if (threads > 0)
            converter.setThreadCount(threads);
        QElapsedTimer clock;
        clock.start();
        const double cpu = processCpuMilliseconds();
        if (!converter.convert(source, params).ok())
            return figures;
        freshTimes.push_back(clock.nsecsElapsed() / 1e6);
        freshCpu.push_back(processCpuMilliseconds() - cpu);
    }
    MapConverter converter;
    if (threads > 0)
        converter.setThreadCount(threads);
    for (int run = 0; run <= repeats; ++run) {
        QElapsedTimer clock;
        clock.start();
        const double cpu = processCpuMilliseconds();
        converter.convert(source, params);
        if (run > 0) {
            repeatedTimes.push_back(clock.nsecsElapsed() / 1e6);
            repeatedCpu.push_back(processCpuMilliseconds() - cpu);
        }
    }
    figures.fresh = median(freshTimes);
    figures.repeated = median(repeatedTimes);
    figures.freshCpu = median(freshCpu);
    figures.repeatedCpu = median(repeatedCpu);
    return figures;
}

// The literal method's wall and process CPU time for one map size, medians of `runs`.
std::pair<double, double> literalMilliseconds(const QImage &source, ConversionParameters params,
                                              QSize size, int runs)
{
    params.outputWidth = size.width();
    params.outputHeight = size.height();
    std::vector<double> times, cpuTimes;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const double cpu = processCpuMilliseconds();
        literalConvert(source, params);
        times.push_back(clock.nsecsElapsed() / 1e6);
        cpuTimes.push_back(processCpuMilliseconds() - cpu);
    }
    return {median(times), median(cpuTimes)};
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    int repeats = 5;
    int literalRuns = 1;
    int threads = 0;
    bool preciseOnly = false;
    std::vector<QSize> sizes;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--precise-only")
            preciseOnly = true;
        else if (i + 1 == args.size())
            break;
        else if (args[i] == "--threads")
            threads = std::max(1, args[++i].toInt());
        else if (args[i] == "--repeats")
            repeats = std::max(1, args[++i].toInt());
        else if (args[i] == "--literal-runs")
            literalRuns = std::max(1, args[++i].toInt());
        else if (args[i] == "--size") {
            const QStringList parts = args[++i].split('x');
            if (parts.size() == 2)
                sizes.emplace_back(parts[0].toInt(), parts[1].toInt());
        }
    }
    if (sizes.empty())
        sizes = {QSize(2048, 1024), QSize(8192, 8192)};

    const QImage source = makeSource();
    ConversionParameters params;
    params.centerX = 2000;
    params.centerY = 1500;
    params.radius = 1450;
    params.distance = 100;
    params.latitude = 35.6;
    params.longitude = 120;
    params.azimuth = 37.5;

    std::vector<SizeFigures> all;
    if (!preciseOnly)
        for (const QSize &size : sizes)
            all.push_back(measure(source, params, size, repeats, literalRuns));
    std::vector<PreciseFigures> precise;
    for (const QSize &size : sizes)
        precise.push_back(measurePrecise(source, params, size, repeats, threads));
    // The same picture at 16 bits per channel: the precise mode reads it at that depth.
    const QImage deepSource = source.convertToFormat(QImage::Format_RGBX64);
    std::vector<PreciseFigures> deep;
    for (const QSize &size : sizes)
        deep.push_back(measurePrecise(deepSource, params, size, repeats, threads));
    for (const SizeFigures &f : all) {
        const QByteArray identity =
            f.differing == 0 ? QByteArray("map identical to the literal one")
            : f.differing < 0
                ? QByteArray("map not compared")
                : QByteArray::number(f.differing) + " pixels differ from the literal map";
        std::printf("%dx%d: literal %.0f ms, first %.0f ms, repeated %.0f ms, speedup %.1f x, "
                    "peak %.0f MiB, fresh %.0f ms = %.3f of the literal method, %s\n",
                    f.size.width(), f.size.height(), f.literal, f.first, f.repeated,
                    f.repeated > 0 ? f.literal / f.repeated : 0.0, f.peak, f.fresh,
                    f.literal > 0 ? f.fresh / f.literal : 0.0, identity.constData());
    }
    for (auto f = precise.rbegin(); f != precise.rend(); ++f) {
        // The precise mode's fresh time against the literal method's in this run; on a loaded
        // machine the process CPU times (the literal method runs on one thread) tell more.
        // The standard mode's run measured it already, but not its CPU time.
        double literal = 0, literalCpu = 0;
        for (const SizeFigures &s : all)
            if (s.size == f->size)
                literal = s.literal;
        if (literal <= 0)
            std::tie(literal, literalCpu) =
                literalMilliseconds(source, params, f->size, literalRuns);
        std::printf("precise %dx%d: fresh %.0f ms, repeated %.0f ms (process CPU %.0f ms, "
                    "%.0f ms), fresh %.3f of the literal method (process CPU %s)\n",
                    f->size.width(), f->size.height(), f->fresh, f->repeated, f->freshCpu,
                    f->repeatedCpu, literal > 0 ? f->fresh / literal : 0.0,
                    literalCpu > 0 ? qPrintable(QString::number(f->freshCpu / literalCpu, 'f', 3))
                                   : "not measured");
    }
    for (auto f = deep.rbegin(); f != deep.rend(); ++f)
        std::printf("precise 16-bit %dx%d: fresh %.0f ms, repeated %.0f ms (process CPU %.0f ms, "
                    "%.0f ms)\n",
                    f->size.width(), f->size.height(), f->fresh, f->repeated, f->freshCpu,
                    f->repeatedCpu);
    return 0;
}
