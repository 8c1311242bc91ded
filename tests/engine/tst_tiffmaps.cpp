// TIFF maps hold what the PNG of the same map holds, at 8 or 16 bits a channel, and gdalinfo
// finds them on the globe; world files take the map's final name, and fail the write with them.

#include "engine/pictureio/mapwriter.h"
#include "testfiles.h"
#include "testimages.h"
#include "tiffreading.h"

#include <QDir>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <tiff.h>

namespace {

// 8-bit maps from the test pictures; 16-bit ones with red across, green down and alpha running
// through the whole range, so that a channel takes far more than 256 levels.
QImage testMap(int width, int height, QImage::Format format)
{
    if (format == QImage::Format_RGB32)
        return testimages::uniquePicture(width, height).convertToFormat(format);
    if (format == QImage::Format_ARGB32 || format == QImage::Format_ARGB32_Premultiplied)
        return testimages::translucentPicture(width, height).convertToFormat(format);
    QImage deep(width, height, QImage::Format_RGBA64);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            reinterpret_cast<QRgba64 *>(deep.scanLine(y))[x] = QRgba64::fromRgba64(
                quint16(x * 65535 / (width - 1)), quint16(y * 65535 / (height - 1)),
                quint16(x * 7919 + y * 131), quint16(x * 97 + y * 389));
    return deep.convertToFormat(format);
}

} // namespace

class TiffMapsTest : public QObject
{
    Q_OBJECT

private slots:
    void tiffHoldsWhatPngHolds_data();
    void tiffHoldsWhatPngHolds();
    void gdalFindsTheMapOnTheGlobe();
    void worldFiles_data();
    void worldFiles();
};

void TiffMapsTest::tiffHoldsWhatPngHolds_data()
{
    QTest::addColumn<QImage>("map");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("samples");
    // Taller than a strip, so that several strips are written and read back.
    QTest::newRow("8-bit opaque") << testMap(300, 700, QImage::Format_RGB32) << 8 << 3;
    QTest::newRow("8-bit alpha") << testMap(300, 700, QImage::Format_ARGB32) << 8 << 4;
    QTest::newRow("8-bit premultiplied")
        << testMap(301, 699, QImage::Format_ARGB32_Premultiplied) << 8 << 4;
    QTest::newRow("8-bit, one column") << testMap(1, 1100, QImage::Format_RGB32) << 8 << 3;
    QTest::newRow("16-bit opaque") << testMap(300, 500, QImage::Format_RGBX64) << 16 << 3;
    QTest::newRow("16-bit alpha") << testMap(300, 500, QImage::Format_RGBA64) << 16 << 4;
    QTest::newRow("16-bit premultiplied")
        << testMap(257, 499, QImage::Format_RGBA64_Premultiplied) << 16 << 4;
}

void TiffMapsTest::tiffHoldsWhatPngHolds()
{
    QFETCH(QImage, map);
    QFETCH(int, bits);
    QFETCH(int, samples);
    QTemporaryDir dir;
    QString error;
    QVERIFY2(writeMap(map, dir.filePath("m.tif"), MapFormat::Tiff, 85, &error), qPrintable(error));
    QVERIFY2(writeMap(map, dir.filePath("m.png"), MapFormat::Png, 85, &error), qPrintable(error));

    const tiffreading::TiffFile tiff = tiffreading::readTiff(dir.filePath("m.tif"));
    QVERIFY2(!tiff.pixels.isNull(), qPrintable(tiff.error));
    QCOMPARE(QVector<int>(
                 {tiff.bitsPerSample, tiff.samplesPerPixel, tiff.compression, tiff.extraSample}),
             QVector<int>({bits, samples, COMPRESSION_ADOBE_DEFLATE,
                           samples == 4 ? EXTRASAMPLE_UNASSALPHA : -1}));
    const QImage png =
        QImageReader(dir.filePath("m.png")).read().convertToFormat(tiff.pixels.format());
    QCOMPARE(tiff.pixels, png);
    QSet<quint16> reds;
    for (int y = 0; bits == 16 && y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x)
            reds.insert(reinterpret_cast<const QRgba64 *>(tiff.pixels.constScanLine(y))[x].red());
    QVERIFY(bits == 8 || reds.size() > 256);
}

void TiffMapsTest::gdalFindsTheMapOnTheGlobe()
{
    const QString gdalinfo = QStandardPaths::findExecutable("gdalinfo");
    if (gdalinfo.isEmpty())
        QSKIP("gdalinfo is not installed (Debian: gdal-bin), so the GeoTIFF keys go unchecked");
    QTemporaryDir dir;
    QVERIFY(writeMap(testMap(1000, 333, QImage::Format_RGBA64_Premultiplied), dir.filePath("m.tif"),
                     MapFormat::Tiff, 85));
    QProcess process;
    process.start(gdalinfo, {dir.filePath("m.tif")});
    QVERIFY(process.waitForFinished(60000) && process.exitCode() == 0);
    const QString listing = QString::fromUtf8(process.readAllStandardOutput());
    // A geographic system on a sphere of the chosen radius, in degrees; pixel is area.
    for (const char *expected :
         {"^GEOGCRS\\[", "ELLIPSOID\\[\"[^\"]*\",6371000,0,", "ANGLEUNIT\\[\"degree\"",
          "AREA_OR_POINT=Area", "Size is 1000, 333", "Upper Left +\\(-180\\.0+, +90\\.0+\\)",
          "Lower Left +\\(-180\\.0+, -90\\.0+\\)", "Upper Right +\\( 180\\.0+, +90\\.0+\\)",
          "Lower Right +\\( 180\\.0+, -90\\.0+\\)"})
        QVERIFY2(
            listing.contains(QRegularExpression(expected, QRegularExpression::MultilineOption)),
            qPrintable(QString(expected) + " not in:\n" + listing));
}

void TiffMapsTest::worldFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("renamed");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QByteArray>("world");
    const QByteArray power = "1.40625\n0\n0\n-1.40625\n-179.296875\n89.296875\n";
    QTest::newRow("PNG") << "m.png"
                         << "m_2.png" << QSize(256, 128)
                         << QStringList{"m.png", "m_2.pgw", "m_2.png"} << power;
    QTest::newRow("JPEG in capitals")
        << "M.JPEG"
        << "M_2.JPEG" << QSize(1000, 500) << QStringList{"M.JPEG", "M_2.JGW", "M_2.JPEG"}
        << QByteArray("0.36\n0\n0\n-0.36\n-179.82\n89.82\n");
    // A TIFF map is placed by its own tags and gets none.
    QTest::newRow("TIFF") << "m.tif"
                          << "m_2.tif" << QSize(256, 128) << QStringList{"m.tif", "m_2.tif"}
                          << QByteArray();
    // A world file that cannot be placed fails the write; the map it came with stays.
    QTest::newRow("name taken by a folder")
        << "m.png"
        << "m_2.png" << QSize(256, 128) << QStringList{"m.png", "m_2.pgw", "m_2.png"}
        << QByteArray();
}

// With overwriting off the map takes the next free name, and its world file that name too.
void TiffMapsTest::worldFiles()
{
    QFETCH(QString, name);
    QFETCH(QString, renamed);
    QFETCH(QSize, size);
    QFETCH(QStringList, files);
    QFETCH(QByteArray, world);
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath(name), "an earlier map"));
    const bool blocked = QTest::currentDataTag() == QLatin1String("name taken by a folder");
    QVERIFY(!blocked || QDir(dir.path()).mkdir("m_2.pgw"));
    MapTarget target{dir.filePath(name), false,
                     [&](const QString &) { return dir.filePath(renamed); }};
    target.worldFile = true;
    MapFormat format = MapFormat::Jpg;
    QVERIFY(mapFormatForSuffix(QFileInfo(name).suffix(), &format));
    QString error;
    QCOMPARE(writeMap(testimages::uniquePicture(size.width(), size.height()), target, format, 85,
                      &error),
             !blocked);
    QVERIFY2(!blocked || error.contains("world file"), qPrintable(error));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), files);
    QCOMPARE(readBytes(dir.filePath(name)), QByteArray("an earlier map"));
    if (!world.isEmpty())
        QCOMPARE(readBytes(dir.filePath(files.at(1))), world);
}

QTEST_GUILESS_MAIN(TiffMapsTest)
#include "tst_tiffmaps.moc"
