// The two command-line tools as a user runs them: the picture and the map they write, and
// the clear refusal of bad options without touching an existing file.

#include "samplesurface.h"
#include "testfiles.h"

#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString errors;
};

Run runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    Run run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

const QStringList smallPicture{"--width", "240",        "--height", "180",         "--samples",
                               "1",       "--latitude", "0",        "--longitude", "0"};

} // namespace

class SampleToolsTest : public QObject
{
    Q_OBJECT

private slots:
    void renderedPictureShowsTheGlobeInTheDefaultCircle();
    void convertedMapPutsTheMarkersInPlace_data();
    void convertedMapPutsTheMarkersInPlace();
    void badOptionsAreRefusedAndKeepTheFile_data();
    void badOptionsAreRefusedAndKeepTheFile();
    void unreadablePictureIsReported();

private:
    QTemporaryDir folder;
};

void SampleToolsTest::renderedPictureShowsTheGlobeInTheDefaultCircle()
{
    QVERIFY(folder.isValid());
    const QString path = folder.filePath("globe.png");
    const Run run = runTool(RENDER_SAMPLE_PROGRAM, smallPicture + QStringList{path});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));

    const QImage picture(path);
    QCOMPARE(picture.size(), QSize(240, 180));
    // Default circle: centre (120, 90), radius trunc(90 x 0.98) = 88. The view point 0/0 is
    // the red marker; the corners show the sky.
    QCOMPARE(picture.pixel(120, 90), SampleSurface::markers().front().colour);
    QCOMPARE(picture.pixel(0, 0), picture.pixel(239, 179));
    QVERIFY(picture.pixel(120 + 86, 90) != picture.pixel(0, 0));
    QCOMPARE(picture.pixel(120 + 90, 90), picture.pixel(0, 0));
    QCOMPARE(picture.pixel(120, 90 - 90), picture.pixel(0, 0));
}

void SampleToolsTest::convertedMapPutsTheMarkersInPlace_data()
{
    QTest::addColumn<QString>("marker");
    QTest::addColumn<QPoint>("mapPixel");
    // On a 360 x 180 map a pixel is a degree: column = longitude + 180, row = 90 - latitude.
    QTest::newRow("red at 0/0") << "red" << QPoint(180, 90);
    QTest::newRow("green at 45 N 30 E") << "green" << QPoint(210, 45);
    QTest::newRow("blue at 30 S 60 W") << "blue" << QPoint(120, 120);
}

void SampleToolsTest::convertedMapPutsTheMarkersInPlace()
{
    QFETCH(QString, marker);
    QFETCH(QPoint, mapPixel);
    QVERIFY(folder.isValid());
    const QString picturePath = folder.filePath("view.png");
    const QString mapPath = folder.filePath("map.png");
    Run run = runTool(RENDER_SAMPLE_PROGRAM,
                      QStringList{"--width", "480", "--height", "360", "--samples", "1",
                                  "--latitude", "0", "--longitude", "0", picturePath});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    run = runTool(CONVERT_PROGRAM,
                  {"--map-width", "360", "--map-height", "180", picturePath, mapPath});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));

    const QImage map = QImage(mapPath).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(map.size(), QSize(360, 180));
    QRgb colour = 0;
    for (const SurfaceMarker &surfaceMarker : SampleSurface::markers()) {
        if (marker == QLatin1String(surfaceMarker.name))
            colour = surfaceMarker.colour;
    }
    QCOMPARE(map.pixel(mapPixel), colour);
    // The far side stays transparent in a PNG map.
    QCOMPARE(qAlpha(map.pixel(0, 90)), 0);
}

void SampleToolsTest::badOptionsAreRefusedAndKeepTheFile_data()
{
    QTest::addColumn<bool>("convert");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("complaint");
    QTest::newRow("render: distance 1") << false << QStringList{"--distance", "1"} << "distance";
    QTest::newRow("render: distance not a number")
        << false << QStringList{"--distance", "far"} << "--distance";
    QTest::newRow("render: radius 0") << false << QStringList{"--radius", "0"} << "radius";
    QTest::newRow("render: latitude 95") << false << QStringList{"--latitude", "95"} << "latitude";
    QTest::newRow("render: 9 samples") << false << QStringList{"--samples", "9"} << "--samples";
    QTest::newRow("render: width 1.5") << false << QStringList{"--width", "1.5"} << "--width";
    QTest::newRow("convert: distance 0.5")
        << true << QStringList{"--distance", "0.5"} << "distance";
    QTest::newRow("convert: map width 0")
        << true << QStringList{"--map-width", "0"} << "output size";
    QTest::newRow("convert: quality 101") << true << QStringList{"--quality", "101"} << "--quality";
    QTest::newRow("convert: latitude nan")
        << true << QStringList{"--latitude", "nan"} << "latitude";
}

void SampleToolsTest::badOptionsAreRefusedAndKeepTheFile()
{
    QFETCH(bool, convert);
    QFETCH(QStringList, options);
    QFETCH(QString, complaint);
    QVERIFY(folder.isValid());
    const QString picturePath = folder.filePath("input.png");
    const QString outputPath = folder.filePath("precious.png");
    const QByteArray precious("an earlier result that must survive");
    QVERIFY(writeBytes(outputPath, precious));

    Run run;
    if (convert) {
        run = runTool(RENDER_SAMPLE_PROGRAM, smallPicture + QStringList{picturePath});
        QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
        run = runTool(CONVERT_PROGRAM, options + QStringList{picturePath, outputPath});
    } else {
        run = runTool(RENDER_SAMPLE_PROGRAM, options + QStringList{outputPath});
    }
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.errors.contains(complaint), qPrintable(run.errors));
    QCOMPARE(readBytes(outputPath), precious);
}

void SampleToolsTest::unreadablePictureIsReported()
{
    QVERIFY(folder.isValid());
    const QString notAPicture = folder.filePath("notes.jpg");
    QVERIFY(writeBytes(notAPicture, "plain text"));
    const Run run = runTool(CONVERT_PROGRAM, {notAPicture, folder.filePath("map.jpg")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains("cannot read"), qPrintable(run.errors));
    QVERIFY(!QFile::exists(folder.filePath("map.jpg")));
}

QTEST_GUILESS_MAIN(SampleToolsTest)
#include "tst_sampletools.moc"
