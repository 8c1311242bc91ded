// Thousands of seeded random parameter sets, ordinary and hostile mixed, through the one
// conversion pipeline on small pictures of several formats. Every set must give either a map
// of exactly the requested size or a null map with a reason, refusalReason must agree, and a
// long-lived converter (which keeps its geometry between calls, and gets the same parameters
// again now and then) must give what a fresh one gives. Small maps are also checked pixel by pixel
// against the literal pipeline. Run under the sanitizers, the sweep shows that no parameter
// crashes, hangs or reaches undefined behaviour.
//
// The seed is printed; ORVIX_SWEEP_SEED=<number> repeats a run, ORVIX_SWEEP_SEED=random draws
// a fresh one.

#include "conversioncases.h"
#include "engine/standard/mapconverter.h"
#include "engine/standard/mapsourcelookup.h"
#include "literalreference.h"
#include "testimages.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr quint64 defaultSeed = 20240611;
constexpr int setCount = 2500;
// Maps up to this many pixels are compared with the literal pipeline (it is slow).
constexpr qint64 literalCheckPixels = 1024;
// Partly transparent sources pass through different premultiplication round trips in the
// converter and in the literal pipeline; their colour channels may differ by this much.
constexpr int premultiplyRounding = 2;
// Accepted maps are kept small so that the sweep stays quick under the sanitizers; a side at
// the limit comes with a short other side.
constexpr qint64 largestDrawnMap = qint64(MapConverter::maxOutputSide) * 2;
// Parameter sets, and rows of each, on which the lookup's row form is compared with its pixel
// form on maps up to the largest size.
constexpr int lookupSetCount = 400;
constexpr int lookupRowsPerSet = 4;

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// The converter logs a line per conversion; thousands of them would drown the report.
QtMessageHandler forwardedMessages = nullptr;
void dropDebugLines(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg && forwardedMessages)
        forwardedMessages(type, context, message);
}

quint64 sweepSeed()
{
    const QByteArray chosen = qgetenv("ORVIX_SWEEP_SEED");
    if (chosen == "random")
        return QRandomGenerator::system()->generate64();
    bool ok = false;
    const quint64 seed = chosen.toULongLong(&ok);
    return ok ? seed : defaultSeed;
}

// Draws the parameter values: mostly ordinary, about a fifth from a list of hostile values.
class ParameterDraw
{
public:
    explicit ParameterDraw(quint64 seed) : random(seed) {}

    bool chance(int percent) { return below(100) < quint64(percent); }
    quint64 below(quint64 bound) { return random() % bound; }
    double uniform(double low, double high)
    {
        return low + (high - low) * (double(random() >> 11) / double(quint64(1) << 53));
    }
    template <typename T> T pick(const std::vector<T> &values)
    {
        return values[below(values.size())];
    }
    int ordinaryInt(int low, int high) { return low + int(below(quint64(high - low + 1))); }

    int coordinate(int side)
    {
        if (chance(20))
            return pick(hostileInts);
        // Mostly a centre on the picture, as a user marks it; sometimes one beside it.
        return chance(75) ? ordinaryInt(0, side - 1) : ordinaryInt(-side, 2 * side);
    }
    int radius(QSize picture)
    {
        if (chance(20))
            return pick(hostileInts);
        const int fitting = std::max(1, std::min(picture.width(), picture.height()) / 2);
        return chance(75) ? ordinaryInt(1, fitting)
                          : ordinaryInt(0, std::max(picture.width(), picture.height()));
    }
    double distance()
    {
        if (chance(25))
            return pick(hostileDistances);
        return chance(50) ? uniform(1, 10) : uniform(1, 100);
    }
    double angle(double range)
    {
        if (chance(20))
            return pick(hostileAngles);
        // Whole degrees often, as the option dialog gives them.
        return chance(30) ? double(ordinaryInt(-int(range), int(range))) : uniform(-range, range);
    }
    int side()
    {
        if (chance(12))
            return pick(hostileSides);
        return chance(50) ? ordinaryInt(1, 16) : ordinaryInt(1, 64);
    }

private:
    std::mt19937_64 random;

    const std::vector<int> hostileInts{0,       -1,      1,          INT_MIN,   INT_MIN + 1,
                                       INT_MAX, 32767,   32768,      -32768,    65535,
                                       65536,   1 << 30, -(1 << 30), 16384 * 2, -65536};
    const std::vector<double> hostileDistances{notANumber,
                                               infinity,
                                               -infinity,
                                               0.0,
                                               -0.0,
                                               -1.0,
                                               0.5,
                                               1.0,
                                               std::nextafter(1.0, 0.0),
                                               std::nextafter(1.0, 2.0),
                                               DBL_MAX,
                                               -DBL_MAX,
                                               std::numeric_limits<double>::denorm_min(),
                                               DBL_MIN,
                                               1e300,
                                               1e-300};
    const std::vector<double> hostileAngles{notANumber,
                                            infinity,
                                            -infinity,
                                            DBL_MAX,
                                            -DBL_MAX,
                                            std::numeric_limits<double>::denorm_min(),
                                            -std::numeric_limits<double>::denorm_min(),
                                            0.0,
                                            -0.0,
                                            90.0,
                                            -90.0,
                                            90.0 - 1e-13,
                                            180.0,
                                            -180.0,
                                            360.0,
                                            -360.0,
                                            720.5,
                                            2147483648.0,
                                            -2147483649.0,
                                            1e18,
                                            -1e300};
    const std::vector<int> hostileSides{0, -1, INT_MIN, INT_MAX, 16384,       16385,
                                        1, 2,  -16384,  1 << 20, INT_MIN + 1, 65536};
};

struct SweepPicture
{
    QImage image;
    QString name;
    bool translucent;
};

std::vector<SweepPicture> sweepPictures()
{
    struct Format
    {
        QImage::Format format;
        const char *name;
        bool translucent;
    };
    const Format formats[] = {
        {QImage::Format_RGB32, "RGB32", false},
        {QImage::Format_ARGB32, "ARGB32", true},
        {QImage::Format_ARGB32_Premultiplied, "ARGB32 premultiplied", true},
        {QImage::Format_RGB888, "RGB888", false},
        {QImage::Format_RGBA8888, "RGBA8888", true},
        {QImage::Format_Indexed8, "Indexed8", false},
        {QImage::Format_Grayscale8, "Grayscale8", false},
        {QImage::Format_RGB16, "RGB16", false},
        {QImage::Format_Mono, "Mono", false},
    };
    std::vector<SweepPicture> pictures;
    for (const QSize size : {QSize(1, 1), QSize(7, 5), QSize(64, 48), QSize(3, 40)}) {
        const QImage opaque = testimages::uniquePicture(size.width(), size.height());
        const QImage translucent = testimages::translucentPicture(size.width(), size.height());
        for (const Format &format : formats) {
            const QImage &base = format.translucent ? translucent : opaque;
            pictures.push_back({base.convertToFormat(format.format),
                                QStringLiteral("%1 x %2 %3")
                                    .arg(size.width())
                                    .arg(size.height())
                                    .arg(QLatin1String(format.name)),
                                format.translucent});
        }
    }
    return pictures;
}

ConversionParameters drawParameters(ParameterDraw &draw, QSize picture)
{
    ConversionParameters p;
    p.centerX = draw.coordinate(picture.width());
    p.centerY = draw.coordinate(picture.height());
    p.radius = draw.radius(picture);
    p.distance = draw.distance();
    p.outputWidth = draw.side();
    p.outputHeight = draw.side();
    const bool widthAccepted = p.outputWidth > 0 && p.outputWidth <= MapConverter::maxOutputSide;
    const bool heightAccepted = p.outputHeight > 0 && p.outputHeight <= MapConverter::maxOutputSide;
    if (widthAccepted && heightAccepted &&
        qint64(p.outputWidth) * p.outputHeight > largestDrawnMap) {
        if (draw.chance(50))
            p.outputWidth = draw.ordinaryInt(1, 2);
        else
            p.outputHeight = draw.ordinaryInt(1, 2);
    }
    p.latitude = draw.angle(90);
    p.longitude = draw.angle(180);
    p.azimuth = draw.chance(30) ? 0.0 : draw.angle(360);
    return p;
}

QString describe(const ConversionParameters &p)
{
    return QStringLiteral("centre (%1, %2) radius %3 distance %4 map %5 x %6 latitude %7 "
                          "longitude %8 azimuth %9")
        .arg(p.centerX)
        .arg(p.centerY)
        .arg(p.radius)
        .arg(p.distance, 0, 'g', 17)
        .arg(p.outputWidth)
        .arg(p.outputHeight)
        .arg(p.latitude, 0, 'g', 17)
        .arg(p.longitude, 0, 'g', 17)
        .arg(p.azimuth, 0, 'g', 17);
}

// What is wrong with one converter's answer to a set, or an empty text.
QString checkAnswer(const ConversionResult &result, const ConversionParameters &params,
                    const QString &refusal)
{
    if (result.ok()) {
        if (!refusal.isEmpty())
            return QStringLiteral("converted although refusalReason says: ") + refusal;
        if (result.map.size() != QSize(params.outputWidth, params.outputHeight))
            return QStringLiteral("map of %1 x %2 pixels")
                .arg(result.map.width())
                .arg(result.map.height());
        if (result.map.format() != QImage::Format_ARGB32_Premultiplied)
            return QStringLiteral("map in format %1").arg(int(result.map.format()));
        if (!result.error.isEmpty())
            return QStringLiteral("a map and an error: ") + result.error;
        return QString();
    }
    if (!result.map.isNull())
        return QStringLiteral("a map that is not null but not ok");
    if (result.error.isEmpty())
        return QStringLiteral("a null map without a reason");
    if (refusal.isEmpty())
        return QStringLiteral("refused (%1) although refusalReason accepts").arg(result.error);
    return QString();
}

} // namespace

class ParameterSweepTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void randomSets();
    void boundarySides_data();
    void boundarySides();
    void rowLookupMatchesPixelLookup();

private:
    quint64 seed = defaultSeed;
    std::vector<SweepPicture> pictures = sweepPictures();
};

void ParameterSweepTest::initTestCase()
{
    seed = sweepSeed();
    forwardedMessages = qInstallMessageHandler(dropDebugLines);
    qInfo("parameter sweep seed %llu (set ORVIX_SWEEP_SEED to repeat it)",
          static_cast<unsigned long long>(seed));
}

void ParameterSweepTest::randomSets()
{
    ParameterDraw draw(seed);
    MapConverter longLived;
    longLived.setThreadCount(2);
    longLived.setEventPump([] {});
    int converted = 0, refused = 0, comparedWithLiteral = 0, withContent = 0;

    ConversionParameters previous;
    for (int set = 0; set < setCount; ++set) {
        const SweepPicture &picture = pictures[draw.below(pictures.size())];
        // Now and then the last parameters again with another picture, so that the kept
        // geometry is reused (same picture size) or must be replaced (another size).
        const ConversionParameters params =
            set > 0 && draw.chance(25) ? previous : drawParameters(draw, picture.image.size());
        previous = params;
        const QString where = QStringLiteral("seed %1, set %2, picture %3: %4")
                                  .arg(seed)
                                  .arg(set)
                                  .arg(picture.name, describe(params));
        const QString refusal = MapConverter::refusalReason(params, picture.image.size());

        const ConversionResult kept = longLived.convert(picture.image, params);
        const QString keptFault = checkAnswer(kept, params, refusal);
        QVERIFY2(keptFault.isEmpty(), qPrintable(where + QStringLiteral("\n  ") + keptFault));

        MapConverter fresh;
        fresh.setThreadCount(1);
        fresh.setEventPump([] {});
        const ConversionResult once = fresh.convert(picture.image, params);
        const QString freshFault = checkAnswer(once, params, refusal);
        QVERIFY2(freshFault.isEmpty(), qPrintable(where + QStringLiteral("\n  ") + freshFault));

        QVERIFY2(kept.ok() == once.ok(), qPrintable(where));
        if (!kept.ok()) {
            QVERIFY2(kept.error == once.error, qPrintable(where));
            ++refused;
            continue;
        }
        ++converted;
        withContent += testimages::contentPixels(once.map) > 0;
        const testimages::Difference reuse = testimages::compare(kept.map, once.map);
        QVERIFY2(reuse.count == 0,
                 qPrintable(where + QStringLiteral("\n  kept geometry differs from a fresh one: ") +
                            reuse.describe()));
        if (qint64(params.outputWidth) * params.outputHeight <= literalCheckPixels) {
            const QImage expected = literalConvert(picture.image, params);
            const testimages::Difference literal = testimages::compare(
                once.map, expected, picture.translucent ? premultiplyRounding : 0);
            QVERIFY2(literal.count == 0,
                     qPrintable(where + QStringLiteral("\n  differs from the literal pipeline: ") +
                                literal.describe()));
            ++comparedWithLiteral;
        }
    }
    qInfo("%d sets: %d converted (%d with content, %d compared with the literal pipeline), "
          "%d refused",
          setCount, converted, withContent, comparedWithLiteral, refused);
    // The draw must exercise both outcomes in earnest, or the sweep proves little.
    QVERIFY(converted > setCount / 4);
    QVERIFY(refused > setCount / 10);
    QVERIFY(withContent > converted / 8);
}

void ParameterSweepTest::boundarySides_data()
{
    QTest::addColumn<QSize>("map");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("16384 x 1") << QSize(16384, 1) << true;
    QTest::newRow("1 x 16384") << QSize(1, 16384) << true;
    QTest::newRow("16384 x 3") << QSize(16384, 3) << true;
    QTest::newRow("16385 x 1") << QSize(16385, 1) << false;
    QTest::newRow("1 x 16385") << QSize(1, 16385) << false;
    QTest::newRow("INT_MAX x 1") << QSize(INT_MAX, 1) << false;
    QTest::newRow("1 x INT_MIN") << QSize(1, INT_MIN) << false;
    QTest::newRow("0 x 0") << QSize(0, 0) << false;
}

void ParameterSweepTest::boundarySides()
{
    QFETCH(QSize, map);
    QFETCH(bool, accepted);

    // Each boundary map with a few turns, through one kept converter and fresh ones.
    MapConverter longLived;
    longLived.setEventPump([] {});
    for (const SweepPicture &picture : pictures) {
        if (picture.image.width() != 64)
            continue;
        for (const double latitude : {90.0, 35.6, -89.5}) {
            const ConversionParameters params =
                conversion(32, 24, 23, 6.6, map, latitude, latitude == 90 ? -90 : 20, 37.5);
            const QString where = picture.name + QStringLiteral(": ") + describe(params);
            const QString refusal = MapConverter::refusalReason(params, picture.image.size());
            QCOMPARE(refusal.isEmpty(), accepted);
            const ConversionResult kept = longLived.convert(picture.image, params);
            const QString fault = checkAnswer(kept, params, refusal);
            QVERIFY2(fault.isEmpty(), qPrintable(where + QStringLiteral(": ") + fault));
            MapConverter fresh;
            fresh.setEventPump([] {});
            const ConversionResult once = fresh.convert(picture.image, params);
            QCOMPARE(once.ok(), accepted);
            if (accepted)
                QVERIFY2(testimages::compare(kept.map, once.map).count == 0, qPrintable(where));
        }
    }
}

void ParameterSweepTest::rowLookupMatchesPixelLookup()
{
    // The row form takes the rotation's arc tangents from a fast approximation and computes a
    // pixel again the literal way when its coordinates come close to a whole number; the pixel
    // form follows the formulas one by one. On maps up to the largest, with whole-degree turns
    // and sizes where many coordinates fall exactly on whole numbers (where the approximation
    // alone would be off by one now and then), they must agree on every pixel. A quarter of
    // the sets take hostile values too.
    ParameterDraw draw(seed + 1);
    const std::vector<int> wholeDegreeSides{91,   181,  360,  361,  721,   1440,  1441, 2049,
                                            3601, 4097, 7201, 8192, 10801, 14401, 16384};
    auto side = [&] {
        return draw.chance(50) ? draw.pick(wholeDegreeSides)
                               : draw.ordinaryInt(1, MapConverter::maxOutputSide);
    };
    auto degrees = [&](int range) {
        return draw.chance(50) ? double(draw.ordinaryInt(-range, range))
                               : draw.uniform(-range, range);
    };
    qint64 compared = 0, covered = 0;
    std::vector<std::uint32_t> line;
    for (int set = 0; set < lookupSetCount; ++set) {
        // The lookup reads the picture's size only, so pictures of any size cost nothing.
        const QSize picture(draw.ordinaryInt(1, 6000), draw.ordinaryInt(1, 6000));
        ConversionParameters params = drawParameters(draw, picture);
        if (draw.chance(75)) {
            params.centerX = draw.ordinaryInt(0, picture.width() - 1);
            params.centerY = draw.ordinaryInt(0, picture.height() - 1);
            params.radius = draw.ordinaryInt(1, std::max(1, picture.height() / 2));
            params.distance = draw.chance(50) ? draw.uniform(1, 10) : draw.ordinaryInt(1, 100);
            params.latitude = degrees(90);
            params.longitude = degrees(180);
            params.azimuth = draw.chance(30) ? 0.0 : degrees(360);
        }
        params.outputWidth = side();
        params.outputHeight = side();
        if (!MapConverter::refusalReason(params, picture).isEmpty())
            continue;
        const MapSourceLookup lookup(params, picture);
        line.assign(params.outputWidth, 0);
        for (int n = 0; n < lookupRowsPerSet; ++n) {
            const int row = draw.ordinaryInt(0, params.outputHeight - 1);
            lookup.fillRow(row, line.data());
            for (int column = 0; column < params.outputWidth; ++column) {
                const QPoint source = lookup.sourceOf(column, row);
                const std::uint32_t expected =
                    source.x() < 0 ? MapSourceLookup::noSource
                                   : std::uint32_t(source.y()) * std::uint32_t(picture.width()) +
                                         std::uint32_t(source.x());
                if (line[column] != expected)
                    QFAIL(qPrintable(QStringLiteral("seed %1, set %2, picture %3 x %4: %5\n  "
                                                    "pixel (%6, %7): row form %8, pixel form %9")
                                         .arg(seed)
                                         .arg(set)
                                         .arg(picture.width())
                                         .arg(picture.height())
                                         .arg(describe(params))
                                         .arg(column)
                                         .arg(row)
                                         .arg(line[column])
                                         .arg(expected)));
                covered += source.x() >= 0;
            }
            compared += params.outputWidth;
        }
    }
    qInfo("row lookup: %lld pixels compared, %lld of them take a source pixel",
          static_cast<long long>(compared), static_cast<long long>(covered));
    QVERIFY(compared > qint64(lookupSetCount) * lookupRowsPerSet * 1000);
    QVERIFY(covered > compared / 5);
}

QTEST_MAIN(ParameterSweepTest)
#include "tst_parametersweep.moc"
