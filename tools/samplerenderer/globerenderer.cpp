#include "globerenderer.h"

#include <algorithm>

namespace {

// Rays per pixel are capped so that a mistyped option cannot stall the renderer.
constexpr int maxSamplesPerAxis = 8;

// Colour of one pixel: the average of a regular grid of rays across its area, centred on the
// pixel's own point.
QRgb pixelColour(const GlobeCamera &camera, const SurfaceColour &surface, int samples,
                 QRgb background, int column, int row)
{
    int red = 0;
    int green = 0;
    int blue = 0;
    for (int sy = 0; sy < samples; ++sy) {
        for (int sx = 0; sx < samples; ++sx) {
            const double x = column + (sx + 0.5) / samples - 0.5;
            const double y = row + (sy + 0.5) / samples - 0.5;
            const std::optional<Vec3> hit = camera.globePointAt(x, y);
            const QRgb colour = hit ? surface(geoPointOf(*hit)) : background;
            red += qRed(colour);
            green += qGreen(colour);
            blue += qBlue(colour);
        }
    }
    const int count = samples * samples;
    const int half = count / 2;
    return qRgb((red + half) / count, (green + half) / count, (blue + half) / count);
}

} // namespace

QImage renderGlobe(const GlobeCamera &camera, const SurfaceColour &surface,
                   const RenderOptions &options)
{
    const CameraSetup &setup = camera.setup();
    const int samples = std::clamp(options.samplesPerAxis, 1, maxSamplesPerAxis);
    QImage picture(setup.width, setup.height, QImage::Format_ARGB32);
    if (picture.isNull())
        return picture;
    // Rows wholly above or below the disk only show the sky; the margin covers the pixel's
    // own extent.
    const int firstDiskRow = std::max(0, setup.centerY - setup.radius - 1);
    const int lastDiskRow = std::min(setup.height - 1, setup.centerY + setup.radius + 1);
    for (int row = 0; row < setup.height; ++row) {
        QRgb *line = reinterpret_cast<QRgb *>(picture.scanLine(row));
        const bool crossesDisk = row >= firstDiskRow && row <= lastDiskRow;
        for (int column = 0; column < setup.width; ++column) {
            const bool nearDisk = crossesDisk && column >= setup.centerX - setup.radius - 1 &&
                                  column <= setup.centerX + setup.radius + 1;
            line[column] =
                nearDisk ? pixelColour(camera, surface, samples, options.background, column, row)
                         : options.background;
        }
    }
    return picture;
}
