#include "engine/pictureio/picturereader.h"

#include "engine/pictureio/gifblocks.h"
#include "engine/pictureio/jpegreader.h"
#include "engine/pictureio/pictureformat.h"
#include "engine/pictureio/pngchunks.h"
#include "engine/pictureio/regularfile.h"
#include "engine/pictureio/sixteenbitpng.h"
#include "engine/pictureio/tiffreader.h"
#include "engine/pictureio/webpreader.h"

#include <QFile>
#include <QImageReader>
#include <QSize>

#include <algorithm>
#include <climits>

namespace {

constexpr qint64 gifDecoderPixelLimit = qint64(16384) * 16384;

// The GIF reader reports the size of the first image, or that image's extent when the
// logical screen is more than ten times larger, yet it decodes onto a canvas of the whole
// logical screen. A tiny image on a 65535 x 65535 screen would so pass the size check and
// then allocate 16 GiB. The canvas is at most the larger of the screen and the reported size.
QSize gifCanvasBound(const QByteArray &header, QSize reported)
{
    if (header.size() < 10)
        return reported;
    // The logical screen's width and height, little-endian, after the six-byte signature.
    const auto field = [&header](int offset) {
        return int(quint8(header[offset])) | int(quint8(header[offset + 1])) << 8;
    };
    return reported.expandedTo(QSize(field(6), field(8)));
}

// The PNG reader tells no size at all for a header beyond its own limits (a million pixels a
// side); the header's own fields then name the size, so that the refusal can say why.
QSize pngHeaderSize(const QByteArray &header)
{
    if (header.size() < 24 || header.mid(12, 4) != "IHDR")
        return QSize();
    // Width and height, big-endian, as the first fields of the IHDR chunk.
    const auto field = [&header](int offset) {
        quint32 value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | quint8(header[offset + i]);
        return int(qMin<quint32>(value, INT_MAX));
    };
    return QSize(field(16), field(20));
}

// The reduction of a JPEG decoded for a picture at least minSide pixels on its longer side:
// the largest of 1, 2, 4 and 8 that keeps it so long.
int jpegReduction(QIODevice &file, int minSide)
{
    if (minSide <= 0)
        return 1;
    const QSize size = readJpegSize(file);
    file.seek(0);
    const int longer = std::max(size.width(), size.height());
    int reduction = 1;
    while (reduction < 8 && longer / (2 * reduction) >= minSide)
        reduction *= 2;
    return reduction;
}

QImage readPictureAtLeast(const QString &path, QString *error, QImage spentPicture, int minSide,
                          int *reduction)
{
    if (reduction)
        *reduction = 1;
    auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return QImage();
    };
    auto tooLarge = [&fail](QSize size) {
        return fail(QStringLiteral("the picture is too large (%1 x %2 pixels)")
                        .arg(size.width())
                        .arg(size.height()));
    };
    // A FIFO or a device would block the read or never end; a folder is no picture.
    QFile file;
    QString problem;
    if (!openRegularFile(file, path, -1, &problem))
        return fail(problem);
    const QByteArray start = file.peek(pictureSignatureLength);
    const PictureFormat format = pictureFormatOf(start);
    // Only the JPEG decoder reuses an old picture's memory; the others let it go before they
    // allocate their own.
    if (format.readerFormat != "jpeg")
        spentPicture = QImage();
    if (!format.accepted())
        return fail(format.refusal);
    // GIF files are small next to their pictures; their blocks are checked in memory, before
    // the decoder sees the file.
    QByteArray gif;
    if (format.readerFormat == "gif") {
        gif = file.readAll();
        if (gifHasImageOutsideScreen(gif))
            return fail(QStringLiteral("an image of the GIF lies outside its logical screen"));
        if (gifEndsInsideAnImage(gif))
            return fail(QStringLiteral("the file ends before the picture does"));
        if (!file.seek(0))
            return fail(file.errorString());
    }

    // The JPEG decoder checks the declared size itself, before it allocates anything.
    if (format.readerFormat == "jpeg") {
        QString reason;
        const int scale = jpegReduction(file, minSide);
        const QImage picture =
            readJpeg(file, maxPicturePixels, &reason, std::move(spentPicture), scale);
        if (reduction)
            *reduction = scale;
        return picture.isNull() ? fail(reason) : picture;
    }

    // TIFF and WebP are decoded by their own libraries, which check the declared size first.
    if (format.readerFormat == "tiff" || format.readerFormat == "webp") {
        QString reason;
        const QImage picture =
            format.readerFormat == "tiff"
                ? readTiff(file, maxPicturePixels, maxSixteenBitPictureBytes, &reason)
                : readWebp(file, maxPicturePixels, &reason);
        return picture.isNull() ? fail(reason) : picture;
    }

    // A cut PNG is refused before libpng, which would also print its own complaint.
    if (format.readerFormat == "png") {
        const bool cut = pngChunksRunPastEnd(file);
        const QSize declared = pngHeaderSize(start);
        if (cut && declared.isValid() &&
            qint64(declared.width()) * declared.height() > maxPicturePixels)
            return tooLarge(declared);
        if (cut)
            return fail(QStringLiteral(
                "the file ends before the picture does (its PNG chunks run past its end)"));
        if (!file.seek(0))
            return fail(file.errorString());
    }

    // The other formats read here declare their size in the header too, so an absurd size is
    // refused before the decoder allocates anything.
    QImageReader reader(&file, format.readerFormat);
    QSize declared = reader.size();
    if (format.readerFormat == "gif")
        declared = gifCanvasBound(start, declared);
    else if (format.readerFormat == "png" && !declared.isValid())
        declared = pngHeaderSize(start);
    if (declared.isValid() && qint64(declared.width()) * declared.height() > maxPicturePixels)
        return tooLarge(declared);
    // Qt's GIF decoder refuses a canvas of maxPicturePixels or more ("Unable to read image
    // data"); the reason names its limit instead.
    if (format.readerFormat == "gif" &&
        qint64(declared.width()) * declared.height() >= gifDecoderPixelLimit)
        return fail(QStringLiteral("the GIF is %1 x %2 pixels; GIF pictures are read up to %3 "
                                   "pixels, one less than 16384 x 16384")
                        .arg(declared.width())
                        .arg(declared.height())
                        .arg(gifDecoderPixelLimit - 1));
    if (format.readerFormat == "gif" && gifFirstImageDataEndsEarly(gif))
        return fail(QStringLiteral("the picture data ends before the picture does"));
    gif.clear();

    if (isSixteenBitPng(start)) {
        QString reason;
        if (!file.seek(0))
            return fail(file.errorString());
        const QImage picture =
            readSixteenBitPng(file, maxPicturePixels, maxSixteenBitPictureBytes, &reason);
        return picture.isNull() ? fail(reason) : picture;
    }

    // Qt's other readers may leave parts of an old picture behind, so they always start afresh.
    QImage picture;
    if (!reader.read(&picture))
        return fail(reader.errorString());
    if (qint64(picture.width()) * picture.height() > maxPicturePixels)
        return tooLarge(picture.size());
    return picture;
}

} // namespace

QImage readPicture(const QString &path, QString *error, QImage spentPicture)
{
    return readPictureAtLeast(path, error, std::move(spentPicture), 0, nullptr);
}

QImage readReducedPicture(const QString &path, int minSide, int *reduction, QString *error)
{
    return readPictureAtLeast(path, error, QImage(), minSide, reduction);
}

qint64 declaredPictureBytes(const QString &path)
{
    QFile file;
    if (!openRegularFile(file, path, -1))
        return 0;
    const QByteArray start = file.peek(pictureSignatureLength);
    const QByteArray format = pictureFormatOf(start).readerFormat;
    QSize size;
    bool sixteenBits = false;
    if (format == "jpeg") {
        size = readJpegSize(file);
    } else if (format == "tiff") {
        const TiffHeader header = readTiffHeader(file);
        size = header.size;
        sixteenBits = header.bitsPerSample == 16;
    } else if (format == "webp") {
        size = readWebpSize(file);
    } else {
        size = QImageReader(&file).size();
        sixteenBits = isSixteenBitPng(start);
    }
    if (!size.isValid())
        return 0;
    const qint64 pixels = qint64(size.width()) * size.height();
    return sixteenBits && pixels * 8 <= maxSixteenBitPictureBytes ? pixels * 8 : pixels * 4;
}
