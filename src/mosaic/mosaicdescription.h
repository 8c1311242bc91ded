#pragma once

#include <QString>

#include <vector>

// A mosaic as its file holds it: the map's size and quality, whether exposures are matched, and
// the pictures in order, each with its file (as written: relative to the mosaic file's folder,
// or absolute), its circle or Detect, and its view.
struct MosaicPictureEntry
{
    QString file;
    // Find the circle with the disk finder instead of taking the three values.
    bool detect = false;
    double centerX = 0.0;
    double centerY = 0.0;
    double radius = 0.0;
    double distance = 6.6;
    double latitude = 0.0;
    double longitude = 0.0;
    double azimuth = 0.0;
};

struct MosaicDescription
{
    int outputSizeX = 4096;
    int outputSizeY = 2048;
    int outputQuality = 90;
    bool exposureMatching = true;
    std::vector<MosaicPictureEntry> pictures;
};

inline bool operator==(const MosaicPictureEntry &a, const MosaicPictureEntry &b)
{
    return a.file == b.file && a.detect == b.detect && a.centerX == b.centerX &&
           a.centerY == b.centerY && a.radius == b.radius && a.distance == b.distance &&
           a.latitude == b.latitude && a.longitude == b.longitude && a.azimuth == b.azimuth;
}

inline bool operator==(const MosaicDescription &a, const MosaicDescription &b)
{
    return a.outputSizeX == b.outputSizeX && a.outputSizeY == b.outputSizeY &&
           a.outputQuality == b.outputQuality && a.exposureMatching == b.exposureMatching &&
           a.pictures == b.pictures;
}
