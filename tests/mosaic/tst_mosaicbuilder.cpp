#include "engine/basics/rowscheduler.h"
#include "mosaic/mosaicbuilder.h"
#include "mosaicscenes.h"

#include <QtTest>

namespace {

const QSize mapSize(360, 180);

MosaicResult merged(const std::vector<MosaicView> &views, bool matching)
{
    RowScheduler scheduler(2, [] {});
    MosaicOptions options;
    options.mapSize = mapSize;
    options.exposureMatching = matching;
    return MosaicBuilder().build(views, options, scheduler);
}

int grey(const QImage &map, int column, int row)
{
    return qRed(map.pixel(column, row));
}

// Mean grey of the opaque map pixels that picture `index` leads.
double regionGrey(const MosaicResult &result, int index)
{
    double sum = 0;
    int count = 0;
    for (int r = 0; r < mapSize.height(); ++r)
        for (int c = 0; c < mapSize.width(); ++c)
            if (result.owners.constScanLine(r)[c] == index + 1 &&
                qAlpha(result.map.pixel(c, r)) == 255) {
                sum += grey(result.map, c, r);
                ++count;
            }
    return count ? sum / count : -1;
}

} // namespace

class MosaicBuilderTest : public QObject
{
    Q_OBJECT
private slots:
    // Along the equator, from the first picture's centre across the second one's cap edge and
    // on to its centre, neighbouring map pixels differ by little more than the texture does,
    // also when the second picture is much darker and nothing matches its exposure: the weights
    // reach zero smoothly at each cap edge.
    void noSeamAtCapEdges_data()
    {
        QTest::addColumn<double>("secondLongitude");
        QTest::addColumn<double>("exposure");
        // Columns cut off the second picture's left side, which faces the first picture.
        QTest::addColumn<int>("cut");
        QTest::newRow("60 degrees apart, same exposure") << 60.0 << 1.0 << 0;
        QTest::newRow("60 degrees apart, second darker") << 60.0 << 0.6 << 0;
        QTest::newRow("90 degrees apart, second darker") << 90.0 << 0.6 << 0;
        QTest::newRow("across the map's edge, second darker") << -150.0 << 0.6 << 0;
        QTest::newRow("second darker, its disk cut by the frame") << 60.0 << 0.6 << 70;
    }
    void noSeamAtCapEdges()
    {
        QFETCH(double, secondLongitude);
        QFETCH(double, exposure);
        QFETCH(int, cut);
        const double first = secondLongitude < 0 ? 150.0 : 0.0;
        MosaicView second = mosaicscenes::view(secondLongitude, exposure);
        second.picture =
            second.picture.copy(cut, 0, second.picture.width() - cut, second.picture.height());
        second.centerX -= cut;
        const MosaicResult result = merged({mosaicscenes::view(first), second}, false);
        const int row = mapSize.height() / 2;
        const int from = int(first) + 180;
        const int span = int(std::remainder(secondLongitude - first, 360.0));
        // The texture alone changes by at most 4 levels a pixel on the equator (its steepest
        // slope, 200 levels a radian); a darker picture adds its exposure step (about 120 grey
        // levels times the missing share), which a seam would show at once and a blend spreads
        // over several pixels.
        const double allowed = 4 + 120 * (1 - exposure) / 4;
        int steepest = 0;
        for (int k = 0; k < span; ++k) {
            const int c = (from + k) % mapSize.width();
            const int next = (c + 1) % mapSize.width();
            QCOMPARE(qAlpha(result.map.pixel(c, row)), 255);
            steepest = std::max(steepest,
                                std::abs(grey(result.map, next, row) - grey(result.map, c, row)));
        }
        QVERIFY2(steepest <= allowed,
                 qPrintable(QString("a step of %1 grey levels").arg(steepest)));
    }

    // A picture whose circle lies off the picture sees nothing: the map is that of the others,
    // it leads no pixel and keeps gain 1; the poles, which no picture sees, stay transparent.
    void pictureSeeingNothing()
    {
        MosaicView blind = mosaicscenes::view(90.0);
        blind.centerX = -5000;
        blind.centerY = -5000;
        const MosaicResult alone = merged({mosaicscenes::view(0.0)}, true);
        const MosaicResult withBlind = merged({mosaicscenes::view(0.0), blind}, true);
        QCOMPARE(withBlind.map, alone.map);
        QCOMPARE(withBlind.leadingPixels[1], qint64(0));
        QCOMPARE(withBlind.gains[1], 1.0);
        QCOMPARE(withBlind.coveredPixels, alone.coveredPixels);
        QCOMPARE(withBlind.leadingPixels[0], alone.coveredPixels);
        QCOMPARE(withBlind.map.pixel(0, 0), 0u);
        QCOMPARE(withBlind.map.pixel(mapSize.width() / 2, mapSize.height() - 1), 0u);
    }

    // Overlapping pictures of different exposure: with matching, each gain undoes its picture's
    // exposure against the first one and every region shows the brightness of an evenly exposed
    // set; without, the regions keep their exposure. A picture that overlaps none keeps gain 1.
    void differentBrightness_data()
    {
        QTest::addColumn<std::vector<double>>("longitudes");
        QTest::addColumn<std::vector<double>>("exposures");
        QTest::addColumn<bool>("matching");
        QTest::newRow("second darker, matched")
            << std::vector<double>{0, 90} << std::vector<double>{1.0, 0.8} << true;
        QTest::newRow("second brighter, matched")
            << std::vector<double>{0, 90} << std::vector<double>{1.0, 1.2} << true;
        QTest::newRow("first darker, matched")
            << std::vector<double>{0, 90} << std::vector<double>{0.8, 1.0} << true;
        QTest::newRow("four around, matched") << std::vector<double>{0, 90, 180, -90}
                                              << std::vector<double>{1.0, 0.8, 1.15, 0.9} << true;
        QTest::newRow("second darker, unmatched")
            << std::vector<double>{0, 90} << std::vector<double>{1.0, 0.8} << false;
    }
    void differentBrightness()
    {
        QFETCH(std::vector<double>, longitudes);
        QFETCH(std::vector<double>, exposures);
        QFETCH(bool, matching);
        std::vector<MosaicView> even, uneven;
        for (std::size_t i = 0; i < longitudes.size(); ++i) {
            even.push_back(mosaicscenes::view(longitudes[i]));
            uneven.push_back(mosaicscenes::view(longitudes[i], exposures[i]));
        }
        const MosaicResult reference = merged(even, matching);
        const MosaicResult result = merged(uneven, matching);
        for (std::size_t i = 0; i < longitudes.size(); ++i) {
            const double expectedGain = matching ? exposures[0] / exposures[i] : 1.0;
            QVERIFY2(std::abs(result.gains[i] - expectedGain) < 0.03,
                     qPrintable(QString("gain %1 of picture %2, not %3")
                                    .arg(result.gains[i])
                                    .arg(i + 1)
                                    .arg(expectedGain)));
            // Matched, the regions look like the even set scaled by the reference's exposure.
            QVERIFY(regionGrey(result, int(i)) > 0);
            const double want =
                regionGrey(reference, int(i)) * (matching ? exposures[0] : exposures[i]);
            QVERIFY2(std::abs(regionGrey(result, int(i)) - want) < 2.0,
                     qPrintable(QString("picture %1's region at %2 grey, not %3")
                                    .arg(i + 1)
                                    .arg(regionGrey(result, int(i)))
                                    .arg(want)));
        }
    }

    void isolatedPictureKeepsGainOne()
    {
        // Pictures at 0 and 180 degrees share no point (each cap reaches 81 degrees).
        const MosaicResult result =
            merged({mosaicscenes::view(0.0), mosaicscenes::view(180.0, 0.7)}, true);
        QCOMPARE(result.gains[1], 1.0);
    }
};

QTEST_GUILESS_MAIN(MosaicBuilderTest)
#include "tst_mosaicbuilder.moc"
