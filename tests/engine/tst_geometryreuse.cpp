// One converter used for several conversions in a row gives exactly what fresh converters
// give: a kept geometry is reused only for equal parameters and an equally sized picture, and
// a map already handed out is never overwritten.

#include "conversioncases.h"
#include "engine/standard/mapconverter.h"
#include "literalreference.h"
#include "testimages.h"

#include <QtTest>

namespace {

const QSize pictureSize(200, 150);
const ConversionParameters first = conversion(100, 75, 70, 6.6, QSize(300, 151), 35.6, 20, 37.5);

QImage freshConversion(const QImage &source, const ConversionParameters &params)
{
    MapConverter converter;
    return converter.convert(source, params).map;
}

testimages::Difference differenceFrom(const QImage &actual, const QImage &expected)
{
    const testimages::Difference difference = testimages::compare(actual, expected);
    if (difference.count != 0)
        qWarning("%s", qPrintable(difference.describe()));
    return difference;
}

} // namespace

class GeometryReuseTest : public QObject
{
    Q_OBJECT

private slots:
    void samePictureSizeOtherContent_data();
    void samePictureSizeOtherContent();
    void changedInputGivesNewMap_data();
    void changedInputGivesNewMap();
    void handedOutMapStaysIntact();
    void releasedCacheConvertsAlike();

private:
    QImage source = testimages::uniquePicture(pictureSize.width(), pictureSize.height());
};

void GeometryReuseTest::samePictureSizeOtherContent_data()
{
    QTest::addColumn<QImage>("second");

    QTest::newRow("mirrored picture") << source.mirrored(true, true);
    QTest::newRow("RGB888 picture")
        << source.mirrored(false, true).convertToFormat(QImage::Format_RGB888);
    QTest::newRow("partly transparent picture")
        << testimages::translucentPicture(pictureSize.width(), pictureSize.height());
}

void GeometryReuseTest::samePictureSizeOtherContent()
{
    QFETCH(QImage, second);
    MapConverter converter;
    const ConversionResult a = converter.convert(source, first);
    const ConversionResult b = converter.convert(second, first);
    QVERIFY2(a.ok() && b.ok(), qPrintable(a.error + b.error));

    QCOMPARE(differenceFrom(a.map, freshConversion(source, first)).count, qint64(0));
    QCOMPARE(differenceFrom(b.map, freshConversion(second, first)).count, qint64(0));
    QCOMPARE(differenceFrom(a.map, literalConvert(source, first)).count, qint64(0));
    QVERIFY(testimages::compare(b.map, a.map).count > 0);
}

void GeometryReuseTest::changedInputGivesNewMap_data()
{
    QTest::addColumn<QSize>("secondSize");
    QTest::addColumn<ConversionParameters>("second");

    auto changed = [](void (*change)(ConversionParameters &)) {
        ConversionParameters p = first;
        change(p);
        return p;
    };
    QTest::newRow("centre x") << pictureSize
                              << changed([](ConversionParameters &p) { p.centerX += 7; });
    QTest::newRow("centre y") << pictureSize
                              << changed([](ConversionParameters &p) { p.centerY -= 5; });
    QTest::newRow("radius") << pictureSize
                            << changed([](ConversionParameters &p) { p.radius = 50; });
    QTest::newRow("distance") << pictureSize
                              << changed([](ConversionParameters &p) { p.distance = 1.5; });
    QTest::newRow("output width") << pictureSize
                                  << changed([](ConversionParameters &p) { p.outputWidth = 301; });
    QTest::newRow("output height")
        << pictureSize << changed([](ConversionParameters &p) { p.outputHeight = 150; });
    QTest::newRow("latitude") << pictureSize
                              << changed([](ConversionParameters &p) { p.latitude = 20; });
    QTest::newRow("latitude to the next whole degree")
        << pictureSize << changed([](ConversionParameters &p) { p.latitude = 34.6; });
    QTest::newRow("longitude") << pictureSize
                               << changed([](ConversionParameters &p) { p.longitude = -40; });
    QTest::newRow("longitude skips its shift")
        << pictureSize << changed([](ConversionParameters &p) { p.longitude = -90; });
    QTest::newRow("azimuth") << pictureSize
                             << changed([](ConversionParameters &p) { p.azimuth = 90; });
    QTest::newRow("azimuth skips its shift")
        << pictureSize << changed([](ConversionParameters &p) { p.azimuth = 0; });
    QTest::newRow("picture width") << QSize(201, 150) << first;
    // The disk reaches past the lower edge of the shorter picture.
    QTest::newRow("picture height") << QSize(200, 120) << first;
}

void GeometryReuseTest::changedInputGivesNewMap()
{
    QFETCH(QSize, secondSize);
    QFETCH(ConversionParameters, second);
    const QImage secondSource = testimages::uniquePicture(secondSize.width(), secondSize.height());

    MapConverter converter;
    const ConversionResult a = converter.convert(source, first);
    const ConversionResult b = converter.convert(secondSource, second);
    QVERIFY2(a.ok() && b.ok(), qPrintable(a.error + b.error));
    const QImage expected = literalConvert(secondSource, second);
    // The change must show in the map, or a stale map could not be told apart.
    QVERIFY(testimages::compare(expected, a.map).count > 0);
    QCOMPARE(differenceFrom(b.map, expected).count, qint64(0));

    // And back to the first input.
    const ConversionResult c = converter.convert(source, first);
    QVERIFY2(c.ok(), qPrintable(c.error));
    QCOMPARE(differenceFrom(c.map, a.map).count, qint64(0));
}

void GeometryReuseTest::handedOutMapStaysIntact()
{
    MapConverter converter;
    const ConversionResult a = converter.convert(source, first);
    QVERIFY2(a.ok(), qPrintable(a.error));
    const QImage expected = literalConvert(source, first);
    // The same size and parameters, another picture: the buffers of the first map would fit.
    const ConversionResult b = converter.convert(source.mirrored(true, true), first);
    QVERIFY2(b.ok(), qPrintable(b.error));
    QCOMPARE(differenceFrom(a.map, expected).count, qint64(0));
    QVERIFY(testimages::compare(a.map, b.map).count > 0);
}

void GeometryReuseTest::releasedCacheConvertsAlike()
{
    MapConverter converter;
    const ConversionResult a = converter.convert(source, first);
    converter.releaseCache();
    const ConversionResult b = converter.convert(source, first);
    QVERIFY2(a.ok() && b.ok(), qPrintable(a.error + b.error));
    QCOMPARE(differenceFrom(b.map, a.map).count, qint64(0));
}

QTEST_MAIN(GeometryReuseTest)
#include "tst_geometryreuse.moc"
