#include "engine/pictureio/mapwriter.h"

#include "engine/basics/picturedepth.h"
#include "engine/basics/rowscheduler.h"
#include "engine/pictureio/tiffmapwriter.h"
#include "engine/pictureio/wholefilewriter.h"
#include "engine/pictureio/worldfile.h"

#include <QColorSpace>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>

#include <cstring>

namespace {

// Red, green and blue of each pixel, three bytes a pixel; the alpha byte is dropped.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
// Four pixels at a time with one byte shuffle where the processor has one; the 16-byte store
// runs 4 bytes into the next pixels' place, which the loop then writes over.
__attribute__((target_clones("default", "ssse3"))) void packRow(const QRgb *in, uchar *out,
                                                                int width)
{
    using Bytes = quint8 __attribute__((vector_size(16)));
    const Bytes order = {2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, 15, 15, 15, 15};
    int x = 0;
    for (; x + 6 <= width; x += 4, out += 12) {
        Bytes four;
        std::memcpy(&four, in + x, sizeof four);
        const Bytes packed = __builtin_shuffle(four, order);
        std::memcpy(out, &packed, sizeof packed);
    }
    for (; x < width; ++x, out += 3) {
        out[0] = uchar(qRed(in[x]));
        out[1] = uchar(qGreen(in[x]));
        out[2] = uchar(qBlue(in[x]));
    }
}
#else
void packRow(const QRgb *in, uchar *out, int width)
{
    for (int x = 0; x < width; ++x, out += 3) {
        out[0] = uchar(qRed(in[x]));
        out[1] = uchar(qGreen(in[x]));
        out[2] = uchar(qBlue(in[x]));
    }
}
#endif

} // namespace

MapFormat mapFormatForCode(int outputFormat)
{
    if (outputFormat == 2)
        return MapFormat::Tiff;
    return outputFormat == 1 ? MapFormat::Png : MapFormat::Jpg;
}

QString mapFormatName(MapFormat format)
{
    switch (format) {
    case MapFormat::Png:
        return QStringLiteral("png");
    case MapFormat::Tiff:
        return QStringLiteral("tif");
    case MapFormat::Jpg:
        break;
    }
    return QStringLiteral("jpg");
}

bool mapFormatForSuffix(const QString &suffix, MapFormat *format)
{
    const QString lower = suffix.toLower();
    if (lower == QLatin1String("jpg") || lower == QLatin1String("jpeg"))
        *format = MapFormat::Jpg;
    else if (lower == QLatin1String("png"))
        *format = MapFormat::Png;
    else if (lower == QLatin1String("tif") || lower == QLatin1String("tiff"))
        *format = MapFormat::Tiff;
    else
        return false;
    return true;
}

QString outputFormatName(int outputFormat)
{
    return mapFormatName(mapFormatForCode(outputFormat));
}

bool writeMap(const QImage &map, MapTarget &target, MapFormat format, int quality,
              QString *errorText, const std::function<bool()> &mayReplace)
{
    auto fail = [errorText](const QString &text) {
        if (errorText)
            *errorText = text;
        return false;
    };
    if (map.isNull())
        return fail(QStringLiteral("there is no map to write"));
    const QString folder = QFileInfo(target.path).path();
    WholeFileWriter file;
    if (!file.begin(folder))
        return fail(file.errorString());
    if (format == MapFormat::Tiff) {
        QString error;
        if (!writeTiffMap(map, file, &error))
            return fail(error);
    } else {
        QImageWriter writer(&file, mapFormatName(format).toLatin1());
        writer.setQuality(quality);
        // JPG holds 8 bits: a map of 16 bits per channel is rounded to them as a map of 8 bits
        // is written (premultiplied, so blended on black); PNG writes the 64-bit formats at 16
        // bits.
        const bool narrowed = format == MapFormat::Jpg && hasSixteenBits(map);
        if (!writer.write(narrowed ? toEightBits(map) : map))
            return fail(writer.errorString());
    }
    WholeFileWriter world;
    const bool withWorld = target.worldFile && format != MapFormat::Tiff;
    if (withWorld) {
        if (!world.begin(folder))
            return fail(world.errorString());
        world.write(worldFileText(map.size()));
        if (!world.flushToDisk())
            return fail(world.errorString());
    }
    if (mayReplace && !mayReplace())
        return fail(QStringLiteral("the map was not to be written"));
    for (;;) {
        switch (file.place(target.path, target.replace)) {
        case WholeFileWriter::Placed::Yes:
            if (!withWorld ||
                world.place(worldFilePath(target.path), true) == WholeFileWriter::Placed::Yes)
                return true;
            // The map stays: removing it would lose the file it may have replaced. The write
            // still fails, so that the missing world file is reported.
            return fail(
                QStringLiteral("the map was written, but its world file %1 could not be: %2")
                    .arg(worldFilePath(target.path), world.errorString()));
        case WholeFileWriter::Placed::Failed:
            return fail(file.errorString());
        case WholeFileWriter::Placed::NameTaken:
            const QString next = target.nextName ? target.nextName(target.path) : QString();
            if (next.isEmpty())
                return fail(QStringLiteral("the output file already exists"));
            target.path = next;
        }
    }
}

bool writeMap(const QImage &map, const QString &path, MapFormat format, int quality,
              QString *errorText, const std::function<bool()> &mayReplace)
{
    MapTarget target{path, true, {}};
    return writeMap(map, target, format, quality, errorText, mayReplace);
}

QImage packedForJpeg(const QImage &map, QImage spent, RowScheduler &scheduler)
{
    const QImage::Format format = map.format();
    const bool packable = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
                          format == QImage::Format_ARGB32_Premultiplied;
    if (!packable || !map.textKeys().isEmpty() || map.colorSpace().isValid())
        return map;
    QImage packed;
    if (spent.size() == map.size() && spent.format() == QImage::Format_RGB888 && spent.isDetached())
        packed = std::move(spent);
    else
        packed = QImage(map.size(), QImage::Format_RGB888);
    if (packed.isNull())
        return map;
    packed.setDotsPerMeterX(map.dotsPerMeterX());
    packed.setDotsPerMeterY(map.dotsPerMeterY());
    // Taken here, on one thread: the rows are then filled on several.
    uchar *const packedBits = packed.bits();
    const qsizetype packedLine = packed.bytesPerLine();
    scheduler.run(map.height(), [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y)
            packRow(reinterpret_cast<const QRgb *>(map.constScanLine(y)),
                    packedBits + y * packedLine, map.width());
    });
    return packed;
}
