#pragma once

#include <QImage>
#include <QString>

// Largest picture a batch reads: 16384 x 16384 pixels, 1 GiB at 32 bits per pixel. A file
// that declares more is refused before any pixel memory is allocated.
constexpr qint64 maxBatchPicturePixels = qint64(16384) * 16384;

// Reads a picture with automatic format detection (the content decides, not the suffix).
// Returns a null image and sets error when the file is missing, is no picture, is damaged
// or declares an absurd size.
QImage readBatchPicture(const QString &path, QString *error);
