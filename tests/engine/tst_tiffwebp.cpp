// TIFF and WebP pictures of every variant written from one synthetic picture through libtiff
// and libwebp, read with readPicture and converted in both modes: the picture and its maps are
// those of the same picture as PNG (equal for lossless variants, within a stated tolerance
// for lossy ones). 16-bit files keep their 16 bits; cut, misplaced, bomb and damaged files are
// refused with a reason.

#include "engine/pictureio/picturereader.h"
#include "engine/standard/mapconverter.h"
#include "picturefiles.h"
#include "testimages.h"

#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <tiffio.h>

using picturefiles::TiffVariant;

Q_DECLARE_METATYPE(TiffVariant)

namespace {

// 83 x 61 pixels (no multiple of a strip or tile), smooth enough for JPEG, with 16-bit values
// that no 8-bit value times 257 gives.
QImage synthetic(bool grey, bool alpha)
{
    QImage picture(83, 61, alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64);
    for (int y = 0; y < picture.height(); ++y) {
        auto *pixel = reinterpret_cast<quint16 *>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x, pixel += 4) {
            pixel[0] = quint16(1001 + x * 780);
            pixel[1] = grey ? pixel[0] : quint16(3 + y * 1070);
            pixel[2] = grey ? pixel[0] : quint16(20000 + x * y * 8);
            pixel[3] = alpha ? quint16(16384 + y * 800) : 0xFFFF;
        }
    }
    return picture;
}

// The picture a file of the given depth holds: 8-bit ones the nearest 8-bit values.
QImage atDepth(const QImage &picture, int bits)
{
    if (bits == 16)
        return picture;
    return picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32
                                                             : QImage::Format_RGB32);
}

QImage mapOf(const QImage &picture, ConversionMode mode)
{
    ConversionParameters params;
    params.centerX = picture.width() / 2;
    params.centerY = picture.height() / 2;
    params.radius = std::min(picture.width(), picture.height()) / 2 - 1;
    params.distance = 3;
    params.latitude = 20;
    params.outputWidth = 128;
    params.outputHeight = 64;
    params.mode = mode;
    MapConverter converter;
    converter.setEventPump([] {});
    return converter.convert(picture, params).map;
}

} // namespace

class TiffWebpTest : public QObject
{
    Q_OBJECT

private slots:
    void readAsThePng_data();
    void readAsThePng();
    void sixteenBitLevelsKept_data();
    void sixteenBitLevelsKept();
    void refusedWithReason_data();
    void refusedWithReason();

private:
    QString written(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        return picturefiles::writeFile(path, bytes) ? path : QString();
    }
    QTemporaryDir dir;
};

void TiffWebpTest::readAsThePng_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QImage>("picture"); // what the file holds
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<int>("tolerance"); // per channel, of pictures and maps at 8 bits

    struct Row
    {
        const char *name;
        TiffVariant variant;
        int tolerance;
    };
    const int none = COMPRESSION_NONE, lzw = COMPRESSION_LZW, deflate = COMPRESSION_ADOBE_DEFLATE;
    const int jpeg = COMPRESSION_JPEG;
    // bits, channels, compression, tiled, rows per strip, associated, YCbCr, orientation
    const Row rows[] = {
        {"8-bit RGB, none, strips", {8, 3, none, false, 8}, 0},
        {"8-bit RGB, LZW, tiles", {8, 3, lzw, true}, 0},
        {"8-bit RGBA, Deflate, strips", {8, 4, deflate, false, 5}, 0},
        {"8-bit RGBA associated, LZW, tiles", {8, 4, lzw, true, 8, true}, 1},
        {"8-bit grey, Deflate, tiles", {8, 1, deflate, true}, 0},
        {"8-bit grey and alpha, none, strips", {8, 2, none, false, 61}, 0},
        {"8-bit RGB, PackBits, one strip", {8, 3, COMPRESSION_PACKBITS, false, 61}, 0},
        {"8-bit RGB, JPEG, strips", {8, 3, jpeg, false, 16}, 6},
        {"8-bit RGB, JPEG YCbCr, tiles", {8, 3, jpeg, true, 8, false, true}, 10},
        {"8-bit grey, JPEG, strips", {8, 1, jpeg, false, 16}, 4},
        {"16-bit RGB, none, strips", {16, 3, none, false, 3}, 0},
        {"16-bit RGB, Deflate, tiles", {16, 3, deflate, true}, 0},
        {"16-bit RGBA, LZW, strips", {16, 4, lzw, false, 8}, 0},
        {"16-bit RGBA associated, Deflate, strips", {16, 4, deflate, false, 8, true}, 1},
        {"16-bit grey, LZW, tiles", {16, 1, lzw, true}, 0},
        {"16-bit grey and alpha, Deflate, strips", {16, 2, deflate, false, 7}, 0},
        {"8-bit RGB, turned right (orientation 6)", {8, 3, lzw, false, 8, false, false, 6}, 0},
        {"16-bit RGBA, mirrored (orientation 2), tiles",
         {16, 4, deflate, true, 8, false, false, 2},
         0},
        {"8-bit grey, upside down (orientation 3)", {8, 1, none, false, 8, false, false, 3}, 0},
        {"8-bit RGB, transposed (orientation 5)", {8, 3, none, true, 8, false, false, 5}, 0},
        {"16-bit RGB, orientation 7", {16, 3, lzw, false, 8, false, false, 7}, 0},
        {"8-bit RGBA, orientation 8, tiles", {8, 4, deflate, true, 8, false, false, 8}, 0},
        {"16-bit RGB, BigTIFF, LZW, tiles", {16, 3, lzw, true, 8, false, false, 1, 90, true}, 0},
    };
    for (const Row &row : rows) {
        const TiffVariant &v = row.variant;
        const bool alpha = v.channels % 2 == 0;
        const QImage picture = atDepth(synthetic(v.channels <= 2, alpha), v.bits);
        const QImage::Format format = v.bits == 16
                                          ? (alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64)
                                          : (alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        QTest::newRow(row.name) << picturefiles::tiffBytes(picture, v) << picture << format
                                << row.tolerance;
    }
    const QImage opaque = atDepth(synthetic(false, false), 8);
    const QImage translucent = atDepth(synthetic(false, true), 8);
    QTest::newRow("WebP lossless")
        << picturefiles::webpBytes(opaque, true) << opaque << QImage::Format_RGB32 << 0;
    QTest::newRow("WebP lossless with alpha")
        << picturefiles::webpBytes(translucent, true) << translucent << QImage::Format_ARGB32 << 0;
    QTest::newRow("WebP lossy") << picturefiles::webpBytes(opaque, false) << opaque
                                << QImage::Format_RGB32 << 16;
    QTest::newRow("WebP lossy with alpha") << picturefiles::webpBytes(translucent, false)
                                           << translucent << QImage::Format_ARGB32 << 16;
}

// The picture comes in the format of its depth and alpha, and its maps in both modes are
// those of the same picture read from a PNG.
void TiffWebpTest::readAsThePng()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QImage, picture);
    QFETCH(QImage::Format, format);
    QFETCH(int, tolerance);
    QVERIFY(!bytes.isEmpty());
    const QString path = written(QStringLiteral("picture.png"), bytes); // the content decides
    const QString pngPath = dir.filePath(QStringLiteral("same.png"));
    QVERIFY(!path.isEmpty() && picture.save(pngPath, "PNG"));

    QString error;
    const QImage read = readPicture(path, &error);
    QVERIFY2(!read.isNull(), qPrintable(error));
    QCOMPARE(read.format(), format);
    QCOMPARE(read.size(), picture.size());
    // What a batch reckons with before it reads the file.
    QCOMPARE(declaredPictureBytes(path), qint64(read.sizeInBytes()));
    const QImage fromPng = readPicture(pngPath, &error);
    QVERIFY2(!fromPng.isNull(), qPrintable(error));
    if (tolerance == 0)
        QCOMPARE(read.convertToFormat(QImage::Format_RGBA64),
                 fromPng.convertToFormat(QImage::Format_RGBA64));
    testimages::Difference difference = testimages::compare(read, fromPng, tolerance);
    QVERIFY2(difference.count == 0, qPrintable(difference.describe()));

    for (const ConversionMode mode : {ConversionMode::Standard, ConversionMode::Precise}) {
        const QImage map = mapOf(read, mode);
        QVERIFY(!map.isNull());
        QVERIFY(testimages::contentPixels(map) > 0);
        difference = testimages::compare(map, mapOf(fromPng, mode), tolerance);
        QVERIFY2(difference.count == 0, qPrintable(difference.describe()));
    }
}

void TiffWebpTest::sixteenBitLevelsKept_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("TIFF, Deflate") << "tif";
    QTest::newRow("PNG") << "png";
}

// A 16-bit grey ramp of 600 levels comes with all of them, exactly.
void TiffWebpTest::sixteenBitLevelsKept()
{
    QFETCH(QString, suffix);
    QImage ramp(600, 3, QImage::Format_Grayscale16);
    for (int y = 0; y < ramp.height(); ++y)
        for (int x = 0; x < ramp.width(); ++x)
            reinterpret_cast<quint16 *>(ramp.scanLine(y))[x] = quint16(x * 109 + y);
    const QString path = dir.filePath("ramp." + suffix);
    if (suffix == "png")
        QVERIFY(ramp.save(path, "PNG"));
    else
        QVERIFY(picturefiles::writeFile(
            path, picturefiles::tiffBytes(ramp, {16, 1, COMPRESSION_ADOBE_DEFLATE})));
    QString error;
    const QImage read = readPicture(path, &error);
    QVERIFY2(!read.isNull(), qPrintable(error));
    QCOMPARE(read.format(), QImage::Format_RGBX64);
    QSet<quint16> levels;
    for (int y = 0; y < ramp.height(); ++y)
        for (int x = 0; x < ramp.width(); ++x) {
            const QRgba64 pixel = read.pixelColor(x, y).rgba64();
            QCOMPARE(pixel.red(), quint16(x * 109 + y));
            QCOMPARE(pixel.blue(), pixel.red());
            levels.insert(pixel.red());
        }
    QVERIFY(levels.size() > 256);
}

void TiffWebpTest::refusedWithReason_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason"); // a word of it

    const QImage picture = atDepth(synthetic(false, false), 8);
    const QByteArray plain = picturefiles::tiffBytes(picture, {8, 3, COMPRESSION_NONE});
    QTest::newRow("TIFF whose picture data is cut")
        << plain.left(plain.size() / 2) << "ends before";
    QByteArray misplaced = plain;
    QVERIFY(picturefiles::setTiffField(misplaced, TIFFTAG_STRIPOFFSETS, 3, plain.size() - 100));
    QTest::newRow("TIFF with a strip beyond the file") << misplaced << "strip 4 of 8";
    // One Deflate strip of a few hundred bytes declared as 16384 x 16384 pixels.
    QByteArray bomb =
        picturefiles::tiffBytes(picture, {8, 3, COMPRESSION_ADOBE_DEFLATE, false, INT_MAX});
    QVERIFY(picturefiles::setTiffField(bomb, TIFFTAG_IMAGEWIDTH, 0, 16384));
    QVERIFY(picturefiles::setTiffField(bomb, TIFFTAG_IMAGELENGTH, 0, 16384));
    QTest::newRow("TIFF bomb: 16384 x 16384 from one small Deflate strip") << bomb << "bomb";
    QByteArray huge = plain;
    QVERIFY(picturefiles::setTiffField(huge, TIFFTAG_IMAGEWIDTH, 0, 100000));
    QVERIFY(picturefiles::setTiffField(huge, TIFFTAG_IMAGELENGTH, 0, 100000));
    QTest::newRow("TIFF declaring 100000 x 100000") << huge << "too large";
    QByteArray lzw = picturefiles::tiffBytes(picture, {8, 3, COMPRESSION_LZW, false, 61});
    for (int i = 400; i < 440; ++i)
        lzw[i] = char(0xFF);
    QTest::newRow("TIFF with damaged LZW data") << lzw << "could not be decoded";

    const QByteArray lossless = picturefiles::webpBytes(picture, true);
    QTest::newRow("WebP cut short") << lossless.left(lossless.size() * 2 / 3) << "ends before";
    QByteArray damaged = lossless;
    for (int i = 30; i < damaged.size(); i += 7)
        damaged[i] = char(~damaged.at(i));
    QTest::newRow("WebP with damaged data") << damaged << "damaged";
    // The extended header of an animation on a 16 x 16 canvas, then one empty ANIM chunk.
    const QByteArray animated = QByteArray::fromHex("524946462400000057454250565038580a000000"
                                                    "020000000f00000f0000414e494d06000000"
                                                    "000000000000");
    QTest::newRow("animated WebP") << animated << "animated";
}

void TiffWebpTest::refusedWithReason()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const QString path = written(QStringLiteral("refused.jpg"), bytes);
    QVERIFY(!path.isEmpty());
    QString error;
    QVERIFY(readPicture(path, &error).isNull());
    QVERIFY2(error.contains(reason), qPrintable(error));
}

QTEST_GUILESS_MAIN(TiffWebpTest)
#include "tst_tiffwebp.moc"
