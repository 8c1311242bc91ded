// The converter's maps are byte-identical to the literal pipeline for opaque pictures, and
// differ from it only by premultiplication rounding for partly transparent ones.

#include "conversioncases.h"
#include "engine/standard/mapconverter.h"
#include "engine/standard/mapprojector.h"
#include "literalreference.h"
#include "testimages.h"

#include <QSet>
#include <QtTest>

#include <climits>
#include <cstring>
#include <random>

namespace {

// Partly transparent pixels pass through one premultiplication in the converter and through
// a premultiply, unpremultiply and premultiply round trip of 16-bit colours in the literal
// pipeline; the two may then differ by this much per colour channel.
constexpr int premultiplyRounding = 2;

void reportDifference(const testimages::Difference &difference)
{
    if (difference.count != 0)
        qWarning("%s", qPrintable(difference.describe()));
}

// A 32-bit picture whose scan lines are longer than its pixels, as an image made over a
// foreign buffer can be.
QImage paddedPicture(const QImage &picture)
{
    const int paddedBytes = picture.width() * 4 + 20;
    auto *buffer = new uchar[size_t(paddedBytes) * picture.height()];
    std::memset(buffer, 0x5A, size_t(paddedBytes) * picture.height());
    for (int y = 0; y < picture.height(); ++y)
        std::memcpy(buffer + size_t(y) * paddedBytes, picture.constScanLine(y),
                    size_t(picture.width()) * 4);
    return QImage(
        buffer, picture.width(), picture.height(), paddedBytes, picture.format(),
        [](void *data) { delete[] static_cast<uchar *>(data); }, buffer);
}

} // namespace

class ExactnessTest : public QObject
{
    Q_OBJECT

private slots:
    void opaqueMapsMatchReference_data();
    void opaqueMapsMatchReference();
    void parameterSweepMatchesReference_data();
    void parameterSweepMatchesReference();
    void sourceFormatsMatchReference_data();
    void sourceFormatsMatchReference();
    void threadCountsGiveSameMap_data();
    void threadCountsGiveSameMap();
    void translucentMapsDifferOnlyByRounding_data();
    void translucentMapsDifferOnlyByRounding();
    void translucentPixelsArePremultipliedOnce();
};

void ExactnessTest::opaqueMapsMatchReference_data()
{
    QTest::addColumn<QSize>("sourceSize");
    QTest::addColumn<ConversionParameters>("params");
    // False where the map is empty by construction (nothing visible lands on it).
    QTest::addColumn<bool>("expectContent");

    const QSize a(200, 150), b(160, 160), c(97, 131);
    const QSize small(257, 129), middle(300, 151), large(512, 257);

    QTest::newRow("distance 100, equator, centred")
        << a << conversion(100, 75, 70, 100, middle, 0, 0, 0) << true;
    QTest::newRow("distance 6.6, latitude 35.6, longitude -90 (shift skipped)")
        << b << conversion(80, 80, 75, 6.6, small, 35.6, -90, 0) << true;
    QTest::newRow("distance 1.5, latitude -35.6, azimuth 37.5")
        << c << conversion(48, 65, 45, 1.5, middle, -35.6, 0, 37.5) << true;
    QTest::newRow("distance 1 writes nothing")
        << a << conversion(100, 75, 70, 1, small, 0, 0, 0) << false;
    QTest::newRow("no turn: latitude 90, longitude -90, azimuth 0")
        << a << conversion(100, 75, 70, 100, large, 90, -90, 0) << true;
    QTest::newRow("latitude 90, azimuth 90")
        << b << conversion(80, 80, 78, 6.6, small, 90, 0, 90) << true;
    QTest::newRow("latitude 89.5 rotates by 0 degrees")
        << a << conversion(100, 75, 70, 100, middle, 89.5, 0, 0) << true;
    QTest::newRow("latitude -90, longitude 179.5")
        << c << conversion(48, 65, 45, 100, small, -90, 179.5, 0) << true;
    QTest::newRow("longitude -180, azimuth 360")
        << a << conversion(100, 75, 70, 6.6, middle, 0, -180, 360) << true;
    QTest::newRow("distance 6.6, longitude 179.5, azimuth 37.5, large map")
        << b << conversion(80, 80, 75, 6.6, large, 35.6, 179.5, 37.5) << true;
    QTest::newRow("distance 1.5, latitude -90, longitude -90")
        << a << conversion(100, 75, 70, 1.5, small, -90, -90, 0) << true;
    QTest::newRow("distance 100, latitude 0, azimuth 90, large map")
        << c << conversion(48, 65, 45, 100, large, 0, 0, 90) << true;
    QTest::newRow("centre near the left edge")
        << a << conversion(3, 75, 70, 6.6, middle, 0, 0, 0) << true;
    QTest::newRow("centre beyond the bottom right corner")
        << a << conversion(230, 170, 60, 1.5, middle, 35.6, 0, 37.5) << true;
    QTest::newRow("centre far outside the picture")
        << a << conversion(-500, -500, 70, 100, small, 0, 0, 0) << false;
    QTest::newRow("radius 0") << b << conversion(80, 80, 0, 6.6, small, 35.6, 0, 90) << true;
    QTest::newRow("1206-row map from a 150-row picture, no turn")
        << a << conversion(100, 75, 70, 100, QSize(260, 1206), 90, -90, 0) << true;
    QTest::newRow("1206-row map from a 150-row picture, equator")
        << a << conversion(100, 75, 70, 6.6, QSize(260, 1206), 0, 0, 0) << true;
    QTest::newRow("longitude 600") << a << conversion(100, 75, 70, 6.6, middle, 0, 600, 0) << true;
    QTest::newRow("longitude 700") << a << conversion(100, 75, 70, 6.6, middle, 0, 700, 0) << true;
    QTest::newRow("longitude -800 (blit clipped)")
        << a << conversion(100, 75, 70, 6.6, middle, 0, -800, 0) << true;
    QTest::newRow("azimuth 700") << b << conversion(80, 80, 75, 6.6, small, 35.6, 0, 700) << true;
    QTest::newRow("azimuth 1500 (shifted off the map)")
        << b << conversion(80, 80, 75, 6.6, small, 35.6, 0, 1500) << false;
    QTest::newRow("latitude 1e12") << a << conversion(100, 75, 70, 6.6, middle, 1e12, 0, 0) << true;
    QTest::newRow("latitude -1e12, azimuth -700")
        << a << conversion(100, 75, 70, 6.6, middle, -1e12, 0, -700) << true;
    QTest::newRow("longitude 1e12 (shift beyond the int range)")
        << a << conversion(100, 75, 70, 6.6, small, 0, 1e12, 0) << false;
    QTest::newRow("azimuth -1e15")
        << a << conversion(100, 75, 70, 6.6, small, 0, 0, -1e15) << false;
    QTest::newRow("offsets wrap as 16-bit values")
        << a << conversion(100, 75, 65600, 100, middle, 90, -90, 0) << true;
    QTest::newRow("radius INT_MAX (wrapped offsets scatter past the picture)")
        << a << conversion(100, 75, INT_MAX, 100, small, 0, 0, 0) << false;
    QTest::newRow("negative radius") << c << conversion(48, 65, -45, 6.6, small, 0, 0, 0) << true;
    QTest::newRow("centre at the int limits")
        << a << conversion(INT_MAX, INT_MIN, 70, 100, small, 0, 0, 0) << false;
    QTest::newRow("one-pixel picture")
        << QSize(1, 1) << conversion(0, 0, 0, 100, small, 0, 0, 0) << true;
    QTest::newRow("larger picture and map")
        << QSize(640, 480) << conversion(330, 230, 220, 6.6, QSize(1024, 513), -35.6, 179.5, 90)
        << true;
    QTest::newRow("map narrower than the picture")
        << QSize(400, 300) << conversion(200, 150, 140, 6.6, QSize(128, 65), 35.6, 0, 37.5) << true;
}

void ExactnessTest::opaqueMapsMatchReference()
{
    QFETCH(QSize, sourceSize);
    QFETCH(ConversionParameters, params);
    QFETCH(bool, expectContent);

    const QImage source = testimages::uniquePicture(sourceSize.width(), sourceSize.height());
    const QImage expected = literalConvert(source, params);
    QVERIFY(!expected.isNull());
    QCOMPARE(testimages::contentPixels(expected) > 0, expectContent);

    MapConverter converter;
    const ConversionResult result = converter.convert(source, params);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.map.size(), QSize(params.outputWidth, params.outputHeight));
    QCOMPARE(result.columnScale, double(params.outputWidth) / sourceSize.width());
    QCOMPARE(result.rowScale, params.outputHeight * 0.5 / sourceSize.height());
    const testimages::Difference difference = testimages::compare(result.map, expected);
    reportDifference(difference);
    QCOMPARE(difference.count, qint64(0));
}

void ExactnessTest::parameterSweepMatchesReference_data()
{
    QTest::addColumn<QSize>("sourceSize");
    QTest::addColumn<ConversionParameters>("params");

    // Parameters in between the named cases, from a fixed seed; each row names its values.
    std::mt19937 random(20231207);
    auto pick = [&random](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    for (int n = 0; n < 100; ++n) {
        const QSize source(int(pick(40, 260)), int(pick(40, 260)));
        const int shorter = qMin(source.width(), source.height());
        const ConversionParameters p =
            conversion(int(pick(-20, source.width() + 20)), int(pick(-20, source.height() + 20)),
                       int(pick(0, shorter * 0.7)), n % 2 ? pick(1, 12) : pick(12, 200),
                       QSize(int(pick(64, 420)), int(pick(33, 230))), pick(-90, 90),
                       pick(-180, 180), pick(0, 360));
        QTest::addRow("%d: %dx%d, centre %d %d radius %d, distance %.4f, %dx%d, lat %.4f lon "
                      "%.4f az %.4f",
                      n, source.width(), source.height(), p.centerX, p.centerY, p.radius,
                      p.distance, p.outputWidth, p.outputHeight, p.latitude, p.longitude, p.azimuth)
            << source << p;
    }
}

void ExactnessTest::parameterSweepMatchesReference()
{
    QFETCH(QSize, sourceSize);
    QFETCH(ConversionParameters, params);

    const QImage source = testimages::uniquePicture(sourceSize.width(), sourceSize.height());
    const QImage expected = literalConvert(source, params);
    QVERIFY(!expected.isNull());
    MapConverter converter;
    const ConversionResult result = converter.convert(source, params);
    QVERIFY2(result.ok(), qPrintable(result.error));
    const testimages::Difference difference = testimages::compare(result.map, expected);
    reportDifference(difference);
    QCOMPARE(difference.count, qint64(0));
}

void ExactnessTest::sourceFormatsMatchReference_data()
{
    QTest::addColumn<QImage>("source");

    const QImage unique = testimages::uniquePicture(200, 150);
    QTest::newRow("ARGB32") << unique;
    QTest::newRow("RGB32") << unique.convertToFormat(QImage::Format_RGB32);
    QTest::newRow("ARGB32 premultiplied, opaque")
        << unique.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QTest::newRow("RGB888") << unique.convertToFormat(QImage::Format_RGB888);
    QTest::newRow("RGBA8888") << unique.convertToFormat(QImage::Format_RGBA8888);
    QTest::newRow("Indexed8") << unique.convertToFormat(QImage::Format_Indexed8);
    QTest::newRow("Grayscale8") << unique.convertToFormat(QImage::Format_Grayscale8);
    QTest::newRow("ARGB32 with padded scan lines") << paddedPicture(unique);
    QTest::newRow("RGB32 with padded scan lines")
        << paddedPicture(unique.convertToFormat(QImage::Format_RGB32));
}

void ExactnessTest::sourceFormatsMatchReference()
{
    QFETCH(QImage, source);
    const ConversionParameters params =
        conversion(100, 75, 70, 6.6, QSize(300, 151), 35.6, 20, 37.5);

    const QImage expected = literalConvert(source, params);
    QVERIFY(testimages::contentPixels(expected) > 0);
    MapConverter converter;
    const ConversionResult result = converter.convert(source, params);
    QVERIFY2(result.ok(), qPrintable(result.error));
    const testimages::Difference difference = testimages::compare(result.map, expected);
    reportDifference(difference);
    QCOMPARE(difference.count, qint64(0));
}

void ExactnessTest::threadCountsGiveSameMap_data()
{
    QTest::addColumn<int>("threads");

    QTest::newRow("1 thread") << 1;
    QTest::newRow("2 threads") << 2;
    QTest::newRow("3 threads") << 3;
    QTest::newRow("8 threads") << 8;
    QTest::newRow("more threads than row blocks") << 200;
}

void ExactnessTest::threadCountsGiveSameMap()
{
    QFETCH(int, threads);
    const QImage source = testimages::uniquePicture(200, 150);
    const ConversionParameters params =
        conversion(100, 75, 70, 6.6, QSize(512, 257), -35.6, 179.5, 37.5);
    MapConverter converter;
    converter.setThreadCount(threads);
    const ConversionResult result = converter.convert(source, params);
    QVERIFY2(result.ok(), qPrintable(result.error));
    const testimages::Difference difference =
        testimages::compare(result.map, literalConvert(source, params));
    reportDifference(difference);
    QCOMPARE(difference.count, qint64(0));
}

void ExactnessTest::translucentMapsDifferOnlyByRounding_data()
{
    QTest::addColumn<ConversionParameters>("params");

    QTest::newRow("no turn") << conversion(100, 75, 70, 100, QSize(300, 151), 90, -90, 0);
    QTest::newRow("distance 6.6, every turn")
        << conversion(100, 75, 70, 6.6, QSize(300, 151), 35.6, 20, 37.5);
    QTest::newRow("distance 1.5, latitude -35.6, large map")
        << conversion(90, 70, 72, 1.5, QSize(512, 257), -35.6, 179.5, 90);
}

void ExactnessTest::translucentMapsDifferOnlyByRounding()
{
    QFETCH(ConversionParameters, params);
    const QImage source = testimages::translucentPicture(200, 150);

    const QImage expected = literalConvert(source, params);
    QVERIFY(testimages::contentPixels(expected) > 0);
    MapConverter converter;
    const ConversionResult result = converter.convert(source, params);
    QVERIFY2(result.ok(), qPrintable(result.error));

    // Alphas equal, colours within the rounding of the premultiplication.
    const testimages::Difference difference =
        testimages::compare(result.map, expected, premultiplyRounding);
    reportDifference(difference);
    QCOMPARE(difference.count, qint64(0));

    // The converter premultiplies each source pixel once and copies it: every map pixel is
    // transparent black or exactly the premultiplied colour of some source pixel.
    QSet<QRgb> premultipliedSource;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            premultipliedSource.insert(qPremultiply(source.pixel(x, y)));
    const QImage map = result.map.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    qint64 foreign = 0;
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x) {
            const QRgb pixel = map.pixel(x, y);
            foreign += pixel != 0 && !premultipliedSource.contains(pixel);
        }
    QCOMPARE(foreign, qint64(0));
}

void ExactnessTest::translucentPixelsArePremultipliedOnce()
{
    // Without turns the map is the projection itself, so each pixel's source is known.
    const QImage source = testimages::translucentPicture(200, 150);
    const ConversionParameters params = conversion(100, 75, 70, 6.6, QSize(300, 151), 90, -90, 0);
    MapConverter converter;
    const ConversionResult result = converter.convert(source, params);
    QVERIFY2(result.ok(), qPrintable(result.error));
    const QImage map = result.map.convertToFormat(QImage::Format_ARGB32_Premultiplied);

    MapProjector projector;
    projector.setCenter(params.centerX, params.centerY);
    projector.setRadius(params.radius);
    projector.setDistance(params.distance);
    projector.setScale(result.columnScale, result.rowScale);
    qint64 checked = 0;
    qint64 wrong = 0;
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x) {
            const QPoint from = projector.projectionSource(x, y, source.width(), source.height(),
                                                           map.width(), map.height());
            const QRgb expected = from.x() < 0 ? 0 : qPremultiply(source.pixel(from));
            wrong += map.pixel(x, y) != expected;
            checked += from.x() >= 0;
        }
    QVERIFY(checked > 1000);
    QCOMPARE(wrong, qint64(0));
}

QTEST_MAIN(ExactnessTest)
#include "tst_exactness.moc"
