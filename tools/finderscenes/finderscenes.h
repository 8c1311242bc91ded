#pragma once

#include "globecamera.h"
#include "scenedressing.h"

#include <QImage>
#include <QString>

#include <vector>

// The pictures that show how well the disk finder works: globes rendered with a known circle
// under every condition the finder must stand (stars, noise, JPEG artefacts, limb darkening,
// halo, night side, cropped limb, non-black backdrop, small and large disks, several camera
// distances, and combinations), and pictures without a globe.
struct FinderScene
{
    enum class Kind
    {
        Globe,
        Landscape,
        Noise,
        Plain,
        Starfield
    };

    QString name;
    Kind kind = Kind::Globe;
    // Clean scenes must be found to within half a pixel, hard ones to within 1.5 pixels.
    bool hard = false;
    // The disk centre in fractions of the picture's width and height, and its radius in
    // fractions of the width (or in pixels when radiusPixels is set, for small disks).
    double centerX = 0.5;
    double centerY = 0.5;
    double radius = 0.3;
    int radiusPixels = 0;
    double distance = 100.0;
    QRgb backdrop = qRgb(6, 8, 20);
    Lighting lighting;
    Dressing dressing;
};

struct RenderedScene
{
    QImage picture;
    // The true circle (meaningful for globe scenes).
    CameraSetup setup;
};

const std::vector<FinderScene> &finderScenes();
// The scene of that name, which must be one of finderScenes().
const FinderScene &finderScene(const QString &name);
// The scene with the n-th other draw of its random stars, noise or landscape (0: its own).
FinderScene reseeded(FinderScene scene, int n);

// Renders a scene at the given size.
RenderedScene renderFinderScene(const FinderScene &scene, int width, int height);

// Mean absolute difference, in percent of full scale, between the maps converted with the
// true circle and with the found one (rounded to whole pixels as the line edits hold it),
// over the map pixels that the true circle fills.
double mapDifferencePercent(const QImage &picture, const CameraSetup &truth, double centerX,
                            double centerY, double radius);
