// TIFF maps and world files: a TIFF map holds what the PNG of the same map holds, at 8 or 16
// bits a channel; gdalinfo finds it on the globe; world files beside JPG and PNG maps name the
// map's final name and fail the write when they cannot be written.

#include "engine/pictureio/mapwriter.h"
#include "engine/pictureio/worldfile.h"
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

#include <cstring>

#include <tiff.h>

namespace {

// A 16-bit map whose channels take many more than 256 levels: red across, green down, blue
// mixed, and alpha (when asked) running through the whole range.
QImage deepMap(int width, int height, QImage::Format format)
{
    QImage source(width, height, QImage::Format_RGBA64);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgba64 *>(source.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint16 alpha =
                format == QImage::Format_RGBX64 ? 0xffff : quint16((x * 97 + y * 389) & 0xffff);
            line[x] = QRgba64::fromRgba64(quint16(x * 65535 / (width - 1)),
                                          quint16(y * 65535 / (height - 1)),
                                          quint16((x * 7919 + y * 131) & 0xffff), alpha);
        }
    }
    return source.convertToFormat(format);
}

QImage eightBitMap(int width, int height, QImage::Format format)
{
    if (format == QImage::Format_RGB32)
        return testimages::uniquePicture(width, height).convertToFormat(format);
    return testimages::translucentPicture(width, height).convertToFormat(format);
}

int distinctReds(const QImage &sixteenBits)
{
    QSet<quint16> levels;
    for (int y = 0; y < sixteenBits.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgba64 *>(sixteenBits.constScanLine(y));
        for (int x = 0; x < sixteenBits.width(); ++x)
            levels.insert(line[x].red());
    }
    return levels.size();
}

// The two numbers of a corner line of gdalinfo: "Upper Left  (-180.0000000,  90.0000000) ...".
QPointF corner(const QString &listing, const QString &name)
{
    const QRegularExpression line(name +
                                  QStringLiteral("\\s*\\(\\s*([-+\\d.eE]+),\\s*([-+\\d.eE]+)\\)"));
    const QRegularExpressionMatch match = line.match(listing);
    if (!match.hasMatch())
        return QPointF(qQNaN(), qQNaN());
    return QPointF(match.captured(1).toDouble(), match.captured(2).toDouble());
}

} // namespace

class TiffMapsTest : public QObject
{
    Q_OBJECT

private slots:
    void tiffHoldsWhatPngHolds_data();
    void tiffHoldsWhatPngHolds();
    void gdalFindsTheMapOnTheGlobe_data();
    void gdalFindsTheMapOnTheGlobe();
    void worldFileContents_data();
    void worldFileContents();
    void worldFileFollowsTheFinalName_data();
    void worldFileFollowsTheFinalName();
    void unwritableWorldFileFailsTheMap();
};

void TiffMapsTest::tiffHoldsWhatPngHolds_data()
{
    QTest::addColumn<QImage>("map");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("samples");

    // Heights above one strip's rows, so that several strips are written and read back.
    QTest::newRow("8-bit opaque") << eightBitMap(300, 700, QImage::Format_RGB32) << 8 << 3;
    QTest::newRow("8-bit with alpha") << eightBitMap(300, 700, QImage::Format_ARGB32) << 8 << 4;
    QTest::newRow("8-bit premultiplied")
        << eightBitMap(301, 699, QImage::Format_ARGB32_Premultiplied) << 8 << 4;
    QTest::newRow("8-bit, one column") << eightBitMap(1, 1100, QImage::Format_RGB32) << 8 << 3;
    QTest::newRow("16-bit opaque") << deepMap(300, 500, QImage::Format_RGBX64) << 16 << 3;
    QTest::newRow("16-bit with alpha") << deepMap(300, 500, QImage::Format_RGBA64) << 16 << 4;
    QTest::newRow("16-bit premultiplied")
        << deepMap(257, 499, QImage::Format_RGBA64_Premultiplied) << 16 << 4;
}

void TiffMapsTest::tiffHoldsWhatPngHolds()
{
    QFETCH(QImage, map);
    QFETCH(int, bits);
    QFETCH(int, samples);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString tiffPath = dir.filePath("map.tif");
    const QString pngPath = dir.filePath("map.png");
    QString error;
    QVERIFY2(writeMap(map, tiffPath, MapFormat::Tiff, 85, &error), qPrintable(error));
    QVERIFY2(writeMap(map, pngPath, MapFormat::Png, 85, &error), qPrintable(error));

    const tiffreading::TiffFile tiff = tiffreading::readTiff(tiffPath);
    QVERIFY2(!tiff.pixels.isNull(), qPrintable(tiff.error));
    QCOMPARE(tiff.bitsPerSample, bits);
    QCOMPARE(tiff.samplesPerPixel, samples);
    QCOMPARE(tiff.compression, int(COMPRESSION_ADOBE_DEFLATE));
    QCOMPARE(tiff.extraSample, samples == 4 ? int(EXTRASAMPLE_UNASSALPHA) : -1);

    QImage png = QImageReader(pngPath).read();
    QVERIFY(!png.isNull());
    png = png.convertToFormat(tiff.pixels.format());
    QCOMPARE(tiff.pixels.size(), map.size());
    for (int y = 0; y < map.height(); ++y) {
        // The pixels only, not the padding at the end of a row.
        const int bytes = map.width() * tiff.pixels.depth() / 8;
        if (std::memcmp(tiff.pixels.constScanLine(y), png.constScanLine(y), size_t(bytes)) != 0)
            QFAIL(qPrintable(QStringLiteral("row %1 differs from the PNG's").arg(y)));
    }
    if (bits == 16)
        QVERIFY(distinctReds(tiff.pixels) > 256);
}

void TiffMapsTest::gdalFindsTheMapOnTheGlobe_data()
{
    QTest::addColumn<QImage>("map");

    QTest::newRow("8-bit 2048 x 1024") << eightBitMap(2048, 1024, QImage::Format_RGB32);
    QTest::newRow("16-bit 1000 x 333 with alpha")
        << deepMap(1000, 333, QImage::Format_RGBA64_Premultiplied);
}

void TiffMapsTest::gdalFindsTheMapOnTheGlobe()
{
    QFETCH(QImage, map);

    const QString gdalinfo = QStandardPaths::findExecutable("gdalinfo");
    if (gdalinfo.isEmpty())
        QSKIP("gdalinfo is not installed (Debian: gdal-bin); the GeoTIFF keys are not checked");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("map.tif");
    QString error;
    QVERIFY2(writeMap(map, path, MapFormat::Tiff, 85, &error), qPrintable(error));

    QProcess process;
    process.start(gdalinfo, {path});
    QVERIFY(process.waitForFinished(60000));
    const QString listing = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(process.exitCode() == 0, qPrintable(process.readAllStandardError()));

    // A geographic system on a sphere of the chosen radius, in degrees; no projection.
    QVERIFY2(listing.contains(QRegularExpression("GEOGCRS\\[|GEOGCS\\[")), qPrintable(listing));
    QVERIFY2(!listing.contains(QRegularExpression("PROJCRS\\[|PROJCS\\[")), qPrintable(listing));
    QVERIFY2(listing.contains(QRegularExpression("ELLIPSOID\\[\"[^\"]*\",6371000,0[,\\]]")),
             qPrintable(listing));
    QVERIFY2(listing.contains("ANGLEUNIT[\"degree\""), qPrintable(listing));
    QVERIFY2(listing.contains("AREA_OR_POINT=Area"), qPrintable(listing));
    QVERIFY2(listing.contains(QStringLiteral("Size is %1, %2").arg(map.width()).arg(map.height())),
             qPrintable(listing));
    const struct
    {
        const char *name;
        QPointF place;
    } corners[] = {{"Upper Left", {-180, 90}},
                   {"Lower Left", {-180, -90}},
                   {"Upper Right", {180, 90}},
                   {"Lower Right", {180, -90}},
                   {"Center", {0, 0}}};
    for (const auto &expected : corners) {
        const QPointF found = corner(listing, QLatin1String(expected.name));
        QVERIFY2(qAbs(found.x() - expected.place.x()) < 1e-7 &&
                     qAbs(found.y() - expected.place.y()) < 1e-7,
                 qPrintable(QStringLiteral("%1 at (%2, %3) in:\n%4")
                                .arg(expected.name)
                                .arg(found.x())
                                .arg(found.y())
                                .arg(listing)));
    }
}

void TiffMapsTest::worldFileContents_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("2048 x 1024")
        << QSize(2048, 1024)
        << QByteArray("0.17578125\n0\n0\n-0.17578125\n-179.912109375\n89.912109375\n");
    QTest::newRow("1000 x 500") << QSize(1000, 500)
                                << QByteArray("0.36\n0\n0\n-0.36\n-179.82\n89.82\n");
    QTest::newRow("one pixel") << QSize(1, 1) << QByteArray("360\n0\n0\n-180\n0\n0\n");
}

void TiffMapsTest::worldFileContents()
{
    QFETCH(QSize, size);
    QFETCH(QByteArray, text);
    QCOMPARE(worldFileText(size), text);
}

void TiffMapsTest::worldFileFollowsTheFinalName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("renamed");
    QTest::addColumn<QStringList>("files");

    QTest::newRow("PNG") << "map.png"
                         << "map_2.png" << QStringList{"map.png", "map_2.pgw", "map_2.png"};
    QTest::newRow("JPG") << "map.jpg"
                         << "map_2.jpg" << QStringList{"map.jpg", "map_2.jgw", "map_2.jpg"};
    QTest::newRow("JPEG in capitals")
        << "MAP.JPEG"
        << "MAP_2.JPEG" << QStringList{"MAP.JPEG", "MAP_2.JGW", "MAP_2.JPEG"};
    // A TIFF map is placed by its own tags and gets no world file.
    QTest::newRow("TIFF") << "map.tif"
                          << "map_2.tif" << QStringList{"map.tif", "map_2.tif"};
}

// With overwriting off the map takes the next free name, and its world file that name too.
void TiffMapsTest::worldFileFollowsTheFinalName()
{
    QFETCH(QString, name);
    QFETCH(QString, renamed);
    QFETCH(QStringList, files);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeBytes(dir.filePath(name), "an earlier map"));
    MapTarget target{dir.filePath(name), false,
                     [&](const QString &) { return dir.filePath(renamed); }};
    target.worldFile = true;
    MapFormat format = MapFormat::Jpg;
    QVERIFY(mapFormatForSuffix(QFileInfo(name).suffix(), &format));
    QString error;
    QVERIFY2(writeMap(testimages::uniquePicture(256, 128), target, format, 85, &error),
             qPrintable(error));

    QCOMPARE(target.path, dir.filePath(renamed));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), files);
    QCOMPARE(readBytes(dir.filePath(name)), QByteArray("an earlier map"));
    if (format != MapFormat::Tiff)
        QCOMPARE(readBytes(worldFilePath(target.path)),
                 QByteArray("1.40625\n0\n0\n-1.40625\n-179.296875\n89.296875\n"));
}

// A world file that cannot be placed (a folder has its name) fails the write, and the map it
// belongs to is not left behind.
void TiffMapsTest::unwritableWorldFileFailsTheMap()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir("map.pgw"));
    MapTarget target{dir.filePath("map.png"), true, {}};
    target.worldFile = true;
    QString error;
    QVERIFY(!writeMap(testimages::uniquePicture(64, 32), target, MapFormat::Png, 85, &error));
    QVERIFY2(error.contains("world file") && error.contains("map.pgw"), qPrintable(error));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"map.pgw"});
}

QTEST_GUILESS_MAIN(TiffMapsTest)
#include "tst_tiffmaps.moc"
