#include "app/mosaicfile.h"
#include "mosaic/mosaicpictures.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char goodFile[] = "[General]\n"
                        "OutputSizeX=4096\n"
                        "OutputSizeY=2048\n"
                        "OutputQuality=90\n"
                        "ExposureMatching=true\n"
                        "[picture1]\n"
                        "File=views/view0.png\n"
                        "CenterX=800\n"
                        "CenterY=600.5\n"
                        "Radius=588.25\n"
                        "Distance=6.6\n"
                        "Latitude=0\n"
                        "Longitude=0\n"
                        "Azimuth=0\n"
                        "[picture2]\n"
                        "File=views/view1.png\n"
                        "Detect=true\n"
                        "Distance=6.6\n"
                        "Latitude=0\n"
                        "Longitude=90\n"
                        "Azimuth=0\n";

bool writeText(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

class MosaicFileTest : public QObject
{
    Q_OBJECT
private slots:
    void readsTheExample()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("m.ini");
        QVERIFY(writeText(path, goodFile));
        MosaicDescription d;
        QString error;
        QVERIFY2(readMosaicFile(path, &d, &error), qPrintable(error));
        QCOMPARE(d.outputSizeX, 4096);
        QCOMPARE(d.pictures.size(), std::size_t(2));
        QCOMPARE(d.pictures[0].centerY, 600.5);
        QCOMPARE(d.pictures[0].radius, 588.25);
        QVERIFY(!d.pictures[0].detect);
        QVERIFY(d.pictures[1].detect);
        QCOMPARE(d.pictures[1].longitude, 90.0);
        // Relative to the file's folder.
        QCOMPARE(mosaicPicturePath(dir.path(), d.pictures[1].file),
                 QDir(dir.path()).filePath("views/view1.png"));
    }

    // Bad values are refused naming the section and the key; nothing is taken from the file.
    void refusesBadValues_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("named");
        QTest::newRow("radius no number")
            << QByteArray("Radius=588.25") << QByteArray("Radius=big") << "[picture1] Radius";
        QTest::newRow("radius 0") << QByteArray("Radius=588.25") << QByteArray("Radius=0")
                                  << "[picture1] Radius";
        QTest::newRow("distance below 1")
            << QByteArray("Distance=6.6\nLatitude=0\nLongitude=90")
            << QByteArray("Distance=0.5\nLatitude=0\nLongitude=90") << "[picture2] Distance";
        QTest::newRow("latitude beyond the pole")
            << QByteArray("Latitude=0\nLongitude=0") << QByteArray("Latitude=91\nLongitude=0")
            << "[picture1] Latitude";
        QTest::newRow("map too wide") << QByteArray("OutputSizeX=4096")
                                      << QByteArray("OutputSizeX=40000") << "[General] OutputSizeX";
        QTest::newRow("quality 0") << QByteArray("OutputQuality=90")
                                   << QByteArray("OutputQuality=0") << "[General] OutputQuality";
        QTest::newRow("matching maybe")
            << QByteArray("ExposureMatching=true") << QByteArray("ExposureMatching=maybe")
            << "[General] ExposureMatching";
        QTest::newRow("detect maybe")
            << QByteArray("Detect=true") << QByteArray("Detect=maybe") << "[picture2] Detect";
        QTest::newRow("no circle, no detect")
            << QByteArray("Detect=true\n") << QByteArray() << "[picture2] CenterX";
        QTest::newRow("no file") << QByteArray("File=views/view0.png\n") << QByteArray()
                                 << "[picture1] File";
        QTest::newRow("misspelt key") << QByteArray("Azimuth=0\n[picture2]")
                                      << QByteArray("Azimut=0\n[picture2]") << "[picture1] Azimut";
        QTest::newRow("misspelt section")
            << QByteArray("[picture2]") << QByteArray("[pictre2]") << "[pictre2]";
        QTest::newRow("no pictures") << QByteArray("[picture1]") << QByteArray("[x]") << "[x]";
    }
    void refusesBadValues()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QString, named);
        QByteArray text(goodFile);
        QVERIFY(text.contains(from));
        text.replace(from, to);
        QTemporaryDir dir;
        const QString path = dir.filePath("m.ini");
        QVERIFY(writeText(path, text));
        MosaicDescription d;
        QString error;
        QVERIFY(!readMosaicFile(path, &d, &error));
        QVERIFY2(error.contains(named), qPrintable(error));
        QVERIFY(d.pictures.empty());
    }

    // What is written reads back the same, sub-pixel circles, Detect and order included, and a
    // picture file is stored relative to the mosaic file's folder.
    void roundTrip()
    {
        QTemporaryDir dir;
        MosaicDescription d;
        d.outputSizeX = 1000;
        d.outputSizeY = 500;
        d.outputQuality = 77;
        d.exposureMatching = false;
        const QString mosaic = dir.filePath("sub/m.ini");
        QVERIFY(QDir().mkpath(dir.filePath("sub")));
        for (int i = 0; i < 3; ++i) {
            MosaicPictureEntry e;
            e.file = mosaicRelativeName(mosaic, dir.filePath(QString("pics/v%1.png").arg(i)));
            e.detect = i == 1;
            e.centerX = i == 1 ? 0 : 799.5 + i;
            e.centerY = i == 1 ? 0 : 600.25;
            e.radius = i == 1 ? 0 : 588.7;
            e.distance = 2.5 + i;
            e.latitude = -10.5 * i;
            e.longitude = 45.0 * i - 170;
            e.azimuth = 12.5 * i;
            d.pictures.push_back(e);
        }
        QCOMPARE(d.pictures[0].file, QString("../pics/v0.png"));
        QString error;
        QVERIFY2(writeMosaicFile(mosaic, d, &error), qPrintable(error));
        MosaicDescription back;
        QVERIFY2(readMosaicFile(mosaic, &back, &error), qPrintable(error));
        QVERIFY(back == d);
    }
};

QTEST_GUILESS_MAIN(MosaicFileTest)
#include "tst_mosaicfile.moc"
