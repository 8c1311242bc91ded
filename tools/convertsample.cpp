// orvix-convert: converts one picture of a globe into an equirectangular map with the
// program's conversion pipeline, without a window. Every setting defaults to the program's
// own first-start value; the circle defaults to the one a freshly opened picture gets.

#include "engine/pictureio/mapwriter.h"
#include "engine/pictureio/picturereader.h"
#include "engine/standard/mapconverter.h"
#include "toolsupport.h"

#include <QCoreApplication>
#include <QTextStream>

using toolsupport::fail;

namespace {

QString readParameters(const QCommandLineParser &parser, QSize pictureSize,
                       ConversionParameters &params, int &quality)
{
    const toolsupport::Circle circle =
        toolsupport::defaultCircle(pictureSize.width(), pictureSize.height());
    params.centerX = circle.centerX;
    params.centerY = circle.centerY;
    params.radius = circle.radius;
    QString error;
    if (!toolsupport::readInt(parser, "center-x", params.centerX, error) ||
        !toolsupport::readInt(parser, "center-y", params.centerY, error) ||
        !toolsupport::readInt(parser, "radius", params.radius, error) ||
        !toolsupport::readDouble(parser, "distance", params.distance, error) ||
        !toolsupport::readInt(parser, "map-width", params.outputWidth, error) ||
        !toolsupport::readInt(parser, "map-height", params.outputHeight, error) ||
        !toolsupport::readDouble(parser, "latitude", params.latitude, error) ||
        !toolsupport::readDouble(parser, "longitude", params.longitude, error) ||
        !toolsupport::readDouble(parser, "azimuth", params.azimuth, error) ||
        !toolsupport::readInt(parser, "quality", quality, error))
        return error;
    if (quality < 1 || quality > 100)
        return QStringLiteral("--quality must lie between 1 and 100");
    const QString mode = parser.value("mode");
    if (mode == QLatin1String("precise"))
        params.mode = ConversionMode::Precise;
    else if (!mode.isEmpty() && mode != QLatin1String("standard"))
        return QStringLiteral("--mode must be standard or precise");
    return MapConverter::refusalReason(params, pictureSize);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvix-convert"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Converts a picture of a globe into an equirectangular map."));
    parser.addHelpOption();
    parser.addOptions({
        {"center-x", "Column of the disk centre (picture width / 2).", "pixel"},
        {"center-y", "Row of the disk centre (picture height / 2).", "pixel"},
        {"radius", "Disk radius (0.98 of the shorter half side).", "pixels"},
        {"distance", "Camera distance in globe radii (100).", "radii"},
        {"map-width", "Map width in pixels (2048).", "pixels"},
        {"map-height", "Map height in pixels (1024).", "pixels"},
        {"latitude", "Latitude where the disk centre lands (0).", "degrees"},
        {"longitude", "Longitude where the disk centre lands (0).", "degrees"},
        {"azimuth", "Clockwise turn of the picture before mapping (0).", "degrees"},
        {"quality", "JPG quality, 1 to 100 (85).", "quality"},
        {"mode", "Conversion: standard or precise (standard).", "mode"},
    });
    parser.addPositionalArgument("picture", "Picture of the globe (JPG, PNG, GIF, TIFF or WebP).");
    parser.addPositionalArgument("map", "Map to write (.jpg, .png or .tif).");
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return fail(QStringLiteral("give one picture and one map file (see --help)"), 2);
    const QString input = positional.at(0);
    const QString output = positional.at(1);

    QString readError;
    const QImage picture = readPicture(input, &readError);
    if (picture.isNull())
        return fail(QStringLiteral("cannot read %1: %2").arg(input, readError));

    ConversionParameters params;
    int quality = 85;
    const QString problem = readParameters(parser, picture.size(), params, quality);
    if (!problem.isEmpty())
        return fail(problem, 2);

    MapConverter converter;
    const ConversionResult result = converter.convert(picture, params);
    if (!result.ok())
        return fail(QStringLiteral("cannot convert %1: %2").arg(input, result.error));

    QString error;
    if (!writeMap(result.map, output, toolsupport::mapFormatFor(output), quality, &error))
        return fail(QStringLiteral("cannot write %1: %2").arg(output, error));

    QTextStream(stdout) << "wrote " << output << ": " << params.outputWidth << " x "
                        << params.outputHeight << " from circle (" << params.centerX << ", "
                        << params.centerY << ") radius " << params.radius << ", distance "
                        << params.distance << ", "
                        << (params.mode == ConversionMode::Precise ? "precise" : "standard")
                        << '\n';
    return 0;
}
