// The precise sampler's plan per footprint, computed without a picture, and the one rule of
// which map pixels show something, as the converter, the lookup and the column spans apply it.

#include "conversioncases.h"
#include "engine/standard/mapconverter.h"
#include "engine/standard/mapsourcelookup.h"
#include "engine/precise/mapvisibility.h"
#include "engine/precise/samplingplan.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {

SourceFootprint footprint(QPointF at, QPointF column, QPointF row)
{
    SourceFootprint f;
    f.x = at.x();
    f.y = at.y();
    f.xPerColumn = column.x();
    f.yPerColumn = column.y();
    f.xPerRow = row.x();
    f.yPerRow = row.y();
    return f;
}

} // namespace

class PrecisePartsTest : public QObject
{
    Q_OBJECT

private slots:
    void planFollowsTheFootprint_data();
    void planFollowsTheFootprint();
    void oneVisibilityRule_data();
    void oneVisibilityRule();
};

void PrecisePartsTest::planFollowsTheFootprint_data()
{
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<QPointF>("column");
    QTest::addColumn<QPointF>("row");
    QTest::addColumn<int>("lastLevel");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("across");
    QTest::addColumn<int>("down");
    QTest::addColumn<bool>("limbSolve");

    // The disk: centre (500, 500), radius 400.
    const QPointF mid(500, 500);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double c30 = std::cos(M_PI / 6), s30 = std::sin(M_PI / 6);
    QTest::newRow("within a pixel: one tap")
        << mid << QPointF(0.6, 0) << QPointF(0, 0.8) << 5 << 0 << 1 << 1 << false;
    QTest::newRow("1.5 pixels: still one tap")
        << mid << QPointF(1.5, 0) << QPointF(0, 1.2) << 5 << 0 << 1 << 1 << false;
    QTest::newRow("2 pixels: two taps each way")
        << mid << QPointF(2, 0) << QPointF(0, 2) << 5 << 0 << 2 << 2 << false;
    QTest::newRow("3-times shrink stays on the picture")
        << mid << QPointF(3.1, 0) << QPointF(0, 3.1) << 5 << 0 << 3 << 3 << false;
    QTest::newRow("5 pixels: level 1")
        << mid << QPointF(5, 0) << QPointF(0, 5) << 5 << 1 << 2 << 2 << false;
    QTest::newRow("turned 12 pixels: level 2")
        << mid << QPointF(12 * c30, 12 * s30) << QPointF(-12 * s30, 12 * c30) << 5 << 2 << 2 << 2
        << false;
    QTest::newRow("long and thin: the long side sets the level")
        << mid << QPointF(40, 0) << QPointF(0, 0.5) << 5 << 3 << 4 << 1 << false;
    QTest::newRow("capped by the picture's levels")
        << mid << QPointF(64, 0) << QPointF(0, 64) << 2 << 2 << 8 << 8 << false;
    QTest::newRow("degenerate footprint")
        << mid << QPointF(nan, 0) << QPointF(0, nan) << 5 << 0 << 1 << 1 << false;
    QTest::newRow("one tap on the limb")
        << QPointF(500, 101) << QPointF(0.5, 0) << QPointF(0, 0.5) << 5 << 0 << 1 << 1 << true;
    QTest::newRow("one tap whose pixels all lie inside")
        << QPointF(500, 103) << QPointF(0.5, 0) << QPointF(0, 0.5) << 5 << 0 << 1 << 1 << false;
    QTest::newRow("one tap whose pixels reach past the limb")
        << QPointF(500, 101.5) << QPointF(0.5, 0) << QPointF(0, 0.5) << 5 << 0 << 1 << 1 << true;
    QTest::newRow("many taps near the limb")
        << QPointF(500, 110) << QPointF(7, 0) << QPointF(0, 7) << 5 << 1 << 3 << 3 << true;
    QTest::newRow("many taps well inside")
        << QPointF(500, 200) << QPointF(7, 0) << QPointF(0, 7) << 5 << 1 << 3 << 3 << false;
}

void PrecisePartsTest::planFollowsTheFootprint()
{
    QFETCH(QPointF, at);
    QFETCH(QPointF, column);
    QFETCH(QPointF, row);
    QFETCH(int, lastLevel);
    QFETCH(int, level);
    QFETCH(int, across);
    QFETCH(int, down);
    QFETCH(bool, limbSolve);
    sampling::Circle disk;
    disk.centerX = 500;
    disk.centerY = 500;
    disk.radius = 400;
    const sampling::Plan plan = sampling::plan(footprint(at, column, row), disk, lastLevel);
    QCOMPARE(plan.level, level);
    QCOMPARE(plan.across, across);
    QCOMPARE(plan.down, down);
    QCOMPARE(plan.kernel,
             across * down == 1 ? sampling::Kernel::Interpolate : sampling::Kernel::BoxOfTaps);
    QCOMPARE(plan.limbSolve, limbSolve);
}

void PrecisePartsTest::oneVisibilityRule_data()
{
    QTest::addColumn<ConversionParameters>("params");
    QTest::addColumn<QSize>("picture");
    // What the case must contain for the rule to be tried on it: pixels that the cap edge
    // covers partly, pixels of the cap outside the picture, or a polar row shown whole.
    QTest::addColumn<QString>("feature");
    QTest::newRow("cap edge, D 1.8, turned")
        << conversion(200, 150, 120, 1.8, {360, 180}, 20, -30, 25) << QSize(400, 300) << "cap edge";
    QTest::newRow("picture edge cuts the disk")
        << conversion(40, 150, 120, 3, {360, 180}, -10, 60, 0) << QSize(300, 300) << "picture edge";
    QTest::newRow("north pole in the cap")
        << conversion(200, 150, 120, 100, {360, 180}, 70, 10, 0) << QSize(400, 300) << "north pole";
    QTest::newRow("south pole just inside the cap edge, D 1.5")
        << conversion(200, 150, 120, 1.5, {360, 180}, -42, 100, 0) << QSize(400, 300)
        << "south pole";
}

void PrecisePartsTest::oneVisibilityRule()
{
    QFETCH(ConversionParameters, params);
    QFETCH(QSize, picture);
    QFETCH(QString, feature);
    params.mode = ConversionMode::Precise;
    QImage source(picture, QImage::Format_RGB32);
    source.fill(qRgb(90, 160, 210));
    MapConverter converter;
    converter.setEventPump([] {});
    const QImage map = converter.convert(source, params).map;
    QCOMPARE(map.size(), QSize(params.outputWidth, params.outputHeight));
    const MapSourceLookup lookup(params, picture);
    const PreciseProjection projection(params);

    int partly = 0, outsidePicture = 0, wholePolarRows = 0;
    for (int r = 0; r < map.height(); ++r) {
        const double latitude = projection.latitudeAt(r + 0.5);
        const visibility::ColumnSpan span =
            visibility::capColumns(projection, std::cos(latitude), std::sin(latitude), map.width());
        int shownInRow = 0;
        for (int c = 0; c < map.width(); ++c) {
            const SourceFootprint f = projection.footprintAt(c + 0.5, r + 0.5);
            const bool shows = visibility::showsPicture(f, picture.width(), picture.height());
            const double coverage = visibility::capCoverage(f.capMargin);
            const QString where = QStringLiteral("map pixel (%1, %2)").arg(c).arg(r);
            QVERIFY2(lookup.sourcePosition(c, r).has_value() == shows, qPrintable(where));
            // The converter fills what the rule shows, faint coverage rounding to nothing.
            const QRgb pixel = map.pixel(c, r);
            if (!shows)
                QVERIFY2(pixel == 0, qPrintable(where));
            else if (coverage >= 1.0 / 255)
                QVERIFY2(qAlpha(pixel) > 0, qPrintable(where));
            if (visibility::touchesCap(f.capMargin))
                QVERIFY2((c - span.first + map.width()) % map.width() < span.count,
                         qPrintable(where + " lies outside its row's span"));
            partly += shows && coverage < 1;
            outsidePicture += visibility::touchesCap(f.capMargin) && !shows;
            shownInRow += shows;
        }
        const bool polar = (feature == "north pole" && r == 0) ||
                           (feature == "south pole" && r == map.height() - 1);
        wholePolarRows += polar && shownInRow == map.width();
    }
    if (feature == "cap edge")
        QVERIFY(partly > 100);
    if (feature == "picture edge")
        QVERIFY(outsidePicture > 100);
    if (feature.endsWith("pole"))
        QCOMPARE(wholePolarRows, 1);
}

QTEST_MAIN(PrecisePartsTest)
#include "tst_preciseparts.moc"
