// Measures how faithfully maps show the surface: globes with a textured surface are rendered by
// the exact ray-traced camera from several distances, view points and camera turns, with the
// disk large and small in the picture; each picture is converted in both modes and every map
// is compared with the true surface inside a 45 degree cap around the disk centre. Prints per
// case the mean absolute error in grey levels and the whole-pixel shift that fits best.
// A second table does the same for globes that POV-Ray drew from a texture (povrayglobes.h),
// with the texture's mean over each map pixel as the truth.
//
//   orvix_quality_bench [--dir DIR] [--povray DIR [--povray-only]]
//   orvix_quality_bench --povray-scenes DIR
//
// With --dir the pictures are kept in DIR (read back when present, so that other tools can
// convert the same ones; cases.txt lists their parameters) and maps that other tools made,
// DIR/<case>_<label>.png, are scored beside the two modes. --povray reads the ray tracer's
// pictures and other tools' maps from DIR, where tools/povray-globes.sh renders the scenes
// that --povray-scenes writes.

#include "engine/standard/mapconverter.h"
#include "globerenderer.h"
#include "povrayglobes.h"
#include "samplesurface.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTextStream>

#include <array>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>
#include <map>
#include <utility>
#include <vector>

namespace {

constexpr double capDegrees = 45.0;
// Shifts tried when looking for the best-fitting alignment, in map pixels each way.
constexpr int shiftReach = 3;
// Labels of maps from other tools that are scored when present.
const char *const externalLabels[] = {"gdal-bilinear", "gdal-cubic"};

// The map width that gives the disk centre as many map pixels per degree as picture pixels:
// the picture shows r sqrt((D + 1) / (D - 1)) pixels per radian there.
int matchedMapWidth(int radius, double distance)
{
    const double perRadian = radius * std::sqrt((distance + 1) / (distance - 1));
    const int width = int(std::lround(2 * piValue * perRadian / 2)) * 2;
    return std::clamp(width, 256, 4096);
}

std::vector<QualityCase> qualityCases()
{
    struct View
    {
        const char *name;
        GeoPoint point;
        double azimuth;
    };
    const View views[] = {{"view 30/20", {30.0, 20.0}, 0.0},
                          {"view -55/-120", {-55.0, -120.0}, 0.0},
                          {"view 62.5/75 turned 35", {62.5, 75.0}, 35.0}};
    struct Disk
    {
        const char *name;
        int width, height, centerX, centerY, radius;
    };
    const Disk disks[] = {{"large disk", 1000, 800, 497, 402, 380},
                          {"small disk", 480, 360, 236, 183, 110}};
    std::vector<QualityCase> cases;
    for (double distance : {1.5, 1.8, 3.0, 6.6, 100.0}) {
        for (const View &view : views) {
            for (const Disk &disk : disks) {
                QualityCase c;
                c.name = QStringLiteral("D %1, %2, %3").arg(distance).arg(view.name, disk.name);
                c.camera.width = disk.width;
                c.camera.height = disk.height;
                c.camera.centerX = disk.centerX;
                c.camera.centerY = disk.centerY;
                c.camera.radius = disk.radius;
                c.camera.distance = distance;
                c.camera.view = view.point;
                c.camera.azimuth = view.azimuth;
                c.mapWidth = matchedMapWidth(disk.radius, distance);
                c.mapHeight = c.mapWidth / 2;
                c.stem = c.picture =
                    QStringLiteral("case%1").arg(cases.size(), 2, 10, QLatin1Char('0'));
                cases.push_back(c);
            }
        }
    }
    return cases;
}

// The true surface at every map pixel centre within the cap; other pixels are marked with
// alpha 0. Map pixel (c, r) stands for latitude 90 - (r + 0.5) 180 / H and longitude
// (c + 0.5) 360 / W - 180.
QImage trueSurface(const SampleSurface &surface, const QualityCase &c)
{
    QImage truth(c.mapWidth, c.mapHeight, QImage::Format_ARGB32);
    truth.fill(0);
    const Vec3 centre = unitVector(c.camera.view);
    for (int r = 0; r < c.mapHeight; ++r) {
        QRgb *line = reinterpret_cast<QRgb *>(truth.scanLine(r));
        for (int col = 0; col < c.mapWidth; ++col) {
            const GeoPoint point{90.0 - (r + 0.5) * 180.0 / c.mapHeight,
                                 (col + 0.5) * 360.0 / c.mapWidth - 180.0};
            if (angleBetween(unitVector(point), centre) <= capDegrees)
                line[col] = surface.colourAt(point) | 0xff000000u;
        }
    }
    return truth;
}

struct Score
{
    double error = std::numeric_limits<double>::quiet_NaN();
    int shiftX = 0;
    int shiftY = 0;
};

// Mean absolute difference per channel between the map, read `dx` columns and `dy` rows
// away, and the truth over the cap.
double meanError(const QImage &map, const QImage &truth, int dx, int dy)
{
    double sum = 0;
    long count = 0;
    const int width = truth.width();
    for (int r = 0; r < truth.height(); ++r) {
        const int mr = std::clamp(r + dy, 0, truth.height() - 1);
        const QRgb *want = reinterpret_cast<const QRgb *>(truth.constScanLine(r));
        const QRgb *got = reinterpret_cast<const QRgb *>(map.constScanLine(mr));
        for (int col = 0; col < width; ++col) {
            if (qAlpha(want[col]) == 0)
                continue;
            const QRgb g = got[((col + dx) % width + width) % width];
            sum += std::abs(qRed(g) - qRed(want[col])) + std::abs(qGreen(g) - qGreen(want[col])) +
                   std::abs(qBlue(g) - qBlue(want[col]));
            ++count;
        }
    }
    return count ? sum / (3.0 * count) : std::numeric_limits<double>::quiet_NaN();
}

Score score(const QImage &map, const QImage &truth)
{
    Score best;
    if (map.size() != truth.size())
        return best;
    const QImage opaque = map.convertToFormat(QImage::Format_RGB32);
    double bestError = std::numeric_limits<double>::infinity();
    for (int dy = -shiftReach; dy <= shiftReach; ++dy) {
        for (int dx = -shiftReach; dx <= shiftReach; ++dx) {
            const double e = meanError(opaque, truth, dx, dy);
            if (e < bestError) {
                bestError = e;
                best.shiftX = dx;
                best.shiftY = dy;
            }
        }
    }
    best.error = meanError(opaque, truth, 0, 0);
    return best;
}

QImage convert(const QImage &picture, const QualityCase &c, ConversionMode mode)
{
    ConversionParameters params;
    params.centerX = c.camera.centerX;
    params.centerY = c.camera.centerY;
    params.radius = c.camera.radius;
    params.distance = c.camera.distance;
    params.latitude = c.camera.view.latitude;
    params.longitude = c.camera.view.longitude;
    params.azimuth = c.camera.azimuth;
    params.outputWidth = c.mapWidth;
    params.outputHeight = c.mapHeight;
    params.mode = mode;
    MapConverter converter;
    converter.setEventPump([] {});
    return converter.convert(picture, params).map;
}

QString describe(const Score &s)
{
    if (std::isnan(s.error))
        return QStringLiteral("%1").arg("-", 20);
    return QStringLiteral("%1 (%2,%3)").arg(s.error, 8, 'f', 2).arg(s.shiftX, 2).arg(s.shiftY, 2);
}

// Scores every case in both modes, and the other tools' maps found in `dir`, and prints the
// table with the mean error per camera distance.
template <typename PictureOf, typename TruthOf>
void printTable(const std::vector<QualityCase> &cases, const QString &dir, PictureOf pictureOf,
                TruthOf truthOf)
{
    std::printf("Mean absolute error in grey levels within %.0f degrees of the disk centre, and "
                "the best-fitting shift (columns, rows) in map pixels\n",
                capDegrees);
    std::printf("%-56s %-10s %-20s %-20s", "case", "map", "standard", "precise");
    for (const char *label : externalLabels)
        if (!dir.isEmpty())
            std::printf(" %-20s", label);
    std::printf("\n");
    // Sums of the errors per camera distance, for the means printed at the end: standard,
    // precise, then the other tools' maps (counted only where present).
    constexpr int columns = 2 + int(std::size(externalLabels));
    std::map<double, std::array<std::pair<double, int>, columns>> sums;
    std::array<std::pair<double, int>, columns> total{};
    auto add = [&](double distance, int column, double error) {
        if (!std::isnan(error)) {
            sums[distance][column].first += error;
            ++sums[distance][column].second;
            total[column].first += error;
            ++total[column].second;
        }
    };
    for (const QualityCase &c : cases) {
        const QImage picture = pictureOf(c);
        const QImage truth = truthOf(c);
        const Score standard = score(convert(picture, c, ConversionMode::Standard), truth);
        const Score precise = score(convert(picture, c, ConversionMode::Precise), truth);
        std::printf("%-56s %-10s %-20s %-20s", qPrintable(c.name),
                    qPrintable(QStringLiteral("%1x%2").arg(c.mapWidth).arg(c.mapHeight)),
                    qPrintable(describe(standard)), qPrintable(describe(precise)));
        add(c.camera.distance, 0, standard.error);
        add(c.camera.distance, 1, precise.error);
        for (std::size_t k = 0; k < std::size(externalLabels); ++k) {
            if (dir.isEmpty())
                continue;
            const QImage external(dir + "/" + c.stem + "_" + externalLabels[k] + ".png");
            const Score other = score(external, truth);
            add(c.camera.distance, 2 + int(k), other.error);
            std::printf(" %-20s", qPrintable(describe(other)));
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    std::printf("Mean error per camera distance (standard, precise");
    for (const char *label : externalLabels)
        if (!dir.isEmpty())
            std::printf(", %s", label);
    std::printf(")\n");
    auto printSums = [](const auto &sum) {
        for (const auto &[errors, count] : sum)
            if (count > 0)
                std::printf(" %8.3f", errors / count);
        std::printf("\n");
    };
    for (const auto &[distance, sum] : sums) {
        std::printf("D %-6g", distance);
        printSums(sum);
    }
    std::printf("all     ");
    printSums(total);
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString dir;
    QString povrayDir;
    QString scenesDir;
    const bool povrayOnly = args.contains("--povray-only");
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == "--dir")
            dir = args[++i];
        else if (args[i] == "--povray")
            povrayDir = args[++i];
        else if (args[i] == "--povray-scenes")
            scenesDir = args[++i];
    }
    for (const QString &folder : {dir, povrayDir, scenesDir}) {
        if (!folder.isEmpty() && !QDir().mkpath(folder)) {
            std::fprintf(stderr, "cannot make the folder %s\n", qPrintable(folder));
            return 1;
        }
    }
    if (!scenesDir.isEmpty())
        return povray::writeScenes(scenesDir) ? 0 : 1;

    const SampleSurface surface;
    const SurfaceColour colour = [&surface](const GeoPoint &p) { return surface.colourAt(p); };
    RenderOptions render;
    render.samplesPerAxis = 2;
    const std::vector<QualityCase> cases = qualityCases();

    QFile caseList(dir + "/cases.txt");
    QTextStream caseLines(&caseList);
    if (!dir.isEmpty() && !caseList.open(QIODevice::WriteOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(caseList.fileName()));
        return 1;
    }
    if (!povrayOnly) {
        std::printf(
            "Globes of the team's own renderer, the true surface at each map pixel's centre\n");
        printTable(
            cases, dir,
            [&](const QualityCase &c) {
                QImage picture;
                if (!dir.isEmpty())
                    picture.load(dir + "/" + c.picture + ".png");
                if (picture.size() != QSize(c.camera.width, c.camera.height)) {
                    picture = renderGlobe(GlobeCamera(c.camera), colour, render);
                    if (!dir.isEmpty())
                        picture.save(dir + "/" + c.picture + ".png");
                }
                if (!dir.isEmpty())
                    caseLines << c.stem << ' ' << c.camera.width << ' ' << c.camera.height << ' '
                              << c.camera.centerX << ' ' << c.camera.centerY << ' '
                              << c.camera.radius << ' ' << c.camera.distance << ' '
                              << c.camera.view.latitude << ' ' << c.camera.view.longitude << ' '
                              << c.camera.azimuth << ' ' << c.mapWidth << ' ' << c.mapHeight << ' '
                              << c.picture << Qt::endl;
                return picture;
            },
            [&](const QualityCase &c) { return trueSurface(surface, c); });
    }

    if (povrayDir.isEmpty())
        return 0;
    std::printf("\nGlobes drawn by POV-Ray, the texture's mean over each map pixel as the truth "
                "(disk circle from the known geometry)\n");
    const QImage texture(povrayDir + "/texture.png");
    const std::vector<QualityCase> drawn = povray::cases();
    for (const QualityCase &c : drawn) {
        if (texture.isNull() || !QFile::exists(povrayDir + "/" + c.picture + ".png")) {
            std::printf("skipped: %s holds no pictures drawn by POV-Ray; tools/povray-globes.sh "
                        "draws them (it needs povray)\n",
                        qPrintable(povrayDir));
            return 0;
        }
    }
    const QImage opaqueTexture = texture.convertToFormat(QImage::Format_RGB32);
    printTable(
        drawn, povrayDir,
        [&](const QualityCase &c) { return QImage(povrayDir + "/" + c.picture + ".png"); },
        [&](const QualityCase &c) { return povray::truthOf(opaqueTexture, c, capDegrees); });
    return 0;
}
