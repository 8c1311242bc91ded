// The converter keeps the window responsive: it runs its event pump every few rows, by
// default processes the application's pending events, and a conversion started from inside
// the pump works on its own and leaves the outer one correct.

#include "conversioncases.h"
#include "engine/standard/mapconverter.h"
#include "literalreference.h"
#include "testimages.h"

#include <QtTest>

namespace {

// At least one pump call per this many map rows, on a single thread.
constexpr int rowsPerPumpCall = 8;

void expectSame(const QImage &actual, const QImage &expected)
{
    const testimages::Difference difference = testimages::compare(actual, expected);
    QVERIFY2(difference.count == 0, qPrintable(difference.describe()));
}

} // namespace

class EventPumpTest : public QObject
{
    Q_OBJECT

private slots:
    void pumpRunsEveryFewRows_data();
    void pumpRunsEveryFewRows();
    void defaultPumpProcessesEvents();
    void nestedConversion_data();
    void nestedConversion();

private:
    QImage source = testimages::uniquePicture(200, 150);
};

void EventPumpTest::pumpRunsEveryFewRows_data()
{
    QTest::addColumn<ConversionParameters>("params");

    QTest::newRow("1024 x 512, every turn")
        << conversion(100, 75, 70, 6.6, QSize(1024, 512), 35.6, 20, 37.5);
    QTest::newRow("640 x 1001, no turn")
        << conversion(100, 75, 70, 100, QSize(640, 1001), 90, -90, 0);
    QTest::newRow("2048 x 256, distance 1 (empty map)")
        << conversion(100, 75, 70, 1, QSize(2048, 256), 0, 0, 0);
}

void EventPumpTest::pumpRunsEveryFewRows()
{
    QFETCH(ConversionParameters, params);
    const int expectedCalls = params.outputHeight / rowsPerPumpCall;

    int calls = 0;
    MapConverter converter;
    converter.setThreadCount(1);
    converter.setEventPump([&calls] { ++calls; });
    const ConversionResult first = converter.convert(source, params);
    QVERIFY2(first.ok(), qPrintable(first.error));
    QVERIFY2(calls >= expectedCalls, qPrintable(QString::number(calls)));

    // Again with the same parameters, when the geometry is already known.
    calls = 0;
    const ConversionResult second = converter.convert(source, params);
    QVERIFY2(second.ok(), qPrintable(second.error));
    QVERIFY2(calls >= expectedCalls, qPrintable(QString::number(calls)));
    expectSame(second.map, first.map);
}

void EventPumpTest::defaultPumpProcessesEvents()
{
    bool converting = false;
    bool ranDuringConversion = false;
    QObject context;
    QMetaObject::invokeMethod(
        &context, [&] { ranDuringConversion = converting; }, Qt::QueuedConnection);

    MapConverter converter;
    converter.setThreadCount(1);
    converting = true;
    const ConversionResult result =
        converter.convert(source, conversion(100, 75, 70, 6.6, QSize(512, 256), 35.6, 20, 37.5));
    converting = false;
    QVERIFY2(result.ok(), qPrintable(result.error));
    QVERIFY(ranDuringConversion);
}

void EventPumpTest::nestedConversion_data()
{
    QTest::addColumn<QSize>("innerPicture");
    QTest::addColumn<ConversionParameters>("inner");

    const ConversionParameters outer =
        conversion(100, 75, 70, 6.6, QSize(512, 256), 35.6, 20, 37.5);
    QTest::newRow("same picture, same parameters") << QSize(200, 150) << outer;
    QTest::newRow("same picture, other parameters")
        << QSize(200, 150) << conversion(90, 80, 60, 1.5, QSize(300, 151), -35.6, 179.5, 90);
    QTest::newRow("other picture size, same parameters") << QSize(160, 160) << outer;
    QTest::newRow("other picture size, larger map")
        << QSize(160, 160) << conversion(80, 80, 75, 100, QSize(640, 321), 0, 0, 0);
}

void EventPumpTest::nestedConversion()
{
    QFETCH(QSize, innerPicture);
    QFETCH(ConversionParameters, inner);
    const ConversionParameters outer =
        conversion(100, 75, 70, 6.6, QSize(512, 256), 35.6, 20, 37.5);
    const QImage innerSource =
        innerPicture == source.size()
            ? source.mirrored(true, false)
            : testimages::uniquePicture(innerPicture.width(), innerPicture.height());

    MapConverter converter;
    converter.setThreadCount(1);
    ConversionResult nested;
    int nestedRuns = 0;
    converter.setEventPump([&] {
        // Only the outer conversion's first pump starts one; the nested one pumps too.
        if (nestedRuns++ == 0)
            nested = converter.convert(innerSource, inner);
    });
    const ConversionResult result = converter.convert(source, outer);

    QVERIFY2(result.ok(), qPrintable(result.error));
    QVERIFY2(nested.ok(), qPrintable(nested.error));
    expectSame(result.map, literalConvert(source, outer));
    expectSame(nested.map, literalConvert(innerSource, inner));

    // Both leave the converter sound for the next conversion.
    const ConversionResult after = converter.convert(innerSource, inner);
    QVERIFY2(after.ok(), qPrintable(after.error));
    expectSame(after.map, nested.map);
}

QTEST_MAIN(EventPumpTest)
#include "tst_eventpump.moc"
