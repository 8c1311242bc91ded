#pragma once

#include <QImage>
#include <QString>

// Pictures larger than this many pixels are refused before they are decoded: 16384 x 16384,
// a gigabyte as a 32-bit image, and the view, the overlay and the conversion each hold a copy.
constexpr qint64 maxPicturePixels = qint64(16384) * 16384;

// Reads a picture with the format recognised by the image reader. Returns a null image when
// the file is missing, not a picture, damaged (a JPEG whose data ends early), or declares a
// size beyond maxPicturePixels, so nothing huge is ever allocated.
QImage readPicture(const QString &path);
