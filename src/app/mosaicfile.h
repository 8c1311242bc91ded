#pragma once

#include "mosaic/mosaicdescription.h"

#include <QString>

// The mosaic file: an INI file with the map's settings in [General] (OutputSizeX, OutputSizeY,
// OutputQuality, ExposureMatching) and one section per picture, [picture1], [picture2], ...,
// taken in the order of their numbers (File, then CenterX, CenterY and Radius or Detect=true,
// Distance, Latitude, Longitude, Azimuth). Picture files are named relative to the mosaic
// file's folder.

// Reads the file. A missing key keeps the default of MosaicDescription (a picture's File, and
// its circle unless it has Detect=true, must be there); an unknown section or key, a value that
// is no number or lies outside the limits the program uses elsewhere, and a file without
// pictures are refused. Returns false with the reason, naming the section and the key, in error.
bool readMosaicFile(const QString &path, MosaicDescription *description, QString *error);

// Writes the description as the whole content of the file, in one step (the old file stays as
// it was when the write fails). Picture files are stored as given.
bool writeMosaicFile(const QString &path, const MosaicDescription &description, QString *error);

// A picture file's name as the mosaic file at path should hold it: relative to its folder.
QString mosaicRelativeName(const QString &mosaicPath, const QString &pictureFile);

// The most pictures a mosaic takes.
inline constexpr int maxMosaicPictures = 255;
