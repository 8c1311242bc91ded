// The formats readPicture accepts: JPEG, PNG, GIF, TIFF and WebP by their content; every other
// format is refused by its content (not its suffix) with a reason naming it, before it is
// decoded; GIF images outside their logical screen are refused; 16-bit PNGs come out at 16 bits
// per channel, and beyond the 16-bit bound at 8, exactly as Qt's own decoding followed by a
// conversion gives them; JPEGs come out pixel for
// pixel as Qt's reader gives them, and damaged or overly costly ones are refused.

#include "damagedpictures.h"
#include "engine/pictureio/picturereader.h"
#include "engine/pictureio/sixteenbitpng.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray encoded(const QImage &picture, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format);
    return bytes;
}

QImage noise(QImage::Format format)
{
    QImage picture(37, 23, format);
    QRandomGenerator random(7);
    for (int y = 0; y < picture.height(); ++y) {
        auto *bytes = reinterpret_cast<quint16 *>(picture.scanLine(y));
        for (int i = 0; i < picture.bytesPerLine() / 2; ++i)
            bytes[i] = quint16(random.bounded(65536));
    }
    return picture;
}

// A GIF whose one image of image size is placed at offset on its logical screen.
QByteArray gifPlaced(QSize screen, QSize image, QPoint offset)
{
    QByteArray gif = damagedpictures::gifDeclaring(screen, image);
    // Header (13 bytes), a palette of two colours (6), the separator, then left and top.
    const int descriptor = 13 + 6 + 1;
    gif[descriptor] = char(offset.x() & 0xFF);
    gif[descriptor + 1] = char(offset.x() >> 8);
    gif[descriptor + 2] = char(offset.y() & 0xFF);
    gif[descriptor + 3] = char(offset.y() >> 8);
    return gif;
}

QByteArray writtenByQt(const QImage &picture, bool progressive)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(85);
    writer.setProgressiveScanWrite(progressive);
    writer.write(picture);
    return bytes;
}

} // namespace

class PictureFormatsTest : public QObject
{
    Q_OBJECT

private slots:
    void refusedByContent_data();
    void refusedByContent();
    void sixteenBitPng_data();
    void sixteenBitPng();
    void jpegAsQtReadsIt_data();
    void jpegAsQtReadsIt();

private:
    QTemporaryDir dir;
};

void PictureFormatsTest::refusedByContent_data()
{
    QTest::addColumn<QByteArray>("bytes");
    // Empty when the file is read; otherwise a word of the reason.
    QTest::addColumn<QString>("reason");

    const QByteArray bmp = encoded(damagedpictures::intactPicture(), "BMP");
    QTest::newRow("BMP cut to 60 bytes") << bmp.left(60) << "BMP";
    QTest::newRow("whole BMP") << bmp << "BMP";
    QTest::newRow("BMP header declaring 16384 x 16384")
        << QByteArray::fromHex("424d9a0000000000000036000000280000000040000000400000010018")
        << "BMP";
    QTest::newRow("XBM declaring 16384 x 16384")
        << QByteArray("#define a_width 16384\n#define a_height 16384\nstatic char a_bits[]={\n")
        << "XBM";
    QTest::newRow("XPM") << encoded(damagedpictures::intactPicture(), "XPM") << "XPM";
    QTest::newRow("PPM") << encoded(damagedpictures::intactPicture(), "PPM") << "PPM";
    QTest::newRow("TIFF signature") << QByteArray("II*\0\x08\0\0\0", 8) << "TIFF";
    QTest::newRow("WebP signature") << QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16) << "WebP";
    QTest::newRow("text") << QByteArray("just words") << "not a JPEG, PNG, GIF, TIFF or WebP";
    QTest::newRow("TGA header") << damagedpictures::tgaHeader() << "TGA";
    QTest::newRow("CUR header") << QByteArray::fromHex("00000200010020200000100010003001") << "CUR";
    QTest::newRow("ICO header") << QByteArray::fromHex("00000100010020200000010020003001") << "ICO";
    QTest::newRow("GIF image inside its screen")
        << gifPlaced(QSize(20, 20), QSize(10, 10), QPoint(10, 10)) << "";
    QTest::newRow("GIF image larger than its screen")
        << gifPlaced(QSize(20, 20), QSize(21, 10), QPoint(0, 0)) << "screen";
    QTest::newRow("GIF image past the screen's bottom")
        << gifPlaced(QSize(20, 20), QSize(10, 10), QPoint(0, 11)) << "screen";
    QTest::newRow("GIF image far outside its screen")
        << gifPlaced(QSize(20, 20), QSize(5, 5), QPoint(60000, 60000)) << "screen";
    QTest::newRow("GIF of 16384 x 16384, beyond the GIF decoder's limit")
        << damagedpictures::gifDeclaring(QSize(16384, 16384), QSize(16384, 16384))
        << "16384 x 16384";
    QTest::newRow("interlaced GIF") << damagedpictures::interlacedGifCutAt(1.0) << "";
    QTest::newRow("interlaced GIF whose data stops at 43 percent")
        << damagedpictures::interlacedGifCutAt(0.43) << "data ends";
    QTest::newRow("JPEG with a bad Huffman code in the middle")
        << damagedpictures::jpegWithBadHuffmanCode() << "Huffman";
    using damagedpictures::JpegLayout;
    const QImage intact = damagedpictures::intactPicture();
    QTest::newRow("JPEG whose luminance scan comes 4 times")
        << damagedpictures::jpegEncoded(intact, JpegLayout::RepeatedScan, 3) << "";
    QTest::newRow("JPEG whose luminance scan comes 40 times")
        << damagedpictures::jpegEncoded(intact, JpegLayout::RepeatedScan, 39) << "scans";
    QTest::newRow("JPEG with a scan per coefficient")
        << damagedpictures::jpegEncoded(intact, JpegLayout::ScanPerCoefficient) << "scans";
}

void PictureFormatsTest::refusedByContent()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    // The suffix of an accepted format, so only the content can decide.
    const QString path = dir.filePath(QStringLiteral("picture.jpg"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
    file.close();
    QString error;
    const QImage picture = readPicture(path, &error);
    QCOMPARE(picture.isNull(), !reason.isEmpty());
    QVERIFY2(error.contains(reason), qPrintable(error));
}

void PictureFormatsTest::jpegAsQtReadsIt_data()
{
    QTest::addColumn<QByteArray>("bytes");

    using damagedpictures::jpegEncoded;
    using damagedpictures::JpegLayout;
    const QImage globe = damagedpictures::intactPicture();
    const QImage fine = noise(QImage::Format_RGB32);
    QTest::newRow("Qt, globe") << writtenByQt(globe, false);
    QTest::newRow("Qt, noise, odd size") << writtenByQt(fine, false);
    QTest::newRow("Qt, grey") << writtenByQt(globe.convertToFormat(QImage::Format_Grayscale8),
                                             false);
    QTest::newRow("Qt, progressive") << writtenByQt(fine, true);
    QTest::newRow("4:4:4") << jpegEncoded(fine, JpegLayout::Sampling444);
    QTest::newRow("4:2:2") << jpegEncoded(fine, JpegLayout::Sampling422);
    QTest::newRow("restart markers") << jpegEncoded(globe, JpegLayout::Restarts);
    QTest::newRow("CMYK") << jpegEncoded(globe, JpegLayout::Cmyk);
    QTest::newRow("repeated scan within the budget")
        << jpegEncoded(fine, JpegLayout::RepeatedScan, 5);
}

// The standard conversion must give the maps it always gave, so every JPEG must decode to the
// pixels and format of Qt's reader, also into the memory of an earlier picture.
void PictureFormatsTest::jpegAsQtReadsIt()
{
    QFETCH(QByteArray, bytes);
    const QString path = dir.filePath(QStringLiteral("picture.jpg"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
    file.close();
    const QImage expected = QImageReader(path).read();
    QVERIFY(!expected.isNull());

    QString error;
    const QImage read = readPicture(path, &error);
    QVERIFY2(!read.isNull(), qPrintable(error));
    QCOMPARE(read.format(), expected.format());
    QVERIFY(read == expected);
    QImage spent(expected.size(), expected.format());
    spent.fill(Qt::red);
    const uchar *memory = spent.constBits();
    const QImage reread = readPicture(path, &error, std::move(spent));
    QCOMPARE(reread.constBits(), memory);
    QVERIFY(reread == expected);
}

void PictureFormatsTest::sixteenBitPng_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<QImage::Format>("eightBitFormat");

    QTest::newRow("RGBA, 16 bits")
        << noise(QImage::Format_RGBA64) << QImage::Format_RGBA64 << QImage::Format_ARGB32;
    QTest::newRow("RGB, 16 bits") << noise(QImage::Format_RGBX64) << QImage::Format_RGBX64
                                  << QImage::Format_RGB32;
    QTest::newRow("grey, 16 bits")
        << noise(QImage::Format_Grayscale16) << QImage::Format_RGBX64 << QImage::Format_RGB32;
}

void PictureFormatsTest::sixteenBitPng()
{
    QFETCH(QImage, picture);
    QFETCH(QImage::Format, format);
    QFETCH(QImage::Format, eightBitFormat);
    const QString path = dir.filePath(QStringLiteral("deep.png"));
    QVERIFY(picture.save(path, "PNG"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(quint8(file.read(25).at(24)), quint8(16)); // the bit depth written

    QString error;
    const QImage read = readPicture(path, &error);
    QVERIFY2(!read.isNull(), qPrintable(error));
    QCOMPARE(read.format(), format);
    QCOMPARE(read, QImage(path).convertToFormat(format));

    // A picture beyond the 16-bit bound (here every picture) comes at 8 bits.
    QVERIFY(file.seek(0));
    const QImage shallow = readSixteenBitPng(file, maxPicturePixels, 0, &error);
    QVERIFY2(!shallow.isNull(), qPrintable(error));
    QCOMPARE(shallow.format(), eightBitFormat);
    QCOMPARE(shallow, QImage(path).convertToFormat(eightBitFormat));

    // Cut inside the picture data: refused, not made up.
    file.close();
    QFile cut(path);
    QVERIFY(cut.open(QIODevice::ReadWrite));
    QVERIFY(cut.resize(cut.size() * 3 / 4));
    cut.close();
    QVERIFY(readPicture(path, &error).isNull());
    QVERIFY2(error.contains("ends"), qPrintable(error));
}

QTEST_GUILESS_MAIN(PictureFormatsTest)
#include "tst_pictureformats.moc"
