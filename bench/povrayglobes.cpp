#include "povrayglobes.h"

#include "gradientnoise.h"
#include "samplesurface.h"

#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

namespace povray {

namespace {

// Map widths whose blocks of texels are whole: divisors of the texture's width.
constexpr int mapWidths[] = {256, 288, 384, 512, 576, 768, 1152, 1536, 2304, 4608};

// The listed width nearest to `wanted` on a logarithmic scale.
int nearestMapWidth(double wanted)
{
    int best = mapWidths[0];
    for (int w : mapWidths)
        if (std::fabs(std::log(w / wanted)) < std::fabs(std::log(best / wanted)))
            best = w;
    return best;
}

// Rows of the camera's frame in globe coordinates: the picture's right and up and the view
// point's direction, with the picture turned clockwise by the azimuth (as the conversion reads
// it).
struct Frame
{
    Vec3 right;
    Vec3 up;
    Vec3 toward;
};

Frame frameOf(const CameraSetup &camera)
{
    const LocalFrame local = localFrameAt(camera.view);
    const double a = degreesToRadians(camera.azimuth);
    return {std::cos(a) * local.east - std::sin(a) * local.north,
            std::sin(a) * local.east + std::cos(a) * local.north, local.up};
}

QString number(double v)
{
    return QString::number(v, 'g', 17);
}

} // namespace

std::vector<QualityCase> cases()
{
    struct Picture
    {
        double distance;
        GeoPoint view;
        double azimuth;
        int width, height, radius;
    };
    // Odd sizes: the ray tracer's optical axis passes through the middle pixel's centre.
    std::vector<Picture> pictures;
    for (double distance : {1.5, 3.0, 6.6, 100.0}) {
        pictures.push_back({distance, {30.0, 20.0}, 0.0, 1001, 801, 380});
        pictures.push_back({distance, {-48.0, -115.0}, 30.0, 1001, 801, 380});
    }
    pictures.push_back({3.0, {62.5, 75.0}, 0.0, 401, 301, 120});
    std::vector<QualityCase> list;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Picture &p = pictures[i];
        CameraSetup camera;
        camera.width = p.width;
        camera.height = p.height;
        camera.centerX = (p.width - 1) / 2;
        camera.centerY = (p.height - 1) / 2;
        camera.radius = p.radius;
        camera.distance = p.distance;
        camera.view = p.view;
        camera.azimuth = p.azimuth;
        // Map pixels per picture pixel at the disk centre are W / (2 pi r sqrt((D+1)/(D-1))).
        const double matched =
            2 * piValue * p.radius * std::sqrt((p.distance + 1) / (p.distance - 1));
        const struct
        {
            const char *name;
            double factor;
        } scales[] = {{"shrinks 3x", 1.0 / 3}, {"matches", 1.0}, {"enlarges 2x", 2.0}};
        int previous = 0;
        for (const auto &s : scales) {
            const int width = nearestMapWidth(matched * s.factor);
            if (width == previous)
                continue;
            previous = width;
            QualityCase c;
            c.camera = camera;
            c.picture = QStringLiteral("scene%1").arg(i, 2, 10, QLatin1Char('0'));
            c.stem = QStringLiteral("pov%1").arg(list.size(), 2, 10, QLatin1Char('0'));
            c.mapWidth = width;
            c.mapHeight = width / 2;
            c.name =
                QStringLiteral("D %1, view %2/%3%4, r %5, map %6")
                    .arg(p.distance)
                    .arg(p.view.latitude)
                    .arg(p.view.longitude)
                    .arg(p.azimuth != 0 ? QStringLiteral(" turned %1").arg(p.azimuth) : QString())
                    .arg(p.radius)
                    .arg(QString::fromLatin1(s.name));
            list.push_back(c);
        }
    }
    return list;
}

QImage paintTexture()
{
    QImage texture(textureWidth, textureHeight, QImage::Format_RGB32);
    const SampleSurface surface;
    // Fine detail: noise cells of about a third of a degree, near the finest the pictures
    // resolve, and a coarser layer.
    const GradientNoise fine(29);
    auto paintRows = [&](int first, int end) {
        for (int r = first; r < end; ++r) {
            QRgb *line = reinterpret_cast<QRgb *>(texture.scanLine(r));
            for (int c = 0; c < textureWidth; ++c) {
                const GeoPoint p{90.0 - (r + 0.5) * 180.0 / textureHeight,
                                 (c + 0.5) * 360.0 / textureWidth - 180.0};
                const Vec3 d = unitVector(p);
                const double shade =
                    1.0 + 0.3 * fine.fractal(170.0 * d, 2) + 0.15 * fine.at(40.0 * d);
                const QRgb base = surface.colourAt(p);
                auto channel = [shade](int v) {
                    return std::clamp(int(std::lround(v * shade)), 0, 255);
                };
                line[c] = qRgb(channel(qRed(base)), channel(qGreen(base)), channel(qBlue(base)));
            }
        }
    };
    const int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back(paintRows, textureHeight * t / threads,
                             textureHeight * (t + 1) / threads);
    for (std::thread &w : workers)
        w.join();
    return texture;
}

bool writeScenes(const QString &dir)
{
    auto fail = [](const QString &name) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
        return false;
    };
    if (!QFile::exists(dir + "/texture.png") && !paintTexture().save(dir + "/texture.png"))
        return fail(dir + "/texture.png");
    QFile list(dir + "/cases.txt");
    if (!list.open(QIODevice::WriteOnly | QIODevice::Text))
        return fail(list.fileName());
    QTextStream lines(&list);
    QString written;
    for (const QualityCase &c : cases()) {
        const CameraSetup &k = c.camera;
        lines << c.stem << ' ' << k.width << ' ' << k.height << ' ' << k.centerX << ' ' << k.centerY
              << ' ' << k.radius << ' ' << k.distance << ' ' << k.view.latitude << ' '
              << k.view.longitude << ' ' << k.azimuth << ' ' << c.mapWidth << ' ' << c.mapHeight
              << ' ' << c.picture << '\n';
        if (c.picture == written)
            continue;
        written = c.picture;
        // The camera stands on the -z axis looking at the globe's centre with y up; the limb's
        // half angle asin(1/D) lands at r pixels when the focal length is r sqrt(D^2 - 1).
        const double focal = k.radius * std::sqrt(k.distance * k.distance - 1);
        const double angle = radiansToDegrees(2 * std::atan(k.width / (2 * focal)));
        // The spherical image map puts latitude on +y, longitude 0 on -x and 90 E on -z: a
        // globe direction g lies at (-g.x, g.z, -g.y) of the sphere. The matrix turns that
        // point to camera coordinates (g . right, g . up, -g . toward), row vector times matrix.
        const Frame f = frameOf(k);
        const Vec3 rows[3] = {f.right, f.up, -1.0 * f.toward};
        QString m;
        for (int k2 = 0; k2 < 3; ++k2)
            m += number(-rows[k2].x) + ", ";
        for (int k2 = 0; k2 < 3; ++k2)
            m += number(rows[k2].z) + ", ";
        for (int k2 = 0; k2 < 3; ++k2)
            m += number(-rows[k2].y) + ", ";
        m += "0, 0, 0";
        QFile scene(dir + "/" + c.picture + ".pov");
        if (!scene.open(QIODevice::WriteOnly | QIODevice::Text))
            return fail(scene.fileName());
        QTextStream s(&scene);
        s << "// " << c.name << "\n"
          << "global_settings { assumed_gamma 1.0 }\n"
          << "background { rgb <0.02, 0.03, 0.08> }\n"
          << "camera { perspective location <0, 0, " << number(-k.distance)
          << "> look_at <0, 0, 0> right x * " << number(double(k.width) / k.height)
          << " up y angle " << number(angle) << " }\n"
          << "sphere { 0, 1\n"
          << "  texture { pigment { image_map { png \"texture.png\" gamma 1.0 map_type 1 "
             "interpolate 2 } }\n"
          << "            finish { emission 1 diffuse 0 ambient 0 } }\n"
          << "  matrix <" << m << "> }\n";
        // The picture's size goes with the scene, for the script to pass on.
        s << "// size " << k.width << ' ' << k.height << '\n';
    }
    return true;
}

QImage truthOf(const QImage &texture, const QualityCase &c, double capDegrees)
{
    QImage truth(c.mapWidth, c.mapHeight, QImage::Format_ARGB32);
    truth.fill(0);
    if (texture.width() % c.mapWidth || texture.height() % c.mapHeight)
        return truth;
    const int block = texture.width() / c.mapWidth;
    const Vec3 centre = unitVector(c.camera.view);
    for (int r = 0; r < c.mapHeight; ++r) {
        QRgb *line = reinterpret_cast<QRgb *>(truth.scanLine(r));
        for (int col = 0; col < c.mapWidth; ++col) {
            const GeoPoint point{90.0 - (r + 0.5) * 180.0 / c.mapHeight,
                                 (col + 0.5) * 360.0 / c.mapWidth - 180.0};
            if (angleBetween(unitVector(point), centre) > capDegrees)
                continue;
            int sum[3] = {0, 0, 0};
            for (int y = r * block; y < (r + 1) * block; ++y) {
                const QRgb *texels = reinterpret_cast<const QRgb *>(texture.constScanLine(y));
                for (int x = col * block; x < (col + 1) * block; ++x) {
                    sum[0] += qRed(texels[x]);
                    sum[1] += qGreen(texels[x]);
                    sum[2] += qBlue(texels[x]);
                }
            }
            const int n = block * block;
            line[col] =
                qRgba((sum[0] + n / 2) / n, (sum[1] + n / 2) / n, (sum[2] + n / 2) / n, 255);
        }
    }
    return truth;
}

} // namespace povray
