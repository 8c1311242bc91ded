#include "mosaicscenes.h"
#include "tiffreading.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A picture section with the circle of mosaicscenes::view.
QByteArray section(int number, const char *file, double longitude, bool detect = false)
{
    QByteArray text = "[picture" + QByteArray::number(number) + "]\nFile=" + file + "\n";
    text +=
        detect ? QByteArray("Detect=true\n") : QByteArray("CenterX=120\nCenterY=100\nRadius=90\n");
    return text + "Distance=6.6\nLongitude=" + QByteArray::number(longitude) + "\n";
}

const QByteArray general = "[General]\nOutputSizeX=360\nOutputSizeY=180\n";

} // namespace

// `orvix --mosaic`: its lines and statuses, and that a map is written only when it says so.
class MosaicCommandTest : public QObject
{
    Q_OBJECT
private slots:
    void statuses_data()
    {
        QTest::addColumn<QByteArray>("mosaic");
        QTest::addColumn<QString>("map");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("every picture used")
            << general + section(1, "views/a.png", 0) + section(2, "views/b.png", 90, true)
            << "m.png" << 0
            << QStringList{
                   "views/a.png: share [1-9]\\d\\.\\d %", "views/b.png: share [1-9]\\d\\.\\d %",
                   "m.png: 360 x 180, covered \\d+\\.\\d % of the map, 2 of 2 pictures used"};
        QTest::newRow("a TIFF map")
            << general + section(1, "views/a.png", 0) << "m.tiff" << 0
            << QStringList{
                   "views/a.png: share 100\\.0 %",
                   "m.tiff: 360 x 180, covered \\d+\\.\\d % of the map, 1 of 1 pictures used"};
        QTest::newRow("a missing file")
            << general + section(1, "views/a.png", 0) + section(2, "views/none.png", 90) << "m.jpg"
            << 1
            << QStringList{"views/a.png: share 100\\.0 %",
                           "views/none.png: left out \\(the picture could not be read: .+\\)",
                           "m.jpg: .*1 of 2 pictures used"};
        QTest::newRow("a picture without a usable circle")
            << general + section(2, "views/plain.png", 90, true) + section(1, "views/a.png", 0)
            << "m.png" << 1
            << QStringList{"views/a.png: share 100\\.0 %",
                           "views/plain.png: left out \\(no usable circle \\(.+\\)\\)",
                           "m.png: .*1 of 2 pictures used"};
        QTest::newRow("no usable picture")
            << general + section(1, "views/plain.png", 0, true) << "m.png" << 2
            << QStringList{"views/plain.png: left out \\(no usable circle \\(.+\\)\\)"};
        QTest::newRow("a bad value")
            << general + section(1, "views/a.png", 0).replace("Radius=90", "Radius=-3") << "m.png"
            << 2 << QStringList{};
        QTest::newRow("a map that is no JPG or PNG")
            << general + section(1, "views/a.png", 0) << "m.bmp" << 2 << QStringList{};
    }
    void statuses()
    {
        QFETCH(QByteArray, mosaic);
        QFETCH(QString, map);
        QFETCH(int, status);
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("views"));
        QVERIFY(mosaicscenes::view(0.0).picture.save(dir.filePath("views/a.png")));
        QVERIFY(mosaicscenes::view(90.0).picture.save(dir.filePath("views/b.png")));
        QImage plain(240, 200, QImage::Format_RGB32);
        plain.fill(qRgb(120, 120, 120));
        QVERIFY(plain.save(dir.filePath("views/plain.png")));
        QFile file(dir.filePath("m.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(mosaic) == mosaic.size());
        file.close();

        QProcess run;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        run.setProcessEnvironment(environment);
        run.setWorkingDirectory(dir.path());
        run.start(QStringLiteral(ORVIX_PROGRAM), {"--mosaic", "m.ini", map});
        QVERIFY(run.waitForFinished(60000));
        const QString errors = QString::fromLocal8Bit(run.readAllStandardError());
        QCOMPARE(run.exitCode(), status);
        const QStringList printed =
            QString::fromLocal8Bit(run.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(printed.size(), lines.size());
        for (int i = 0; i < lines.size(); ++i)
            QVERIFY2(QRegularExpression("^" + lines[i] + "$").match(printed[i]).hasMatch(),
                     qPrintable(printed[i]));
        // A map exactly when the status says one was written; its reasons otherwise.
        QCOMPARE(QFile::exists(dir.filePath(map)), status < 2);
        QCOMPARE(errors.contains("no map was written"), status == 2);
        if (QTest::currentDataTag() == QLatin1String("a bad value"))
            QVERIFY2(errors.contains("[picture1] Radius"), qPrintable(errors));
        if (status < 2) {
            const QImage written = map.endsWith(".tiff")
                                       ? tiffreading::readTiff(dir.filePath(map)).pixels
                                       : QImage(dir.filePath(map));
            QCOMPARE(written.size(), QSize(360, 180));
            // The equator at the first picture's centre is covered; a pole is not.
            QVERIFY(qGray(written.pixel(180, 90)) > 40);
            QCOMPARE(qGray(written.pixel(180, 0)), 0);
        }
    }
};

QTEST_GUILESS_MAIN(MosaicCommandTest)
#include "tst_mosaiccommand.moc"
