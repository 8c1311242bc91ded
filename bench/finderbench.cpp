// The disk finder: its accuracy on the rendered scenes (per scene, the error of the centre
// and the radius and the difference of the converted maps) and its speed on a 4000 x 3000
// and a 16384 x 16384 picture, and on the latter read from a JPEG and a 16-bit PNG file as
// `orvix --find-disk` reads it.

#include "engine/finder/diskfinder.h"
#include "engine/finder/diskinfile.h"
#include "engine/pictureio/picturereader.h"
#include "finderscenes.h"
#include "globerenderer.h"
#include "samplesurface.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>

#include "deeppngwriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// Wall-clock and processor times of a few runs of the finder on one picture (processor time
// counts all threads; on a machine shared with other work the wall-clock time grows, the
// processor time hardly does).
struct Timing
{
    double medianMs = 0.0;
    double bestMs = 0.0;
    double medianCpuMs = 0.0;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

Timing timeFinder(const QImage &picture, int runs, DiskFinding &finding)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const std::clock_t start = std::clock();
        finding = findDisk(picture);
        wall.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(1000.0 * double(std::clock() - start) / CLOCKS_PER_SEC);
    }
    return {median(wall), *std::min_element(wall.begin(), wall.end()), median(cpu)};
}

// Errors of the finder on the scenes so far: the worst centre or radius error of clean and of
// hard globes, and the scenes found wrongly or beyond the bounds.
struct Tally
{
    double worst[2] = {0.0, 0.0};
    int failures = 0;
};

void printHeader()
{
    std::printf("%-48s %6s %8s %8s %8s %7s %s\n", "scene", "class", "centre", "radius", "map",
                "rms", "result");
}

// Renders one scene, finds its disk and prints a row of the table.
void printScene(const FinderScene &scene, const QByteArray &label, int width, int height,
                Tally &tally)
{
    const RenderedScene rendered = renderFinderScene(scene, width, height);
    const DiskFinding f = findDisk(rendered.picture);
    const char *name = label.constData();
    if (scene.kind != FinderScene::Kind::Globe) {
        tally.failures += f.found ? 1 : 0;
        std::printf("%-48s %6s %8s %8s %8s %7s %s\n", name, "none", "", "", "", "",
                    f.found ? "WRONG: found a disk" : qPrintable(f.reason));
        return;
    }
    if (!f.found) {
        ++tally.failures;
        std::printf("%-48s %6s not found: %s\n", name, scene.hard ? "hard" : "clean",
                    qPrintable(f.reason));
        return;
    }
    const CameraSetup &t = rendered.setup;
    const double centre = std::hypot(f.centerX - t.centerX, f.centerY - t.centerY);
    const double radius = std::fabs(f.radius - t.radius);
    const double map = mapDifferencePercent(rendered.picture, t, f.centerX, f.centerY, f.radius);
    double &w = tally.worst[scene.hard ? 1 : 0];
    w = std::max({w, centre, radius});
    const double tolerance = scene.hard ? 1.5 : 0.5;
    const bool beyond = centre > tolerance || radius > tolerance || map >= 2.0;
    tally.failures += beyond ? 1 : 0;
    std::printf("%-48s %6s %8.3f %8.3f %8.3f %7.3f support %.2f%s\n", name,
                scene.hard ? "hard" : "clean", centre, radius, map, f.rmsResidual, f.support,
                beyond ? "  BEYOND THE BOUNDS" : "");
}

void printTally(const Tally &tally)
{
    std::printf("worst error: clean %.3f px, hard %.3f px; scenes wrong or beyond the bounds "
                "(0.5 px clean, 1.5 px hard, 2 %% map): %d\n\n",
                tally.worst[0], tally.worst[1], tally.failures);
}

void printAccuracy(int width, int height)
{
    std::printf("accuracy at %dx%d (errors in pixels, map difference in %%):\n", width, height);
    printHeader();
    Tally tally;
    for (const FinderScene &scene : finderScenes())
        printScene(scene, scene.name.toUtf8(), width, height, tally);
    printTally(tally);
}

// The combined scene (night side, cropped limb, stars, halo, limb darkening, noise and JPEG)
// at other sizes, placements and seeds, and the landscapes at other seeds: the finder must
// hold up on pictures of these kinds, not on the one of each in the scene set.
void printVariants()
{
    struct Placement
    {
        const char *name;
        double x;
        double y;
        double positionAngle;
    };
    const Placement placements[] = {
        {"right", 0.85, 0.4, 250}, {"left", 0.12, 0.55, 110}, {"bottom", 0.45, 0.92, 20}};
    const QSize sizes[] = {QSize(640, 480), QSize(800, 600), QSize(1000, 750), QSize(1300, 975)};
    std::printf("the combined scene and the landscapes at other sizes, placements and seeds:\n");
    printHeader();
    Tally tally;
    for (const QSize size : sizes) {
        for (const Placement &p : placements)
            for (int seed = 0; seed < 2; ++seed) {
                FinderScene scene =
                    reseeded(finderScene(QStringLiteral("everything at once")), seed);
                scene.centerX = p.x;
                scene.centerY = p.y;
                scene.lighting.positionAngle = p.positionAngle;
                const QByteArray label = QStringLiteral("combined, %1, seed %2, %3x%4")
                                             .arg(QLatin1String(p.name))
                                             .arg(seed)
                                             .arg(size.width())
                                             .arg(size.height())
                                             .toUtf8();
                printScene(scene, label, size.width(), size.height(), tally);
            }
        for (const char *name : {"no globe: landscape", "no globe: another landscape"})
            for (int seed = 1; seed < 3; ++seed) {
                const FinderScene scene = reseeded(finderScene(QLatin1String(name)), seed);
                const QByteArray label = QStringLiteral("%1, seed %2, %3x%4")
                                             .arg(QLatin1String(name).mid(10))
                                             .arg(seed)
                                             .arg(size.width())
                                             .arg(size.height())
                                             .toUtf8();
                printScene(scene, label, size.width(), size.height(), tally);
            }
    }
    printTally(tally);
}

// A globe with stars at the given size, rendered at a quarter of it and enlarged smoothly for
// the largest pictures (which the ray-traced renderer would take minutes for). Returns the
// picture and the true circle.
QImage speedPicture(int width, int height, double &centerX, double &centerY, double &radius)
{
    FinderScene scene = finderScenes().front();
    scene.centerX = 0.47;
    scene.centerY = 0.52;
    scene.radius = 0.37;
    scene.dressing.stars = 1500;
    const int shrink = width > 4096 ? 4 : 1;
    const RenderedScene rendered = renderFinderScene(scene, width / shrink, height / shrink);
    // Enlarging by k maps pixel centre i to k i + (k - 1) / 2.
    centerX = rendered.setup.centerX * shrink + (shrink - 1) / 2.0;
    centerY = rendered.setup.centerY * shrink + (shrink - 1) / 2.0;
    radius = rendered.setup.radius * shrink;
    if (shrink == 1)
        return rendered.picture;
    return rendered.picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The picture as a PNG of 16 bits per channel (each 8-bit value v written as v * 257).
bool writeDeepPng(const QImage &picture, const QString &path)
{
    return ::writeDeepPng(
        path, picture.width(), picture.height(), [&picture](int y, std::uint16_t *row) {
            const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
            for (int x = 0; x < picture.width(); ++x) {
                row[std::size_t(x) * 3] = std::uint16_t(qRed(line[x]) * 257);
                row[std::size_t(x) * 3 + 1] = std::uint16_t(qGreen(line[x]) * 257);
                row[std::size_t(x) * 3 + 2] = std::uint16_t(qBlue(line[x]) * 257);
            }
        });
}

// What `orvix --find-disk` does with a file, against a plain decode of the whole file: the
// median of three runs each.
void printFileTiming(const QString &path, const char *kind, double x, double y, double r)
{
    std::vector<double> whole, decode;
    DiskFinding f;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        QString error;
        f = findDiskInFile(path, &error);
        whole.push_back(timer.nsecsElapsed() / 1e6);
        if (!error.isEmpty()) {
            std::printf("find disk 16384x16384 %s: the picture could not be read: %s\n", kind,
                        qPrintable(error));
            return;
        }
        timer.restart();
        const QImage picture = readPicture(path, &error);
        decode.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("find disk 16384x16384 %s, decode included: %.0f ms (median of 3; plain decode "
                "of the whole file %.0f ms; %s, centre error %.2f px, radius error %.2f px)\n",
                kind, median(whole), median(decode), f.found ? "found" : "NOT FOUND",
                std::hypot(f.centerX - x, f.centerY - y), std::fabs(f.radius - r));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bool quick = app.arguments().contains(QStringLiteral("--quick"));
    printAccuracy(800, 600);
    if (!quick) {
        printAccuracy(1000, 750);
        printAccuracy(2000, 1500);
    }
    printVariants();
    for (const QSize size : {QSize(4000, 3000), QSize(16384, 16384)}) {
        double x = 0.0, y = 0.0, r = 0.0;
        const QImage picture = speedPicture(size.width(), size.height(), x, y, r);
        DiskFinding f;
        const Timing t = timeFinder(picture, 7, f);
        std::printf("find disk %dx%d: %.0f ms (median of 7 runs; best %.0f ms, processor time "
                    "%.0f ms; %s, centre error %.2f px, radius error %.2f px)\n",
                    size.width(), size.height(), t.medianMs, t.bestMs, t.medianCpuMs,
                    f.found ? "found" : "NOT FOUND", std::hypot(f.centerX - x, f.centerY - y),
                    std::fabs(f.radius - r));
        if (size.width() == 16384) {
            QTemporaryDir folder;
            const QString jpeg = folder.filePath(QStringLiteral("globe.jpg"));
            const QString progressive = folder.filePath(QStringLiteral("progressive.jpg"));
            const QString png = folder.filePath(QStringLiteral("globe.png"));
            QImageWriter progressiveWriter(progressive, "jpeg");
            progressiveWriter.setQuality(90);
            progressiveWriter.setProgressiveScanWrite(true);
            if (!picture.save(jpeg, "JPG", 90) || !progressiveWriter.write(picture) ||
                !writeDeepPng(picture, png)) {
                std::printf("cannot write the 16384x16384 files\n");
                return 1;
            }
            printFileTiming(jpeg, "jpeg", x, y, r);
            printFileTiming(progressive, "progressive jpeg", x, y, r);
            printFileTiming(png, "16-bit PNG", x, y, r);
        }
    }
    return 0;
}
