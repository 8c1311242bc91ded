#pragma once

#include "globecamera.h"
#include "globerenderer.h"

#include <QImage>

#include <cstdint>

// How the sun lights the globe. The sun stands `phaseAngle` degrees away from the camera as
// seen from the globe (0: fully lit, 90: half lit, beyond: a crescent), towards the picture
// direction `positionAngle` (degrees from the view point's north towards east).
struct Lighting
{
    double phaseAngle = 0.0;
    double positionAngle = 90.0;
    // Brightness at the limb relative to the disk centre is 1 - limbDarkening (linear law).
    double limbDarkening = 0.0;
    // Width of the twilight band across the terminator, as the cosine of the sun's height.
    double twilight = 0.05;
    // Brightness of the night side relative to the day side.
    double nightLevel = 0.0;
};

// The surface as the camera sees it under the lighting: darkened towards the limb and on the
// night side.
SurfaceColour litSurface(const SurfaceColour &surface, const GlobeCamera &camera,
                         const Lighting &lighting);

// What surrounds the globe and what the camera adds.
struct Dressing
{
    // Stars scattered over the sky (never in front of the disk).
    int stars = 0;
    // A soft glow outside the limb: its brightness at the limb (0..255) and its width, in
    // disk radii, over which it falls to 1/e.
    double haloStrength = 0.0;
    double haloWidth = 0.03;
    QRgb haloColour = qRgb(120, 170, 255);
    // Gaussian noise added to every channel, grey levels.
    double noise = 0.0;
    // JPEG quality of an encode-decode round (0: none).
    int jpegQuality = 0;
    std::uint32_t seed = 1;
};

// Adds the halo, the stars, the noise and the JPEG artefacts to a rendered picture of the setup.
void dressPicture(QImage &picture, const CameraSetup &setup, const Dressing &dressing);

// Pictures without a globe: a hilly landscape under a sky, and coloured noise.
QImage landscapePicture(int width, int height, std::uint32_t seed);
QImage noisePicture(int width, int height, double level, std::uint32_t seed);
