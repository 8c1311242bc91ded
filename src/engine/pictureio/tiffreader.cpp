#include "engine/pictureio/tiffreader.h"

#include "engine/basics/largebuffer.h"
#include "engine/basics/picturedepth.h"

#include <QFileDevice>
#include <QIODevice>
#include <QThread>

#include <tiffio.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

// libtiff's own allocations (its tag arrays, a strip's compressed bytes) are bounded, so a
// header declaring absurd counts fails instead of taking the machine's memory. Strips are
// read a part at a time, so no sound file needs more.
constexpr tmsize_t libtiffAllocationLimit = tmsize_t(256) << 20;
// A strip or tile is decoded whole before it is copied into the picture, on several threads at
// once, whose pieces together stay within this; a strip larger than this is read a row at a time
// instead, a tile is refused.
constexpr qint64 maxPieceBytes = qint64(64) << 20;
constexpr int maxDecodingThreads = 8;

// The first error libtiff reports while the file is read; warnings are dropped.
struct Messages
{
    QString error;
};

int keepError(TIFF *, void *userData, const char *module, const char *format, va_list arguments)
{
    auto *messages = static_cast<Messages *>(userData);
    if (messages->error.isEmpty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        const QString what = QString::fromUtf8(text);
        messages->error =
            QStringLiteral("the TIFF could not be decoded (%1)")
                .arg(module && *module
                         ? QStringLiteral("%1: %2").arg(QString::fromUtf8(module), what)
                         : what);
    }
    return 1;
}

int dropWarning(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

// Where libtiff reads: a file descriptor read at a position of its own (pread), so that
// several threads can decode from one open file; or the device itself when it has none.
struct Source
{
    QIODevice *device = nullptr;
    int descriptor = -1;
    qint64 size = 0;
    qint64 position = 0;
};

tmsize_t readBytes(thandle_t handle, void *data, tmsize_t size)
{
    auto *source = static_cast<Source *>(handle);
    if (source->descriptor < 0)
        return tmsize_t(source->device->read(static_cast<char *>(data), size));
    tmsize_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(source->descriptor, static_cast<char *>(data) + done,
                                    size_t(size - done), off_t(source->position));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
        source->position += got;
    }
    return done;
}

tmsize_t writeNothing(thandle_t, void *, tmsize_t)
{
    return -1;
}

toff_t seekTo(thandle_t handle, toff_t offset, int whence)
{
    auto *source = static_cast<Source *>(handle);
    qint64 target = qint64(offset);
    if (whence == SEEK_CUR)
        target += source->position;
    else if (whence == SEEK_END)
        target += source->size;
    if (target < 0 || (source->descriptor < 0 && !source->device->seek(target)))
        return toff_t(-1);
    source->position = target;
    return toff_t(target);
}

int closeNothing(thandle_t)
{
    return 0;
}

toff_t sizeOf(thandle_t handle)
{
    return toff_t(static_cast<Source *>(handle)->size);
}

int mapNothing(thandle_t, void **, toff_t *)
{
    return 0;
}

void unmapNothing(thandle_t, void *, toff_t)
{
}

struct TiffClose
{
    void operator()(TIFF *tiff) const { TIFFClose(tiff); }
};
using TiffFile = std::unique_ptr<TIFF, TiffClose>;

// True when the first directory, whose offset the header gives, starts inside the file: a TIFF
// cut short usually loses it, as writers put it after the picture data.
bool directoryInside(QIODevice &device)
{
    if (!device.seek(0))
        return false;
    const QByteArray header = device.read(16);
    const bool big = header.size() >= 16 && (header[2] == '+' || header[3] == '+');
    const int at = big ? 8 : 4, bytes = big ? 8 : 4;
    if (header.size() < at + bytes)
        return false;
    quint64 offset = 0;
    for (int i = 0; i < bytes; ++i) {
        const int index = header.startsWith("II") ? at + bytes - 1 - i : at + i;
        offset = offset << 8 | quint8(header[index]);
    }
    return offset < quint64(device.size());
}

Source sourceOf(QIODevice &device)
{
    Source source;
    source.device = &device;
    source.size = device.size();
    if (auto *file = qobject_cast<QFileDevice *>(&device))
        source.descriptor = file->handle();
    return source;
}

// Opens the TIFF on source, which must outlive it.
TiffFile openTiff(Source &source, Messages &messages)
{
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, libtiffAllocationLimit);
    TIFFOpenOptionsSetErrorHandlerExtR(options, keepError, &messages);
    TIFFOpenOptionsSetWarningHandlerExtR(options, dropWarning, nullptr);
    source.position = 0;
    if (source.descriptor < 0 && !source.device->seek(0))
        return nullptr;
    // "m": no memory mapping, so that large strips are read a part at a time.
    TiffFile tiff(TIFFClientOpenExt("picture", "rm", &source, readBytes, writeNothing, seekTo,
                                    closeNothing, sizeOf, mapNothing, unmapNothing, options));
    TIFFOpenOptionsFree(options);
    return tiff;
}

// How a file's samples make a pixel.
struct Layout
{
    int width = 0;
    int height = 0;
    int samples = 0;  // samples per pixel stored
    int channels = 0; // 1 for grey, 3 for RGB
    int bits = 0;
    bool alpha = false;
    bool associated = false;
    bool inverted = false; // grey with 0 for white
    int orientation = ORIENTATION_TOPLEFT;
    bool tiled = false;
    bool ycbcr = false; // JPEG colours that libjpeg turns into RGB
    quint16 compression = COMPRESSION_NONE;
};

// The largest number of decoded bytes each stored byte can give: a run of PackBits gives 128
// bytes from 2; an LZW code of 12 bits gives at most one byte more than the code before it,
// which caps a table's worth of codes near 1300; Deflate's limit is 1032. A JPEG block of 64
// samples takes at least two bits (end of block and a zero difference), and subsampled colour
// shares a block among up to 16 pixels.
int maxExpansion(quint16 compression)
{
    switch (compression) {
    case COMPRESSION_NONE:
        return 1;
    case COMPRESSION_PACKBITS:
        return 64;
    case COMPRESSION_LZW:
        return 2048;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
        return 1032;
    case COMPRESSION_JPEG:
        return 2048;
    default:
        return 0;
    }
}

QString describeLayoutProblem(TIFF *tiff, Layout &layout)
{
    quint32 width = 0, height = 0;
    quint16 samples = 1, bits = 1, photometric = 0, planar = PLANARCONFIG_CONTIG;
    quint16 sampleFormat = SAMPLEFORMAT_UINT, orientation = ORIENTATION_TOPLEFT;
    quint16 compression = COMPRESSION_NONE;
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height))
        return QStringLiteral("the TIFF declares no picture size");
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric))
        return QStringLiteral("the TIFF does not say how its samples make colours");
    layout.width = int(std::min<quint32>(width, INT_MAX));
    layout.height = int(std::min<quint32>(height, INT_MAX));
    layout.samples = samples;
    layout.bits = bits;
    layout.orientation = orientation >= 1 && orientation <= 8 ? orientation : ORIENTATION_TOPLEFT;
    layout.tiled = TIFFIsTiled(tiff);
    layout.compression = compression;
    if (width == 0 || height == 0)
        return QStringLiteral("the TIFF's picture is empty");
    if (maxExpansion(compression) == 0)
        return QStringLiteral("the TIFF's compression (%1) is not read; uncompressed, PackBits, "
                              "LZW, Deflate and JPEG TIFFs are")
            .arg(compression);
    if (sampleFormat != SAMPLEFORMAT_UINT || (bits != 8 && bits != 16))
        return QStringLiteral("the TIFF has %1-bit %2 samples; TIFFs of 8 or 16-bit whole "
                              "numbers are read")
            .arg(bits)
            .arg(sampleFormat == SAMPLEFORMAT_IEEEFP ? QStringLiteral("floating-point")
                                                     : QStringLiteral("signed or other"));
    if (planar != PLANARCONFIG_CONTIG && samples > 1)
        return QStringLiteral("the TIFF keeps each colour in a plane of its own, which is not "
                              "read");
    switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
        layout.inverted = true;
        Q_FALLTHROUGH();
    case PHOTOMETRIC_MINISBLACK:
        layout.channels = 1;
        break;
    case PHOTOMETRIC_RGB:
        layout.channels = 3;
        break;
    case PHOTOMETRIC_YCBCR:
        if (compression != COMPRESSION_JPEG || bits != 8)
            return QStringLiteral("the TIFF holds YCbCr colours outside JPEG compression, which "
                                  "are not read");
        // libjpeg turns the colours into RGB and undoes the subsampling.
        if (!TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB))
            return QStringLiteral("the TIFF's JPEG colours cannot be decoded");
        layout.ycbcr = true;
        layout.channels = 3;
        break;
    case PHOTOMETRIC_PALETTE:
        return QStringLiteral("the TIFF is a palette picture; grey, RGB and RGBA TIFFs are read");
    default:
        return QStringLiteral("the TIFF's colours are of a kind (photometric %1) that is not "
                              "read; grey, RGB and RGBA TIFFs are")
            .arg(photometric);
    }
    if (samples < layout.channels)
        return QStringLiteral("the TIFF has fewer samples per pixel than its colours need");
    quint16 extraCount = 0;
    quint16 *extraTypes = nullptr;
    if (samples > layout.channels &&
        TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) && extraCount > 0 &&
        extraTypes) {
        layout.alpha =
            extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA;
        layout.associated = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    return QString();
}

// Refuses, before anything is decoded, a strip or tile that lies beyond the file and a file
// whose declared picture would need more decoded bytes than its compression can give.
QString describeStorageProblem(TIFF *tiff, const Layout &layout, qint64 fileSize)
{
    const quint32 count = layout.tiled ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    if (count == 0)
        return QStringLiteral("the TIFF has no picture data");
    const char *piece = layout.tiled ? "tile" : "strip";
    quint64 stored = 0;
    for (quint32 i = 0; i < count; ++i) {
        int failed = 0;
        const quint64 offset = TIFFGetStrileOffsetWithErr(tiff, i, &failed);
        const quint64 bytes = failed ? 0 : TIFFGetStrileByteCountWithErr(tiff, i, &failed);
        if (failed)
            return QStringLiteral("the TIFF's %1 table is damaged").arg(QLatin1String(piece));
        if (bytes == 0)
            return QStringLiteral("%1 %2 of the TIFF has no data")
                .arg(QLatin1String(piece))
                .arg(i + 1);
        if (offset > quint64(fileSize) || bytes > quint64(fileSize) - offset)
            return QStringLiteral("the file ends before the TIFF picture does (%1 %2 of %3 "
                                  "lies beyond its end)")
                .arg(QLatin1String(piece))
                .arg(i + 1)
                .arg(count);
        stored += bytes;
    }
    const quint64 decoded = quint64(layout.width) * quint64(layout.height) *
                            quint64(layout.samples) * quint64(layout.bits / 8);
    const quint64 limit = stored * quint64(maxExpansion(layout.compression));
    if (decoded > limit)
        return QStringLiteral("the TIFF declares %1 x %2 pixels from %3 bytes of data, more than "
                              "its compression can hold (a decompression bomb)")
            .arg(layout.width)
            .arg(layout.height)
            .arg(stored);
    return QString();
}

// Where a run of file pixels lands in the picture: the first pixel and the step between two.
struct Placement
{
    uchar *bits = nullptr;
    qsizetype bytesPerLine = 0;
    int pixelBytes = 0;
    int width = 0;  // of the file's pixels
    int height = 0; // of the file's rows
    int orientation = ORIENTATION_TOPLEFT;

    // The picture pixel of file pixel (x, y), and the step from it to that of (x + 1, y).
    uchar *at(int x, int y, qsizetype *step) const
    {
        int px = x, py = y, dx = 1, dy = 0;
        switch (orientation) {
        case ORIENTATION_TOPRIGHT:
            px = width - 1 - x, dx = -1;
            break;
        case ORIENTATION_BOTRIGHT:
            px = width - 1 - x, py = height - 1 - y, dx = -1;
            break;
        case ORIENTATION_BOTLEFT:
            py = height - 1 - y;
            break;
        case ORIENTATION_LEFTTOP:
            px = y, py = x, dx = 0, dy = 1;
            break;
        case ORIENTATION_RIGHTTOP:
            px = height - 1 - y, py = x, dx = 0, dy = 1;
            break;
        case ORIENTATION_RIGHTBOT:
            px = height - 1 - y, py = width - 1 - x, dx = 0, dy = -1;
            break;
        case ORIENTATION_LEFTBOT:
            px = y, py = width - 1 - x, dx = 0, dy = -1;
            break;
        default:
            break;
        }
        *step = qsizetype(dx) * pixelBytes + qsizetype(dy) * bytesPerLine;
        return bits + qsizetype(py) * bytesPerLine + qsizetype(px) * pixelBytes;
    }
};

// Undoes associated alpha: colour * full / alpha, rounded and held within full.
inline quint32 unassociate(quint32 colour, quint32 alpha, quint32 full)
{
    return alpha ? std::min(full, (colour * full + alpha / 2) / alpha) : 0;
}

// Converts n file pixels to the picture's format: 32-bit ARGB, or four 16-bit channels in the
// order R, G, B, A when deep.
template <typename Sample, bool deep, int channels>
void convertRun(const Sample *source, int n, uchar *target, qsizetype step, const Layout &layout)
{
    constexpr quint32 full = sizeof(Sample) == 1 ? 0xFF : 0xFFFF;
    for (int i = 0; i < n; ++i, source += layout.samples, target += step) {
        quint32 r = source[0];
        if (layout.inverted)
            r = full - r;
        quint32 g = channels == 3 ? source[1] : r;
        quint32 b = channels == 3 ? source[2] : r;
        quint32 a = full;
        if (layout.alpha) {
            a = source[channels];
            if (layout.associated) {
                r = unassociate(r, a, full);
                g = unassociate(g, a, full);
                b = unassociate(b, a, full);
            }
        }
        if constexpr (deep) {
            auto *pixel = reinterpret_cast<quint16 *>(target);
            pixel[0] = quint16(r);
            pixel[1] = quint16(g);
            pixel[2] = quint16(b);
            pixel[3] = quint16(a);
        } else {
            if constexpr (sizeof(Sample) == 2) {
                r = eightBitChannel(r), g = eightBitChannel(g), b = eightBitChannel(b),
                a = eightBitChannel(a);
            }
            *reinterpret_cast<quint32 *>(target) = a << 24 | r << 16 | g << 8 | b;
        }
    }
}

using RunConverter = void (*)(const void *, int, uchar *, qsizetype, const Layout &);

template <typename Sample, bool deep, int channels>
void convertRunOf(const void *source, int n, uchar *target, qsizetype step, const Layout &layout)
{
    convertRun<Sample, deep, channels>(static_cast<const Sample *>(source), n, target, step,
                                       layout);
}

RunConverter runConverter(const Layout &layout, bool deep)
{
    if (layout.bits == 8)
        return layout.channels == 1 ? convertRunOf<quint8, false, 1>
                                    : convertRunOf<quint8, false, 3>;
    if (deep)
        return layout.channels == 1 ? convertRunOf<quint16, true, 1>
                                    : convertRunOf<quint16, true, 3>;
    return layout.channels == 1 ? convertRunOf<quint16, false, 1> : convertRunOf<quint16, false, 3>;
}

QImage::Format pictureFormat(const Layout &layout, bool deep)
{
    if (deep)
        return layout.alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64;
    return layout.alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
}

// A strip picture whose strips are too large to decode whole: a row at a time, in order.
bool decodeRows(TIFF *tiff, const Layout &layout, const Placement &placement, RunConverter convert,
                const Messages &messages)
{
    const tmsize_t rowBytes = TIFFScanlineSize(tiff);
    const qint64 needed = qint64(layout.width) * layout.samples * (layout.bits / 8);
    if (rowBytes < needed)
        return false;
    std::vector<uchar> row(static_cast<size_t>(rowBytes));
    for (int y = 0; y < layout.height; ++y) {
        if (TIFFReadScanline(tiff, row.data(), quint32(y), 0) < 0 || !messages.error.isEmpty())
            return false;
        qsizetype step = 0;
        uchar *target = placement.at(0, y, &step);
        convert(row.data(), layout.width, target, step, layout);
    }
    return true;
}

// The strips or tiles of a picture: how large each is and where it lies.
struct Pieces
{
    quint32 count = 0;
    quint32 across = 1; // tiles in a row of tiles
    quint32 width = 0;  // pixels of a piece, the last ones cut by the picture's edge
    quint32 height = 0;
    tmsize_t bytes = 0;  // of a whole decoded piece
    qint64 rowBytes = 0; // from one row of a piece to the next
};

Pieces piecesOf(TIFF *tiff, const Layout &layout)
{
    Pieces pieces;
    const qint64 pixelBytes = qint64(layout.samples) * (layout.bits / 8);
    if (layout.tiled) {
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &pieces.width);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &pieces.height);
        pieces.count = TIFFNumberOfTiles(tiff);
        pieces.bytes = TIFFTileSize(tiff);
        pieces.rowBytes = qint64(pieces.width) * pixelBytes;
        if (pieces.width > 0)
            pieces.across = (quint32(layout.width) + pieces.width - 1) / pieces.width;
    } else {
        pieces.width = quint32(layout.width);
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &pieces.height);
        pieces.height = std::min(pieces.height, quint32(layout.height));
        pieces.count = TIFFNumberOfStrips(tiff);
        pieces.bytes = TIFFStripSize(tiff);
        pieces.rowBytes = TIFFScanlineSize(tiff);
    }
    // A layout whose pieces do not hold their pixels is damaged.
    if (pieces.width == 0 || pieces.height == 0 || pieces.rowBytes < pieces.width * pixelBytes ||
        pieces.bytes < pieces.rowBytes * qint64(pieces.height))
        pieces.count = 0;
    return pieces;
}

// Decodes every strip or tile, on up to maxDecodingThreads threads, each with a TIFF handle
// of its own on the same file.
bool decodePieces(const Source &file, const Layout &layout, const Pieces &pieces,
                  const Placement &placement, RunConverter convert, QString *problem)
{
    std::atomic<quint32> next{0};
    std::atomic<bool> failed{false};
    std::mutex problemLock;
    auto fail = [&](const QString &reason) {
        std::lock_guard<std::mutex> guard(problemLock);
        if (!failed.exchange(true))
            *problem = reason;
    };
    auto work = [&] {
        Source source = file;
        Messages messages;
        const TiffFile tiff = openTiff(source, messages);
        if (!tiff ||
            (layout.ycbcr && !TIFFSetField(tiff.get(), TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB)))
            return fail(messages.error);
        std::vector<uchar> buffer(static_cast<size_t>(pieces.bytes));
        for (quint32 index = next++; index < pieces.count && !failed; index = next++) {
            const quint32 left = layout.tiled ? index % pieces.across * pieces.width : 0;
            const quint32 top =
                layout.tiled ? index / pieces.across * pieces.height : index * pieces.height;
            if (left >= quint32(layout.width) || top >= quint32(layout.height))
                continue;
            const int columns = int(std::min(pieces.width, quint32(layout.width) - left));
            const int rows = int(std::min(pieces.height, quint32(layout.height) - top));
            const tmsize_t decoded =
                layout.tiled ? TIFFReadEncodedTile(tiff.get(), index, buffer.data(), pieces.bytes)
                             : TIFFReadEncodedStrip(tiff.get(), index, buffer.data(), pieces.bytes);
            if (!messages.error.isEmpty() || decoded < 0)
                return fail(messages.error);
            const qint64 pixelBytes = qint64(layout.samples) * (layout.bits / 8);
            if (qint64(decoded) < pieces.rowBytes * (rows - 1) + columns * pixelBytes)
                return fail(QStringLiteral("a %1 of the TIFF holds fewer pixels than it covers")
                                .arg(QLatin1String(layout.tiled ? "tile" : "strip")));
            for (int y = 0; y < rows; ++y) {
                qsizetype step = 0;
                uchar *target = placement.at(int(left), int(top) + y, &step);
                convert(buffer.data() + y * pieces.rowBytes, columns, target, step, layout);
            }
        }
    };
    // The threads' decoded pieces together stay within one piece's bound.
    const int threads = int(
        std::max<qint64>(1, std::min<qint64>({qint64(QThread::idealThreadCount()),
                                              qint64(maxDecodingThreads), qint64(pieces.count),
                                              maxPieceBytes / std::max<qint64>(1, pieces.bytes)})));
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error &) {
            break; // the threads started and this one carry on
        }
    }
    work();
    for (std::thread &helper : helpers)
        helper.join();
    return !failed;
}

} // namespace

TiffHeader readTiffHeader(QIODevice &device)
{
    Messages messages;
    Source source = sourceOf(device);
    TiffFile tiff = openTiff(source, messages);
    TiffHeader header;
    quint32 width = 0, height = 0;
    quint16 bits = 1;
    if (tiff && TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) &&
        TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height) && width <= INT_MAX &&
        height <= INT_MAX) {
        TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
        header.size = QSize(int(width), int(height));
        header.bitsPerSample = bits;
    }
    return header;
}

QImage readTiff(QIODevice &device, qint64 maxPixels, qint64 maxSixteenBitBytes, QString *error)
{
    Messages messages;
    if (!directoryInside(device)) {
        if (error)
            *error = QStringLiteral("the file ends before the TIFF picture does (its directory "
                                    "lies beyond its end)");
        return QImage();
    }
    auto fail = [&](const QString &reason) {
        if (error)
            *error = reason.isEmpty() ? (messages.error.isEmpty()
                                             ? QStringLiteral("the TIFF could not be decoded")
                                             : messages.error)
                                      : reason;
        return QImage();
    };
    Source source = sourceOf(device);
    TiffFile tiff = openTiff(source, messages);
    if (!tiff)
        return fail(QString());
    Layout layout;
    QString problem = describeLayoutProblem(tiff.get(), layout);
    if (!problem.isEmpty())
        return fail(problem);
    if (qint64(layout.width) * layout.height > maxPixels)
        return fail(QStringLiteral("the picture is too large (%1 x %2 pixels)")
                        .arg(layout.width)
                        .arg(layout.height));
    problem = describeStorageProblem(tiff.get(), layout, source.size);
    if (!problem.isEmpty())
        return fail(problem);
    if (!messages.error.isEmpty())
        return fail(QString());

    const bool deep =
        layout.bits == 16 && qint64(layout.width) * layout.height * 8 <= maxSixteenBitBytes;
    const bool turned = layout.orientation >= ORIENTATION_LEFTTOP;
    QImage picture =
        allocatePictureImage(turned ? layout.height : layout.width,
                             turned ? layout.width : layout.height, pictureFormat(layout, deep));
    if (picture.isNull())
        return fail(QStringLiteral("not enough memory for the picture"));
    Placement placement;
    placement.bits = picture.bits();
    placement.bytesPerLine = picture.bytesPerLine();
    placement.pixelBytes = picture.depth() / 8;
    placement.width = layout.width;
    placement.height = layout.height;
    placement.orientation = layout.orientation;
    const RunConverter convert = runConverter(layout, deep);
    const Pieces pieces = piecesOf(tiff.get(), layout);
    if (pieces.count == 0)
        return fail(QStringLiteral("the TIFF's strips or tiles do not hold its pixels"));
    bool decoded = false;
    if (qint64(pieces.bytes) <= maxPieceBytes && source.descriptor >= 0)
        decoded = decodePieces(source, layout, pieces, placement, convert, &problem);
    else if (!layout.tiled)
        decoded = decodeRows(tiff.get(), layout, placement, convert, messages);
    else
        problem =
            QStringLiteral("a tile of the TIFF takes more than %1 MiB").arg(maxPieceBytes >> 20);
    if (!decoded || !messages.error.isEmpty())
        return fail(problem);
    return picture;
}
