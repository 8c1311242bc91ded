// The precise mode: the standard mode untouched by the new fields, the exact perspective at
// known points, no offset on a rendered round trip, and no aliasing when a fine pattern shrinks.

#include "conversioncases.h"
#include "engine/precise/preciseprojection.h"
#include "engine/standard/mapconverter.h"
#include "engine/standard/mapsourcelookup.h"
#include "globerenderer.h"
#include "literalreference.h"
#include "testimages.h"

#include <QtTest>

#include <cmath>

namespace {

// Map coordinates (pixel centres at half-integers) of a geographic point.
QPointF mapPointOf(const GeoPoint &p, const ConversionParameters &params)
{
    return {(p.longitude + 180.0) * params.outputWidth / 360.0,
            (90.0 - p.latitude) * params.outputHeight / 180.0};
}

ConversionParameters preciseParams(const CameraSetup &camera, QSize map)
{
    ConversionParameters p =
        conversion(camera.centerX, camera.centerY, camera.radius, camera.distance, map,
                   camera.view.latitude, camera.view.longitude, camera.azimuth);
    p.mode = ConversionMode::Precise;
    return p;
}

QImage convertPrecisely(const CameraSetup &camera, const SurfaceColour &surface, QSize map,
                        const RenderOptions &render = RenderOptions())
{
    MapConverter converter;
    converter.setEventPump([] {});
    return converter
        .convert(renderGlobe(GlobeCamera(camera), surface, render), preciseParams(camera, map))
        .map.convertToFormat(QImage::Format_ARGB32);
}

// Colour channels that change smoothly with the position on the globe.
Vec3 smoothColour(const Vec3 &p)
{
    return {127.5 * (1 + p.x), 127.5 * (1 + p.y), 127.5 * (1 + p.z)};
}

// Each pixel within `capDegrees` of the view point, by its map pixel centre.
template <typename Visit>
void forCapPixels(const QImage &map, const GeoPoint &view, double capDegrees, Visit visit)
{
    for (int r = 0; r < map.height(); ++r)
        for (int c = 0; c < map.width(); ++c) {
            const GeoPoint p{90.0 - (r + 0.5) * 180.0 / map.height(),
                             (c + 0.5) * 360.0 / map.width() - 180.0};
            if (angleBetween(unitVector(p), unitVector(view)) <= capDegrees)
                visit(map.pixel(c, r), p);
        }
}

} // namespace

class PreciseModeTest : public QObject
{
    Q_OBJECT

private slots:
    void standardModeIgnoresTheNewFields_data();
    void standardModeIgnoresTheNewFields();
    void geometryFollowsTheExactPerspective_data();
    void geometryFollowsTheExactPerspective();
    void lookupAnswersInTheParametersMode_data();
    void lookupAnswersInTheParametersMode();
    void roundTripHasNoOffset_data();
    void roundTripHasNoOffset();
    void fineCheckerboardShrinksWithoutAliasing_data();
    void fineCheckerboardShrinksWithoutAliasing();
    void globeColourHoldsToTheLimb_data();
    void globeColourHoldsToTheLimb();
};

void PreciseModeTest::standardModeIgnoresTheNewFields_data()
{
    QTest::addColumn<ConversionParameters>("params");
    QTest::newRow("distance 100, turned")
        << conversion(60, 50, 45, 100, {256, 128}, 35.6, 120, 37.5);
    QTest::newRow("distance 1.8") << conversion(70, 40, 38, 1.8, {300, 150}, -20, -75, 0);
}

void PreciseModeTest::standardModeIgnoresTheNewFields()
{
    QFETCH(ConversionParameters, params);
    const QImage source = testimages::uniquePicture(130, 100);
    ConversionParameters explicitStandard = params;
    explicitStandard.mode = ConversionMode::Standard;
    explicitStandard.centerXFraction = 0.4;
    explicitStandard.centerYFraction = -0.3;
    explicitStandard.radiusFraction = 0.7;
    MapConverter converter;
    converter.setEventPump([] {});
    const QImage map = converter.convert(source, explicitStandard).map;
    const testimages::Difference difference =
        testimages::compare(map, literalConvert(source, params));
    QVERIFY2(difference.count == 0, qPrintable(difference.describe()));
}

void PreciseModeTest::geometryFollowsTheExactPerspective_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<double>("azimuth");
    QTest::addColumn<double>("bearing");
    // Angle of the point from the disk centre, degrees; -1 stands for the limb.
    QTest::addColumn<double>("angle");

    QTest::newRow("disk centre, D 1.5") << 1.5 << 0.0 << 0.0 << 0.0;
    QTest::newRow("disk centre, D 100, turned") << 100.0 << 30.0 << 0.0 << 0.0;
    QTest::newRow("limb to the north, D 1.8") << 1.8 << 0.0 << 0.0 << -1.0;
    QTest::newRow("limb to the south-west, D 6.6, turned") << 6.6 << 50.0 << 225.0 << -1.0;
    QTest::newRow("30 degrees east, D 3") << 3.0 << 0.0 << 90.0 << 30.0;
    QTest::newRow("40 degrees north-west, D 1e6, turned") << 1e6 << -20.0 << 315.0 << 40.0;
}

void PreciseModeTest::geometryFollowsTheExactPerspective()
{
    QFETCH(double, distance);
    QFETCH(double, azimuth);
    QFETCH(double, bearing);
    QFETCH(double, angle);

    ConversionParameters params =
        conversion(400, 300, 250, distance, {2000, 1000}, 35.3, -41.7, azimuth);
    params.centerXFraction = 0.25;
    params.centerYFraction = -0.4;
    params.radiusFraction = 0.6;
    const double theta =
        degreesToRadians(angle < 0 ? radiansToDegrees(std::acos(1 / distance)) : angle);
    const GeoPoint point =
        destinationPoint({params.latitude, params.longitude}, bearing, radiansToDegrees(theta));
    // The pinhole camera sees a point theta from the centre at radius
    // r sqrt(1 - 1/D^2) sin(theta) / (1 - cos(theta) / D), along the bearing less the azimuth
    // clockwise from the picture's up.
    const double rho = params.exactRadius() * std::sqrt(1 - 1 / (distance * distance)) *
                       std::sin(theta) / (1 - std::cos(theta) / distance);
    const double direction = degreesToRadians(bearing - azimuth);
    const QPointF at = mapPointOf(point, params);
    const PreciseProjection projection(params);
    const SourceFootprint f = projection.footprintAt(at.x(), at.y());
    QVERIFY2(std::abs(f.x - (params.exactCenterX() + rho * std::sin(direction))) < 1e-6 &&
                 std::abs(f.y - (params.exactCenterY() - rho * std::cos(direction))) < 1e-6,
             qPrintable(QStringLiteral("at (%1, %2)").arg(f.x).arg(f.y)));
    if (angle < 0)
        QVERIFY2(std::abs(f.capMargin) < 1e-6, qPrintable(QString::number(f.capMargin)));
    else
        QVERIFY(f.capMargin > 1);
    // The footprint's sides are the position's rates of change.
    constexpr double h = 1e-4;
    const SourceFootprint east = projection.footprintAt(at.x() + h, at.y());
    const SourceFootprint south = projection.footprintAt(at.x(), at.y() + h);
    QVERIFY(std::abs((east.x - f.x) / h - f.xPerColumn) < 1e-3 * (1 + std::abs(f.xPerColumn)));
    QVERIFY(std::abs((east.y - f.y) / h - f.yPerColumn) < 1e-3 * (1 + std::abs(f.yPerColumn)));
    QVERIFY(std::abs((south.x - f.x) / h - f.xPerRow) < 1e-3 * (1 + std::abs(f.xPerRow)));
    QVERIFY(std::abs((south.y - f.y) / h - f.yPerRow) < 1e-3 * (1 + std::abs(f.yPerRow)));
}

void PreciseModeTest::lookupAnswersInTheParametersMode_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<double>("azimuth");
    QTest::newRow("D 1.8, turned") << 1.8 << 25.0;
    QTest::newRow("D 100") << 100.0 << 0.0;
}

void PreciseModeTest::lookupAnswersInTheParametersMode()
{
    QFETCH(double, distance);
    QFETCH(double, azimuth);
    // The view point lies on the centre of map pixel (276, 109).
    ConversionParameters params =
        conversion(400, 300, 250, distance, {720, 360}, 35.25, -41.75, azimuth);
    params.centerXFraction = 0.25;
    params.centerYFraction = -0.4;
    const QSize picture(800, 600);
    // The map pixel whose centre is the view point shows the circle's exact centre; the pixel
    // at the antipode shows nothing.
    const QPointF view = mapPointOf({params.latitude, params.longitude}, params);
    const int column = int(view.x() - 0.5);
    const int row = int(view.y() - 0.5);
    ConversionParameters standard = params;
    standard.mode = ConversionMode::Standard;
    const MapSourceLookup standardLookup(standard, picture);
    QCOMPARE(standardLookup.sourcePosition(column, row),
             std::optional<QPointF>(standardLookup.sourceOf(column, row)));
    params.mode = ConversionMode::Precise;
    const MapSourceLookup lookup(params, picture);
    const std::optional<QPointF> centre = lookup.sourcePosition(column, row);
    QVERIFY(centre);
    QVERIFY2(std::hypot(centre->x() - 400.25, centre->y() - 299.6) < 1e-9,
             qPrintable(QStringLiteral("(%1, %2)").arg(centre->x()).arg(centre->y())));
    QVERIFY(!lookup.sourcePosition((column + 360) % 720, 359 - row));
}

void PreciseModeTest::roundTripHasNoOffset_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("azimuth");
    QTest::newRow("D 100, view 20.4") << 100.0 << 20.4 << 0.0;
    QTest::newRow("D 1.8, view -35, turned 40") << 1.8 << -35.0 << 40.0;
}

void PreciseModeTest::roundTripHasNoOffset()
{
    QFETCH(double, distance);
    QFETCH(double, latitude);
    QFETCH(double, azimuth);
    CameraSetup camera;
    camera.width = 640;
    camera.height = 480;
    camera.centerX = 300;
    camera.centerY = 250;
    camera.radius = 220;
    camera.distance = distance;
    camera.view = {latitude, 65.0};
    camera.azimuth = azimuth;
    const auto colourOf = [](const GeoPoint &p) {
        const Vec3 c = smoothColour(unitVector(p));
        return qRgb(int(std::lround(c.x)), int(std::lround(c.y)), int(std::lround(c.z)));
    };
    const QImage map = convertPrecisely(camera, colourOf, {720, 360});
    QVERIFY(!map.isNull());

    // Least-squares shift (map columns, rows) that explains the colour errors through the
    // colour's rates of change per map column and row; an offset of a pixel shows as 1.
    double ee = 0, en = 0, nn = 0, be = 0, bn = 0;
    const double perColumn = 2 * piValue / map.width();
    const double perRow = piValue / map.height();
    forCapPixels(map, camera.view, 40.0, [&](QRgb pixel, const GeoPoint &p) {
        const LocalFrame frame = localFrameAt(p);
        const Vec3 want = smoothColour(frame.up);
        const Vec3 error{qRed(pixel) - want.x, qGreen(pixel) - want.y, qBlue(pixel) - want.z};
        const Vec3 east = (127.5 * perColumn * std::cos(degreesToRadians(p.latitude))) * frame.east;
        const Vec3 south = (-127.5 * perRow) * frame.north;
        ee += dot(east, east);
        en += dot(east, south);
        nn += dot(south, south);
        be += dot(east, error);
        bn += dot(south, error);
    });
    const double det = ee * nn - en * en;
    QVERIFY(det > 0);
    const double shiftColumns = (be * nn - bn * en) / det;
    const double shiftRows = (bn * ee - be * en) / det;
    QVERIFY2(std::abs(shiftColumns) < 0.1 && std::abs(shiftRows) < 0.1,
             qPrintable(QStringLiteral("shift %1, %2").arg(shiftColumns).arg(shiftRows)));
}

void PreciseModeTest::fineCheckerboardShrinksWithoutAliasing_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<QSize>("map");
    QTest::newRow("D 100, 2 squares a pixel") << 100.0 << QSize(180, 90);
    QTest::newRow("D 1.5, 3 squares a pixel") << 1.5 << QSize(120, 60);
}

void PreciseModeTest::fineCheckerboardShrinksWithoutAliasing()
{
    QFETCH(double, distance);
    QFETCH(QSize, map);
    CameraSetup camera;
    camera.width = 900;
    camera.height = 900;
    camera.centerX = 450;
    camera.centerY = 450;
    camera.radius = 440;
    camera.distance = distance;
    camera.view = {10.0, 0.0};
    // Squares of one degree: each map pixel covers several, so it must come out mid grey.
    const auto checker = [](const GeoPoint &p) {
        const bool odd = (int(std::floor(p.latitude)) + int(std::floor(p.longitude + 360))) % 2;
        return odd ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    };
    const QImage result = convertPrecisely(camera, checker, map);
    double sum = 0, squares = 0;
    int count = 0;
    forCapPixels(result, camera.view, 30.0, [&](QRgb pixel, const GeoPoint &) {
        sum += qGreen(pixel);
        squares += qGreen(pixel) * qGreen(pixel);
        ++count;
    });
    QVERIFY(count > 20);
    const double mean = sum / count;
    const double spread = std::sqrt(std::max(0.0, squares / count - mean * mean));
    QVERIFY2(std::abs(mean - 127.5) < 10 && spread < 12,
             qPrintable(QStringLiteral("mean %1, spread %2").arg(mean).arg(spread)));
}

void PreciseModeTest::globeColourHoldsToTheLimb_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<int>("radius");
    QTest::addColumn<QSize>("map");
    // Near the limb a small distance stretches the picture far across the map; a large map
    // interpolates there, a small one averages footprints of several pixels. A large disk's
    // limb is close to straight, which its coverage is computed from.
    QTest::newRow("D 1.5, map enlarges") << 1.5 << 120 << QSize(1440, 720);
    QTest::newRow("D 3, map shrinks") << 3.0 << 120 << QSize(180, 90);
    QTest::newRow("D 1.5, large disk, map enlarges") << 1.5 << 200 << QSize(1440, 720);
    QTest::newRow("D 6.6, large disk, map shrinks") << 6.6 << 200 << QSize(240, 120);
}

void PreciseModeTest::globeColourHoldsToTheLimb()
{
    QFETCH(double, distance);
    QFETCH(int, radius);
    QFETCH(QSize, map);
    CameraSetup camera;
    camera.width = 2 * radius + 160;
    camera.height = 2 * radius + 60;
    camera.centerX = radius + 70;
    camera.centerY = radius + 40;
    camera.radius = radius;
    camera.distance = distance;
    camera.view = {25.0, -40.0};
    // A plain globe before a bright sky, with the limb's pixels mixing the two by coverage.
    const QRgb ground = qRgb(200, 150, 100);
    RenderOptions render;
    render.samplesPerAxis = 8;
    render.background = qRgb(40, 90, 220);
    const QImage result = convertPrecisely(
        camera, [ground](const GeoPoint &) { return ground; }, map, render);
    int count = 0;
    int worst = 0;
    for (int r = 0; r < result.height(); ++r)
        for (int c = 0; c < result.width(); ++c) {
            const QRgb pixel = result.pixel(c, r);
            if (qAlpha(pixel) < 255)
                continue;
            ++count;
            worst = std::max({worst, std::abs(qRed(pixel) - qRed(ground)),
                              std::abs(qGreen(pixel) - qGreen(ground)),
                              std::abs(qBlue(pixel) - qBlue(ground))});
        }
    QVERIFY(count > 100);
    // Within an eighth of the contrast between globe and sky (160 levels in red): the
    // renderer's coverage steps of 1/64, magnified where little of a tap's weight lies on the
    // disk, leave some. Blending the sky in shows as half the contrast.
    QVERIFY2(worst <= 20, qPrintable(QStringLiteral("worst channel error %1").arg(worst)));
}

QTEST_MAIN(PreciseModeTest)
#include "tst_precisemode.moc"
