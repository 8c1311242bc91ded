// Pinned pixel examples of the projection, the two turns and the whole pipeline: target pixel
// to source pixel, checked on the pure lookup functions, on MapSourceLookup and on whole
// images whose every pixel has its own colour.

#include "conversioncases.h"
#include "debuglog.h"
#include "engine/basics/angles.h"
#include "engine/basics/numeric.h"
#include "engine/standard/mapconverter.h"
#include "engine/standard/mapprojector.h"
#include "engine/standard/mapsourcelookup.h"
#include "literalreference.h"
#include "projectorsteps.h"
#include "testimages.h"

#include <QtTest>

namespace {

// The examples give radii and angles to three or four decimals.
constexpr double exampleTolerance = 1e-3;
// How close the centre's landing point must lie to the expected latitude and longitude, in
// degrees: half the 0.4 degree gap between a latitude and its whole-degree landing point.
constexpr double landingTolerance = 0.2;

const QSize exampleSource(1000, 1000);
const QSize exampleMap(2048, 1024);
const QColor marker(255, 0, 255);

// The projector both callers set up for the 1000 x 1000 example picture, centre (500, 500),
// radius 400, mapped to 2048 x 1024.
MapProjector exampleProjector(double distance, QSize map = exampleMap)
{
    MapProjector projector;
    projector.setCenter(500, 500);
    projector.setRadius(400);
    projector.setDistance(distance);
    projector.setScale(double(map.width()) / exampleSource.width(),
                       map.height() * 0.5 / exampleSource.height());
    return projector;
}

QImage projected(double distance, QSize map = exampleMap)
{
    QImage target =
        testimages::filled(map.width(), map.height(), QImage::Format_ARGB32_Premultiplied, 0);
    projectorsteps::projectDisk(
        exampleProjector(distance, map),
        testimages::uniquePicture(exampleSource.width(), exampleSource.height()), target);
    return target;
}

QPoint spotAt(const QImage &map, QPoint pixel, int sourceWidth)
{
    return testimages::uniqueSpot(map.pixel(pixel), sourceWidth);
}

int rowsWithContent(const QImage &image, int firstRow, int lastRow)
{
    int rows = 0;
    for (int y = firstRow; y <= lastRow; ++y) {
        const QImage line = image.copy(0, y, image.width(), 1);
        rows += testimages::contentPixels(line) > 0;
    }
    return rows;
}

} // namespace

class WorkedExamplesTest : public QObject
{
    Q_OBJECT

private slots:
    void projectionFirstRowAndBand_data();
    void projectionFirstRowAndBand();
    void projectionSamplingRadius_data();
    void projectionSamplingRadius();
    void projectionSourcePixel_data();
    void projectionSourcePixel();
    void projectionRows_data();
    void projectionRows();
    void rotationSourcePixel_data();
    void rotationSourcePixel();
    void shiftByAngle_data();
    void shiftByAngle();
    void pipelineSourcePixel_data();
    void pipelineSourcePixel();
    void lookupAgreesWithMap_data();
    void lookupAgreesWithMap();
    void refusedParametersHaveNoSources();
    void centreLandsAtWholeDegree_data();
    void centreLandsAtWholeDegree();
    void distanceOneWritesNothing();
    void radiusZeroGivesCentreColour();
    void oddHeightLeavesLastRowUntouched();

private:
    QImage uniqueSource = testimages::uniquePicture(exampleSource.width(), exampleSource.height());
};

void WorkedExamplesTest::projectionFirstRowAndBand_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<double>("limbDegrees");
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<double>("focalPerRadius");

    QTest::newRow("distance 100") << 100.0 << 0.573 << 8 << 99.995;
    QTest::newRow("distance 6.6") << 6.6 << 8.715 << 54 << 6.524;
}

void WorkedExamplesTest::projectionFirstRowAndBand()
{
    QFETCH(double, distance);
    QFETCH(double, limbDegrees);
    QFETCH(int, firstRow);
    QFETCH(double, focalPerRadius);

    const MapProjector projector = exampleProjector(distance);
    QVERIFY(qAbs(projector.limbAngle() * 180 / angles::pi - limbDegrees) < exampleTolerance);
    QCOMPARE(projector.firstRow(exampleSource.height()), firstRow);
    QCOMPARE(projector.lastRow(exampleSource.height()), 511);
    const double f = projector.focalLength() / 400;
    QVERIFY2(qAbs(f - focalPerRadius) < exampleTolerance, qPrintable(QString::number(f)));
    if (distance == 6.6) {
        // The correction band runs from about 0.652 R to 0.744 R and pulls what lies beyond it
        // inward by about 0.0091 R.
        QVERIFY(qAbs(f * 0.1 - 0.652) < exampleTolerance);
        QVERIFY(qAbs(f * 0.114 - 0.744) < exampleTolerance);
        QVERIFY(qAbs(f * 0.014 * 0.1 - 0.0091) < 1e-4);
    }
}

void WorkedExamplesTest::projectionSamplingRadius_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<int>("row");
    QTest::addColumn<double>("rho");

    QTest::newRow("distance 100, row 511 (inside the band's lower end)") << 100.0 << 511 << 1.2395;
    QTest::newRow("distance 100, row 255") << 100.0 << 255 << 285.709;
    QTest::newRow("distance 6.6, row 211 (beyond the band)") << 6.6 << 211 << 343.456;
}

void WorkedExamplesTest::projectionSamplingRadius()
{
    QFETCH(double, distance);
    QFETCH(int, row);
    QFETCH(double, rho);
    const double actual = exampleProjector(distance).samplingRadius(row, exampleSource.height());
    QVERIFY2(qAbs(actual - rho) < exampleTolerance, qPrintable(QString::number(actual, 'f', 6)));
}

void WorkedExamplesTest::projectionSourcePixel_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<QPoint>("target");
    QTest::addColumn<QPoint>("source");

    QTest::newRow("distance 100, top middle") << 100.0 << QPoint(1023, 0) << QPoint(501, 500);
    QTest::newRow("distance 100, phi -90") << 100.0 << QPoint(1535, 256) << QPoint(500, 215);
    QTest::newRow("distance 100, first row, last column")
        << 100.0 << QPoint(0, 503) << QPoint(101, 501);
    QTest::newRow("distance 6.6, beyond the band") << 6.6 << QPoint(512, 300) << QPoint(501, 843);
}

void WorkedExamplesTest::projectionSourcePixel()
{
    QFETCH(double, distance);
    QFETCH(QPoint, target);
    QFETCH(QPoint, source);

    const MapProjector projector = exampleProjector(distance);
    QCOMPARE(projector.projectionSource(target.x(), target.y(), exampleSource.width(),
                                        exampleSource.height(), exampleMap.width(),
                                        exampleMap.height()),
             source);
    QCOMPARE(spotAt(projected(distance), target, exampleSource.width()), source);
    // Without turns the literal pipeline's map is the projection.
    const QImage literal =
        literalConvert(uniqueSource, conversion(500, 500, 400, distance, exampleMap, 90, -90, 0));
    QCOMPARE(spotAt(literal, target, exampleSource.width()), source);
}

void WorkedExamplesTest::projectionRows_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<int>("lowestRow");

    // Rows i0 ... 511 land in target rows 511 - i0 ... 0.
    QTest::newRow("distance 100: rows 503 ... 0") << 100.0 << 503;
    QTest::newRow("distance 6.6: rows 457 ... 0") << 6.6 << 457;
}

void WorkedExamplesTest::projectionRows()
{
    QFETCH(double, distance);
    QFETCH(int, lowestRow);
    const QImage map = projected(distance);
    QCOMPARE(rowsWithContent(map, 0, lowestRow), lowestRow + 1);
    QCOMPARE(rowsWithContent(map, lowestRow + 1, map.height() - 1), 0);
}

void WorkedExamplesTest::rotationSourcePixel_data()
{
    QTest::addColumn<int>("axis");
    QTest::addColumn<int>("degrees");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("target");
    QTest::addColumn<QPoint>("source");
    // Only the row is pinned where the column is -1.

    QTest::newRow("code 3, 54 degrees, u 90 on the middle row")
        << 3 << 54 << exampleMap << QPoint(512, 512) << QPoint(511, 204);
    QTest::newRow("code 3, 54 degrees, on the axis")
        << 3 << 54 << exampleMap << QPoint(0, 512) << QPoint(0, 511);
    QTest::newRow("code 2, 30 degrees")
        << 2 << 30 << exampleMap << QPoint(100, 300) << QPoint(1976, 299);
    QTest::newRow("code 3, 90 degrees, quarter width, 2048 x 1024")
        << 3 << 90 << exampleMap << QPoint(512, 512) << QPoint(-1, 0);
    QTest::newRow("code 3, 90 degrees, quarter width, 400 x 200")
        << 3 << 90 << QSize(400, 200) << QPoint(100, 100) << QPoint(-1, 0);
}

void WorkedExamplesTest::rotationSourcePixel()
{
    QFETCH(int, axis);
    QFETCH(int, degrees);
    QFETCH(QSize, size);
    QFETCH(QPoint, target);
    QFETCH(QPoint, source);

    const MapProjector projector;
    const QPoint lookup = projector.rotationSource(axis, degrees, size.width(), size.height(),
                                                   target.x(), target.y());
    const QImage map = testimages::uniquePicture(size.width(), size.height());
    QImage rotated =
        testimages::filled(size.width(), size.height(), QImage::Format_ARGB32_Premultiplied, 0);
    projectorsteps::rotateGlobe(projector, axis, degrees, map, rotated);
    const QPoint drawn = spotAt(rotated, target, size.width());
    if (source.x() < 0) {
        QCOMPARE(lookup.y(), source.y());
        QCOMPARE(drawn.y(), source.y());
    } else {
        QCOMPARE(lookup, source);
        QCOMPARE(drawn, source);
    }
}

void WorkedExamplesTest::shiftByAngle_data()
{
    QTest::addColumn<double>("degrees");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("columns");
    // Where target column 0 takes its pixels from, the shift being cyclic.
    QTest::addColumn<int>("sourceOfColumnZero");

    QTest::newRow("90 degrees on 2048") << 90.0 << 2048 << 512 << 1536;
    QTest::newRow("-90 degrees on 2048") << -90.0 << 2048 << -512 << 512;
    QTest::newRow("0.1 degrees on 1024 (0.284 columns)") << 0.1 << 1024 << 0 << 0;
    QTest::newRow("450 degrees, corrected to 90") << 450.0 << 2048 << 512 << 1536;
    QTest::newRow("360 degrees, the full width") << 360.0 << 2048 << 2048 << 0;
    QTest::newRow("-360 degrees, the full width") << -360.0 << 2048 << -2048 << 0;
}

void WorkedExamplesTest::shiftByAngle()
{
    QFETCH(double, degrees);
    QFETCH(int, width);
    QFETCH(int, columns);
    QFETCH(int, sourceOfColumnZero);

    QCOMPARE(MapProjector::shiftColumns(degrees, width), columns);
    const QImage map = testimages::uniquePicture(width, 2);
    QImage shifted = testimages::filled(width, 2, QImage::Format_ARGB32_Premultiplied, 0);
    projectorsteps::shiftLongitude(degrees, map, shifted);
    int wrongLookups = 0;
    int wrongPixels = 0;
    for (int column = 0; column < width; ++column) {
        const int expected = (sourceOfColumnZero + column) % width;
        wrongLookups += MapProjector::shiftSourceColumn(columns, width, column) != expected;
        for (int row = 0; row < 2; ++row)
            wrongPixels += spotAt(shifted, QPoint(column, row), width) != QPoint(expected, row);
    }
    QCOMPARE(wrongLookups, 0);
    QCOMPARE(wrongPixels, 0);
}

void WorkedExamplesTest::pipelineSourcePixel_data()
{
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<double>("azimuth");
    QTest::addColumn<QPoint>("target");
    QTest::addColumn<QPoint>("source");

    QTest::newRow("29.9 east on the equator")
        << 0.0 << 0.0 << 0.0 << QPoint(1194, 512) << QPoint(701, 500);
    QTest::newRow("19.7 north of the centre")
        << 0.0 << 0.0 << 0.0 << QPoint(1024, 400) << QPoint(500, 364);
    QTest::newRow("azimuth 90: east lies toward the top")
        << 0.0 << 0.0 << 90.0 << QPoint(1194, 512) << QPoint(500, 299);
    QTest::newRow("the far side stays empty")
        << 0.0 << 0.0 << 0.0 << QPoint(0, 512) << QPoint(-1, -1);
    QTest::newRow("latitude 90: the map is the projection")
        << 90.0 << -90.0 << 0.0 << QPoint(100, 50) << QPoint(441, 519);
    QTest::newRow("latitude 35.6, longitude 120: next to the centre")
        << 35.6 << 120.0 << 37.5 << QPoint(1700, 300) << QPoint(490, 497);
}

void WorkedExamplesTest::pipelineSourcePixel()
{
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    QFETCH(double, azimuth);
    QFETCH(QPoint, target);
    QFETCH(QPoint, source);

    // Backward through the steps, as the lookup reads them.
    const ConversionParameters params =
        conversion(500, 500, 400, 100, exampleMap, latitude, longitude, azimuth);
    QCOMPARE(MapSourceLookup(params, exampleSource).sourceOf(target.x(), target.y()), source);

    // Forward through whole images, in the converter and in the literal pipeline.
    MapConverter converter;
    const ConversionResult result = converter.convert(uniqueSource, params);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(spotAt(result.map, target, exampleSource.width()), source);
    const QImage literal = literalConvert(uniqueSource, params);
    QCOMPARE(spotAt(literal, target, exampleSource.width()), source);
}

void WorkedExamplesTest::lookupAgreesWithMap_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<double>("azimuth");

    QTest::newRow("latitude 35.6, longitude 120, azimuth 37.5") << 100.0 << 35.6 << 120.0 << 37.5;
    QTest::newRow("latitude 90: no rotation") << 100.0 << 90.0 << -90.0 << 0.0;
    QTest::newRow("latitude 89.5: a turn by 0 degrees") << 100.0 << 89.5 << 0.0 << 0.0;
    QTest::newRow("longitude shift beyond the width") << 100.0 << 20.0 << 700.0 << 0.0;
    QTest::newRow("south, azimuth -120") << 100.0 << -60.0 << -45.0 << -120.0;
    QTest::newRow("close camera, large cap") << 1.5 << 10.0 << 30.0 << 0.0;
}

void WorkedExamplesTest::lookupAgreesWithMap()
{
    QFETCH(double, distance);
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    QFETCH(double, azimuth);

    // Every pixel of the converted map, filled through the lookup's row form, shows the source
    // pixel that sourceOf names, or stays empty where it names none.
    const QSize map(360, 180);
    const ConversionParameters params =
        conversion(500, 500, 400, distance, map, latitude, longitude, azimuth);
    MapConverter converter;
    const ConversionResult result = converter.convert(uniqueSource, params);
    QVERIFY2(result.ok(), qPrintable(result.error));
    const MapSourceLookup lookup(params, exampleSource);
    int filled = 0;
    int disagreeing = 0;
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x) {
            const QPoint source = lookup.sourceOf(x, y);
            filled += source.x() >= 0;
            disagreeing += spotAt(result.map, QPoint(x, y), exampleSource.width()) != source;
        }
    QVERIFY(filled > 0);
    QCOMPARE(disagreeing, 0);
    QCOMPARE(lookup.sourceOf(map.width(), 0), QPoint(-1, -1));
}

void WorkedExamplesTest::refusedParametersHaveNoSources()
{
    // A camera inside the globe, and a map with no columns.
    const ConversionParameters inside = conversion(500, 500, 400, 0.5, exampleMap, 0, 0, 0);
    QCOMPARE(MapSourceLookup(inside, exampleSource).sourceOf(1024, 400), QPoint(-1, -1));
    const ConversionParameters empty = conversion(500, 500, 400, 100, QSize(-5, 10), 0, 0, 0);
    QCOMPARE(MapSourceLookup(empty, exampleSource).sourceOf(0, 0), QPoint(-1, -1));
}

void WorkedExamplesTest::centreLandsAtWholeDegree_data()
{
    QTest::addColumn<double>("latitude");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<double>("landing");

    QTest::newRow("latitude 35.6 lands at 36") << 35.6 << 54 << 36.0;
    QTest::newRow("latitude -35.6 lands at -35") << -35.6 << 125 << -35.0;
    QTest::newRow("latitude 20 lands at 20") << 20.0 << 70 << 20.0;
}

void WorkedExamplesTest::centreLandsAtWholeDegree()
{
    QFETCH(double, latitude);
    QFETCH(int, rotation);
    QFETCH(double, landing);
    QCOMPARE(numeric::truncateToInt32(90 - latitude), rotation);

    // A map of 0.2 degrees per pixel; the centre's landing point is the mean position of the
    // map pixels fed by the 3 x 3 source pixels at the disk centre.
    const QSize map(1800, 900);
    const ConversionParameters params = conversion(500, 500, 400, 100, map, latitude, 0, 0);
    MapConverter converter;
    const ConversionResult result = converter.convert(uniqueSource, params);
    QVERIFY2(result.ok(), qPrintable(result.error));
    double rows = 0;
    double columns = 0;
    int count = 0;
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x) {
            const QPoint spot = spotAt(result.map, QPoint(x, y), exampleSource.width());
            if (spot.x() < 0 || qAbs(spot.x() - 500) > 1 || qAbs(spot.y() - 500) > 1)
                continue;
            rows += y + 0.5;
            columns += x + 0.5;
            ++count;
        }
    QVERIFY(count > 0);
    const double landedLatitude = 90 - rows / count * 180 / map.height();
    const double landedLongitude = columns / count * 360 / map.width() - 180;
    QVERIFY2(qAbs(landedLatitude - landing) < landingTolerance,
             qPrintable(QString::number(landedLatitude)));
    QVERIFY2(qAbs(landedLongitude) < landingTolerance,
             qPrintable(QString::number(landedLongitude)));
}

void WorkedExamplesTest::distanceOneWritesNothing()
{
    QImage target = testimages::filled(exampleMap.width(), exampleMap.height(),
                                       QImage::Format_ARGB32_Premultiplied, marker.rgba());
    const QImage before = target;
    DebugLog log;
    QCOMPARE(projectorsteps::projectDisk(exampleProjector(1), uniqueSource, target), 0);
    QCOMPARE(testimages::compare(target, before).count, qint64(0));
    // The text "Convert error " and the count, which the debug stream separates by a blank.
    QCOMPARE(log.lines, QStringList{QStringLiteral("Convert error  0")});
    QCOMPARE(log.lines.size(), 1);
    QVERIFY(log.lines.first().endsWith(QStringLiteral(" 0")));

    MapConverter converter;
    const ConversionResult result =
        converter.convert(uniqueSource, conversion(500, 500, 400, 1, exampleMap, 35.6, 0, 0));
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(testimages::contentPixels(result.map), qint64(0));
}

void WorkedExamplesTest::radiusZeroGivesCentreColour()
{
    const ConversionParameters params =
        conversion(500, 500, 0, 6.6, QSize(512, 256), 35.6, 20, 37.5);
    MapConverter converter;
    const ConversionResult result = converter.convert(uniqueSource, params);
    QVERIFY2(result.ok(), qPrintable(result.error));
    const QRgb centre = uniqueSource.pixel(500, 500);
    const QImage map = result.map.convertToFormat(QImage::Format_ARGB32);
    qint64 centreColoured = 0;
    qint64 otherColoured = 0;
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x) {
            const QRgb pixel = map.pixel(x, y);
            centreColoured += pixel == centre;
            otherColoured += pixel != centre && qAlpha(pixel) != 0;
        }
    QVERIFY(centreColoured > 1000);
    QCOMPARE(otherColoured, qint64(0));
}

void WorkedExamplesTest::oddHeightLeavesLastRowUntouched()
{
    const QSize odd(2048, 1025);
    QImage target = testimages::filled(odd.width(), odd.height(),
                                       QImage::Format_ARGB32_Premultiplied, marker.rgba());
    projectorsteps::projectDisk(exampleProjector(100, odd), uniqueSource, target);
    // TH2 = 512: the projection fills rows 511 ... 0 and leaves rows 512 ... 1024 alone.
    const QImage upper = target.copy(0, 0, odd.width(), 512);
    const QImage lower = target.copy(0, 512, odd.width(), 513);
    const QImage untouched =
        testimages::filled(odd.width(), 513, QImage::Format_ARGB32_Premultiplied, marker.rgba());
    QCOMPARE(testimages::compare(lower, untouched).count, qint64(0));
    QVERIFY(
        testimages::compare(upper.copy(0, 0, odd.width(), 1), untouched.copy(0, 0, odd.width(), 1))
            .count == odd.width());
}

QTEST_MAIN(WorkedExamplesTest)
#include "tst_workedexamples.moc"
