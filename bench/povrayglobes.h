#pragma once

#include "globecamera.h"

#include <QImage>
#include <QString>

#include <vector>

// One picture of the quality bench and the map it is converted to.
struct QualityCase
{
    QString name;
    // Names the case's files: <stem>_<tool>.png for maps that other tools made.
    QString stem;
    // The picture's file stem, shared by the cases that convert one picture to several sizes.
    QString picture;
    CameraSetup camera;
    int mapWidth = 0;
    int mapHeight = 0;
};

// Globes drawn by POV-Ray, a ray tracer this team did not write, from an equirectangular
// texture that the bench paints: fine noise over continents, a graticule and markers. The
// bench writes the texture and one scene per picture; tools/povray-globes.sh renders them.
namespace povray {

// The texture's size: its width has many divisors, so that maps of several sizes cover whole
// blocks of texels and their true values are exact block means.
constexpr int textureWidth = 4608;
constexpr int textureHeight = textureWidth / 2;

// The pictures (distances 1.5 to 100, one view turned) and, per picture, maps that shrink it
// about three times, match it, and enlarge it about twice at the disk centre.
std::vector<QualityCase> cases();

// Paints the texture: texel (c, r) shows latitude 90 - (r + 0.5) 180 / H and longitude
// (c + 0.5) 360 / W - 180.
QImage paintTexture();

// Writes texture.png, one <picture>.pov per picture and cases.txt into the folder; false with
// a message on standard error when a file cannot be written.
bool writeScenes(const QString &dir);

// The texture averaged over each map pixel's block of texels within `capDegrees` of the view
// point; other pixels have alpha 0.
QImage truthOf(const QImage &texture, const QualityCase &c, double capDegrees);

} // namespace povray
