#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// TIFF and WebP files written from one picture through libtiff and libwebp directly, in the
// variants the picture reader must read.
namespace picturefiles {

struct TiffVariant
{
    int bits = 8;        // 8 or 16 per sample
    int channels = 3;    // 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA
    int compression = 1; // libtiff's COMPRESSION_*: 1 none, 5 LZW, 8 Deflate, 7 JPEG, ...
    bool tiled = false;  // 16 x 16 tiles, else strips of rowsPerStrip rows
    int rowsPerStrip = 8;
    bool associatedAlpha = false; // colours stored premultiplied by alpha
    bool ycbcr = false;           // JPEG only: YCbCr colours with 2 x 2 subsampling
    int orientation = 1;          // the orientation tag; the samples are stored turned to match
    int jpegQuality = 90;
    bool bigTiff = false; // 64-bit offsets
};

// The picture's samples as the variant stores them: grey variants take the red channel, 8-bit
// ones the nearest 8-bit value of each 16-bit channel. The file's bytes; empty on failure.
QByteArray tiffBytes(const QImage &picture, const TiffVariant &variant);

// Sets value index of the field tag in the first directory of a little-endian TIFF (the
// machine order libtiff writes here), for files that declare what their data is not. False
// when the field is not there.
bool setTiffField(QByteArray &tiff, int tag, int index, quint32 value);

// A lossless WebP, or a lossy one of the given quality; alpha is kept when the picture has an
// alpha channel. Empty on failure.
QByteArray webpBytes(const QImage &picture, bool lossless, int quality = 90);

// Writes bytes to path; false when it cannot.
bool writeFile(const QString &path, const QByteArray &bytes);

} // namespace picturefiles
