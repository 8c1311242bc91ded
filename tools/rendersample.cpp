// orvix-render-sample: renders the sample planet as a pinhole camera sees it and writes the
// picture as JPG or PNG (by the output's extension).

#include "engine/pictureio/mapwriter.h"
#include "globerenderer.h"
#include "samplesurface.h"
#include "toolsupport.h"

#include <QCoreApplication>
#include <QTextStream>

using toolsupport::fail;

namespace {

struct Options
{
    CameraSetup camera;
    RenderOptions render;
    int quality = 90;
    QString output;
};

// Fills the options from the command line; returns an error text when an option is malformed.
QString readOptions(const QCommandLineParser &parser, Options &options)
{
    QString error;
    CameraSetup &camera = options.camera;
    camera.view = {20.0, 10.0};
    if (!toolsupport::readInt(parser, "width", camera.width, error) ||
        !toolsupport::readInt(parser, "height", camera.height, error))
        return error;
    const toolsupport::Circle circle = toolsupport::defaultCircle(camera.width, camera.height);
    camera.centerX = circle.centerX;
    camera.centerY = circle.centerY;
    camera.radius = circle.radius;
    if (!toolsupport::readInt(parser, "center-x", camera.centerX, error) ||
        !toolsupport::readInt(parser, "center-y", camera.centerY, error) ||
        !toolsupport::readInt(parser, "radius", camera.radius, error) ||
        !toolsupport::readDouble(parser, "distance", camera.distance, error) ||
        !toolsupport::readDouble(parser, "latitude", camera.view.latitude, error) ||
        !toolsupport::readDouble(parser, "longitude", camera.view.longitude, error) ||
        !toolsupport::readDouble(parser, "azimuth", camera.azimuth, error) ||
        !toolsupport::readInt(parser, "samples", options.render.samplesPerAxis, error) ||
        !toolsupport::readInt(parser, "quality", options.quality, error))
        return error;
    if (options.render.samplesPerAxis < 1 || options.render.samplesPerAxis > 8)
        return QStringLiteral("--samples must lie between 1 and 8");
    if (options.quality < 1 || options.quality > 100)
        return QStringLiteral("--quality must lie between 1 and 100");
    return GlobeCamera::refusalReason(camera);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvix-render-sample"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Renders a made-up planet seen from outside by a pinhole camera. "
                       "The globe's limb falls exactly on the given circle."));
    parser.addHelpOption();
    parser.addOptions({
        {"width", "Picture width in pixels (1600).", "pixels"},
        {"height", "Picture height in pixels (1200).", "pixels"},
        {"center-x", "Column of the disk centre (width / 2).", "pixel"},
        {"center-y", "Row of the disk centre (height / 2).", "pixel"},
        {"radius", "Disk radius (0.98 of the shorter half side).", "pixels"},
        {"distance", "Camera distance from the centre in globe radii, above 1 (100).", "radii"},
        {"latitude", "Latitude below the camera, degrees (20).", "degrees"},
        {"longitude", "Longitude below the camera, degrees (10).", "degrees"},
        {"azimuth", "Clockwise turn of the camera, degrees (0).", "degrees"},
        {"samples", "Rays per pixel along each axis, 1 to 8 (3).", "count"},
        {"quality", "JPG quality, 1 to 100 (90).", "quality"},
    });
    parser.addPositionalArgument("output", "Picture to write (.jpg or .png).");
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return fail(QStringLiteral("give exactly one output file (see --help)"), 2);

    Options options;
    options.render.samplesPerAxis = 3;
    options.output = positional.first();
    const QString problem = readOptions(parser, options);
    if (!problem.isEmpty())
        return fail(problem, 2);

    const SampleSurface surface;
    const QImage picture = renderGlobe(
        GlobeCamera(options.camera),
        [&surface](const GeoPoint &point) { return surface.colourAt(point); }, options.render);
    if (picture.isNull())
        return fail(QStringLiteral("not enough memory for the picture"));

    QString error;
    if (!writeMap(picture, options.output, toolsupport::mapFormatFor(options.output),
                  options.quality, &error))
        return fail(QStringLiteral("cannot write %1: %2").arg(options.output, error));

    const CameraSetup &camera = options.camera;
    QTextStream(stdout) << "wrote " << options.output << ": " << camera.width << " x "
                        << camera.height << ", circle (" << camera.centerX << ", " << camera.centerY
                        << ") radius " << camera.radius << ", distance " << camera.distance
                        << ", view " << camera.view.latitude << " / " << camera.view.longitude
                        << ", azimuth " << camera.azimuth << '\n';
    return 0;
}
