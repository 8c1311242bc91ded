#include "tiffreading.h"

#include <QFile>

#include <cstring>
#include <tiffio.h>
#include <vector>

tiffreading::TiffFile tiffreading::readTiff(const QString &path)
{
    TiffFile result;
    TIFF *tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samples = 0, compression = 0, extraCount = 0, *extra = nullptr;
    if (!tiff || !TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height)) {
        result.error = QStringLiteral("libtiff cannot read the file");
        if (tiff)
            TIFFClose(tiff);
        return result;
    }
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount == 1)
        result.extraSample = extra[0];
    result.bitsPerSample = bits;
    result.samplesPerPixel = samples;
    result.compression = compression;
    const bool alpha = samples == 4;
    const QImage::Format format = bits == 8
                                      ? (alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888)
                                      : (alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64);
    QImage pixels(int(width), int(height), format);
    std::vector<char> line(size_t(TIFFScanlineSize(tiff)));
    // Three 16-bit channels a pixel in an opaque file, four in an RGBX64 image.
    const bool padded = bits == 16 && !alpha;
    for (uint32_t y = 0; y < height && result.error.isEmpty(); ++y) {
        if (TIFFReadScanline(tiff, line.data(), y) < 0)
            result.error = QStringLiteral("row %1 cannot be read").arg(y);
        auto *out = reinterpret_cast<quint16 *>(pixels.scanLine(int(y)));
        for (uint32_t x = 0; padded && x < width; ++x, out += 4) {
            std::memcpy(out, line.data() + 6 * x, 6);
            out[3] = 0xffff;
        }
        if (!padded)
            std::memcpy(out, line.data(), qMin(line.size(), size_t(pixels.bytesPerLine())));
    }
    TIFFClose(tiff);
    if (result.error.isEmpty())
        result.pixels = pixels;
    return result;
}
