// orvix-mosaic-example: renders views of the sample planet from around its equator, writes
// them with a mosaic file that names them, and merges them into the map and the map with its
// picture regions shown (the README's mosaic pictures).
//
//   orvix-mosaic-example DIR [--views N] [--distance D] [--darker K] [--exposure F]
//                            [--map WxH] [--suffix png|jpg]
//
// View k (1-based) looks at longitude (k - 1) * 360 / N; view K is rendered with every colour
// scaled by F (a darker exposure, for the rotating-body example).

#include "app/mosaicfile.h"
#include "engine/basics/rowscheduler.h"
#include "globerenderer.h"
#include "mosaic/mosaicbuilder.h"
#include "mosaic/mosaicpictures.h"
#include "mosaic/owneroverlay.h"
#include "samplesurface.h"
#include "toolsupport.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <cmath>
#include <thread>

using toolsupport::fail;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument("DIR", "folder for the views, the mosaic file and the maps");
    parser.addOptions({{"views", "number of views around the equator", "N", "4"},
                       {"distance", "camera distance in globe radii", "D", "6.6"},
                       {"darker", "the view rendered with another exposure (1-based)", "K", "0"},
                       {"exposure", "that view's exposure", "F", "0.7"},
                       {"map", "map size", "WxH", "2048x1024"},
                       {"suffix", "format of the maps: png or jpg", "SUFFIX", "png"}});
    parser.addHelpOption();
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        return fail("give one folder");
    const QString dir = parser.positionalArguments().first();
    int views = 4, darker = 0;
    double distance = 6.6, exposure = 0.7;
    QString error;
    if (!toolsupport::readInt(parser, "views", views, error) ||
        !toolsupport::readInt(parser, "darker", darker, error) ||
        !toolsupport::readDouble(parser, "distance", distance, error) ||
        !toolsupport::readDouble(parser, "exposure", exposure, error))
        return fail(error);
    const QStringList size = parser.value("map").split('x');
    const int mapWidth = size.value(0).toInt();
    const int mapHeight = size.value(1).toInt();
    if (views < 1 || views > 64 || mapWidth < 16 || mapHeight < 8 || distance <= 1)
        return fail("bad --views, --map or --distance");
    if (!QDir().mkpath(dir))
        return fail("cannot make " + dir);

    const SampleSurface surface;
    RenderOptions render;
    render.samplesPerAxis = 2;
    MosaicDescription description;
    description.outputSizeX = mapWidth;
    description.outputSizeY = mapHeight;
    for (int k = 1; k <= views; ++k) {
        CameraSetup setup;
        setup.width = 640;
        setup.height = 480;
        setup.centerX = 320;
        setup.centerY = 240;
        setup.radius = 220;
        setup.distance = distance;
        setup.view = {0.0, std::remainder((k - 1) * 360.0 / views, 360.0)};
        const double scale = k == darker ? exposure : 1.0;
        const QImage picture = renderGlobe(
            GlobeCamera(setup),
            [&](const GeoPoint &p) {
                const QRgb c = surface.colourAt(p);
                const auto channel = [scale](int v) {
                    return std::min(255, int(std::lround(v * scale)));
                };
                return qRgb(channel(qRed(c)), channel(qGreen(c)), channel(qBlue(c)));
            },
            render);
        const QString file = QStringLiteral("view%1.png").arg(k);
        if (!picture.save(QDir(dir).filePath(file)))
            return fail("cannot write " + file);
        MosaicPictureEntry entry;
        entry.file = file;
        entry.centerX = setup.centerX;
        entry.centerY = setup.centerY;
        entry.radius = setup.radius;
        entry.distance = distance;
        entry.longitude = setup.view.longitude;
        description.pictures.push_back(entry);
    }
    const QString mosaicFile = QDir(dir).filePath("mosaic.ini");
    if (!writeMosaicFile(mosaicFile, description, &error))
        return fail(error);
    const LoadedMosaic loaded = loadMosaicPictures(description, dir);
    RowScheduler scheduler(int(std::thread::hardware_concurrency()), [] {});
    MosaicOptions options;
    options.mapSize = QSize(mapWidth, mapHeight);
    const MosaicResult result = MosaicBuilder().build(loaded.views, options, scheduler);
    // Written compressed: these are pictures for the documentation.
    const QString suffix = parser.value("suffix");
    if (!result.map.save(QDir(dir).filePath("mosaic." + suffix)) ||
        !ownerOverlay(result.map, result.owners)
             .save(QDir(dir).filePath("mosaic-regions." + suffix)))
        return fail("cannot write the maps");
    return 0;
}
