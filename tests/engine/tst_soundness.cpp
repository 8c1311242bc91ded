// Parameters that describe no map are refused before any work, the projection leaves its
// target alone when the distance has no geometric meaning, the last projection row survives
// rounding of its bound, and a rotated direction exactly at a pole has a defined lookup.

#include "conversioncases.h"
#include "engine/standard/mapconverter.h"
#include "engine/standard/mapprojector.h"
#include "literalreference.h"
#include "projectorsteps.h"
#include "testimages.h"

#include <QtTest>

#include <limits>

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

const ConversionParameters usual = conversion(100, 75, 70, 6.6, QSize(300, 151), 35.6, 20, 37.5);

ConversionParameters with(void (*change)(ConversionParameters &))
{
    ConversionParameters p = usual;
    change(p);
    return p;
}

} // namespace

class SoundnessTest : public QObject
{
    Q_OBJECT

private slots:
    void refusedParameters_data();
    void refusedParameters();
    void boundaryParametersConvert_data();
    void boundaryParametersConvert();
    void projectionLeavesTargetForUndefinedDistance_data();
    void projectionLeavesTargetForUndefinedDistance();
    void lastRowSurvivesRounding_data();
    void lastRowSurvivesRounding();
    void poleDirectionReadsColumnZero_data();
    void poleDirectionReadsColumnZero();
    void nullPictureIsRefused();

private:
    QImage source = testimages::uniquePicture(200, 150);
};

void SoundnessTest::refusedParameters_data()
{
    QTest::addColumn<ConversionParameters>("params");

    QTest::newRow("distance 0.5") << with([](ConversionParameters &p) { p.distance = 0.5; });
    QTest::newRow("distance 0") << with([](ConversionParameters &p) { p.distance = 0; });
    QTest::newRow("distance -1") << with([](ConversionParameters &p) { p.distance = -1; });
    QTest::newRow("distance NaN") << with([](ConversionParameters &p) { p.distance = notANumber; });
    QTest::newRow("distance +infinity")
        << with([](ConversionParameters &p) { p.distance = infinity; });
    QTest::newRow("distance -infinity")
        << with([](ConversionParameters &p) { p.distance = -infinity; });
    QTest::newRow("latitude NaN") << with([](ConversionParameters &p) { p.latitude = notANumber; });
    QTest::newRow("latitude +infinity")
        << with([](ConversionParameters &p) { p.latitude = infinity; });
    QTest::newRow("latitude -infinity")
        << with([](ConversionParameters &p) { p.latitude = -infinity; });
    QTest::newRow("longitude NaN")
        << with([](ConversionParameters &p) { p.longitude = notANumber; });
    QTest::newRow("longitude +infinity")
        << with([](ConversionParameters &p) { p.longitude = infinity; });
    QTest::newRow("azimuth NaN") << with([](ConversionParameters &p) { p.azimuth = notANumber; });
    QTest::newRow("azimuth -infinity")
        << with([](ConversionParameters &p) { p.azimuth = -infinity; });
    QTest::newRow("width 0") << with([](ConversionParameters &p) { p.outputWidth = 0; });
    QTest::newRow("width -5") << with([](ConversionParameters &p) { p.outputWidth = -5; });
    QTest::newRow("width 16385") << with([](ConversionParameters &p) { p.outputWidth = 16385; });
    QTest::newRow("width 100000") << with([](ConversionParameters &p) { p.outputWidth = 100000; });
    QTest::newRow("height 0") << with([](ConversionParameters &p) { p.outputHeight = 0; });
    QTest::newRow("height -5") << with([](ConversionParameters &p) { p.outputHeight = -5; });
    QTest::newRow("height 16385") << with([](ConversionParameters &p) { p.outputHeight = 16385; });
    QTest::newRow("height 100000")
        << with([](ConversionParameters &p) { p.outputHeight = 100000; });
}

void SoundnessTest::refusedParameters()
{
    QFETCH(ConversionParameters, params);

    QVERIFY(!MapConverter::refusalReason(params, source.size()).isEmpty());
    int pumpCalls = 0;
    MapConverter converter;
    converter.setEventPump([&pumpCalls] { ++pumpCalls; });
    const ConversionResult result = converter.convert(source, params);
    QVERIFY(result.map.isNull());
    QVERIFY(!result.ok());
    QVERIFY(!result.error.isEmpty());
    // Refused before any row was worked on.
    QCOMPARE(pumpCalls, 0);
    QVERIFY(literalConvert(source, params).isNull());

    // The converter stays usable: the usual parameters convert afterwards.
    const ConversionResult next = converter.convert(source, usual);
    QVERIFY2(next.ok(), qPrintable(next.error));
    QCOMPARE(testimages::compare(next.map, literalConvert(source, usual)).count, qint64(0));
}

void SoundnessTest::boundaryParametersConvert_data()
{
    QTest::addColumn<ConversionParameters>("params");

    QTest::newRow("distance exactly 1") << with([](ConversionParameters &p) { p.distance = 1; });
    QTest::newRow("map 1 x 1") << with([](ConversionParameters &p) {
        p.outputWidth = 1;
        p.outputHeight = 1;
    });
    QTest::newRow("map 16384 x 2") << with([](ConversionParameters &p) {
        p.outputWidth = 16384;
        p.outputHeight = 2;
    });
    QTest::newRow("map 3 x 16384") << with([](ConversionParameters &p) {
        p.outputWidth = 3;
        p.outputHeight = 16384;
    });
}

void SoundnessTest::boundaryParametersConvert()
{
    QFETCH(ConversionParameters, params);
    QVERIFY(MapConverter::refusalReason(params, source.size()).isEmpty());
    MapConverter converter;
    const ConversionResult result = converter.convert(source, params);
    QVERIFY2(result.ok(), qPrintable(result.error));
    const QImage expected = literalConvert(source, params);
    QVERIFY(!expected.isNull());
    const testimages::Difference difference = testimages::compare(result.map, expected);
    QVERIFY2(difference.count == 0, qPrintable(difference.describe()));
}

void SoundnessTest::projectionLeavesTargetForUndefinedDistance_data()
{
    QTest::addColumn<double>("distance");

    QTest::newRow("0.5") << 0.5;
    QTest::newRow("0") << 0.0;
    QTest::newRow("-1") << -1.0;
    QTest::newRow("NaN") << notANumber;
    QTest::newRow("+infinity") << infinity;
    QTest::newRow("-infinity") << -infinity;
}

void SoundnessTest::projectionLeavesTargetForUndefinedDistance()
{
    QFETCH(double, distance);
    MapProjector projector;
    projector.setCenter(100, 75);
    projector.setRadius(70);
    projector.setDistance(distance);
    projector.setScale(300.0 / 200, 151 * 0.5 / 150);
    QImage target =
        testimages::filled(300, 151, QImage::Format_ARGB32_Premultiplied, qRgb(255, 0, 255));
    const QImage before = target.copy();
    QCOMPARE(projectorsteps::projectDisk(projector, source, target), 0);
    QCOMPARE(testimages::compare(target, before).count, qint64(0));
    QVERIFY(!projector.projectionIsDefined(source.height()));
}

void SoundnessTest::lastRowSurvivesRounding_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("mapHeight");

    // rowScale * H - 1 comes out just below a whole number (601.9999999999999 for 1206 / 150).
    QTest::newRow("1206 rows from 150") << QSize(200, 150) << 1206;
    QTest::newRow("114 rows from 100") << QSize(120, 100) << 114;
    QTest::newRow("402 rows from 100") << QSize(120, 100) << 402;
    QTest::newRow("804 rows from 100") << QSize(120, 100) << 804;
}

void SoundnessTest::lastRowSurvivesRounding()
{
    QFETCH(QSize, picture);
    QFETCH(int, mapHeight);
    const int halfRows = mapHeight / 2;
    const double rowScale = mapHeight * 0.5 / picture.height();
    QVERIFY(rowScale * picture.height() - 1 < halfRows - 1);

    MapProjector projector;
    projector.setCenter(picture.width() / 2, picture.height() / 2);
    projector.setRadius(picture.height() / 2 - 2);
    projector.setDistance(100);
    projector.setScale(256.0 / picture.width(), rowScale);
    QCOMPARE(projector.lastRow(picture.height()), halfRows - 1);
    // The top map row is the last projection row, a ring of about a pixel about the centre.
    const QPoint top =
        projector.projectionSource(128, 0, picture.width(), picture.height(), 256, mapHeight);
    QVERIFY(top.x() >= 0);
    QVERIFY((top - QPoint(picture.width() / 2, picture.height() / 2)).manhattanLength() <= 2);

    // Without turns the map is the projection: its top row, the disk centre, is full.
    const ConversionParameters params =
        conversion(picture.width() / 2, picture.height() / 2, picture.height() / 2 - 2, 100,
                   QSize(256, mapHeight), 90, -90, 0);
    const QImage unique = testimages::uniquePicture(picture.width(), picture.height());
    MapConverter converter;
    const ConversionResult result = converter.convert(unique, params);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(testimages::contentPixels(result.map.copy(0, 0, 256, 1)), qint64(256));
    QCOMPARE(testimages::contentPixels(literalConvert(unique, params).copy(0, 0, 256, 1)),
             qint64(256));
}

void SoundnessTest::poleDirectionReadsColumnZero_data()
{
    QTest::addColumn<int>("axis");
    QTest::addColumn<double>("z");
    QTest::addColumn<QPoint>("source");

    // Unit directions straight up or down (cos v = 0) with an unturned axis: X' = Y' = 0.
    QTest::newRow("code 3, south") << 3 << -1.0 << QPoint(0, 0);
    QTest::newRow("code 3, north") << 3 << 1.0 << QPoint(0, 99);
    QTest::newRow("code 2, south") << 2 << -1.0 << QPoint(0, 0);
    QTest::newRow("other code, north") << 1 << 1.0 << QPoint(0, 99);
}

void SoundnessTest::poleDirectionReadsColumnZero()
{
    QFETCH(int, axis);
    QFETCH(double, z);
    QFETCH(QPoint, source);
    const MapProjector projector;
    QCOMPARE(projector.rotatedPixel(axis, 0.0, 1.0, 1.0, 0.0, z, 0.0, 200, 100), source);
}

void SoundnessTest::nullPictureIsRefused()
{
    MapConverter converter;
    const ConversionResult result = converter.convert(QImage(), usual);
    QVERIFY(result.map.isNull());
    QVERIFY(!result.error.isEmpty());
    QVERIFY(literalConvert(QImage(), usual).isNull());
}

QTEST_MAIN(SoundnessTest)
#include "tst_soundness.moc"
