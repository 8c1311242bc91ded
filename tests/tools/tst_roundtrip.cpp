// Renders globes with the exact ray-traced camera, converts the pictures back with the
// program's pipeline and checks the maps against the surface itself: orientation, placement,
// azimuth and the visible cap.

#include "mapchecks.h"
#include "roundtripsupport.h"
#include "samplesurface.h"

#include <QtTest>

namespace {

// Nearest-neighbour sampling lands up to a pixel off along each axis of the picture.
constexpr double nearestNeighbourPixels = 2.0;
// The map's turns each read the nearest map pixel below the exact position.
constexpr double mapPixelSlack = 2.0;
// Colour levels allowed on top of the neighbourhood's range (rounding of the texture).
constexpr int colourSlack = 1;
// The band next to the horizon that the projection leaves out: 1 % of the 90 degrees from
// the disk centre to the limb.
constexpr double horizonMarginDegrees = 0.9;
// Close to the limb at small distances the projection pulls its samples inward: beyond
// 0.1 focal lengths from the centre by up to (0.114 - 0.1) x 0.1 focal lengths.
constexpr double radialBandStart = 0.1;
constexpr double radialPullPerFocalLength = (0.114 - 0.1) * 0.1;

} // namespace

class RoundTripTest : public QObject
{
    Q_OBJECT

private slots:
    void mapShowsTheSurface_data();
    void mapShowsTheSurface();
    void diskCentreLandsOnTheWholeDegreeLatitude_data();
    void diskCentreLandsOnTheWholeDegreeLatitude();
    void markersKeepTheirGeographicPlaces_data();
    void markersKeepTheirGeographicPlaces();
    void azimuthTurnsThePictureClockwise_data();
    void azimuthTurnsThePictureClockwise();
    void bundledSampleConvertsWithTheDefaults_data();
    void bundledSampleConvertsWithTheDefaults();
};

void RoundTripTest::mapShowsTheSurface_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<double>("viewLatitude");
    QTest::addColumn<double>("viewLongitude");
    QTest::addColumn<double>("renderAzimuth");
    QTest::addColumn<double>("convertAzimuth");

    QTest::newRow("distance 100, view 0/0") << 100.0 << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("distance 100, view 35/-40") << 100.0 << 35.0 << -40.0 << 0.0 << 0.0;
    QTest::newRow("distance 100, view -35/150") << 100.0 << -35.0 << 150.0 << 0.0 << 0.0;
    QTest::newRow("distance 100, view 20.4/10, landing rounded")
        << 100.0 << 20.4 << 10.0 << 0.0 << 0.0;
    QTest::newRow("distance 100, view 60/170 across the date line")
        << 100.0 << 60.0 << 170.0 << 0.0 << 0.0;
    QTest::newRow("distance 6.6, view 0/0") << 6.6 << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("distance 6.6, view 35/75") << 6.6 << 35.0 << 75.0 << 0.0 << 0.0;
    QTest::newRow("distance 6.6, view -35/-120") << 6.6 << -35.0 << -120.0 << 0.0 << 0.0;
    QTest::newRow("distance 100, camera turned 90, azimuth 90")
        << 100.0 << 35.0 << 20.0 << 90.0 << 90.0;
    QTest::newRow("distance 6.6, camera turned 130, azimuth 130")
        << 6.6 << 0.0 << -60.0 << 130.0 << 130.0;
    QTest::newRow("distance 100, north-up picture, azimuth 90")
        << 100.0 << 0.0 << 0.0 << 0.0 << 90.0;
    QTest::newRow("distance 6.6, north-up picture, azimuth 45")
        << 6.6 << 35.0 << 0.0 << 0.0 << 45.0;
}

void RoundTripTest::mapShowsTheSurface()
{
    QFETCH(double, distance);
    QFETCH(double, viewLatitude);
    QFETCH(double, viewLongitude);
    QFETCH(double, renderAzimuth);
    QFETCH(double, convertAzimuth);

    // The circle is off the picture's middle so that a mix-up of centre and size shows.
    const GeoPoint view{viewLatitude, viewLongitude};
    const CameraSetup setup = cameraSetup(640, 480, 300, 250, 220, distance, view, renderAzimuth);
    const GeoPoint landing{landingLatitude(viewLatitude), viewLongitude};
    const Trip trip = convertRendered(setup, orientationColour, view, convertAzimuth, 720, 360);
    QVERIFY(!trip.map.isNull());
    QCOMPARE(trip.map.size(), QSize(720, 360));

    const GlobeCamera globeCamera(setup);
    const ExpectedPlacement placement(view, renderAzimuth, landing, convertAzimuth);
    const Vec3 landingPoint = unitVector(landing);
    const double mapPixelDegrees = 180.0 / trip.map.height();
    const double guard = mapPixelSlack * mapPixelDegrees;
    const double horizon = globeCamera.horizonAngle();
    const double innerCap = horizon - horizonMarginDegrees - guard;
    const double radialBand = radialBandStart * globeCamera.focalLength();
    const double radialPull = radialPullPerFocalLength * globeCamera.focalLength();

    int checkedInside = 0;
    int checkedOutside = 0;
    int faults = 0;
    QStringList firstFaults;
    for (int row = 0; row < trip.map.height(); ++row) {
        for (int column = 0; column < trip.map.width(); ++column) {
            const QRgb pixel = trip.map.pixel(column, row);
            const GeoPoint position =
                mapPixelPosition(column, row, trip.map.width(), trip.map.height());
            const Vec3 mapPoint = unitVector(position);
            const double fromCentre = angleBetween(mapPoint, landingPoint);
            QString fault;
            if (fromCentre > horizon + guard) {
                ++checkedOutside;
                if (pixel != 0)
                    fault = QStringLiteral("beyond the horizon but %1").arg(describeColour(pixel));
            } else if (fromCentre < innerCap) {
                ++checkedInside;
                const Vec3 surfacePoint = placement.surfacePointFor(mapPoint);
                const QRgb expected = orientationColour(geoPointOf(surfacePoint));
                if (qAlpha(pixel) != 255) {
                    fault = QStringLiteral("inside the cap but %1").arg(describeColour(pixel));
                } else if (!closeTo(pixel, expected, colourSlack + 1)) {
                    // Not the colour right there: accept any colour of the sampling
                    // neighbourhood, widened where the projection pulls its samples inward.
                    const std::optional<QPointF> seen = globeCamera.picturePointOf(surfacePoint);
                    double reach = nearestNeighbourPixels;
                    if (seen && std::hypot(seen->x() - setup.centerX, seen->y() - setup.centerY) >
                                    radialBand - reach)
                        reach += radialPull;
                    const ColourRange range = colourNeighbourhood(globeCamera, orientationColour,
                                                                  surfacePoint, reach, guard);
                    if (!range.contains(pixel, colourSlack))
                        fault = QStringLiteral("shows %1, the surface there is %2")
                                    .arg(describeColour(pixel), describeColour(expected));
                }
            }
            if (fault.isEmpty())
                continue;
            if (++faults <= 5)
                firstFaults << QStringLiteral("map pixel (%1, %2) at %3 %4")
                                   .arg(column)
                                   .arg(row)
                                   .arg(describe(position), fault);
        }
    }
    QVERIFY2(
        faults == 0,
        qPrintable(
            QStringLiteral("%1 faulty pixels, first: %2").arg(faults).arg(firstFaults.join("; "))));
    // The cap and the far side both cover a good part of the map.
    QVERIFY(checkedInside > trip.map.width() * trip.map.height() / 5);
    QVERIFY(checkedOutside > trip.map.width() * trip.map.height() / 5);
}

void RoundTripTest::diskCentreLandsOnTheWholeDegreeLatitude_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<double>("landedLatitude");

    QTest::newRow("latitude 0") << 100.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("latitude 35.4 lands at 36") << 100.0 << 35.4 << 20.0 << 36.0;
    QTest::newRow("latitude -35.6 lands at -35") << 100.0 << -35.6 << -100.0 << -35.0;
    QTest::newRow("latitude 20.2 lands at 21, distance 6.6") << 6.6 << 20.2 << 10.0 << 21.0;
    QTest::newRow("latitude -0.5 lands at 0, distance 6.6") << 6.6 << -0.5 << 45.0 << 0.0;
    QTest::newRow("latitude 60, longitude 179") << 100.0 << 60.0 << 179.0 << 60.0;
}

void RoundTripTest::diskCentreLandsOnTheWholeDegreeLatitude()
{
    QFETCH(double, distance);
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    QFETCH(double, landedLatitude);

    // The cap's mean direction is its centre; a fine map keeps the pixel error small.
    constexpr double centreTolerance = 0.25;
    const GeoPoint view{latitude, longitude};
    const CameraSetup setup = cameraSetup(640, 480, 320, 240, 230, distance, view, 0.0);
    const Trip trip = convertRendered(
        setup, [](const GeoPoint &) { return qRgb(200, 200, 200); }, view, 0.0, 2048, 1024);
    QVERIFY(!trip.map.isNull());
    const std::optional<GeoPoint> centre = meanPosition(trip.map, [](QRgb) { return true; });
    QVERIFY(centre.has_value());
    const double miss = angleBetween(unitVector(*centre), unitVector({landedLatitude, longitude}));
    QVERIFY2(miss < centreTolerance,
             qPrintable(QStringLiteral("cap centred at %1, %2 degrees from %3")
                            .arg(describe(*centre))
                            .arg(miss)
                            .arg(describe({landedLatitude, longitude}))));
}

void RoundTripTest::markersKeepTheirGeographicPlaces_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<double>("viewLatitude");
    QTest::addColumn<double>("viewLongitude");
    // The markers that lie wholly inside the cap, away from the horizon.
    QTest::addColumn<QStringList>("visibleMarkers");

    QTest::newRow("distance 100, over 20 N 10 E")
        << 100.0 << 20.0 << 10.0 << QStringList{"red", "green", "yellow"};
    QTest::newRow("distance 100, over 0/0")
        << 100.0 << 0.0 << 0.0 << QStringList{"red", "green", "blue", "yellow"};
    QTest::newRow("distance 6.6, over 40 N 0")
        << 6.6 << 40.0 << 0.0 << QStringList{"red", "green", "yellow"};
    QTest::newRow("distance 6.6, over 10 S 30 W")
        << 6.6 << -10.0 << -30.0 << QStringList{"red", "blue"};
}

void RoundTripTest::markersKeepTheirGeographicPlaces()
{
    QFETCH(double, distance);
    QFETCH(double, viewLatitude);
    QFETCH(double, viewLongitude);
    QFETCH(QStringList, visibleMarkers);

    // The markers' colours appear nowhere else on the surface, and a single ray per pixel keeps
    // them unblended, so every pixel of that exact colour belongs to the marker. A marker may
    // be off by a map pixel or two, or by a picture pixel or two where the picture
    // foreshortens the surface near the limb.
    constexpr double placeToleranceDegrees = 1.0;
    constexpr double placeTolerancePixels = 2.5;
    const GeoPoint view{viewLatitude, viewLongitude};
    const CameraSetup setup = cameraSetup(800, 600, 400, 300, 294, distance, view, 0.0);
    const SampleSurface surface;
    const Trip trip = convertRendered(
        setup, [&surface](const GeoPoint &point) { return surface.colourAt(point); }, view, 0.0,
        720, 360);
    QVERIFY(!trip.map.isNull());

    const GlobeCamera globeCamera(setup);
    QStringList found;
    for (const SurfaceMarker &marker : SampleSurface::markers()) {
        if (!visibleMarkers.contains(QLatin1String(marker.name)))
            continue;
        const std::optional<GeoPoint> place =
            meanPosition(trip.map, [&marker](QRgb pixel) { return pixel == marker.colour; });
        QVERIFY2(place.has_value(), marker.name);
        const double miss = angleBetween(unitVector(*place), unitVector(marker.position));
        const std::optional<QPointF> seenAt = globeCamera.picturePointOf(unitVector(*place));
        const std::optional<QPointF> belongsAt =
            globeCamera.picturePointOf(unitVector(marker.position));
        QVERIFY(seenAt && belongsAt);
        const double pictureMiss = QLineF(*seenAt, *belongsAt).length();
        QVERIFY2(miss < placeToleranceDegrees || pictureMiss < placeTolerancePixels,
                 qPrintable(QStringLiteral("%1 marker found at %2 instead of %3, %4 pixels off")
                                .arg(QLatin1String(marker.name), describe(*place),
                                     describe(marker.position))
                                .arg(pictureMiss)));
        found << QLatin1String(marker.name);
    }
    QCOMPARE(found.size(), visibleMarkers.size());
}

void RoundTripTest::azimuthTurnsThePictureClockwise_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<double>("azimuth");

    QTest::newRow("azimuth 0 keeps north up and east right") << 100.0 << 0.0;
    QTest::newRow("azimuth 30") << 100.0 << 30.0;
    QTest::newRow("azimuth 90: top becomes east, left north") << 100.0 << 90.0;
    QTest::newRow("azimuth 180") << 100.0 << 180.0;
    QTest::newRow("azimuth 300") << 100.0 << 300.0;
    QTest::newRow("azimuth 90, distance 6.6") << 6.6 << 90.0;
}

void RoundTripTest::azimuthTurnsThePictureClockwise()
{
    QFETCH(double, distance);
    QFETCH(double, azimuth);

    // A north-up picture with a mark 20 degrees above the disk centre and one 20 degrees to its
    // right; turning the picture clockwise by the azimuth carries the first to that bearing and
    // the second to a quarter turn further.
    constexpr double markDistance = 20.0;
    constexpr double bearingTolerance = 2.0;
    constexpr double distanceTolerance = 0.7;
    const GeoPoint view{30.0, -20.0};
    const GeoPoint topMark = destinationPoint(view, 0.0, markDistance);
    const GeoPoint rightMark = destinationPoint(view, 90.0, markDistance);
    const QRgb topColour = qRgb(255, 0, 255);
    const QRgb rightColour = qRgb(0, 255, 255);
    const SurfaceColour surface = [&](const GeoPoint &point) {
        const Vec3 direction = unitVector(point);
        if (angleBetween(direction, unitVector(topMark)) < 3.0)
            return topColour;
        if (angleBetween(direction, unitVector(rightMark)) < 3.0)
            return rightColour;
        return qRgb(128, 128, 128);
    };
    const CameraSetup setup = cameraSetup(640, 480, 320, 240, 230, distance, view, 0.0);
    const Trip trip = convertRendered(setup, surface, view, azimuth, 720, 360);
    QVERIFY(!trip.map.isNull());

    const struct
    {
        const char *name;
        QRgb colour;
        double bearing;
    } marks[] = {{"top", topColour, azimuth}, {"right", rightColour, azimuth + 90.0}};
    for (const auto &mark : marks) {
        const std::optional<GeoPoint> place =
            meanPosition(trip.map, [&mark](QRgb pixel) { return pixel == mark.colour; });
        QVERIFY2(place.has_value(), mark.name);
        const double bearing = bearingBetween(view, *place);
        const double bearingMiss = std::fabs(std::remainder(bearing - mark.bearing, 360.0));
        const double distanceFromCentre = angleBetween(unitVector(view), unitVector(*place));
        QVERIFY2(bearingMiss < bearingTolerance &&
                     std::fabs(distanceFromCentre - markDistance) < distanceTolerance,
                 qPrintable(QStringLiteral("%1 mark at bearing %2, %3 degrees out; expected "
                                           "bearing %4, %5 degrees out")
                                .arg(QLatin1String(mark.name))
                                .arg(bearing)
                                .arg(distanceFromCentre)
                                .arg(std::fmod(mark.bearing, 360.0))
                                .arg(markDistance)));
    }
}

void RoundTripTest::bundledSampleConvertsWithTheDefaults_data()
{
    // JPG compression blurs the pure marker colours a little: classify by dominant channels.
    QTest::addColumn<QString>("marker");
    QTest::addColumn<QColor>("lowest");
    QTest::addColumn<QColor>("highest");
    QTest::newRow("red") << "red" << QColor(200, 0, 0) << QColor(255, 70, 70);
    QTest::newRow("green") << "green" << QColor(0, 200, 0) << QColor(70, 255, 70);
    QTest::newRow("yellow") << "yellow" << QColor(200, 200, 0) << QColor(255, 255, 90);
}

void RoundTripTest::bundledSampleConvertsWithTheDefaults()
{
    QFETCH(QString, marker);
    QFETCH(QColor, lowest);
    QFETCH(QColor, highest);

    // The sample was taken from above 20 N 10 E at distance 100 with the circle that opening
    // a picture gives; converted with every setting at its default, that point lands at 0/0.
    const QString path = qEnvironmentVariable("ORVIX_SOURCE_DIR") + "/samples/globe.jpg";
    const QImage sample(path);
    QVERIFY2(!sample.isNull(), qPrintable(path));
    QCOMPARE(sample.size(), QSize(1600, 1200));
    ConversionParameters defaults;
    defaults.centerX = sample.width() / 2;
    defaults.centerY = sample.height() / 2;
    defaults.radius = static_cast<int>(std::min(defaults.centerX, defaults.centerY) * 0.98);
    MapConverter converter;
    const ConversionResult result = converter.convert(sample, defaults);
    QVERIFY(result.ok());
    const QImage map = result.map.convertToFormat(QImage::Format_ARGB32);

    const auto found =
        std::find_if(SampleSurface::markers().begin(), SampleSurface::markers().end(),
                     [&marker](const SurfaceMarker &m) { return marker == QLatin1String(m.name); });
    QVERIFY(found != SampleSurface::markers().end());
    const ExpectedPlacement placement({20.0, 10.0}, 0.0, {0.0, 0.0}, 0.0);
    const GeoPoint expected = geoPointOf(placement.mapPointFor(unitVector(found->position)));
    const std::optional<GeoPoint> place = meanPosition(map, [&](QRgb pixel) {
        return qRed(pixel) >= lowest.red() && qRed(pixel) <= highest.red() &&
               qGreen(pixel) >= lowest.green() && qGreen(pixel) <= highest.green() &&
               qBlue(pixel) >= lowest.blue() && qBlue(pixel) <= highest.blue();
    });
    QVERIFY(place.has_value());
    const double miss = angleBetween(unitVector(*place), unitVector(expected));
    QVERIFY2(
        miss < 1.0,
        qPrintable(
            QStringLiteral("found at %1 instead of %2").arg(describe(*place), describe(expected))));
}

QTEST_MAIN(RoundTripTest)
#include "tst_roundtrip.moc"
