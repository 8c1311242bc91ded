#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

// World files: six lines of text beside a JPG or PNG map that tell GIS tools where its pixels
// lie on the globe. A map spans longitude -180 to 180 degrees from its left edge to its right
// and latitude 90 to -90 degrees from its top row to its bottom row.

// The world file's name for a map: the first and last letters of the map's suffix and a "w"
// (map.jpg -> map.jgw, map.png -> map.pgw, map.jpeg -> map.jgw), in the suffix's case; a map
// without a suffix gets ".wld".
QString worldFilePath(const QString &mapPath);

// The six lines for a map of this size: the pixel's width in degrees, two zero rotations, the
// pixel's height in degrees (negative: rows go south), and the longitude and latitude of the
// centre of the upper-left pixel. Numbers in their shortest exact decimal form.
QByteArray worldFileText(QSize mapSize);
