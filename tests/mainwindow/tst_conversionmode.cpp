// The conversion mode is read from the settings file and written back, and the window's
// conversions (the preview's, the convert command's, the batches') are the converter's.

#include "engine/standard/mapconverter.h"
#include "windowdriver.h"
#include "windowtesting.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using windowdriver::formOf;

class ConversionModeTest : public QObject
{
    Q_OBJECT

private slots:
    void mapsFollowModeAndCircle_data();
    void mapsFollowModeAndCircle();
};

// A missing key is the standard conversion. A centre typed after the sub-pixel circle was set
// keeps the remainder when it is the same whole pixel, and drops it otherwise, also when the
// circle is then typed back (so the map is then the one of the whole-pixel circle).
void ConversionModeTest::mapsFollowModeAndCircle_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<double>("exactRadius");
    QTest::addColumn<QStringList>("typedCentres");
    QTest::addColumn<bool>("kept");
    QTest::newRow("no key") << QVariant() << 22.0 << QStringList() << false;
    QTest::newRow("standard, sub-pixel circle") << QVariant(0) << 21.6 << QStringList() << true;
    QTest::newRow("precise, sub-pixel circle") << QVariant(1) << 21.6 << QStringList() << true;
    QTest::newRow("precise, same centre") << QVariant(1) << 21.6 << QStringList{"32"} << true;
    QTest::newRow("precise, moved and back")
        << QVariant(1) << 21.6 << QStringList{"33", "32"} << false;
}

void ConversionModeTest::mapsFollowModeAndCircle()
{
    QFETCH(QVariant, stored);
    QFETCH(double, exactRadius);
    QFETCH(QStringList, typedCentres);
    QFETCH(bool, kept);

    QTemporaryDir dir;
    if (stored.isValid())
        QSettings(dir.filePath("orvix.ini"), QSettings::IniFormat)
            .setValue("ConversionMode", stored);
    auto window = windowtesting::makeWindow(dir.path());
    const int mode = stored.toInt();
    QCOMPARE(window->conversionMode, mode);
    window->loadFileName = windowtesting::writePicture(dir.filePath("globe.png"), 64, 48);
    window->openImage();
    window->setExactCircle(32, 24, exactRadius);
    for (const QString &centre : typedCentres) {
        formOf(*window).lineCenterX->setText(centre);
        QTest::keyClick(formOf(*window).lineCenterX, Qt::Key_Return);
    }

    ConversionParameters params;
    params.centerX = 32;
    params.centerY = 24;
    params.radius = 22;
    params.mode = mode == 1 ? ConversionMode::Precise : ConversionMode::Standard;
    params.radiusFraction = kept ? exactRadius - 22 : 0.0;
    const QImage map = MapConverter().convert(window->sourceImage, params).map;
    QCOMPARE(window->convertImage(), map);

    window->saveSettings();
    QCOMPARE(QSettings(window->settingsFile, QSettings::IniFormat).value("ConversionMode").toInt(),
             mode);
}

QTEST_MAIN(ConversionModeTest)
#include "tst_conversionmode.moc"
