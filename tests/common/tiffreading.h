#pragma once

#include <QImage>
#include <QString>

// TIFF maps read back with libtiff (Qt reads no TIFF here): contiguous RGB or RGBA of 8 or 16
// bits a channel, as the map writer makes them.
namespace tiffreading {

struct TiffFile
{
    // RGB888 or RGBA8888 for 8 bits a channel, RGBX64 or RGBA64 for 16; null on failure.
    QImage pixels;
    int bitsPerSample = 0;
    int samplesPerPixel = 0;
    int compression = 0;
    // EXTRASAMPLE_UNASSALPHA and the like; -1 without a fourth sample.
    int extraSample = -1;
    QString error;
};

TiffFile readTiff(const QString &path);

} // namespace tiffreading
