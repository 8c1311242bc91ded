#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class QIODevice;

// The size a WebP's header declares; invalid when it cannot be told.
QSize readWebpSize(QIODevice &device);

// Decodes a still WebP, lossy or lossless, with libwebp straight into the picture's memory:
// RGB32 when the file has no alpha, ARGB32 when it has. Returns a null image and sets error
// when the file declares more than maxPixels pixels (told by the header, before anything is
// allocated), is animated (its frames are not read), ends before its declared length, or its
// data is damaged.
QImage readWebp(QIODevice &device, qint64 maxPixels, QString *error);
