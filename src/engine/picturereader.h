#pragma once

#include <QImage>
#include <QString>

// Pictures larger than this many pixels are refused before they are decoded: 16384 x 16384,
// a gigabyte as a 32-bit image, of which the view, the overlay and the conversion each hold
// a copy.
constexpr qint64 maxPicturePixels = qint64(16384) * 16384;

// Reads a picture in the format its content shows (not its suffix). Returns a null image and
// sets error when the file is missing, is no picture, is damaged (a JPEG whose data ends
// early included) or declares more than maxPicturePixels, so nothing huge is ever allocated.
QImage readPicture(const QString &path, QString *error = nullptr);
