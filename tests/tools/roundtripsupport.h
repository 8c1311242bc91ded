#pragma once

#include "engine/standard/mapconverter.h"
#include "globerenderer.h"

#include <QImage>
#include <QString>

#include <algorithm>
#include <array>

// Helpers of the round-trip test: a surface that encodes its own position, colour ranges,
// and one render-and-convert trip.

// A surface whose colour says where it is: red, green and blue hold the three coordinates of
// the surface point, so any mirror, swap or offset shows up as a colour error, and the colour
// changes smoothly everywhere, the poles included.
QRgb orientationColour(const GeoPoint &point);

// Channel-wise range of colours.
struct ColourRange
{
    std::array<int, 3> low{255, 255, 255};
    std::array<int, 3> high{0, 0, 0};

    void include(QRgb colour)
    {
        const std::array<int, 3> channels{qRed(colour), qGreen(colour), qBlue(colour)};
        for (int i = 0; i < 3; ++i) {
            low[i] = std::min(low[i], channels[i]);
            high[i] = std::max(high[i], channels[i]);
        }
    }
    bool contains(QRgb colour, int slack) const
    {
        const std::array<int, 3> channels{qRed(colour), qGreen(colour), qBlue(colour)};
        for (int i = 0; i < 3; ++i) {
            if (channels[i] < low[i] - slack || channels[i] > high[i] + slack)
                return false;
        }
        return true;
    }
};

// Whether a map colour is the expected one, give or take the texture's rounding.
bool closeTo(QRgb colour, QRgb expected, int tolerance);

QString describe(const GeoPoint &point);
QString describeColour(QRgb colour);

// One picture and its conversion.
struct Trip
{
    CameraSetup camera;
    ConversionParameters params;
    QImage picture;
    QImage map;
};

// Renders the surface with the camera and converts the picture with the same circle and
// distance, landing the disk centre at `landing`.
Trip convertRendered(const CameraSetup &camera, const SurfaceColour &surface,
                     const GeoPoint &landing, double convertAzimuth, int mapWidth, int mapHeight);

CameraSetup cameraSetup(int width, int height, int centerX, int centerY, int radius,
                        double distance, const GeoPoint &view, double azimuth);

// Colours the surface takes near `surfacePoint`: within the picture's sampling error around
// where the camera sees it, and within the map's own pixel error around the point itself.
ColourRange colourNeighbourhood(const GlobeCamera &globeCamera, const SurfaceColour &surface,
                                const Vec3 &surfacePoint, double picturePixels, double mapDegrees);
