// The disk finder: its accuracy on the rendered scenes (per scene, the error of the centre
// and the radius and the difference of the converted maps) and its speed on a 4000 x 3000
// and a 16384 x 16384 picture.

#include "engine/diskfinder.h"
#include "finderscenes.h"
#include "globerenderer.h"
#include "samplesurface.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

// Times the finder on one picture: the best of a few runs, in wall-clock and in processor
// time (all threads; on a machine shared with other work the wall-clock time grows, the
// processor time does not).
double findMilliseconds(const QImage &picture, int runs, DiskFinding &finding, double &cpu)
{
    double best = 1e300;
    cpu = 1e300;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const std::clock_t start = std::clock();
        finding = findDisk(picture);
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        cpu = std::min(cpu, 1000.0 * double(std::clock() - start) / CLOCKS_PER_SEC);
    }
    return best;
}

void printAccuracy(int width, int height)
{
    std::printf("accuracy at %dx%d (errors in pixels, map difference in %%):\n", width, height);
    std::printf("%-40s %6s %8s %8s %8s %7s %s\n", "scene", "class", "centre", "radius", "map",
                "rms", "result");
    double worst[2] = {0.0, 0.0};
    int failures = 0;
    for (const FinderScene &scene : finderScenes()) {
        const RenderedScene rendered = renderFinderScene(scene, width, height);
        const DiskFinding f = findDisk(rendered.picture);
        const QByteArray name = scene.name.toUtf8();
        if (scene.kind != FinderScene::Kind::Globe) {
            failures += f.found ? 1 : 0;
            std::printf("%-40s %6s %8s %8s %8s %7s %s\n", name.constData(), "none", "", "", "", "",
                        f.found ? "WRONG: found a disk" : qPrintable(f.reason));
            continue;
        }
        if (!f.found) {
            ++failures;
            std::printf("%-40s %6s not found: %s\n", name.constData(),
                        scene.hard ? "hard" : "clean", qPrintable(f.reason));
            continue;
        }
        const CameraSetup &t = rendered.setup;
        const double centre = std::hypot(f.centerX - t.centerX, f.centerY - t.centerY);
        const double radius = std::fabs(f.radius - t.radius);
        const double map =
            mapDifferencePercent(rendered.picture, t, f.centerX, f.centerY, f.radius);
        double &w = worst[scene.hard ? 1 : 0];
        w = std::max({w, centre, radius});
        const double tolerance = scene.hard ? 1.5 : 0.5;
        failures += centre > tolerance || radius > tolerance || map >= 2.0 ? 1 : 0;
        std::printf("%-40s %6s %8.3f %8.3f %8.3f %7.3f support %.2f\n", name.constData(),
                    scene.hard ? "hard" : "clean", centre, radius, map, f.rmsResidual, f.support);
    }
    std::printf("worst error: clean %.3f px, hard %.3f px; scenes wrong or beyond the bounds "
                "(0.5 px clean, 1.5 px hard, 2 %% map): %d\n",
                worst[0], worst[1], failures);
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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bool quick = app.arguments().contains(QStringLiteral("--quick"));
    printAccuracy(800, 600);
    if (!quick)
        printAccuracy(2000, 1500);
    for (const QSize size : {QSize(4000, 3000), QSize(16384, 16384)}) {
        double x = 0.0, y = 0.0, r = 0.0;
        const QImage picture = speedPicture(size.width(), size.height(), x, y, r);
        DiskFinding f;
        double cpu = 0.0;
        const double ms = findMilliseconds(picture, 5, f, cpu);
        std::printf("find disk %dx%d: %.0f ms (processor time %.0f ms; %s, centre error %.2f px, "
                    "radius error %.2f px)\n",
                    size.width(), size.height(), ms, cpu, f.found ? "found" : "NOT FOUND",
                    std::hypot(f.centerX - x, f.centerY - y), std::fabs(f.radius - r));
    }
    return 0;
}
