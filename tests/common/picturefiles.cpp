#include "picturefiles.h"

#include <QBuffer>
#include <QFile>

#include <tiffio.h>
#include <webp/encode.h>

#include <vector>

namespace picturefiles {
namespace {

tmsize_t readBytes(thandle_t handle, void *data, tmsize_t size)
{
    return static_cast<QIODevice *>(handle)->read(static_cast<char *>(data), size);
}

tmsize_t writeBytes(thandle_t handle, void *data, tmsize_t size)
{
    return static_cast<QIODevice *>(handle)->write(static_cast<const char *>(data), size);
}

toff_t seekTo(thandle_t handle, toff_t offset, int whence)
{
    auto *device = static_cast<QIODevice *>(handle);
    qint64 target = qint64(offset);
    if (whence == SEEK_CUR)
        target += device->pos();
    else if (whence == SEEK_END)
        target += device->size();
    return device->seek(target) ? toff_t(target) : toff_t(-1);
}

int closeNothing(thandle_t)
{
    return 0;
}

toff_t sizeOf(thandle_t handle)
{
    return toff_t(static_cast<QIODevice *>(handle)->size());
}

int mapNothing(thandle_t, void **, toff_t *)
{
    return 0;
}

void unmapNothing(thandle_t, void *, toff_t)
{
}

// The picture pixel shown at file pixel (x, y) of a file of width x height pixels stored with
// the given orientation tag.
QPoint shownAt(int x, int y, int width, int height, int orientation)
{
    switch (orientation) {
    case 2:
        return {width - 1 - x, y};
    case 3:
        return {width - 1 - x, height - 1 - y};
    case 4:
        return {x, height - 1 - y};
    case 5:
        return {y, x};
    case 6:
        return {height - 1 - y, x};
    case 7:
        return {height - 1 - y, width - 1 - x};
    case 8:
        return {y, width - 1 - x};
    default:
        return {x, y};
    }
}

// Row y of the file's samples, at the variant's depth, in the machine's byte order.
void fillRow(const QImage &deep, const TiffVariant &variant, int width, int height, int y,
             uchar *row)
{
    const bool alpha = variant.channels == 2 || variant.channels == 4;
    const int colours = alpha ? variant.channels - 1 : variant.channels;
    const quint32 full = variant.bits == 16 ? 0xFFFF : 0xFF;
    for (int x = 0; x < width; ++x) {
        const QPoint at = shownAt(x, y, width, height, variant.orientation);
        const auto *pixel =
            reinterpret_cast<const quint16 *>(deep.constScanLine(at.y())) + 4 * at.x();
        quint32 values[4];
        for (int c = 0; c < 4; ++c)
            values[c] = variant.bits == 16 ? pixel[c] : (quint32(pixel[c]) * 2 + 257) / 514;
        if (variant.associatedAlpha)
            for (int c = 0; c < 3; ++c)
                values[c] = (values[c] * values[3] + full / 2) / full;
        quint32 samples[4] = {values[0], values[1], values[2], 0};
        if (alpha)
            samples[colours] = values[3];
        for (int s = 0; s < variant.channels; ++s) {
            const qsizetype index = qsizetype(x) * variant.channels + s;
            if (variant.bits == 16)
                reinterpret_cast<quint16 *>(row)[index] = quint16(samples[s]);
            else
                row[index] = uchar(samples[s]);
        }
    }
}

bool writeTiff(QIODevice &device, const QImage &picture, const TiffVariant &variant)
{
    const QImage deep = picture.convertToFormat(QImage::Format_RGBA64);
    const bool turned = variant.orientation >= 5;
    const int width = turned ? picture.height() : picture.width();
    const int height = turned ? picture.width() : picture.height();
    TIFF *tiff = TIFFClientOpen("test", variant.bigTiff ? "w8" : "w", &device, readBytes,
                                writeBytes, seekTo, closeNothing, sizeOf, mapNothing, unmapNothing);
    if (!tiff)
        return false;
    const bool alpha = variant.channels == 2 || variant.channels == 4;
    const bool grey = variant.channels <= 2;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, quint32(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, quint32(height));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, quint16(variant.channels));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, quint16(variant.bits));
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, quint16(variant.orientation));
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, quint16(variant.compression));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC,
                 variant.ycbcr ? PHOTOMETRIC_YCBCR
                 : grey        ? PHOTOMETRIC_MINISBLACK
                               : PHOTOMETRIC_RGB);
    if (alpha) {
        const quint16 extra =
            variant.associatedAlpha ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, quint16(1), &extra);
    }
    if (variant.compression == COMPRESSION_LZW || variant.compression == COMPRESSION_ADOBE_DEFLATE)
        TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    if (variant.compression == COMPRESSION_JPEG) {
        TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, variant.jpegQuality);
        if (variant.ycbcr)
            TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
    const qsizetype rowBytes = qsizetype(width) * variant.channels * variant.bits / 8;
    std::vector<uchar> row(static_cast<size_t>(rowBytes));
    bool written = true;
    if (variant.tiled) {
        constexpr int tile = 16;
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, quint32(tile));
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, quint32(tile));
        const qsizetype pixelBytes = qsizetype(variant.channels) * variant.bits / 8;
        std::vector<uchar> tileBytes(static_cast<size_t>(tile * tile * pixelBytes));
        for (int top = 0; top < height && written; top += tile) {
            for (int left = 0; left < width && written; left += tile) {
                // The edges are repeated into the padding, as encoders do, so that JPEG
                // tiles do not ring at the picture's edge.
                for (int y = top; y < top + tile; ++y) {
                    fillRow(deep, variant, width, height, std::min(y, height - 1), row.data());
                    for (int x = left; x < left + tile; ++x)
                        std::copy_n(row.data() + std::min(x, width - 1) * pixelBytes, pixelBytes,
                                    tileBytes.data() + ((y - top) * tile + x - left) * pixelBytes);
                }
                written =
                    TIFFWriteTile(tiff, tileBytes.data(), quint32(left), quint32(top), 0, 0) >= 0;
            }
        }
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, quint32(variant.rowsPerStrip));
        for (int y = 0; y < height && written; ++y) {
            fillRow(deep, variant, width, height, y, row.data());
            written = TIFFWriteScanline(tiff, row.data(), quint32(y), 0) >= 0;
        }
    }
    TIFFClose(tiff);
    return written;
}

} // namespace

QByteArray tiffBytes(const QImage &picture, const TiffVariant &variant)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadWrite) || !writeTiff(buffer, picture, variant))
        return QByteArray();
    return bytes;
}

bool setTiffField(QByteArray &tiff, int tag, int index, quint32 value)
{
    auto read = [&tiff](int at, int bytes) {
        quint32 number = 0;
        for (int i = bytes - 1; i >= 0; --i)
            number = number << 8 | quint8(tiff.at(at + i));
        return number;
    };
    auto write = [&tiff](int at, int bytes, quint32 number) {
        for (int i = 0; i < bytes; ++i, number >>= 8)
            tiff[at + i] = char(number & 0xFF);
    };
    if (tiff.size() < 8 || !tiff.startsWith("II*"))
        return false;
    const int directory = int(read(4, 4));
    const int entries = int(read(directory, 2));
    for (int e = 0; e < entries; ++e) {
        const int entry = directory + 2 + 12 * e;
        if (int(read(entry, 2)) != tag)
            continue;
        const int type = int(read(entry + 2, 2));
        const int bytes = type == TIFF_SHORT ? 2 : 4;
        if (index >= int(read(entry + 4, 4)))
            return false;
        const bool inside = read(entry + 4, 4) * bytes <= 4;
        write((inside ? entry + 8 : int(read(entry + 8, 4))) + index * bytes, bytes, value);
        return true;
    }
    return false;
}

QByteArray webpBytes(const QImage &picture, bool lossless, int quality)
{
    // ARGB32 is B, G, R, A in memory on a little-endian machine.
    const QImage source = picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                            : QImage::Format_RGB32);
    uint8_t *output = nullptr;
    const size_t size =
        lossless ? WebPEncodeLosslessBGRA(source.constBits(), source.width(), source.height(),
                                          int(source.bytesPerLine()), &output)
                 : WebPEncodeBGRA(source.constBits(), source.width(), source.height(),
                                  int(source.bytesPerLine()), float(quality), &output);
    const QByteArray bytes(reinterpret_cast<const char *>(output), int(size));
    WebPFree(output);
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace picturefiles
