#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class QIODevice;

// The size and bits per sample the first page of a TIFF declares; an invalid size when the
// header cannot be read.
struct TiffHeader
{
    QSize size;
    int bitsPerSample = 0;
};
TiffHeader readTiffHeader(QIODevice &device);

// Decodes the first page of a TIFF with libtiff: 8 or 16 bits per sample; grey, grey and alpha,
// RGB or RGBA (associated alpha is unpremultiplied); uncompressed, PackBits, LZW, Deflate or
// JPEG (YCbCr too); strips or tiles; every orientation. 8-bit files give RGB32 or ARGB32;
// 16-bit files give RGBX64 or RGBA64 while that picture takes at most maxSixteenBitBytes, else
// RGB32 or ARGB32 with every channel rounded to the nearest 8-bit value.
//
// Returns a null image and sets error when the file declares more than maxPixels pixels, is
// of a layout that is not read (named in the reason), when a strip or tile lies beyond the
// end of the file or decodes to more bytes than its compression can give from the bytes it
// takes (a decompression bomb, refused before anything is decoded), and on any error libtiff
// reports while decoding.
QImage readTiff(QIODevice &device, qint64 maxPixels, qint64 maxSixteenBitBytes, QString *error);
