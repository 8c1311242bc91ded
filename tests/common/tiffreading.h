#pragma once

#include <QImage>
#include <QString>

// TIFF files read back with libtiff, for the tests of TIFF maps (Qt has no TIFF reader here).
namespace tiffreading {

struct TiffFile
{
    // RGB888 or RGBA8888 for 8 bits a channel, RGBX64 or RGBA64 for 16; null when the file
    // could not be read, with the reason in error.
    QImage pixels;
    int bitsPerSample = 0;
    int samplesPerPixel = 0;
    int compression = 0;
    // The kind of the fourth sample (EXTRASAMPLE_UNASSALPHA...), -1 without one.
    int extraSample = -1;
    QString error;
};

// Reads a contiguous RGB or RGBA TIFF of 8 or 16 bits a channel, as the map writer makes them.
TiffFile readTiff(const QString &path);

} // namespace tiffreading
