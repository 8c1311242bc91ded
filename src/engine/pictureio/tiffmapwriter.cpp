#include "engine/pictureio/tiffmapwriter.h"

#include "engine/basics/picturedepth.h"

#include <QIODevice>
#include <QImage>
#include <QString>

#include <geotiff.h>
#include <geotiffio.h>
#include <xtiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace {

// Rows are compressed in strips of about this many bytes: large enough for Deflate, small
// enough that one strip converted for the encoder costs little memory.
constexpr qint64 stripBytes = 256 * 1024;

// A file in memory, growing as libtiff writes, which may seek back into it.
struct MemoryFile
{
    std::vector<char> data;
    toff_t position = 0;
    // The first message of libtiff or libgeotiff about this file.
    QString error;
};

MemoryFile &fileOf(thandle_t handle)
{
    return *static_cast<MemoryFile *>(handle);
}

tmsize_t readMemory(thandle_t handle, void *buffer, tmsize_t size)
{
    MemoryFile &file = fileOf(handle);
    if (size < 0 || file.position >= file.data.size())
        return 0;
    const tmsize_t available = tmsize_t(file.data.size() - file.position);
    const tmsize_t count = size < available ? size : available;
    std::memcpy(buffer, file.data.data() + file.position, size_t(count));
    file.position += toff_t(count);
    return count;
}

// No exception may pass through libtiff's C code: running out of memory fails the write.
tmsize_t writeMemory(thandle_t handle, void *buffer, tmsize_t size)
{
    MemoryFile &file = fileOf(handle);
    if (size < 0)
        return -1;
    const toff_t end = file.position + toff_t(size);
    try {
        if (end > file.data.size())
            file.data.resize(end);
    } catch (const std::bad_alloc &) {
        return -1;
    } catch (const std::length_error &) {
        return -1;
    }
    std::memcpy(file.data.data() + file.position, buffer, size_t(size));
    file.position = end;
    return size;
}

toff_t seekMemory(thandle_t handle, toff_t offset, int whence)
{
    MemoryFile &file = fileOf(handle);
    if (whence == SEEK_CUR)
        offset += file.position;
    else if (whence == SEEK_END)
        offset += file.data.size();
    file.position = offset;
    return offset;
}

int closeMemory(thandle_t)
{
    return 0;
}

toff_t memorySize(thandle_t handle)
{
    return fileOf(handle).data.size();
}

int mapMemory(thandle_t, void **, toff_t *)
{
    return 0;
}

void unmapMemory(thandle_t, void *, toff_t)
{
}

QString formatted(const char *format, va_list arguments)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    return QString::fromLocal8Bit(text);
}

// libtiff's messages go to the write's result, never to standard error.
int keepTiffError(TIFF *, void *userData, const char *, const char *format, va_list arguments)
{
    MemoryFile &file = *static_cast<MemoryFile *>(userData);
    if (file.error.isEmpty())
        file.error = formatted(format, arguments);
    return 1;
}

int ignoreTiffWarning(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

void keepGeoTiffError(GTIF *gtif, int level, const char *format, ...)
{
    MemoryFile &file = *static_cast<MemoryFile *>(GTIFGetUserData(gtif));
    if (level != LIBGEOTIFF_ERROR || !file.error.isEmpty())
        return;
    va_list arguments;
    va_start(arguments, format);
    file.error = formatted(format, arguments);
    va_end(arguments);
}

// How the map's pixels are laid out in the file.
struct SampleLayout
{
    bool sixteenBits;
    bool alpha;
    // The format a strip is converted to before its samples are taken.
    QImage::Format stripFormat;
    int samples() const { return alpha ? 4 : 3; }
    int bytesPerPixel() const { return samples() * (sixteenBits ? 2 : 1); }
};

SampleLayout layoutOf(const QImage &map)
{
    const bool alpha = map.hasAlphaChannel();
    if (hasSixteenBits(map))
        return {true, alpha, alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64};
    return {false, alpha, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888};
}

// The strip's rows, unpremultiplied by Qt's own conversion, as the file's samples; false when
// there was no memory for them.
bool packStrip(const QImage &map, int firstRow, int rows, const SampleLayout &layout,
               std::vector<char> &out)
{
    const QImage strip =
        map.copy(0, firstRow, map.width(), rows).convertToFormat(layout.stripFormat);
    if (strip.isNull())
        return false;
    const size_t rowBytes = size_t(map.width()) * size_t(layout.bytesPerPixel());
    out.resize(rowBytes * size_t(rows));
    for (int y = 0; y < rows; ++y) {
        char *target = out.data() + rowBytes * size_t(y);
        const uchar *line = strip.constScanLine(y);
        if (!layout.sixteenBits || layout.alpha) {
            std::memcpy(target, line, rowBytes);
            continue;
        }
        // RGBX64 holds four 16-bit channels; the fourth is not written.
        const quint16 *in = reinterpret_cast<const quint16 *>(line);
        for (int x = 0; x < map.width(); ++x, target += 6, in += 4)
            std::memcpy(target, in, 6);
    }
    return true;
}

bool setGeoKeys(TIFF *tiff, MemoryFile &file, int width, int height)
{
    GTIF *gtif = GTIFNewEx(tiff, keepGeoTiffError, &file);
    if (!gtif)
        return false;
    GTIFKeySet(gtif, GTModelTypeGeoKey, TYPE_SHORT, 1, ModelTypeGeographic);
    GTIFKeySet(gtif, GTRasterTypeGeoKey, TYPE_SHORT, 1, RasterPixelIsArea);
    GTIFKeySet(gtif, GTCitationGeoKey, TYPE_ASCII, 0, "orvix equirectangular map");
    // A sphere of its own rather than an Earth datum: the globe may be any body.
    GTIFKeySet(gtif, GeographicTypeGeoKey, TYPE_SHORT, 1, KvUserDefined);
    GTIFKeySet(gtif, GeogCitationGeoKey, TYPE_ASCII, 0, "Globe sphere");
    GTIFKeySet(gtif, GeogGeodeticDatumGeoKey, TYPE_SHORT, 1, KvUserDefined);
    GTIFKeySet(gtif, GeogPrimeMeridianGeoKey, TYPE_SHORT, 1, PM_Greenwich);
    GTIFKeySet(gtif, GeogAngularUnitsGeoKey, TYPE_SHORT, 1, Angular_Degree);
    GTIFKeySet(gtif, GeogEllipsoidGeoKey, TYPE_SHORT, 1, KvUserDefined);
    GTIFKeySet(gtif, GeogLinearUnitsGeoKey, TYPE_SHORT, 1, Linear_Meter);
    GTIFKeySet(gtif, GeogSemiMajorAxisGeoKey, TYPE_DOUBLE, 1, tiffSphereRadius);
    GTIFKeySet(gtif, GeogSemiMinorAxisGeoKey, TYPE_DOUBLE, 1, tiffSphereRadius);
    const bool written = GTIFWriteKeys(gtif) != 0;
    GTIFFree(gtif);
    if (!written)
        return false;
    // The upper-left corner of the upper-left pixel lies at longitude -180, latitude 90.
    double pixelScale[3] = {360.0 / width, 180.0 / height, 0.0};
    double tiePoint[6] = {0.0, 0.0, 0.0, -180.0, 90.0, 0.0};
    return TIFFSetField(tiff, TIFFTAG_GEOPIXELSCALE, 3, pixelScale) &&
           TIFFSetField(tiff, TIFFTAG_GEOTIEPOINTS, 6, tiePoint);
}

bool setImageFields(TIFF *tiff, const SampleLayout &layout, int width, int height, int rowsPerStrip)
{
    bool set = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(width)) &&
               TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(height)) &&
               TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.sixteenBits ? 16 : 8) &&
               TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.samples()) &&
               TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT) &&
               TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
               TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
               TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
               TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE) &&
               TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL) &&
               TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(rowsPerStrip)) &&
               TIFFSetField(tiff, TIFFTAG_SOFTWARE, "orvix");
    if (set && layout.alpha) {
        const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        set = TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    return set;
}

bool encode(const QImage &map, MemoryFile &file)
{
    // The GeoTIFF tags are made known to libtiff once for the whole program.
    static std::once_flag tagsKnown;
    std::call_once(tagsKnown, XTIFFInitialize);

    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    if (!options)
        return false;
    TIFFOpenOptionsSetErrorHandlerExtR(options, keepTiffError, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreTiffWarning, nullptr);
    // "w8" would make a BigTIFF; a classic TIFF holds up to 4 GiB, more than any map takes.
    TIFF *tiff = TIFFClientOpenExt("map", "w", &file, readMemory, writeMemory, seekMemory,
                                   closeMemory, memorySize, mapMemory, unmapMemory, options);
    TIFFOpenOptionsFree(options);
    if (!tiff)
        return false;

    const SampleLayout layout = layoutOf(map);
    const int width = map.width();
    const int height = map.height();
    const qint64 rowBytes = qint64(width) * layout.bytesPerPixel();
    const int rowsPerStrip = int(qBound<qint64>(1, stripBytes / rowBytes, height));
    bool written = setImageFields(tiff, layout, width, height, rowsPerStrip) &&
                   setGeoKeys(tiff, file, width, height);
    std::vector<char> strip;
    for (int firstRow = 0, index = 0; written && firstRow < height;
         firstRow += rowsPerStrip, ++index) {
        const int rows = qMin(rowsPerStrip, height - firstRow);
        bool packed = false;
        try {
            packed = packStrip(map, firstRow, rows, layout, strip);
        } catch (const std::bad_alloc &) {
        }
        if (!packed) {
            file.error = QStringLiteral("not enough memory for the map");
            written = false;
            break;
        }
        written =
            TIFFWriteEncodedStrip(tiff, uint32_t(index), strip.data(), tmsize_t(strip.size())) >= 0;
    }
    // The directory is written last; libtiff then seeks back to point the header at it.
    written = written && TIFFFlush(tiff);
    XTIFFClose(tiff);
    return written;
}

} // namespace

bool writeTiffMap(const QImage &map, QIODevice &out, QString *errorText)
{
    MemoryFile file;
    if (!encode(map, file)) {
        if (errorText)
            *errorText =
                file.error.isEmpty() ? QStringLiteral("the TIFF encoder failed") : file.error;
        return false;
    }
    out.write(file.data.data(), qint64(file.data.size()));
    return true;
}
