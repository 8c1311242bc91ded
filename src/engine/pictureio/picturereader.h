#pragma once

#include <QImage>
#include <QString>

// Pictures larger than this many pixels are refused before they are decoded: 16384 x 16384,
// a gigabyte as a 32-bit image, of which the view, the overlay and the conversion each hold
// a copy.
constexpr qint64 maxPicturePixels = qint64(16384) * 16384;

// Pictures of 16 bits per channel are delivered at 16 bits (RGBX64, or RGBA64 with alpha) up
// to this many bytes, the memory of the largest picture at 8 bits; larger ones at 8 bits.
constexpr qint64 maxSixteenBitPictureBytes = maxPicturePixels * 4;

// Reads a JPEG, PNG, GIF, TIFF or WebP picture, the format shown by the content (not the
// suffix). Returns a null image and sets error when the file is missing, is no regular file (a
// FIFO is refused without waiting), is in another format (named in the reason), is damaged (a
// JPEG, GIF, TIFF or WebP whose data ends early or that its decoder reports, a GIF image
// outside its screen included, a TIFF decompression bomb) or declares more than
// maxPicturePixels, so nothing huge is ever allocated (a GIF must stay below it: Qt's GIF
// decoder refuses exactly 16384 x 16384). A PNG or TIFF of 16 bits per channel comes at 16
// bits (RGBX64, or RGBA64 unpremultiplied when it has alpha) up to maxSixteenBitPictureBytes,
// and beyond that straight at 8 bits (RGB32 or ARGB32, each channel round(v / 257)).
//
// A JPEG of the same size as spentPicture is decoded into its memory when nobody else holds
// it, which spares a batch of equally sized frames the fresh pages of every picture.
QImage readPicture(const QString &path, QString *error = nullptr, QImage spentPicture = QImage());

// Reads a picture as readPicture does, but a JPEG whose longer side is at least twice minSide
// is decoded at 1/2, 1/4 or 1/8 of its size, the smallest size still minSide pixels long, for
// a fraction of the time: enough for a search that needs no finer detail. *reduction is the
// factor (1 when the picture is read whole); reduced pixel (i, j) stands for the block of
// source pixels whose centre is (i * reduction + (reduction - 1) / 2, j * ...).
QImage readReducedPicture(const QString &path, int minSide, int *reduction,
                          QString *error = nullptr);

// The memory of the picture the header of path declares, at eight bytes a pixel for one that
// comes at 16 bits and four otherwise; 0 when it cannot be told.
qint64 declaredPictureBytes(const QString &path);
