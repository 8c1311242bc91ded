#pragma once

#include "globecamera.h"

#include <QColor>
#include <QImage>

#include <functional>

// Colour of the globe's surface at a geographic position.
using SurfaceColour = std::function<QRgb(const GeoPoint &)>;

struct RenderOptions
{
    // Rays per pixel along each axis; more than 1 smooths the limb and fine detail.
    int samplesPerAxis = 1;
    // The dark sky around the globe.
    QRgb background = qRgb(6, 8, 20);
};

// Renders the globe as the camera sees it: an opaque ARGB32 picture of the setup's size.
// Every ray is intersected with the sphere exactly; rays that miss it show the background.
QImage renderGlobe(const GlobeCamera &camera, const SurfaceColour &surface,
                   const RenderOptions &options = RenderOptions());
