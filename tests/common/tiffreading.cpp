#include "tiffreading.h"

#include <QFile>

#include <cstring>
#include <tiffio.h>
#include <vector>

namespace tiffreading {

TiffFile readTiff(const QString &path)
{
    TiffFile result;
    TIFF *tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tiff) {
        result.error = QStringLiteral("libtiff cannot open the file");
        return result;
    }
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samples = 0, compression = 0, planar = 0, extraCount = 0;
    uint16_t *extra = nullptr;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount == 1)
        result.extraSample = extra[0];
    result.bitsPerSample = bits;
    result.samplesPerPixel = samples;
    result.compression = compression;
    const bool alpha = samples == 4;
    if ((bits != 8 && bits != 16) || (samples != 3 && samples != 4) ||
        planar != PLANARCONFIG_CONTIG) {
        result.error = QStringLiteral("not a contiguous RGB or RGBA TIFF of 8 or 16 bits");
        TIFFClose(tiff);
        return result;
    }
    QImage::Format format = bits == 8 ? (alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888)
                                      : (alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64);
    QImage pixels(int(width), int(height), format);
    std::vector<char> line(size_t(TIFFScanlineSize(tiff)));
    for (uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tiff, line.data(), y) < 0) {
            result.error = QStringLiteral("row %1 cannot be read").arg(y);
            TIFFClose(tiff);
            return result;
        }
        uchar *target = pixels.scanLine(int(y));
        if (bits == 8 || alpha) {
            std::memcpy(target, line.data(), line.size());
            continue;
        }
        // Three 16-bit channels a pixel in the file, four in an RGBX64 image.
        auto *out = reinterpret_cast<quint16 *>(target);
        const char *in = line.data();
        for (uint32_t x = 0; x < width; ++x, in += 6, out += 4) {
            std::memcpy(out, in, 6);
            out[3] = 0xffff;
        }
    }
    TIFFClose(tiff);
    result.pixels = pixels;
    return result;
}

} // namespace tiffreading
