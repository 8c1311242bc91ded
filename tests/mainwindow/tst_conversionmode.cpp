// The conversion mode through the main window: read from the settings file and written back,
// honoured by a silent batch and by the convert command; a sub-pixel circle's remainders reach
// the precise conversion until the circle is changed by hand.

#include "engine/mapconverter.h"
#include "engine/mapwriter.h"
#include "mainwindow/mainwindow.h"
#include "testimages.h"
#include "ui_mainwindow.h"
#include "windowtesting.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The circle of the tests, whole pixels and the sub-pixel circle that rounds to them.
const int circleX = 32, circleY = 24, circleRadius = 22;
const double exactX = 32.3, exactY = 23.8, exactRadius = 21.6;

ConversionParameters expectedParameters(int mode, bool withFractions)
{
    ConversionParameters params;
    params.centerX = circleX;
    params.centerY = circleY;
    params.radius = circleRadius;
    params.outputWidth = 128;
    params.outputHeight = 64;
    params.mode = mode == 1 ? ConversionMode::Precise : ConversionMode::Standard;
    if (withFractions) {
        params.centerXFraction = exactX - circleX;
        params.centerYFraction = exactY - circleY;
        params.radiusFraction = exactRadius - circleRadius;
    }
    return params;
}

QImage referenceMap(const QString &picture, const ConversionParameters &params)
{
    MapConverter converter;
    return converter.convert(QImage(picture), params).map;
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class ConversionModeTest : public QObject
{
    Q_OBJECT

private slots:
    void silentBatchFollowsSettingsFile_data();
    void silentBatchFollowsSettingsFile();
    void convertCommandFollowsModeAndCircle_data();
    void convertCommandFollowsModeAndCircle();
};

// A missing key is the standard conversion: its maps are byte for byte those of "0".
void ConversionModeTest::silentBatchFollowsSettingsFile_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("mode");
    QTest::newRow("no key") << QVariant() << 0;
    QTest::newRow("standard") << QVariant(0) << 0;
    QTest::newRow("precise") << QVariant(1) << 1;
}

void ConversionModeTest::silentBatchFollowsSettingsFile()
{
    QFETCH(QVariant, stored);
    QFETCH(int, mode);

    QTemporaryDir dir;
    const QString picture = windowtesting::writePicture(dir.filePath("globe.png"), 64, 48);
    const QString outputs = dir.filePath("out");
    QVERIFY(QDir().mkpath(outputs));
    {
        QSettings ini(dir.filePath("orvix.ini"), QSettings::IniFormat);
        const ConversionParameters p = expectedParameters(0, false);
        ini.setValue("CenterX", p.centerX);
        ini.setValue("CenterY", p.centerY);
        ini.setValue("Radius", p.radius);
        ini.setValue("OutputSizeX", p.outputWidth);
        ini.setValue("OutputSizeY", p.outputHeight);
        ini.setValue("OutputFormat", 1);
        ini.setValue("OutputFolder", outputs);
        if (stored.isValid())
            ini.setValue("ConversionMode", stored);
    }
    auto window = windowtesting::makeWindow(dir.path());
    QCOMPARE(window->conversionMode, mode);
    window->batchMode = 1;
    window->batchFiles = QStringList{picture};
    window->batchConvert();
    QCOMPARE(window->batchExitCode, 0);

    const QString expected = dir.filePath("expected.png");
    const QImage map = referenceMap(picture, expectedParameters(mode, false));
    QVERIFY(writeMap(map, expected, 1, 85));
    const QStringList written = QDir(outputs).entryList(QDir::Files);
    QCOMPARE(written.size(), 1);
    QCOMPARE(bytesOf(outputs + '/' + written.first()), bytesOf(expected));
    if (mode == 1)
        QVERIFY(map != referenceMap(picture, expectedParameters(0, false)));

    window->saveSettings();
    QCOMPARE(QSettings(window->settingsFile, QSettings::IniFormat).value("ConversionMode"),
             QVariant(QString::number(mode)));
}

// The centre typed into its line edit after the sub-pixel circle was set: the same whole pixel
// keeps the remainders, a different one (even when typed back) drops them.
void ConversionModeTest::convertCommandFollowsModeAndCircle_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("typedCentres");
    QTest::addColumn<bool>("fractionsKept");
    QTest::newRow("standard") << 0 << QStringList() << false;
    QTest::newRow("precise, sub-pixel circle") << 1 << QStringList() << true;
    QTest::newRow("precise, same centre typed") << 1 << QStringList{"32"} << true;
    QTest::newRow("precise, centre moved and back") << 1 << QStringList{"33", "32"} << false;
}

void ConversionModeTest::convertCommandFollowsModeAndCircle()
{
    QFETCH(int, mode);
    QFETCH(QStringList, typedCentres);
    QFETCH(bool, fractionsKept);

    QTemporaryDir dir;
    auto window = windowtesting::makeWindow(dir.path());
    window->loadFileName = windowtesting::writePicture(dir.filePath("globe.png"), 64, 48);
    window->openImage();
    window->outputSizeX = 128;
    window->outputSizeY = 64;
    window->outputFormat = 1;
    window->conversionMode = mode;
    window->setExactCircle(exactX, exactY, exactRadius);
    QCOMPARE(window->ui->lineCenterX->text() + ' ' + window->ui->lineCenterY->text() + ' ' +
                 window->ui->lineRadius->text(),
             QString("32 24 22"));
    for (const QString &centre : typedCentres) {
        window->ui->lineCenterX->setText(centre);
        QTest::keyClick(window->ui->lineCenterX, Qt::Key_Return);
    }

    window->ui->lineSaveFilename->setText("map.png");
    window->saveFileName = dir.filePath("map.png");
    {
        windowtesting::ModalAnswerer answerer;
        QTest::mouseClick(window->ui->btnConvert, Qt::LeftButton);
    }
    const QImage expected =
        referenceMap(window->loadFileName, expectedParameters(mode, fractionsKept));
    const testimages::Difference difference =
        testimages::compare(QImage(dir.filePath("map.png")), expected);
    QVERIFY2(difference.count == 0, qPrintable(difference.describe()));
    // The remainders and the mode each change the map, so the comparison tells them apart.
    if (mode == 1) {
        QVERIFY(expected !=
                referenceMap(window->loadFileName, expectedParameters(1, !fractionsKept)));
        QVERIFY(expected != referenceMap(window->loadFileName, expectedParameters(0, false)));
    }
}

QTEST_MAIN(ConversionModeTest)
#include "tst_conversionmode.moc"
