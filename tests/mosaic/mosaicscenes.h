#pragma once

#include "globerenderer.h"
#include "mosaic/mosaicview.h"

#include <cmath>

// Small globes for the mosaic tests, rendered by the exact camera from distance 6.6 on the
// equator: a smooth texture of grey levels 60..180 that tells longitudes apart.
namespace mosaicscenes {

inline QRgb surfaceColour(const GeoPoint &p)
{
    const double lon = degreesToRadians(p.longitude);
    const double lat = degreesToRadians(p.latitude);
    const int grey =
        int(std::lround(120 + 40 * std::sin(5 * lon) * std::cos(3 * lat) + 20 * std::cos(7 * lat)));
    return qRgb(grey, grey, grey);
}

// The view at a longitude with every colour scaled by `exposure`.
inline MosaicView view(double longitude, double exposure = 1.0)
{
    CameraSetup setup;
    setup.width = 240;
    setup.height = 200;
    setup.centerX = 120;
    setup.centerY = 100;
    setup.radius = 90;
    setup.distance = 6.6;
    setup.view = {0.0, longitude};
    QImage picture = renderGlobe(GlobeCamera(setup), [exposure](const GeoPoint &p) {
        const int grey = std::min(255, int(std::lround(qRed(surfaceColour(p)) * exposure)));
        return qRgb(grey, grey, grey);
    });
    MosaicView v;
    v.picture = picture.convertToFormat(QImage::Format_RGB32);
    v.centerX = setup.centerX;
    v.centerY = setup.centerY;
    v.radius = setup.radius;
    v.distance = setup.distance;
    v.longitude = longitude;
    return v;
}

} // namespace mosaicscenes
