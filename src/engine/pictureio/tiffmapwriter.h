#pragma once

class QImage;
class QIODevice;
class QString;

// Encodes a map as a GeoTIFF into out: Deflate with the horizontal predictor, in strips, 16 bits
// a channel for a map of 64-bit pixels and 8 for every other, RGB for a map without an alpha
// channel and RGB with unassociated alpha for one with (premultiplied colours are divided
// out as Qt's PNG writer does, so the TIFF holds what a PNG of the map holds). Its GeoTIFF keys
// place it on a sphere: geographic coordinates in degrees, pixel is area, the map spanning
// longitude -180 to 180 and latitude 90 (the top row) to -90.
//
// libtiff seeks back into what it wrote, so the file is built in memory and handed to out in
// one piece: besides the map, the write holds one encoded file and one strip of pixels.
// Returns false and sets errorText when the encoder failed (out of memory, a map too large).
bool writeTiffMap(const QImage &map, QIODevice &out, QString *errorText);

// The radius of the sphere the GeoTIFF keys name, in metres: the Earth's mean radius, so that
// GIS tools measure the maps of the Earth, the most frequent globe, in true lengths. Positions
// are given in degrees and do not depend on it.
constexpr double tiffSphereRadius = 6371000.0;
