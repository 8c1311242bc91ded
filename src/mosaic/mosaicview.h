#pragma once

#include <QImage>

// One picture of a mosaic and how it shows the globe: the marked circle in picture pixels
// (pixel (i, j) centred on the point (i, j), sub-pixel values kept), the camera distance in
// globe radii and the three turns in degrees, with the meaning they have for one conversion.
struct MosaicView
{
    QImage picture;
    double centerX = 0.0;
    double centerY = 0.0;
    double radius = 0.0;
    double distance = 6.6;
    double latitude = 0.0;
    double longitude = 0.0;
    double azimuth = 0.0;
};
