// The reference camera and the sample surface that the round-trip test relies on: the limb on
// the marked circle, the view point at the disk centre, north and east where they belong, the
// camera's turn, and refusal of setups that describe no picture.

#include "globerenderer.h"
#include "samplesurface.h"

#include <QtTest>

Q_DECLARE_METATYPE(GeoPoint)

namespace {

CameraSetup setupFor(double distance, const GeoPoint &view, double azimuth)
{
    CameraSetup setup;
    setup.width = 400;
    setup.height = 300;
    setup.centerX = 190;
    setup.centerY = 160;
    setup.radius = 120;
    setup.distance = distance;
    setup.view = view;
    setup.azimuth = azimuth;
    return setup;
}

constexpr QRgb sky = qRgb(1, 2, 3);
constexpr QRgb ground = qRgb(200, 100, 50);

} // namespace

class SampleRendererTest : public QObject
{
    Q_OBJECT

private slots:
    void limbFallsOnTheMarkedCircle_data();
    void limbFallsOnTheMarkedCircle();
    void diskCentreLooksAtTheViewPoint_data();
    void diskCentreLooksAtTheViewPoint();
    void northAndEastPointWhereTheTurnPutsThem_data();
    void northAndEastPointWhereTheTurnPutsThem();
    void projectionInvertsTheRay_data();
    void projectionInvertsTheRay();
    void farSideIsHidden();
    void raysAveragedOverThePixel();
    void refusesSetupsWithoutAPicture_data();
    void refusesSetupsWithoutAPicture();
    void surfaceShowsItsMarkers_data();
    void surfaceShowsItsMarkers();
    void graticuleLinesAreLighter_data();
    void graticuleLinesAreLighter();
    void surfaceHasOceanAndContinents();
};

void SampleRendererTest::limbFallsOnTheMarkedCircle_data()
{
    QTest::addColumn<double>("distance");
    QTest::newRow("distance 1.5, close up") << 1.5;
    QTest::newRow("distance 6.6, geostationary") << 6.6;
    QTest::newRow("distance 100, nearly parallel") << 100.0;
}

void SampleRendererTest::limbFallsOnTheMarkedCircle()
{
    QFETCH(double, distance);
    const CameraSetup setup = setupFor(distance, {10.0, 20.0}, 30.0);
    const GlobeCamera camera(setup);
    RenderOptions options;
    options.background = sky;
    const QImage picture = renderGlobe(
        camera, [](const GeoPoint &) { return ground; }, options);
    QCOMPARE(picture.size(), QSize(setup.width, setup.height));

    for (int step = 0; step < 16; ++step) {
        const double direction = step * 2 * piValue / 16;
        const double dx = std::cos(direction);
        const double dy = std::sin(direction);
        const QPoint inside(qRound(setup.centerX + dx * (setup.radius - 1.5)),
                            qRound(setup.centerY + dy * (setup.radius - 1.5)));
        const QPoint outside(qRound(setup.centerX + dx * (setup.radius + 1.5)),
                             qRound(setup.centerY + dy * (setup.radius + 1.5)));
        QCOMPARE(picture.pixel(inside), ground);
        QCOMPARE(picture.pixel(outside), sky);
        // Just inside the circle the ray grazes the horizon.
        const std::optional<Vec3> grazing = camera.globePointAt(
            setup.centerX + dx * (setup.radius - 0.01), setup.centerY + dy * (setup.radius - 0.01));
        QVERIFY(grazing.has_value());
        const double fromView = angleBetween(*grazing, unitVector(setup.view));
        QVERIFY2(std::fabs(fromView - camera.horizonAngle()) < 1.0,
                 qPrintable(QString::number(fromView)));
    }
    QCOMPARE(camera.horizonAngle(), radiansToDegrees(std::acos(1.0 / distance)));
}

void SampleRendererTest::diskCentreLooksAtTheViewPoint_data()
{
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::newRow("equator, prime meridian") << 0.0 << 0.0;
    QTest::newRow("35 N 120 W") << 35.0 << -120.0;
    QTest::newRow("60 S 179 E") << -60.0 << 179.0;
    QTest::newRow("north pole") << 90.0 << 0.0;
}

void SampleRendererTest::diskCentreLooksAtTheViewPoint()
{
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    const CameraSetup setup = setupFor(6.6, {latitude, longitude}, 0.0);
    const GlobeCamera camera(setup);
    const std::optional<Vec3> hit = camera.globePointAt(setup.centerX, setup.centerY);
    QVERIFY(hit.has_value());
    QVERIFY(angleBetween(*hit, unitVector(setup.view)) < 1e-9);
}

void SampleRendererTest::northAndEastPointWhereTheTurnPutsThem_data()
{
    // Picture directions (x right, y down) in which a step north and a step east appear.
    QTest::addColumn<double>("azimuth");
    QTest::addColumn<QPointF>("northward");
    QTest::addColumn<QPointF>("eastward");
    QTest::newRow("no turn: north up, east right") << 0.0 << QPointF(0, -1) << QPointF(1, 0);
    QTest::newRow("turned 90: north left, east up") << 90.0 << QPointF(-1, 0) << QPointF(0, -1);
    QTest::newRow("turned 180: north down, east left") << 180.0 << QPointF(0, 1) << QPointF(-1, 0);
    QTest::newRow("turned 270: north right, east down") << 270.0 << QPointF(1, 0) << QPointF(0, 1);
}

void SampleRendererTest::northAndEastPointWhereTheTurnPutsThem()
{
    QFETCH(double, azimuth);
    QFETCH(QPointF, northward);
    QFETCH(QPointF, eastward);
    const GeoPoint view{25.0, -40.0};
    const GlobeCamera camera(setupFor(100.0, view, azimuth));
    const QPointF centre(camera.setup().centerX, camera.setup().centerY);
    const struct
    {
        double bearing;
        QPointF direction;
    } steps[] = {{0.0, northward}, {90.0, eastward}};
    for (const auto &step : steps) {
        const std::optional<QPointF> seen =
            camera.picturePointOf(unitVector(destinationPoint(view, step.bearing, 5.0)));
        QVERIFY(seen.has_value());
        const QPointF offset = *seen - centre;
        const QPointF unit = offset / std::hypot(offset.x(), offset.y());
        QVERIFY2(QLineF(unit, step.direction).length() < 1e-6,
                 qPrintable(QStringLiteral("bearing %1 seen towards (%2, %3)")
                                .arg(step.bearing)
                                .arg(unit.x())
                                .arg(unit.y())));
    }
}

void SampleRendererTest::projectionInvertsTheRay_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<double>("azimuth");
    QTest::newRow("distance 1.5") << 1.5 << 0.0;
    QTest::newRow("distance 6.6, turned 45") << 6.6 << 45.0;
    QTest::newRow("distance 100, turned 200") << 100.0 << 200.0;
}

void SampleRendererTest::projectionInvertsTheRay()
{
    QFETCH(double, distance);
    QFETCH(double, azimuth);
    const CameraSetup setup = setupFor(distance, {-20.0, 60.0}, azimuth);
    const GlobeCamera camera(setup);
    int checked = 0;
    for (int y = setup.centerY - setup.radius; y <= setup.centerY + setup.radius; y += 7) {
        for (int x = setup.centerX - setup.radius; x <= setup.centerX + setup.radius; x += 7) {
            const std::optional<Vec3> hit = camera.globePointAt(x, y);
            if (!hit)
                continue;
            const std::optional<QPointF> back = camera.picturePointOf(*hit);
            QVERIFY(back.has_value());
            QVERIFY2(QLineF(*back, QPointF(x, y)).length() < 1e-6,
                     qPrintable(QStringLiteral("(%1, %2) came back at (%3, %4)")
                                    .arg(x)
                                    .arg(y)
                                    .arg(back->x())
                                    .arg(back->y())));
            ++checked;
        }
    }
    // Nearly all of the disk's sample points hit the globe.
    QVERIFY(checked > 0.7 * piValue * (setup.radius / 7.0) * (setup.radius / 7.0));
}

void SampleRendererTest::farSideIsHidden()
{
    const GeoPoint view{10.0, 20.0};
    const GlobeCamera camera(setupFor(6.6, view, 0.0));
    const Vec3 antipode = -1.0 * unitVector(view);
    QVERIFY(!camera.picturePointOf(antipode).has_value());
    const double horizon = camera.horizonAngle();
    QVERIFY(!camera.picturePointOf(unitVector(destinationPoint(view, 70.0, horizon + 0.5))));
    QVERIFY(camera.picturePointOf(unitVector(destinationPoint(view, 70.0, horizon - 0.5))));
}

void SampleRendererTest::raysAveragedOverThePixel()
{
    const CameraSetup setup = setupFor(100.0, {0.0, 0.0}, 0.0);
    RenderOptions options;
    options.samplesPerAxis = 4;
    options.background = qRgb(0, 0, 0);
    const QImage picture = renderGlobe(
        GlobeCamera(setup), [](const GeoPoint &) { return qRgb(200, 120, 40); }, options);
    // Inside the disk every ray sees the same colour; a pixel on the limb mixes it with the sky.
    QCOMPARE(picture.pixel(setup.centerX, setup.centerY), qRgb(200, 120, 40));
    const QRgb limb = picture.pixel(setup.centerX + setup.radius, setup.centerY);
    QVERIFY2(qRed(limb) > 0 && qRed(limb) < 200, qPrintable(QString::number(qRed(limb))));
    QCOMPARE(qAlpha(limb), 255);
}

void SampleRendererTest::refusesSetupsWithoutAPicture_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("refused");
    QTest::newRow("distance 1.5 is fine") << "distance" << 1.5 << false;
    QTest::newRow("distance 1: the camera sits on the surface") << "distance" << 1.0 << true;
    QTest::newRow("distance 0.5: inside the globe") << "distance" << 0.5 << true;
    QTest::newRow("distance not a number") << "distance" << qQNaN() << true;
    QTest::newRow("distance infinite") << "distance" << qInf() << true;
    QTest::newRow("radius 0") << "radius" << 0.0 << true;
    QTest::newRow("width 0") << "width" << 0.0 << true;
    QTest::newRow("height 40000") << "height" << 40000.0 << true;
    QTest::newRow("latitude 91") << "latitude" << 91.0 << true;
    QTest::newRow("latitude -90 is fine") << "latitude" << -90.0 << false;
    QTest::newRow("longitude not a number") << "longitude" << qQNaN() << true;
    QTest::newRow("azimuth infinite") << "azimuth" << qInf() << true;
    QTest::newRow("centre far outside") << "centerX" << 5e6 << true;
}

void SampleRendererTest::refusesSetupsWithoutAPicture()
{
    QFETCH(QString, field);
    QFETCH(double, value);
    QFETCH(bool, refused);
    CameraSetup setup = setupFor(6.6, {0.0, 0.0}, 0.0);
    const int whole = value > 1e9 ? 0 : static_cast<int>(value);
    if (field == "distance")
        setup.distance = value;
    else if (field == "radius")
        setup.radius = whole;
    else if (field == "width")
        setup.width = whole;
    else if (field == "height")
        setup.height = whole;
    else if (field == "latitude")
        setup.view.latitude = value;
    else if (field == "longitude")
        setup.view.longitude = value;
    else if (field == "azimuth")
        setup.azimuth = value;
    else if (field == "centerX")
        setup.centerX = whole;
    QCOMPARE(!GlobeCamera::refusalReason(setup).isEmpty(), refused);
}

void SampleRendererTest::surfaceShowsItsMarkers_data()
{
    QTest::addColumn<GeoPoint>("point");
    QTest::addColumn<QRgb>("colour");
    for (const SurfaceMarker &marker : SampleSurface::markers()) {
        QTest::newRow(marker.name) << marker.position << marker.colour;
        const GeoPoint edge =
            destinationPoint(marker.position, 45.0, SampleSurface::markerRadius - 0.1);
        QTest::newRow(qPrintable(QStringLiteral("%1 edge").arg(marker.name)))
            << edge << marker.colour;
    }
}

void SampleRendererTest::surfaceShowsItsMarkers()
{
    QFETCH(GeoPoint, point);
    QFETCH(QRgb, colour);
    const SampleSurface surface;
    QCOMPARE(surface.colourAt(point), colour);
}

void SampleRendererTest::graticuleLinesAreLighter_data()
{
    QTest::addColumn<GeoPoint>("onLine");
    QTest::addColumn<GeoPoint>("beside");
    QTest::newRow("equator") << GeoPoint{0.0, 100.0} << GeoPoint{1.0, 100.0};
    QTest::newRow("parallel 30 N") << GeoPoint{30.0, 17.0} << GeoPoint{31.0, 17.0};
    QTest::newRow("parallel 60 S") << GeoPoint{-60.0, -140.0} << GeoPoint{-61.0, -140.0};
    QTest::newRow("meridian 60 W") << GeoPoint{10.0, -60.0} << GeoPoint{10.0, -61.0};
    QTest::newRow("date line") << GeoPoint{-20.0, 180.0} << GeoPoint{-20.0, 179.0};
}

void SampleRendererTest::graticuleLinesAreLighter()
{
    QFETCH(GeoPoint, onLine);
    QFETCH(GeoPoint, beside);
    const SampleSurface surface;
    auto brightness = [](QRgb c) { return qRed(c) + qGreen(c) + qBlue(c); };
    // The lines blend the ground halfway to white, far more than the ground changes in a degree.
    QVERIFY2(brightness(surface.colourAt(onLine)) > brightness(surface.colourAt(beside)) + 100,
             qPrintable(QStringLiteral("%1 on the line, %2 beside it")
                            .arg(brightness(surface.colourAt(onLine)))
                            .arg(brightness(surface.colourAt(beside)))));
}

void SampleRendererTest::surfaceHasOceanAndContinents()
{
    // A grid of equal-area samples (uniform in the sine of latitude) away from the ice caps.
    const SampleSurface surface;
    int land = 0;
    int total = 0;
    for (int i = 0; i < 120; ++i) {
        const double latitude = radiansToDegrees(std::asin(-0.9 + 1.8 * (i + 0.5) / 120));
        for (int j = 0; j < 240; ++j) {
            const GeoPoint point{latitude, -180.0 + 360.0 * (j + 0.5) / 240};
            ++total;
            if (surface.elevation(point) > 0)
                ++land;
            const QRgb colour = surface.colourAt(point);
            for (const SurfaceMarker &marker : SampleSurface::markers())
                QVERIFY(colour != marker.colour ||
                        angleBetween(unitVector(point), unitVector(marker.position)) <=
                            SampleSurface::markerRadius);
        }
    }
    const double landShare = double(land) / total;
    QVERIFY2(landShare > 0.2 && landShare < 0.5, qPrintable(QString::number(landShare)));
    // Land and sea look different: a point in the sea is bluer than one on land.
    GeoPoint sea;
    GeoPoint continent;
    bool foundSea = false;
    bool foundLand = false;
    for (int k = 0; k < 360 && !(foundSea && foundLand); ++k) {
        const GeoPoint point{12.0, -180.0 + k + 0.5};
        if (surface.elevation(point) < -0.05 && !foundSea) {
            sea = point;
            foundSea = true;
        } else if (surface.elevation(point) > 0.05 && !foundLand) {
            continent = point;
            foundLand = true;
        }
    }
    QVERIFY(foundSea && foundLand);
    QVERIFY(qBlue(surface.colourAt(sea)) > qBlue(surface.colourAt(continent)));
}

QTEST_MAIN(SampleRendererTest)
#include "tst_samplerenderer.moc"
