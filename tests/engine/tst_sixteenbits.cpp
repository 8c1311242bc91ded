// Pictures of 16 bits per channel: rounded to 8 bits as round(v / 257), the standard map that of
// the rounding, precise maps and mosaics at 16 bits, written as 16-bit PNG.

#include "conversioncases.h"
#include "engine/basics/picturedepth.h"
#include "engine/basics/rowscheduler.h"
#include "engine/pictureio/mapwriter.h"
#include "engine/standard/mapconverter.h"
#include "mosaic/mosaicbuilder.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

QRgba64 &pixel64(QImage &image, int x, int y)
{
    return reinterpret_cast<QRgba64 *>(image.scanLine(y))[x];
}
QRgba64 pixel64(const QImage &image, int x, int y)
{
    return reinterpret_cast<const QRgba64 *>(image.constScanLine(y))[x];
}

// Channels that change by a few 16-bit steps a pixel (red across, green down, blue in waves),
// translucent in places for the formats with alpha.
QImage deepPicture(QImage::Format format)
{
    QImage picture(480, 400, QImage::Format_RGBA64);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 480; ++x)
            pixel64(picture, x, y) = QRgba64::fromRgba64(
                quint16(65535 * x / 479), quint16(65535 * y / 399),
                quint16(std::lround(32768 + 30000 * std::sin(x * 0.05) * std::cos(y * 0.04))),
                quint16(format == QImage::Format_RGBX64 ? 65535
                                                        : 65535 - (x * 7 + y * 13) % 30000));
    return picture.convertToFormat(format);
}

ConversionResult convertWith(const QImage &picture, ConversionParameters params,
                             ConversionMode mode)
{
    params.mode = mode;
    MapConverter converter;
    converter.setEventPump([] {});
    return converter.convert(picture, params);
}

} // namespace

class SixteenBitsTest : public QObject
{
    Q_OBJECT
private slots:
    void toEightBitsRoundsEveryValue_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("eightBitFormat");
        QTest::newRow("opaque") << int(QImage::Format_RGBX64) << int(QImage::Format_RGB32);
        QTest::newRow("alpha") << int(QImage::Format_RGBA64) << int(QImage::Format_ARGB32);
        QTest::newRow("premultiplied")
            << int(QImage::Format_RGBA64_Premultiplied) << int(QImage::Format_ARGB32_Premultiplied);
    }

    // Every 16-bit value in every channel, alpha too where there is one, is rounded to the
    // nearest 8-bit value, v8 = round(v / 257).
    void toEightBitsRoundsEveryValue()
    {
        QFETCH(int, format);
        QFETCH(int, eightBitFormat);
        const bool opaque = format == QImage::Format_RGBX64;
        QImage picture(256, 256, QImage::Format(format));
        for (int v = 0; v < 65536; ++v)
            pixel64(picture, v % 256, v / 256) = qRgba64(v, 65535 - v, v, opaque ? 65535 : v);
        const QImage eight = toEightBits(picture);
        QVERIFY(hasSixteenBits(picture) && !hasSixteenBits(eight));
        QCOMPARE(int(eight.format()), eightBitFormat);
        for (int v = 0; v < 65536; ++v) {
            const int e = (2 * v + 257) / 514;
            const QRgb p = reinterpret_cast<const QRgb *>(eight.constScanLine(v / 256))[v % 256];
            if (p != qRgba(e, 255 - e, e, opaque ? 255 : e))
                QFAIL(qPrintable(QStringLiteral("value %1 gave %2").arg(v).arg(p, 8, 16)));
        }
    }

    void mapsOfTheEightBitRounding_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<ConversionParameters>("params");
        QTest::addColumn<double>("tolerance");
        const ConversionParameters enlarging =
            conversion(240, 200, 180, 100, QSize(1024, 512), 20, 10, 30);
        const ConversionParameters shrinking =
            conversion(241, 199, 190, 3, QSize(128, 64), -35, 100, 0);
        const ConversionParameters limbCut =
            conversion(400, 200, 150, 1.6, QSize(720, 360), 50, -60, 15);
        // Where the picture is read at its own size, the maps differ by their rounding alone;
        // the coarser levels of an 8-bit picture are rounded to whole values too.
        const double mapRounding = 0.5 + 0.5 / 257 + 1e-4;
        const std::pair<const char *, int> formats[] = {
            {"opaque", QImage::Format_RGBX64},
            {"alpha", QImage::Format_RGBA64},
            {"premultiplied", QImage::Format_RGBA64_Premultiplied}};
        for (const auto &[name, f] : formats) {
            QTest::addRow("%s, enlarging", name) << f << enlarging << mapRounding;
            QTest::addRow("%s, shrinking", name) << f << shrinking << 1.25;
            QTest::addRow("%s, limb cut by the frame", name) << f << limbCut << mapRounding;
        }
    }

    // The standard map of a 16-bit picture is byte for byte that of its rounding to 8 bits. The
    // precise map of the same values at both depths (the rounding's premultiplied pixels, and
    // those widened to 16 bits) has 16 bits and agrees with the 8-bit one in every channel.
    void mapsOfTheEightBitRounding()
    {
        QFETCH(int, format);
        QFETCH(ConversionParameters, params);
        QFETCH(double, tolerance);
        const QImage deep = deepPicture(QImage::Format(format));
        const QImage rounded = toEightBits(deep);
        const ConversionResult standard = convertWith(deep, params, ConversionMode::Standard);
        QVERIFY(standard.showsPicture());
        QVERIFY(standard.map == convertWith(rounded, params, ConversionMode::Standard).map);

        const QImage same = rounded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const ConversionResult precise =
            convertWith(same.convertToFormat(format == QImage::Format_RGBX64
                                                 ? QImage::Format_RGBX64
                                                 : QImage::Format_RGBA64_Premultiplied),
                        params, ConversionMode::Precise);
        const QImage eight = convertWith(same, params, ConversionMode::Precise).map;
        QCOMPARE(precise.map.format(), QImage::Format_RGBA64_Premultiplied);
        QVERIFY(precise.coveredPixels > 1000);
        double worst = 0;
        for (int y = 0; y < eight.height(); ++y)
            for (int x = 0; x < eight.width(); ++x) {
                const QRgba64 p = pixel64(precise.map, x, y);
                const QRgb q = eight.pixel(x, y);
                for (double d : {p.red() / 257.0 - qRed(q), p.green() / 257.0 - qGreen(q),
                                 p.blue() / 257.0 - qBlue(q), p.alpha() / 257.0 - qAlpha(q)})
                    worst = std::max(worst, std::fabs(d));
            }
        QVERIFY2(worst <= tolerance, qPrintable(QString::number(worst)));
    }

    void gradientKeepsItsLevels_data()
    {
        QTest::addColumn<int>("pictures");
        QTest::newRow("precise") << 0;
        QTest::newRow("mosaic of a 16-bit picture") << 1;
        QTest::newRow("mosaic of a 16-bit and an 8-bit picture") << 2;
    }

    // A 16-bit gradient across the disk gives a map of far more than 256 levels, written as a
    // 16-bit PNG that reads back with its opaque pixels as they were; as JPG the map is written
    // as its rounding to 8 bits is.
    void gradientKeepsItsLevels()
    {
        QFETCH(int, pictures);
        const QImage deep = deepPicture(QImage::Format_RGBX64);
        QImage map;
        if (pictures == 0) {
            map = convertWith(deep, conversion(240, 200, 180, 100, QSize(1024, 512), 0, 0, 0),
                              ConversionMode::Precise)
                      .map;
        } else {
            std::vector<MosaicView> views(pictures, MosaicView{deep, 240, 200, 180, 100});
            if (pictures == 2) {
                views[1].picture = toEightBits(deep);
                views[1].longitude = 120;
            }
            RowScheduler scheduler(2, [] {});
            map = MosaicBuilder().build(views, {QSize(1024, 512), true}, scheduler).map;
        }
        QTemporaryDir folder;
        QVERIFY(writeMap(map, folder.filePath("map.png"), MapFormat::Png, 90));
        const QImage back(folder.filePath("map.png"));
        QVERIFY(hasSixteenBits(map) && hasSixteenBits(back));
        QSet<int> reds;
        for (int y = 0; y < map.height(); ++y)
            for (int x = 0; x < map.width(); ++x) {
                const QRgba64 m = pixel64(map, x, y);
                if (m.alpha() == 65535 && quint64(back.pixelColor(x, y).rgba64()) != quint64(m))
                    QFAIL(
                        qPrintable(QStringLiteral("pixel %1, %2 read back changed").arg(x).arg(y)));
                if (m.alpha() == 65535)
                    reds.insert(m.red());
            }
        QVERIFY2(reds.size() > 256, qPrintable(QString::number(reds.size())));

        QByteArray jpg[2];
        const QImage maps[2] = {map, toEightBits(map)};
        for (int i = 0; i < 2; ++i) {
            QVERIFY(writeMap(maps[i], folder.filePath("map.jpg"), MapFormat::Jpg, 90));
            QFile file(folder.filePath("map.jpg"));
            QVERIFY(file.open(QIODevice::ReadOnly));
            jpg[i] = file.readAll();
        }
        QVERIFY(!jpg[0].isEmpty() && jpg[0] == jpg[1]);
    }
};

QTEST_GUILESS_MAIN(SixteenBitsTest)
#include "tst_sixteenbits.moc"
